// JPEG streams, as the image libraries hold them, for the game's own decoder
// (the browser build's): a stream it takes comes out as exactly the pixels
// libjpeg's plain code draws from it, and one it refuses leaves every pixel
// as it was. (libjpeg's vector code saturates where its plain code wraps, on
// damaged streams whose samples run far out of range; on real pictures the
// two agree.)
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "host/JpegBuiltin.h"
#include "host/JpegLibjpeg.h"
#include "support/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // Room for the largest picture of the game's libraries.
    constexpr int64_t kRoom = 4096 * 256 * 4;
    // libjpeg-turbo reads this at its first picture.
    static const bool plain = setenv("JSIMD_FORCENONE", "1", 1) == 0;
    fuzzCheck(plain, "libjpeg's vector code is turned off");
    static std::vector<unsigned char> ours(kRoom), theirs(kRoom);
    std::fill(ours.begin(), ours.end(), 0xA5);
    if (!JpegBuiltin::decode(data, size, ours.data(), kRoom)) {
        fuzzCheck(std::all_of(ours.begin(), ours.end(), [](unsigned char c) { return c == 0xA5; }),
                  "a refused stream writes no pixel");
        return 0;
    }
    // libjpeg takes more (warnings, other codings); where both take a stream, the pictures agree.
    std::fill(theirs.begin(), theirs.end(), 0xA5);
    if (JpegLibjpeg::decode(data, size, theirs.data(), kRoom))
        fuzzCheck(ours == theirs, "the builtin decoder draws what libjpeg draws");
    return 0;
}
