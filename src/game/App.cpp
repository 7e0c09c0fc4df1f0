#include "game/App.h"

#include "math/V.h"
#include "runtime/String.h"

App::App() = default;
App::~App() = default;

void App::run()
{
    initOnce();
    while (isRunning())
        renderWait();
}

void App::initOnce()
{
    if (m_fsin.empty())
        V::fsinInit();
    m_bigScreen = true;
    m_fontSmall = new Vfont;
    m_fontSmall->open("f10.bin"_s);
    if (m_height < 161 || m_width < 177) {
        m_bigScreen = false;
    } else {
        m_fontLarge = new Vfont;
        m_fontLarge->open("f16.bin"_s);
    }
    m_lib = new Vilib(m_display, "app"_s);

    ref<Vsprite> splash = new Vsprite;
    splash->setImage(m_lib, 49);
    center(splash);
    render();
    waitMs(0);
    sound("music3"_s);
}

void App::center(const ref<Vsprite>& s)
{
    addCenter(s);
    if (s->getY() < 0 && s->getWidth() <= m_width) {
        s->setXy(s->getX(), 0);
    } else if (s->getX() < 0) {
        s->setScale(static_cast<int32_t>((static_cast<int64_t>(m_width) << 15) / s->getWidth()));
        s->setXy(0, 0);
    }
}
