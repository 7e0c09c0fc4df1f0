#include "game/Stage.h"

#include <algorithm>
#include <vector>

#include "game/App.h"
#include "game/AppPicture.h"
#include "scene/Vilib.h"

namespace {

// The band behind a menu's heading: dark, so that the white words read over
// the pale map.
constexpr int32_t kHeadingBand = static_cast<int32_t>(0xD0182028);
constexpr int32_t kHeadingPad = 4; // around the words
constexpr int32_t kHeadingGap = 6; // between the band and the menu

// What a restyled row shows: its last child (the first is the button picture).
Vsprite* itemOf(Vsprite* row)
{
    Vsprite* last = row;
    for (Vsprite* c = row->m_child.get(); c; c = c->m_sibling.get())
        last = c;
    return last;
}

// Floor division: a point left of the stage stays left of it.
int32_t floorDiv(int32_t a, int32_t b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

Stage::Stage(App& app) : m_app(app) {}

// ---- the stage ----

void Stage::stageLayout()
{
    if (!m_sprite) {
        m_sprite = new Vsprite;
        if (!m_sprite)
            return;
    }
    // The largest whole scale at which the map's grid fits the screen: the
    // pages are laid out for a screen that size and shown enlarged.
    const int32_t k = std::max(1, std::min(m_app.m_width / AppPicture::kMapWidth,
                                           m_app.m_height / AppPicture::kMapHeight));
    m_scale = k;
    m_width = m_app.m_width / k;
    m_height = m_app.m_height / k;
    m_sprite->setScale(k << 15);
    m_sprite->setXyi((m_app.m_width - k * m_width) / 2, (m_app.m_height - k * m_height) / 2);
}

void Stage::stageAdd(const ref<Vsprite>& s)
{
    if (!m_sprite || m_width == 0)
        stageLayout();
    if (!m_sprite || !s)
        return;
    if (!m_sprite->isLinked())
        m_app.add(m_sprite);
    m_sprite->add(s);
}

void Stage::stageCenter(const ref<Vsprite>& s)
{
    if (!s)
        return;
    if (!m_sprite || m_width == 0)
        stageLayout();
    s->setXyi((m_width - s->getWidth()) >> 1, (m_height - s->getHeight()) >> 1);
    stageAdd(s);
}

int32_t Stage::stageX(int32_t screenX) const
{
    return floorDiv(screenX - (m_sprite ? m_sprite->m_x >> 15 : 0), m_scale);
}

int32_t Stage::stageY(int32_t screenY) const
{
    return floorDiv(screenY - (m_sprite ? m_sprite->m_y >> 15 : 0), m_scale);
}

void Stage::clear()
{
    if (m_sprite) {
        m_sprite->removeAll();
        m_sprite->off();
    }
}

// ---- menus on the stage ----

ref<Vsprite> Stage::showMenu(const ref<Vmenu>& m, const ref<String>& heading)
{
    const ref<Vtheme>& theme = m_app.m_theme;
    ref<Vtext> words = heading ? new Vtext(theme, heading) : nullptr;
    const int32_t reserved = words ? words->getHeight() + 2 * kHeadingPad + kHeadingGap : 0;
    // A menu written small (a long list) keeps its text rows.
    if (m_app.m_fontSmall != theme->m_font && m->m_theme->m_font != m_app.m_fontSmall)
        mend(m, reserved);
    else if (m_height > 0)
        squeeze(m, m_height - reserved);
    if (!words) {
        stageCenter(m);
        return m;
    }
    ref<Vsprite> band = new Vsprite;
    band->setColor(kHeadingBand);
    const int32_t width = std::max(m->getWidth(), words->getWidth() + 4 * kHeadingPad);
    band->setWidthHeight(width, reserved - kHeadingGap);
    words->setXyi((width - words->getWidth()) >> 1, kHeadingPad);
    band->add(words);
    // The frame holds band and menu; it draws nothing itself.
    ref<Vsprite> frame = new Vsprite;
    frame->setWidthHeight(width, reserved + m->getHeight());
    frame->add(band);
    m->setXyi((width - m->getWidth()) >> 1, reserved);
    frame->add(m);
    stageCenter(frame);
    return frame;
}

void Stage::respread(const ref<Vmenu>& m)
{
    ref<Vsprite> page = pageOf(m);
    const int32_t reserved = page != m ? m->getY() >> 15 : 0;
    // The places the text items had, 3 pixels above and below each, as mend
    // spread them, at the factor that suits the stage now.
    int32_t natural = 0;
    for (Vsprite* row = m->m_child.get(); row; row = row->m_sibling.get()) {
        ref<Vtext> t = ref_cast<Vtext>(ref<Vsprite>(itemOf(row)));
        natural += (t ? t->getHeight() : row->getHeight()) + 6;
    }
    if (natural <= 0)
        return;
    int64_t f = (static_cast<int64_t>(std::min(m_height - reserved, m_width - 20)) << 15) / natural;
    f = std::clamp<int64_t>(f, 0, 0x18000);
    int32_t y = 0;
    for (Vsprite* row = m->m_child.get(); row; row = row->m_sibling.get()) {
        ref<Vtext> t = ref_cast<Vtext>(ref<Vsprite>(itemOf(row)));
        y += 3;
        row->setXy(0, V::fmul(static_cast<int32_t>(f), y << 15));
        m->m_height = row->getHeight() + (row->getY() >> 15);
        y += (t ? t->getHeight() : row->getHeight()) + 3;
    }
    if (page != m)
        page->setWidthHeight(page->getWidth(), reserved + m->getHeight());
}

void Stage::squeeze(const ref<Vmenu>& m, int32_t room)
{
    int32_t rows = 0, last = 0;
    for (Vsprite* row = m->m_child.get(); row; row = row->m_sibling.get()) {
        rows++;
        last = row->getHeight();
    }
    if (rows < 2 || m->getHeight() <= room)
        return;
    const int32_t span = std::max(room - last, 0);
    int32_t i = 0;
    for (Vsprite* row = m->m_child.get(); row; row = row->m_sibling.get(), i++)
        row->setXy(row->getX(), (span * i / (rows - 1)) << 15);
    m->m_height = span + last;
}

ref<Vsprite> Stage::pageOf(const ref<Vmenu>& m)
{
    ref<Vsprite> parent = m->getParent();
    return parent && parent != m_sprite ? parent : ref<Vsprite>(m);
}

void Stage::hideMenu(const ref<Vmenu>& m)
{
    pageOf(m)->off();
}

void Stage::reshowMenu(const ref<Vmenu>& m)
{
    ref<Vsprite> page = pageOf(m);
    page->off();
    // A restyled menu spreads over the stage as it is now (the screen may
    // have changed its size meanwhile).
    if (m->m_buttonSize == 0 && m->m_child && m->m_child->m_child)
        respread(m);
    stageCenter(page);
}

void Stage::closeMenu(const ref<Vmenu>& m)
{
    ref<Vsprite> page = pageOf(m);
    page->off();
    m->removeAllStar();
    if (page != m)
        page->removeAllStar();
}

bool Stage::menuShown(const ref<Vmenu>& m)
{
    return m && pageOf(m)->isLinked();
}

void Stage::mend(const ref<Vmenu>& m, int32_t reserved)
{
    if (!m || !m->getChild() || m->getHeight() <= 0)
        return;
    ref<Vsprite> sel = m->getSelected();
    std::vector<ref<Vsprite>> items;
    for (Vsprite* c = m->m_child.get(); c; c = c->m_sibling.get())
        items.push_back(ref<Vsprite>(c));
    m->removeAll();
    m->setColor(0);
    const int32_t b = m->getWidth() <= 50 ? AppPicture::kButtonNarrow : AppPicture::kButtonWide;
    // Pages are laid out on the stage; before there is one (the battle's
    // controls, made at start-up), on the screen.
    const int32_t w = m_width > 0 ? m_width : m_app.m_width, h = m_height > 0 ? m_height : m_app.m_height;
    // The places of the rows are spread, so that the last button ends within
    // the room (at 320 x 240 it used to run off the bottom).
    const ref<Vpicture> picture = m_app.m_lib ? m_app.m_lib->loadPicture(b) : nullptr;
    const int32_t button = picture ? picture->m_height : 0;
    const int32_t lastY = items.back()->getY() >> 15;
    const int32_t room = std::max(std::min(h - reserved, w - 20) - button, 0);
    int64_t f = lastY > 0 ? (static_cast<int64_t>(room) << 15) / lastY : 0x18000;
    f = std::clamp<int64_t>(f, 0, 0x18000);
    for (ref<Vsprite> c : items) {
        ref<Vsprite> row = new Vsprite;
        row->setId(c->getId());
        m->addTail(row);
        if (c == sel)
            m->m_selected = row;
        ref<Vsprite> bg = new Vsprite;
        bg->setImage(m_app.m_lib, b);
        m->m_width = bg->getWidth();
        row->setWidthHeight(bg->getWidth(), bg->getHeight());
        row->setXy(0, V::fmul(static_cast<int32_t>(f), c->getY()));
        m->m_height = bg->getHeight() + (row->getY() >> 15);
        if (c->getImage() != -1) {
            ref<Vsprite> icon = new Vsprite;
            icon->setId(c->getId());
            icon->setImage(m_app.m_lib, c->getImage());
            icon->setAlpha(c->getAlpha());
            c = icon;
        }
        c->setXyi((bg->getWidth() - c->getWidth()) >> 1, (bg->getHeight() - c->getHeight() + 1) >> 1);
        bg->setZ(1);
        row->add(bg);
        row->add(c);
    }
}

void Stage::mcenter(const ref<Vtext>& t, const ref<String>& text)
{
    if (!t)
        return;
    t->setText(text);
    ref<Vsprite> parent = t->getParent();
    ref<Vsprite> c = parent ? parent->getChild() : nullptr;
    if (c)
        t->setXyi((c->getWidth() - t->getWidth()) >> 1, t->getY() >> 15);
}
