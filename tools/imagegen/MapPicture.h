#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ImageLibraryWriter.h"
#include "game/AppPicture.h"

// The campaign map: Europe from the hand-written outline in assets/, on a
// sinusoidal projection that puts London, Berlin and Moscow into their cells
// of the game's 16 x 12 grid of 20-pixel cells, with a margin of the same map
// around the grid.
class MapPicture {
public:
    static constexpr int32_t kMargin = AppPicture::kMapMargin;
    static constexpr int32_t kWidth = AppPicture::kMapWidth + 2 * kMargin;
    static constexpr int32_t kHeight = AppPicture::kMapHeight + 2 * kMargin;

    struct Shape {
        std::string kind{};  // "land", "water", "highland" or "river"
        std::string name{};
        std::vector<std::pair<double, double>> points{};  // longitude, latitude
    };

    // Reads the outline file; false, with a line on standard output, when it
    // cannot be read or is malformed.
    bool load(const std::string& path);
    SourcePicture draw() const;

    // Pixel of the picture at a longitude and latitude (the grid starts at
    // kMargin, kMargin).
    static void project(double lon, double lat, double& x, double& y);

    const std::vector<Shape>& shapes() const { return m_shapes; }

private:
    std::vector<Shape> m_shapes{};
};
