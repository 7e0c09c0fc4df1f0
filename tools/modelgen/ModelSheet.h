#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The review sheet of the vehicles: each one assembled as the game does it
// and drawn by the engine's 3D view from 8 headings (columns) at 2 camera
// pitches (rows), one pair of rows per vehicle.
class ModelSheet {
public:
    static constexpr int32_t kCellWidth = 240;
    static constexpr int32_t kCellHeight = 160;
    static constexpr int32_t kHeadings = 8;

    // Loads p3d.bin and the textures of the image library app from the data
    // folder (the resource folder must be set) and draws the sheet.
    static std::vector<uint32_t> draw(int32_t& width, int32_t& height);
    static bool write(const std::string& path);
};
