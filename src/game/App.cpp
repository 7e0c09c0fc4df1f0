#include "game/App.h"

#include <algorithm>

#include "game/AppPicture.h"
#include "game/Tank.h"
#include "game/VehicleBuilds.h"
#include "math/V.h"
#include "render3d/V3dLibrary.h"
#include "render3d/V3dModel.h"
#include "runtime/String.h"
#include "scene/Vilib.h"

App::App() = default;
App::~App() = default;

void App::destroy()
{
    removeAllStar();
    for (Vsprite* s : {static_cast<Vsprite*>(m_menuDrive.get()), static_cast<Vsprite*>(m_menuAim.get()),
                       m_hud.get(), m_radar.get(), m_mapSprite.get(), m_stage.get()}) {
        if (s)
            s->removeAllStar();
    }
    m_mapSprite = nullptr;
    // The vehicles and their parts hold each other, and each holds this view.
    battleClear();
    if (m_physics)
        m_physics->destroy();
    if (m_tank)
        m_tank->destroy();
    m_tank = nullptr;
}

void App::run()
{
    if (m_viewer) {
        inspect();
        return;
    }
    initOnce();
    // The demo plays a campaign of its own, from the map on.
    if (m_demo && m_front == 0)
        resetGame(5);
    if (mapScreen(!m_demo)) {
        while (mapScreen(false)) {
        }
    }
    while (isRunning())
        battle();
    prefSave();
    destroy();
}

void App::inspect()
{
    if (m_fsin.empty())
        V::fsinInit();
    m_lib = new Vilib(m_display, "app"_s);
    m_models = new V3dLibrary;
    m_models->open("p3d"_s, m_lib);
    m_models->textureLoad(m_lib, nullptr);
    for (const VehicleBuild& v : {kSherman, kTiger, kT34, kTruck})
        for (const char* part : {v.hull, v.tracks, v.turret, v.gun}) {
            ref<V3dModel> m = part ? m_models->lookupModel(String::copyOf(part)) : nullptr;
            if (m && !m->m_scaled)
                m->scale(v.scale);
        }
    viewer(m_viewer);
    destroy();
    m_models = nullptr;
}

void App::initOnce()
{
    if (m_fsin.empty())
        V::fsinInit();
    m_bigScreen = true;
    int32_t buttonSize = 0;
    if (m_width >= 176 && m_height >= 176) {
        int32_t s = m_width > 293 ? m_height : m_width;
        buttonSize = s < 294 ? 48 : 72;
    }
    m_fontSmall = new Vfont;
    m_fontSmall->open("f10.bin"_s);
    ref<Vfont> font = m_fontSmall;
    if (m_height < 161 || m_width < 177) {
        m_bigScreen = false;
        buttonSize = 0;
    } else {
        font = new Vfont;
        font->open("f16.bin"_s);
        font->m_tab += 4;
    }
    m_theme = new Vtheme;
    m_theme->m_font = font;
    m_theme->m_textColor = static_cast<int32_t>(0xFFFFFFFF);
    m_theme->m_menuColor = static_cast<int32_t>(0x80606080);
    m_theme->m_mouse = true;
    m_theme->m_inset = 2;
    m_lib = new Vilib(m_display, "app"_s);
    m_theme->m_lib = m_lib;

    ref<Vsprite> splash = new Vsprite;
    splash->setImage(m_lib, AppPicture::kSplash);
    center(splash);
    render();
    waitMs(0);
    prefLoad();
    sound("music3"_s);
    remove(splash);
    m_lib->deletePicture(AppPicture::kSplash);

    m_physics = new Vphysics;
    m_models = new V3dLibrary;
    m_models->open("p3d"_s, m_lib);
    m_tank = tankInit(m_side, 50);
    if (m_tank) {
        m_tank->m_fuel = prefRead(8) << 15;
        m_tank->m_rounds = prefRead(9);
        m_tank->m_damage = prefRead(7) > 49 ? 0 : prefRead(7);
    }
    initTerrain0();

    m_menuDrive = controlMenu(false, buttonSize);
    m_menuAim = controlMenu(true, buttonSize);
    m_hud = new Vsprite;
    m_hud->setZ(-1000);
    m_hud->setColor(static_cast<int32_t>(0x80606080));
    m_textEnemy = m_hud->addBottom(m_theme, "Enemy:\t"_s, 2);
    m_textRounds = m_hud->addBottom(m_theme, "Rounds:\t"_s, 2);
    m_textFuel = m_hud->addBottom(m_theme, "Fuel:\t"_s, 2);
    m_textArmor = m_hud->addBottom(m_theme, "Armor:\t"_s, 2);
    m_controls = buttonSize != 0;
    waitMs(500);
}

