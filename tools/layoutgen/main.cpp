// layoutgen OUT: writes the battlefield layout, an uncompressed SWF file of
// filled regions whose colours carry the ground class and height.
#include <chrono>
#include <cstdio>
#include <fstream>

#include "BandMap.h"
#include "ContourTracer.h"
#include "HeightBands.h"
#include "Landscape.h"
#include "LayoutFile.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: layoutgen OUT\n");
        return 2;
    }
    auto start = std::chrono::steady_clock::now();
    HeightBands bands;
    Landscape land(0x6B6F7276617468ull, bands);
    BandMap map(land, bands);
    if (map.crowdedCells() > 0) {
        std::fprintf(stderr, "layoutgen: %d cells are crossed by two cuts; the ground is too steep there\n",
                     map.crowdedCells());
        return 1;
    }
    // Style 0 is the background; a crossing holds six bits of style.
    if (map.styles().size() > 63) {
        std::fprintf(stderr, "layoutgen: %zu fill styles, at most 63 fit\n", map.styles().size());
        return 1;
    }
    ContourTracer tracer(land, bands, map);
    std::vector<uint8_t> file = LayoutFile::build(land, map, tracer);
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    if (!out) {
        std::fprintf(stderr, "layoutgen: cannot write %s\n", argv[1]);
        return 1;
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("layoutgen: %zu bytes, %zu fill styles, %zu outlines, %zu fields in %.0f ms\n", file.size(),
                map.styles().size(), tracer.chains().size(), land.fields().size(), ms);
    return 0;
}
