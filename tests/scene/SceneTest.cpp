#include <gtest/gtest.h>

#include <filesystem>

#include "ImageLibraryWriter.h"
#include "Png.h"
#include "runtime/InputStream.h"
#include "scene/Vilib.h"
#include "support/FakeHost.h"
#include "support/Files.h"

namespace {

constexpr int32_t ONE = 32768;
constexpr int32_t W = 160, H = 120;

// A smooth landscape-like background (JPEG) and a red disc with a
// transparent surround (run-length, hot spot in its middle).
void writeLibrary(const std::string& dir)
{
    ImageLibraryWriter writer;
    SourcePicture bg{"bg", W, H, 0, 0, {}};
    for (int32_t y = 0; y < H; y++)
        for (int32_t x = 0; x < W; x++)
            bg.argb.push_back(0xFF000000u | static_cast<uint32_t>(40 + x) << 8 |
                              static_cast<uint32_t>(90 + y));
    writer.add(bg, PictureEncoding::Jpeg);
    SourcePicture disc{"disc", 32, 32, 16, 16, {}};
    for (int32_t y = 0; y < 32; y++)
        for (int32_t x = 0; x < 32; x++) {
            int32_t dx = 2 * x - 31, dy = 2 * y - 31;
            disc.argb.push_back(dx * dx + dy * dy < 30 * 30 ? 0xFFFF0000u : 0u);
        }
    writer.add(disc, PictureEncoding::Rle);
    std::string error;
    ASSERT_TRUE(writer.write(dir, "scene", &error)) << error;
}

ref<Vsprite> picture(const ref<Vilib>& lib, int32_t index, int32_t x, int32_t y)
{
    ref<Vsprite> s(new Vsprite());
    s->setImage(lib, index);
    s->setXyi(x, y);
    return s;
}

} // namespace

TEST(Scene, PicturesColoursAndGradientComposeIntoOneFrame)
{
    FakeHost host;
    TempDir dir("scene");
    std::string oldDir = InputStream::resourceDir();
    writeLibrary(dir.str());
    InputStream::setResourceDir(dir.str());

    ref<Vilib> lib(new Vilib(ref<Vdisplay>(new Vdisplay()), "scene"_s));
    ref<Viewport> vp(new Viewport());
    vp->init(ref<Vdisplay>(new Vdisplay()));
    vp->setWidthHeight(W, H);

    vp->add(picture(lib, 0, 0, 0));
    vp->add(box(10, 10, 30, 20, 0xFFFFFF00));  // solid yellow
    vp->add(box(50, 10, 30, 20, 0x800000FF));  // half blue over the picture
    ref<Vsprite> sky = box(0, 100, W, 20, 0); // gradient strip at the bottom
    sky->setColorGradient(-1);
    vp->add(sky);
    vp->add(picture(lib, 1, 30, 60)); // hot spot at its centre
    ref<Vsprite> small = picture(lib, 1, 120, 60);
    small->setScale(16384);
    vp->add(small);
    ref<Vsprite> faded(new Vsprite()); // half transparent through its group
    faded->setAlpha(16384);
    faded->add(picture(lib, 1, 75, 60));
    vp->add(faded);
    // A blended fill leaves depth 0 (nearest) behind it, which hides a
    // picture drawn at depth 100.
    ref<Vsprite> behind = box(100, 10, 20, 20, 0x40336633);
    vp->add(behind);
    ref<Vsprite> far = picture(lib, 1, 110, 20);
    far->setZ(100 * ONE);
    vp->addTail(far); // last, whatever its depth

    vp->render();
    EXPECT_EQ(host.m_paints, (std::vector<std::vector<Rect>>{{{0, 0, W, H}}}));

    std::filesystem::path out = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "scene.png";
    EXPECT_TRUE(Png::write(out.string(), W, H, reinterpret_cast<const uint32_t*>(vp->m_pixels.a), false));

    const Array<int32_t>& bgPx = lib->loadPicture(0)->m_pixels;
    auto at = [&](int32_t x, int32_t y) { return vp->m_pixels[y * W + x]; };
    // Uncovered background: the decoded words, copied unchanged.
    EXPECT_EQ(at(5, 5), bgPx[5 * W + 5]);
    EXPECT_EQ(at(20, 20), static_cast<int32_t>(0xFFFFFF00));
    int32_t under = bgPx[15 * W + 60];
    EXPECT_EQ(at(60, 15), 0x7F + ((under >> 1) & 0x7F7F7F));
    // Gradient: black at its own top, near white at the bottom row.
    EXPECT_EQ(at(80, 100), static_cast<int32_t>(0xFF000000));
    EXPECT_EQ(at(80, 119), static_cast<int32_t>(0xFFF2F2F2));
    // Disc: opaque centre drawn at depth 0, transparent corner leaves the
    // background alone.
    EXPECT_EQ(at(30, 60), 0x00F80000);
    EXPECT_EQ(at(15, 45), bgPx[45 * W + 15]);
    // Half scale around the hot spot: 16 x 16 pixels at (112, 52).
    EXPECT_EQ(at(120, 60), 0x00F80000);
    EXPECT_EQ(at(111, 60), bgPx[60 * W + 111]);
    // Through the half-transparent group: an even mix of red and background.
    int32_t mixed = at(75, 60), back = bgPx[60 * W + 75];
    EXPECT_NEAR((mixed >> 16) & 0xFF, (0xF8 + ((back >> 16) & 0xFF)) / 2, 1);
    EXPECT_NEAR(mixed & 0xFF, (back & 0xFF) / 2, 1);
    // The blended fill over the hidden disc.
    int32_t b = bgPx[20 * W + 110];
    auto blend = [&](int32_t shift, int32_t c) {
        return (((64 * c) >> 8) + ((191 * ((b >> shift) & 0xFF)) >> 8)) << shift;
    };
    EXPECT_EQ(at(110, 20), blend(16, 0x33) | blend(8, 0x66) | blend(0, 0x33));
    EXPECT_EQ(at(110, 34), 0x64F80000); // below the fill: drawn, depth byte 100

    vp->removeAllStar();
    InputStream::setResourceDir(oldDir);
}
