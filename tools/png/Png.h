#pragma once
#include <cstdint>
#include <string>
#include <vector>

// PNG files for the tools, the tests and the headless host.
class Png {
public:
    // Writes w x h pixels 0xAARRGGBB; without alpha the top byte is ignored and
    // the file is RGB. False, with the reason in error, when it fails.
    static bool write(const std::string& path, int32_t w, int32_t h, const uint32_t* pixels,
                      bool withAlpha, std::string* error = nullptr);
    // Reads any PNG into straight-alpha 0xAARRGGBB pixels.
    static bool read(const std::string& path, int32_t& w, int32_t& h, std::vector<uint32_t>& pixels,
                     std::string* error = nullptr);
};
