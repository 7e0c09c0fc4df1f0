#pragma once
#include <cstdint>
#include <string>

// A review sheet of every picture of an image library: each drawn at its
// real size by the engine's own picture drawing, on a checkerboard that
// shows its transparency, under its index, name and size.
class ContactSheet {
public:
    // Reads the library name from the data folder dataDir and writes the
    // sheet as a PNG file; false, with a line on standard output, on failure.
    static bool write(const std::string& dataDir, const std::string& library, const std::string& pngPath);
};
