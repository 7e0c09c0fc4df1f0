#pragma once
#include <cstdint>

#include "render3d/V3dView.h"
#include "runtime/ref.h"
#include "scene/Vfont.h"
#include "scene/Vilib.h"
#include "scene/Vsprite.h"

// The game: the root of everything drawn, the 3D camera, the render loop and
// the key queue in one object. The host creates exactly one and calls run on
// the game thread.
class App : public V3dView {
public:
    App();
    ~App() override;

    // The whole game; returns when the viewport stops running.
    void run() override;

    // Adds s centred on the screen, scaled down to the screen width if wider.
    virtual void center(const ref<Vsprite>& s);

    // One-time start-up: fonts, the image library and the splash screen.
    void initOnce();

    ref<Vfont> m_fontSmall;
    ref<Vfont> m_fontLarge;
    ref<Vilib> m_lib; // the image library "app"
    bool m_bigScreen = false;
};
