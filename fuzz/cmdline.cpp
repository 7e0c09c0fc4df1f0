// The command line: the input is argv[1..], the arguments separated by NUL
// bytes. Options that parse must be within the ranges the hosts rely on, and a
// refused command line must say why.
#include <cstdint>
#include <string>
#include <vector>

#include "HostOptions.h"
#include "support/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    std::vector<std::string> args{"korvath"};
    std::string word;
    for (std::size_t i = 0; i < size; i++) {
        if (data[i] == 0) {
            args.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    if (!word.empty() || size == 0)
        args.push_back(word);
    std::vector<const char*> argv;
    for (const std::string& a : args)
        argv.push_back(a.c_str());
    argv.push_back(nullptr);

    HostOptions o;
    std::string error;
    if (!o.parse(static_cast<int>(args.size()), argv.data(), error)) {
        fuzzCheck(!error.empty(), "a refused command line says why");
        return 0;
    }
    fuzzCheck(o.m_width >= 16 && o.m_width <= 4096 && o.m_height >= 16 && o.m_height <= 4096,
              "the screen size is within 16..4096");
    fuzzCheck(o.m_scale >= 0 && o.m_scale <= 16, "the scale is within 1..16, or 0 to fit the desktop");
    fuzzCheck(o.m_untilMs >= 0, "the end time is not negative");
    fuzzCheck(!(o.m_headless && (o.m_fullscreen || o.m_mute || o.m_scale != 0)), "no window options headless");
    return 0;
}
