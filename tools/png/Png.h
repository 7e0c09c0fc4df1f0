#pragma once
#include <cstdint>
#include <string>
#include <vector>

// PNG files for the tools, the tests and the headless host.
class Png {
public:
    // Writes w x h pixels 0xAARRGGBB; without alpha the top byte is ignored and
    // the file is RGB. False, with the reason in error, when it fails.
    // fresh: the file must not exist yet (nor a link in its place), as for
    // a screenshot; otherwise an old file is replaced.
    static bool write(const std::string& path, int32_t w, int32_t h, const uint32_t* pixels,
                      bool withAlpha, std::string* error = nullptr, bool fresh = false);
    // Reads any PNG into straight-alpha 0xAARRGGBB pixels.
    static bool read(const std::string& path, int32_t& w, int32_t& h, std::vector<uint32_t>& pixels,
                     std::string* error = nullptr);
};
