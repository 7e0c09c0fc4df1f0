#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ImageLibraryWriter.h"

// The campaign map: Europe from the hand-written outline in assets/, on a
// sinusoidal projection that puts London, Berlin and Moscow into their cells
// of the game's 16 x 12 grid of 20-pixel cells.
class MapPicture {
public:
    static constexpr int32_t kWidth = 320;
    static constexpr int32_t kHeight = 240;

    struct Shape {
        std::string kind{};  // "land", "water", "highland" or "river"
        std::string name{};
        std::vector<std::pair<double, double>> points{};  // longitude, latitude
    };

    // Reads the outline file; false, with a line on standard output, when it
    // cannot be read or is malformed.
    bool load(const std::string& path);
    SourcePicture draw() const;

    // Map pixel of a longitude and latitude.
    static void project(double lon, double lat, double& x, double& y);

    const std::vector<Shape>& shapes() const { return m_shapes; }

private:
    std::vector<Shape> m_shapes{};
};