bool App::screenResize()
{
    bool changed = false;
    for (;;) {
        if (V3dView::screenResize()) {
            changed = true;
            stageLayout();
            if (m_terrain) {
                m_terrain->m_focal = m_focal;
                m_terrain->setWidthHeight(m_width, m_height);
                m_terrain->setHorizon(m_height >> 3);
                m_terrain->setSkyGradient(0x5995, 0x3399FF);
                if (m_polyTerrain && m_polyTerrain->isLinked())
                    overheadResize();
            }
            if (m_mapSprite) {
                mapResize();
            } else if ((m_menuDrive && m_menuDrive->isLinked()) || (m_menuAim && m_menuAim->isLinked())) {
                menuGameShow();
                if (m_radar)
                    m_radar->setXyi(m_width - 68, 4);
            }
        }
        // The game pauses while the screen rotates and goes on at the new size.
        if (!rotating() || !isRunning())
            return changed;
        renderWait();
    }
}

void App::resetGame(int32_t front)
{
    // A new campaign has no battle in progress, not even the one it ends.
    if (m_tank)
        m_tank->m_wx = 0;
    prefWrite(10, 0);
    freshTank();
    prefWrite(11, 0);
    m_front = front;
    prefWrite(1, front);
    prefSave();
}

void App::stageLayout()
{
    if (!m_stage) {
        m_stage = new Vsprite;
        if (!m_stage)
            return;
    }
    // The largest whole scale at which the map's grid fits the screen: the
    // pages are laid out for a screen that size and shown enlarged.
    const int32_t k = std::max(1, std::min(m_width / AppPicture::kMapWidth, m_height / AppPicture::kMapHeight));
    m_stageScale = k;
    m_stageWidth = m_width / k;
    m_stageHeight = m_height / k;
    m_stage->setScale(k << 15);
    m_stage->setXyi((m_width - k * m_stageWidth) / 2, (m_height - k * m_stageHeight) / 2);
}

void App::stageAdd(const ref<Vsprite>& s)
{
    if (!m_stage || m_stageWidth == 0)
        stageLayout();
    if (!m_stage || !s)
        return;
    if (!m_stage->isLinked())
        add(m_stage);
    m_stage->add(s);
}

void App::stageCenter(const ref<Vsprite>& s)
{
    if (!s)
        return;
    if (!m_stage || m_stageWidth == 0)
        stageLayout();
    s->setXyi((m_stageWidth - s->getWidth()) >> 1, (m_stageHeight - s->getHeight()) >> 1);
    stageAdd(s);
}

int32_t App::stageX(int32_t screenX) const
{
    const int32_t x = screenX - (m_stage ? m_stage->m_x >> 15 : 0);
    // Floor division: a point left of the stage stays left of it.
    return x >= 0 ? x / m_stageScale : -((-x + m_stageScale - 1) / m_stageScale);
}

int32_t App::stageY(int32_t screenY) const
{
    const int32_t y = screenY - (m_stage ? m_stage->m_y >> 15 : 0);
    return y >= 0 ? y / m_stageScale : -((-y + m_stageScale - 1) / m_stageScale);
}
