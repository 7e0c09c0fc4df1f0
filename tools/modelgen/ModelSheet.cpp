#include "ModelSheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Png.h"
#include "VehicleRig.h"
#include "host/Vdisplay.h"
#include "math/V.h"
#include "render3d/V3dLibrary.h"
#include "render3d/V3dView.h"
#include "runtime/String.h"
#include "scene/Vilib.h"

std::vector<uint32_t> ModelSheet::draw(int32_t& width, int32_t& height)
{
    if (V::m_fsin.empty())
        V::fsinInit();
    ref<Vilib> lib = new Vilib(new Vdisplay, "app"_s);
    ref<V3dLibrary> models = new V3dLibrary;
    models->open("p3d"_s, lib);
    models->textureLoad(lib, nullptr);

    const VehicleBuild* vehicles[] = {&kSherman, &kTiger, &kT34, &kTruck};
    const int32_t pitches[] = {-1365, -3640}; // 15 and 40 degrees down
    const int32_t rows = 4 * 2;
    width = kCellWidth * kHeadings;
    height = kCellHeight * rows;
    std::vector<uint32_t> sheet(static_cast<std::size_t>(width * height));

    ref<V3dView> view = new V3dView;
    view->m_models = models;
    view->setWidthHeight(kCellWidth, kCellHeight);
    view->setColor(static_cast<int32_t>(0xFF7C8C98));
    // The ground from the horizon down, behind everything: the vehicles
    // stand on it, and the gap under a hull shows it rather than sky.
    ref<Vsprite> ground = new Vsprite;
    ground->setColor(static_cast<int32_t>(0xFF847E6C));
    ground->setZ(0x40000000);
    view->add(ground);
    for (int32_t v = 0; v < 4; v++) {
        VehicleRig rig(view, *vehicles[v]);
        view->add(rig.m_body);
        for (int32_t p = 0; p < 2; p++) {
            for (int32_t h = 0; h < kHeadings; h++) {
                // Turn the vehicle, and the turret a little against it, so
                // the gun's fit shows from every side.
                rig.pose(h * 32768 / kHeadings + 2048, -1200, -500);
                // The camera stands back from the vehicle's middle along its
                // line of sight, looking down at the pitch.
                const int32_t distance = 11 << 15, middle = 1 << 15;
                view->m_pitch = pitches[p];
                view->m_heading = 0;
                double down = -pitches[p] * 6.283185307 / 32768;
                int32_t horizon = std::max(0, static_cast<int32_t>(kCellHeight / 2 - view->m_focal * std::tan(down)));
                ground->setXyi(0, horizon);
                ground->setWidthHeight(kCellWidth, kCellHeight - horizon);
                view->setWxyz(0, middle - V::fmul(V::fsin(pitches[p]), distance),
                              V::fmul(V::fcos(pitches[p]), distance));
                view->redraw(0, 0, kCellWidth, kCellHeight);
                view->render();
                int32_t x0 = h * kCellWidth, y0 = (v * 2 + p) * kCellHeight;
                for (int32_t y = 0; y < kCellHeight; y++)
                    for (int32_t x = 0; x < kCellWidth; x++)
                        sheet[static_cast<std::size_t>((y0 + y) * width + x0 + x)] =
                            static_cast<uint32_t>(view->m_pixels[y * kCellWidth + x]) | 0xFF000000u;
            }
        }
    }
    view->remove(ground);
    view->destroy();
    return sheet;
}

bool ModelSheet::write(const std::string& path)
{
    int32_t w = 0, h = 0;
    std::vector<uint32_t> px = draw(w, h);
    std::string error;
    if (!Png::write(path, w, h, px.data(), false, &error)) {
        std::printf("modelsheet: cannot write %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}
