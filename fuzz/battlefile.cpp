// The battle file kept beside the record: the input is the stored
// "korvath-battle", loaded as a resumed battle loads it. A file of this
// version that loads writes back to the same bytes; one of an older version
// is written as this version, which reads back and writes the same again.
// Each input is also tried with its length and check sum made right, so
// that the fields behind them are reached.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "game/BattleFile.h"
#include "support/FuzzCheck.h"
#include "support/FuzzFolder.h"

namespace {

void loadOnce(const uint8_t* data, std::size_t size)
{
    FuzzFolder::instance().write("korvath-battle", data, size);
    BattleFile f;
    std::string why;
    if (!f.load(why)) {
        fuzzCheck(!why.empty(), "a refused file says why");
        return;
    }
    const Array<int8_t> again = f.bytes();
    if (data[4] == BattleFile::kVersion) {
        fuzzCheck(static_cast<std::size_t>(again.length) == size && std::memcmp(again.a, data, size) == 0,
                  "a file that loads writes back the same");
        return;
    }
    BattleFile back;
    fuzzCheck(back.read(again, again.length, why), "an older file written anew reads back");
    const Array<int8_t> twice = back.bytes();
    const auto n = static_cast<std::size_t>(again.length);
    fuzzCheck(twice.length == again.length && std::memcmp(twice.a, again.a, n) == 0,
              "an older file written anew writes back the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    loadOnce(data, size);
    if (size < 13 || size > static_cast<std::size_t>(BattleFile::kMostBytes))
        return 0;
    std::vector<uint8_t> fixed(data, data + size);
    const auto n = static_cast<uint32_t>(size);
    for (int32_t i = 0; i < 4; i++)
        fixed[5 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(n >> (8 * i));
    const uint32_t s = BattleFile::sum(reinterpret_cast<const int8_t*>(fixed.data()), static_cast<int32_t>(size - 4));
    for (int32_t i = 0; i < 4; i++)
        fixed[size - 4 + static_cast<std::size_t>(i)] = static_cast<uint8_t>(s >> (8 * i));
    loadOnce(fixed.data(), size);
    return 0;
}
