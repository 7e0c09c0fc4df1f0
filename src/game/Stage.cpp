#include "game/Stage.h"

#include <algorithm>
#include <vector>

#include "game/App.h"
#include "game/AppPicture.h"
#include "game/MenuLayout.h"
#include "scene/Vilib.h"

namespace {

// The band behind a menu's heading: dark, so that the white words read over
// the pale map.
constexpr int32_t kHeadingBand = static_cast<int32_t>(0xD0182028);
constexpr int32_t kHeadingPad = 4; // around the words
constexpr int32_t kHeadingGap = 6; // between the band and the menu
// A list of text rows stands on a dark panel too, unless its menu brought an
// opaque colour of its own; the rows keep clear of the panel's edges.
constexpr int32_t kListPanel = static_cast<int32_t>(0xD8182028);
constexpr int32_t kListPadX = 6, kListPadY = 4;
constexpr int32_t kTextGap = 6;      // between text rows where there is room
constexpr int32_t kLeastTextGap = 1; // where there is not
constexpr int32_t kPlateSpread = 2;  // button rows stand at most twice their height apart
constexpr int32_t kPlateEnd = 14;    // the ends of a button, with their studs, stay free of text
constexpr int32_t kPagePadX = 8, kPagePadY = 6; // round the lines of a page

// What a restyled row shows: its last child (the first is the button picture).
Vsprite* itemOf(Vsprite* row)
{
    Vsprite* last = row;
    for (Vsprite* c = row->m_child.get(); c; c = c->m_sibling.get())
        last = c;
    return last;
}

bool opaque(int32_t color)
{
    return (static_cast<uint32_t>(color) >> 24) == 0xFF;
}

// A row showing item on button picture of the library, the item centred on
// it; the row takes the item's key.
ref<Vsprite> plateRow(const ref<Vilib>& lib, int32_t picture, const ref<Vsprite>& item)
{
    ref<Vsprite> row = new Vsprite;
    ref<Vsprite> bg = new Vsprite;
    row->setId(item->getId());
    bg->setImage(lib, picture);
    bg->setZ(1);
    row->setWidthHeight(bg->getWidth(), bg->getHeight());
    row->add(bg);
    item->setXyi((bg->getWidth() - item->getWidth()) >> 1, (bg->getHeight() - item->getHeight() + 1) >> 1);
    row->add(item);
    return row;
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
    const int32_t k = MenuLayout::scale(m_app.m_width, m_app.m_height, AppPicture::kMapWidth, AppPicture::kMapHeight);
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
    if (!heading) {
        arrange(m);
        stageCenter(m);
        return m;
    }
    // The frame holds the band with the words and the menu below it.
    ref<Vsprite> frame = new Vsprite;
    ref<Vsprite> band = new Vsprite;
    band->add(new Vtext(m_app.m_theme, heading));
    frame->add(band);
    frame->add(m);
    arrange(m);
    stageCenter(frame);
    return frame;
}

bool Stage::centred(const Vmenu& m) const
{
    return !m.m_theme || m.m_theme->m_font == m_app.m_theme->m_font;
}

void Stage::arrange(const ref<Vmenu>& m)
{
    if (!m || !m->m_child)
        return;
    if (!m_sprite || m_width == 0)
        stageLayout();
    const int32_t margin = MenuLayout::margin(m_width, m_height);
    const int32_t roomW = m_width - 2 * margin;
    ref<Vsprite> page = pageOf(m);
    ref<Vsprite> band = page != m ? page->getChild() : nullptr;
    ref<Vtext> words = band ? ref_cast<Vtext>(band->getChild()) : nullptr;
    if (words)
        words->setMostWidth(roomW - 4 * kHeadingPad);
    const int32_t headingH = words ? words->getHeight() + 2 * kHeadingPad + kHeadingGap : 0;
    const int32_t roomH = m_height - 2 * margin - headingH;

    // The items, taken off the button rows they may stand on.
    Vsprite* selected = m->m_selected ? itemOf(m->m_selected.get()) : nullptr;
    std::vector<ref<Vtext>> items;
    for (Vsprite* c = m->m_child.get(); c; c = c->m_sibling.get())
        if (ref<Vtext> t = ref_cast<Vtext>(ref<Vsprite>(itemOf(c))))
            items.push_back(t);
    for (Vsprite* c = m->m_child.get(); c; c = c->m_sibling.get())
        c->removeAll();
    m->removeAll();
    if (items.empty())
        return;
    const auto rows = static_cast<int32_t>(items.size());

    // Button rows where they fit one below the other, in the menu's own font.
    const ref<Vfont>& own = m->m_theme && m->m_theme->m_font ? m->m_theme->m_font : m_app.m_theme->m_font;
    const ref<Vpicture> plate = own != m_app.m_fontSmall && m_app.m_lib ? m_app.m_lib->loadPicture(AppPicture::kButtonWide)
                                                                        : nullptr;
    int32_t pitch = 0;
    if (plate && plate->m_width <= roomW)
        pitch = MenuLayout::pitch(roomH, rows, plate->m_height, 0, kPlateSpread * plate->m_height);
    if (pitch > 0)
        buttonRows(m, items, selected, own, plate, pitch);
    else
        textRows(m, items, selected, own, roomW, roomH);

    if (band)
        heading(m, page, band, words, roomW, headingH);
}

void Stage::buttonRows(const ref<Vmenu>& m, const std::vector<ref<Vtext>>& items, Vsprite* selected,
                       const ref<Vfont>& own, const ref<Vpicture>& plate, int32_t pitch)
{
    const auto rows = static_cast<int32_t>(items.size());
    m->setColor(0);
    m->setWidthHeight(plate->m_width, (rows - 1) * pitch + plate->m_height);
    for (int32_t i = 0; i < rows; i++) {
        const ref<Vtext>& t = items[static_cast<std::size_t>(i)];
        t->setText(own, t->m_text);
        ref<Vsprite> row = plateRow(m_app.m_lib, AppPicture::kButtonWide, t);
        place(*row, t);
        row->setXyi(0, i * pitch);
        m->addTail(row);
        if (t.get() == selected)
            m->m_selected = row;
    }
}

void Stage::textRows(const ref<Vmenu>& m, const std::vector<ref<Vtext>>& items, Vsprite* selected,
                     const ref<Vfont>& own, int32_t roomW, int32_t roomH)
{
    const auto rows = static_cast<int32_t>(items.size());
    int32_t pitch = 0;
    // A list of text rows, in the small font when the menu's own does not fit.
    ref<Vfont> font = own;
    int32_t line = 0;
    for (;;) {
        line = font ? font->getHeight() : 0;
        pitch = MenuLayout::pitch(roomH - 2 * kListPadY, rows, line, kLeastTextGap, line + kTextGap);
        if (pitch > 0 || font == m_app.m_fontSmall || !m_app.m_fontSmall)
            break;
        font = m_app.m_fontSmall;
    }
    // A screen lower than any list of them: the rows crowd as little as they must.
    if (pitch == 0)
        pitch = std::max((roomH - 2 * kListPadY) / rows, 1);
    int32_t widest = 0;
    for (const ref<Vtext>& t : items) {
        t->setMostWidth(0);
        t->setText(font, t->m_text);
        widest = std::max(widest, t->getWidth());
    }
    const int32_t inner = std::min(std::max(widest, m->m_leastWidth), roomW - 2 * kListPadX);
    m->setWidthHeight(inner + 2 * kListPadX, (rows - 1) * pitch + line + 2 * kListPadY);
    if (!m->m_theme || !opaque(m->m_theme->m_menuColor))
        m->setColor(kListPanel);
    else
        m->setColor(m->m_theme->m_menuColor);
    for (int32_t i = 0; i < rows; i++) {
        const ref<Vtext>& t = items[static_cast<std::size_t>(i)];
        t->setXyi(0, kListPadY + i * pitch);
        m->addTail(t);
        place(*m, t);
        if (t.get() == selected)
            m->m_selected = t;
    }
}

void Stage::heading(const ref<Vmenu>& m, const ref<Vsprite>& page, const ref<Vsprite>& band, const ref<Vtext>& words,
                    int32_t roomW, int32_t headingH)
{
    const int32_t bandW = std::min(std::max(m->getWidth(), words->getWidth() + 4 * kHeadingPad), roomW);
    const int32_t pageW = std::max(bandW, m->getWidth());
    // Over an opaque list the band and the gap below it are as solid as the list.
    const bool solid = opaque(m->m_color);
    band->setColor(solid ? m->m_color : kHeadingBand);
    band->setWidthHeight(bandW, headingH - kHeadingGap);
    band->setXyi((pageW - bandW) >> 1, 0);
    words->setXyi((bandW - words->getWidth()) >> 1, kHeadingPad);
    page->setColor(solid ? m->m_color : 0);
    page->setWidthHeight(pageW, headingH + m->getHeight());
    m->setXyi((pageW - m->getWidth()) >> 1, headingH);
}

void Stage::place(Vsprite& holder, const ref<Vtext>& t)
{
    if (&holder != t->getParent().get())
        return;
    auto* menu = dynamic_cast<Vmenu*>(&holder);
    const int32_t y = t->getY() >> 15;
    if (!menu) {
        // On a button: centred between its ends.
        t->setMostWidth(holder.getWidth() - 2 * kPlateEnd);
        t->setXyi((holder.getWidth() - t->getWidth()) >> 1, y);
        return;
    }
    const int32_t inner = menu->getWidth() - 2 * kListPadX;
    t->setMostWidth(inner);
    t->setXyi(kListPadX + (centred(*menu) ? (inner - t->getWidth()) >> 1 : 0), y);
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
    // The screen may have changed its size meanwhile.
    if (m->m_buttonSize == 0)
        arrange(m);
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

void Stage::mend(const ref<Vmenu>& m)
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
    // Made at start-up, before there is a stage: laid out on the screen.
    const int32_t w = m_width > 0 ? m_width : m_app.m_width, h = m_height > 0 ? m_height : m_app.m_height;
    // The places of the rows are spread, so that the last button ends within
    // the room (at 320 x 240 it used to run off the bottom).
    const ref<Vpicture> picture = m_app.m_lib ? m_app.m_lib->loadPicture(b) : nullptr;
    const int32_t button = picture ? picture->m_height : 0;
    const int32_t lastY = items.back()->getY() >> 15;
    const int32_t room = std::max(std::min(h, w - 20) - button, 0);
    int64_t f = lastY > 0 ? (static_cast<int64_t>(room) << 15) / lastY : 0x18000;
    f = std::clamp<int64_t>(f, 0, 0x18000);
    for (ref<Vsprite> c : items) {
        const int32_t y = c->getY();
        const bool chosen = c == sel;
        if (c->getImage() != -1) {
            ref<Vsprite> icon = new Vsprite;
            icon->setId(c->getId());
            icon->setImage(m_app.m_lib, c->getImage());
            icon->setAlpha(c->getAlpha());
            c = icon;
        }
        ref<Vsprite> row = plateRow(m_app.m_lib, b, c);
        row->setXy(0, V::fmul(static_cast<int32_t>(f), y));
        m->addTail(row);
        if (chosen)
            m->m_selected = row;
        m->m_width = row->getWidth();
        m->m_height = row->getHeight() + (row->getY() >> 15);
    }
}

void Stage::mcenter(const ref<Vtext>& t, const ref<String>& text)
{
    if (!t)
        return;
    t->setText(text);
    if (ref<Vsprite> holder = t->getParent())
        place(*holder, t);
}

ref<Vsprite> Stage::showLines(const std::vector<ref<Vtext>>& lines, int32_t color, bool centred, int32_t gap,
                              int32_t headGap)
{
    if (!m_sprite || m_width == 0)
        stageLayout();
    const int32_t margin = MenuLayout::margin(m_width, m_height);
    const int32_t inner = m_width - 2 * margin - 2 * kPagePadX;
    auto measure = [&](int32_t& width, int32_t& height) {
        width = 0;
        height = 2 * kPagePadY;
        for (std::size_t i = 0; i < lines.size(); i++) {
            lines[i]->setMostWidth(0);
            width = std::max(width, lines[i]->getWidth());
            height += lines[i]->getHeight() + (i == 0 ? 0 : i == 1 ? headGap : gap);
        }
    };
    int32_t width = 0, height = 0;
    measure(width, height);
    if ((width > inner || height > m_height - 2 * margin) && m_app.m_fontSmall) {
        for (const ref<Vtext>& t : lines)
            t->setText(m_app.m_fontSmall, t->m_text);
        measure(width, height);
    }
    width = std::min(width, inner);
    ref<Vsprite> page = new Vsprite;
    page->setColor(color);
    page->setWidthHeight(width + 2 * kPagePadX, height);
    int32_t y = kPagePadY;
    for (std::size_t i = 0; i < lines.size(); i++) {
        const ref<Vtext>& t = lines[i];
        y += i == 0 ? 0 : i == 1 ? headGap : gap;
        t->setMostWidth(width);
        t->setXyi(kPagePadX + (centred ? (width - t->getWidth()) >> 1 : 0), y);
        page->addTail(t);
        y += t->getHeight();
    }
    stageCenter(page);
    return page;
}
