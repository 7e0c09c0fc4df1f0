#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "SwfWriter.h"
#include "host/Vdisplay.h"
#include "math/V.h"
#include "runtime/InputStream.h"
#include "scene/Vilib.h"
#include "scene/Vpicture.h"
#include "support/Files.h"
#include "terrain/VpolyTerrain.h"
#include "terrain/Vswf.h"
#include "terrain/Vterrain.h"

constexpr int32_t kUnit = 32768;

// A way to cast the terrain: a path, on one thread or on several.
struct Caster {
    Vterrain::CastPath path;
    int32_t threads;
    const char* name;
};
inline const Caster kCasters[] = {
    {Vterrain::kScalarPath, 1, "Scalar"}, {Vterrain::kScalarPath, 2, "ScalarTwoThreads"},
    {Vterrain::kAvx2Path, 1, "Avx2"},     {Vterrain::kAvx2Path, 2, "Avx2TwoThreads"},
    {Vterrain::kAvx512Path, 1, "Avx512"}, {Vterrain::kAvx512Path, 2, "Avx512TwoThreads"},
};
inline void PrintTo(const Caster& c, std::ostream* os)
{
    *os << c.name;
}
inline std::string casterName(const testing::TestParamInfo<Caster>& info)
{
    return info.param.name;
}
// The view casts as c says; false (the test should skip) when the processor lacks the path.
inline bool useCaster(Vterrain& v, const Caster& c)
{
    v.setCastPath(c.path);
    v.setThreads(c.threads);
    return Vterrain::supports(c.path);
}

inline void ensureSine()
{
    if (V::m_fsin.empty())
        V::fsinInit();
}

// A library of n 64 x 64 textures whose texel (x, y) of picture p is
// 0xFF000000 | p << 16 | y << 8 | x, so a pixel tells where it came from.
inline ref<Vilib> textureLibrary(int32_t n)
{
    ref<Vilib> lib = new Vilib(new Vdisplay(), "no-such-library"_s);
    // Loaded pictures are answered without looking at the (missing) pages.
    lib->m_count = n;
    lib->m_pictures = Array<ref<Vpicture>>(n);
    for (int32_t p = 0; p < n; p++) {
        ref<Vpicture> pic = new Vpicture;
        pic->m_width = pic->m_height = 64;
        pic->m_opaque = true;
        pic->m_pixels = Array<int32_t>(64 * 64);
        for (int32_t y = 0; y < 64; y++)
            for (int32_t x = 0; x < 64; x++)
                pic->m_pixels[y * 64 + x] = static_cast<int32_t>(0xFF000000u | static_cast<uint32_t>(p << 16 | y << 8 | x));
        lib->m_pictures[p] = pic;
    }
    return lib;
}

// Vector files made by hand: shapes in twips on a frame of 512 x 512 units
// (32 twips to a unit), written into a folder of their own and read back.
struct ShapeFile {
    static constexpr int32_t kTwips = 32;
    TempDir dir{"swf"};
    SwfWriter shape;
    std::vector<uint32_t> colours;
    int32_t fillBits = 4;
    int32_t version = 3; // DefineShape3: colours with alpha

    ShapeFile() { InputStream::setResourceDir(dir.str()); }
    ~ShapeFile() { InputStream::setResourceDir("."); }

    // Starts the shape with its solid fills (before any outline).
    void begin(std::vector<uint32_t> fills)
    {
        colours = std::move(fills);
        shape.u16(1);
        shape.rect(0, 512 * kTwips, 0, 512 * kTwips);
        shape.u8(static_cast<uint32_t>(colours.size()));
        for (uint32_t c : colours) {
            shape.u8(0);
            shape.u8(c >> 16 & 255);
            shape.u8(c >> 8 & 255);
            shape.u8(c & 255);
            if (version == 3)
                shape.u8(c >> 24);
        }
        shape.u8(0);
        shape.bits(static_cast<uint32_t>(fillBits), 4);
        shape.bits(0, 4);
    }
    // A closed polygon (units) with fill1 inside when walked with the inside
    // to the left (y down), fill0 outside.
    void polygon(const std::vector<std::pair<double, double>>& pts, int32_t fill0, int32_t fill1)
    {
        int32_t x = tw(pts[0].first), y = tw(pts[0].second);
        shape.moveTo(x, y, fill0, fill1, fillBits);
        for (size_t k = 1; k <= pts.size(); k++) {
            int32_t nx = tw(pts[k % pts.size()].first), ny = tw(pts[k % pts.size()].second);
            shape.lineBy(nx - x, ny - y);
            x = nx;
            y = ny;
        }
    }
    static int32_t tw(double units) { return static_cast<int32_t>(units * kTwips + (units < 0 ? -0.5 : 0.5)); }
    int32_t shapeTag() const { return version == 3 ? 32 : version == 2 ? 22 : 2; }
    // The whole file: extra tags before the shape, then shape, end.
    std::vector<uint8_t> bytes(const std::vector<uint8_t>& before = {})
    {
        SwfWriter s = shape;
        s.endShape();
        SwfWriter tags;
        std::vector<uint8_t> all(before);
        tags.tag(shapeTag(), s.bytes(), true);
        tags.tag(1, {});
        tags.tag(0, {});
        all.insert(all.end(), tags.bytes().begin(), tags.bytes().end());
        return SwfWriter::file(8, 512 * kTwips, 512 * kTwips, all);
    }
    void save(const std::vector<uint8_t>& data, const std::string& name = "shape")
    {
        writeFile(dir.file(name), std::string(data.begin(), data.end()));
    }
    // Reads the named file into a fresh 512 x 512 polygon.
    static ref<VpolyTerrain> read(const std::string& name = "shape")
    {
        ensureSine();
        ref<VpolyTerrain> poly = new VpolyTerrain;
        ref<Vswf> swf = new Vswf;
        swf->make(poly, String::copyOf(name.c_str()), 512, 512, 64, 64, 0);
        return poly;
    }
};

// A w x h sky panorama whose pixel (x, y) is 0xFF000000 | y << 12 | x, so a
// sky pixel tells which panorama column and row it shows.
inline ref<Vpicture> testPanorama(int32_t w, int32_t h)
{
    ref<Vpicture> p = new Vpicture;
    p->m_width = static_cast<int16_t>(w);
    p->m_height = static_cast<int16_t>(h);
    p->m_pixels = Array<int32_t>(w * h);
    for (int32_t y = 0; y < h; y++)
        for (int32_t x = 0; x < w; x++)
            p->m_pixels[y * w + x] = static_cast<int32_t>(0xFF000000u | static_cast<uint32_t>(y) << 12 | static_cast<uint32_t>(x));
    return p;
}

// FNV-1a over the pixels and the column tops: what a frame of the view is.
inline uint64_t fnv(uint64_t h, const void* data, size_t bytes)
{
    const auto* b = static_cast<const uint8_t*>(data);
    for (size_t k = 0; k < bytes; k++)
        h = (h ^ b[k]) * 0x100000001B3u;
    return h;
}
inline uint64_t checksum(const Array<int32_t>& pixels, const Vterrain& v)
{
    uint64_t h = fnv(0xCBF29CE484222325u, pixels.a, static_cast<size_t>(pixels.length) * 4);
    return fnv(h, v.m_top.a, static_cast<size_t>(v.m_top.length) * 2);
}
