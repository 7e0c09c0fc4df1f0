#include "scene/Vmenu.h"

#include <cstring>

#include "runtime/Utf8.h"
#include "scene/Vilib.h"

namespace {

constexpr int32_t kOpaque = 0x8000;
constexpr int32_t kLitMs = 200; // how long a touched button stays lit

// The plain letters of U+00C0..U+00FF and U+0100..U+017F, upper and lower
// case alike; '.' where there is none (the signs × and ÷).
constexpr char kLatin1Letters[] = "AAAAAAACEEEEIIIIDNOOOOO.OUUUUYTSAAAAAAACEEEEIIIIDNOOOOO.OUUUUYTY";
constexpr char kLatinALetters[] = "AaAaAaCcCcCcCcDdDdEeEeEeEeEeGgGgGgGgHhHhIiIiIiIiIiIiJjKkkLlLlLlLlLlNnNnNnnNn"
                                  "OoOoOoOoRrRrRrSsSsSsSsTtTtTtUuUuUuUuUuUuWwYyYZzZzZzs";
// The keys of А..Я (U+0410..U+042F, and а..я after them) in the Russian
// layout, as the hosts report its keys: by their Latin letters; '.' for a
// letter on a key the game has no code for.
constexpr char kCyrillicKeys[] = "F.DULT.PBQRKVYJGHCNEA.WXIO.SM..Z";
static_assert(sizeof kLatin1Letters == 64 + 1 && sizeof kLatinALetters == 128 + 1 && sizeof kCyrillicKeys == 32 + 1);

} // namespace

int32_t Vmenu::letterKey(const ref<String>& text)
{
    if (!text)
        return 0;
    int32_t i = 0;
    int32_t c = Utf8::next(text->c_str(), text->length(), i);
    if (c >= 0xC0 && c < 0x100)
        c = kLatin1Letters[c - 0xC0];
    else if (c >= 0x100 && c < 0x180)
        c = kLatinALetters[c - 0x100];
    else if (c >= 0x410 && c < 0x450)
        c = kCyrillicKeys[(c - 0x410) % 32];
    if (c >= 'a' && c <= 'z')
        c -= 'a' - 'A';
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ? c : 0;
}

int32_t Vmenu::keyOf(const Vsprite* item)
{
    // A row restyled as a button holds the item as its last child.
    const Vsprite* shown = item;
    for (const Vsprite* c = item->m_child.get(); c; c = c->m_sibling.get())
        shown = c;
    for (const Vsprite* s : {item, shown})
        if (const auto* t = dynamic_cast<const Vtext*>(s); t && t->m_key != 0)
            return t->m_key;
    return item->m_id;
}

Vmenu::Vmenu(const ref<Vtheme>& theme) : m_theme(theme)
{
    m_z = -1000;
    m_color = theme ? theme->m_menuColor : 0;
}

// m_selected goes first, then the sprite part with the items.
Vmenu::~Vmenu() = default;

// ---- items ----

ref<Vtext> Vmenu::add(const ref<String>& text)
{
    ref<String> shown = text ? text : ""_s;
    char k = shown->length() > 0 ? shown->charAt(0) : 0;
    if (m_theme && m_theme->m_mouse && shown->length() >= 2 && shown->charAt(1) == ' ')
        shown = shown->substring(2);
    return add(shown, k);
}

ref<Vtext> Vmenu::add(const ref<String>& text, int32_t key)
{
    ref<Vtext> t = new Vtext(m_theme, text);
    if (!t)
        return nullptr;
    t->setId(key);
    // Three pixels of room above and below every item.
    m_height += 3;
    addSprite(t);
    m_height += 3;
    return t;
}

ref<Vtext> Vmenu::addItem(const ref<String>& text, int32_t id)
{
    ref<Vtext> t = add(text, id);
    const int32_t k = letterKey(text);
    if (t && k != 0 && k != id)
        t->m_key = k;
    return t;
}

ref<Vtext> Vmenu::addIcon(const ref<String>& text, int32_t picture)
{
    ref<Vtext> t = add(text);
    // Without a library this only records the index; the text still shows.
    if (t)
        t->setImage(picture);
    return t;
}

void Vmenu::addSprite(const ref<Vsprite>& s)
{
    if (!s)
        return;
    if (!m_selected)
        m_selected = s;
    else
        s->setAlpha(0x4000);
    addBottom(m_theme, s);
}

void Vmenu::addTouch(int32_t key, int32_t picture)
{
    const int32_t b = m_buttonSize;
    ref<Vsprite> button = new Vsprite;
    ref<Vsprite> pic = new Vsprite;
    if (!button || !pic)
        return;
    button->setColor(m_color);
    button->setId(key);
    button->setWidthHeight(b, b);
    addTail(button);
    pic->setId(key);
    pic->setImage(m_theme ? m_theme->m_lib : nullptr, picture);
    pic->setXyi((b - pic->m_width) >> 1, (b - pic->m_height) >> 1);
    pic->setAlpha(m_dim);
    button->add(pic);
}

// ---- selection ----

ref<Vsprite> Vmenu::getSelected()
{
    if (!m_selected)
        return nullptr;
    Vsprite* s = m_selected.get();
    if (!s->m_child)
        return m_selected;
    Vsprite* last = s->m_child.get();
    while (last->m_sibling)
        last = last->m_sibling.get();
    return ref<Vsprite>(last);
}

ref<Vtext> Vmenu::getSelectedText()
{
    ref<Vtext> t = ref_cast<Vtext>(getSelected());
    return t && t->m_image == -1 ? t : nullptr;
}

void Vmenu::select()
{
    if (!m_selected)
        m_selected = m_child;
    ref<Vsprite> s = getSelected();
    if (s)
        s->setAlpha(kOpaque);
    m_litMs = 0;
}

void Vmenu::deselect()
{
    ref<Vsprite> s = getSelected();
    if (s)
        s->setAlpha(m_dim);
}

void Vmenu::choose(const ref<Vsprite>& item)
{
    deselect();
    m_selected = item;
    select();
}

void Vmenu::select(int32_t key)
{
    for (Vsprite* c = m_child.get(); c; c = c->m_sibling.get()) {
        if (c->m_id == key) {
            if (c != m_selected.get())
                choose(ref<Vsprite>(c));
            return;
        }
    }
}

void Vmenu::selectOrdinal(int32_t n)
{
    deselect();
    if (n < 0)
        return;
    Vsprite* c = m_child.get();
    for (int32_t i = 0; i < n && c; i++)
        c = c->m_sibling.get();
    if (!c)
        return;
    m_selected = c;
    select();
}

int32_t Vmenu::selectedOrdinal()
{
    int32_t n = 0;
    for (Vsprite* c = m_child.get(); c && c != m_selected.get(); c = c->m_sibling.get())
        n++;
    return n;
}

void Vmenu::setDim(int32_t alpha)
{
    if (m_buttonSize == 0)
        return;
    m_dim = alpha;
    for (Vsprite* c = m_child.get(); c; c = c->m_sibling.get()) {
        Vsprite* p = c->m_child ? c->m_child.get() : c;
        p->setAlpha(alpha);
    }
}

void Vmenu::fade()
{
    if (m_buttonSize == 0 || !m_selected)
        return;
    ref<Vsprite> p = getSelected();
    if (p->m_alpha > m_dim && m_litMs > kLitMs)
        p->setAlpha(m_dim);
}

// ---- keys ----

char Vmenu::key(char k, int32_t x, int32_t y)
{
    fade();
    if (k == 5 && (x != 0 || y != 0)) {
        if (ref<Vsprite> c = itemAt(x, y)) {
            choose(c);
            return static_cast<char>(c->m_id);
        }
        k = 0;
    }
    if (m_buttonSize == 0) {
        if (k == 3 || k == 4) {
            Vsprite* first = m_child.get();
            Vsprite* sel = m_selected.get();
            Vsprite* to = nullptr;
            if (k == 4) {
                to = sel && sel->m_parent.get() == this ? sel->m_sibling.get() : nullptr;
                if (!to)
                    to = first;
            } else {
                // The item before the selected one; from the first, or from a
                // selection that is not an item, round to the last.
                Vsprite* before = nullptr;
                Vsprite* last = nullptr;
                for (Vsprite* c = first; c; c = c->m_sibling.get()) {
                    if (c == sel && c != first)
                        before = last;
                    last = c;
                }
                to = before ? before : last;
            }
            choose(ref<Vsprite>(to));
            return 0;
        }
        if (k == 10 || k == 5)
            return m_selected ? static_cast<char>(m_selected->m_id) : 0;
        if (k == 1 || k == 2) {
            // A setting such as "Sound: On" is changed with left and right.
            ref<Vtext> t = getSelectedText();
            if (t && t->m_text && std::strchr(t->m_text->c_str(), ':'))
                return static_cast<char>(m_selected->m_id);
        }
    }
    if (k == 0)
        return 0;
    for (Vsprite* c = m_child.get(); c; c = c->m_sibling.get()) {
        if (keyOf(c) == k) {
            choose(ref<Vsprite>(c));
            return static_cast<char>(c->m_id);
        }
    }
    // Reached only when the item of that id has another key now.
    for (Vsprite* c = m_child.get(); c; c = c->m_sibling.get())
        if (c->m_id == k)
            return 0;
    return k;
}

ref<Vsprite> Vmenu::itemAt(int32_t x, int32_t y)
{
    if (m_buttonSize == 0) {
        if (x < m_x0 || x >= m_x1 || y < m_y0 || y >= m_y1)
            return nullptr;
        for (Vsprite* c = m_child.get(); c; c = c->m_sibling.get())
            if (y >= c->m_y0 && y < c->m_y1)
                return ref<Vsprite>(c);
        return nullptr;
    }
    // Buttons take their edges too, so that a touch on the line between two
    // buttons picks the first rather than nothing.
    for (Vsprite* c = m_child.get(); c; c = c->m_sibling.get())
        if (x >= c->m_x0 && x <= c->m_x1 && y >= c->m_y0 && y <= c->m_y1)
            return ref<Vsprite>(c);
    return nullptr;
}

bool Vmenu::hover(int32_t x, int32_t y)
{
    ref<Vsprite> c = itemAt(x, y);
    if (!c)
        return false;
    // Choosing a button again relights it and restarts its 200 ms.
    if (c != m_selected || m_buttonSize != 0)
        choose(c);
    return true;
}

// ---- layout ----

void Vmenu::resize(int32_t width, int32_t height)
{
    if (m_buttonSize == 0)
        return;
    // The buttons shrink to fit a low or narrow area, but not below half
    // their size nor below their pictures.
    int32_t least = m_buttonSize / 2;
    for (Vsprite* c = m_child.get(); c; c = c->m_sibling.get())
        if (Vsprite* pic = c->m_child.get())
            least = std::max({least, pic->m_width, pic->m_height});
    const int32_t b = std::clamp(std::min(height / 3, width / 4), std::min(least, m_buttonSize), m_buttonSize);
    // An area too small even so is taken as one four buttons wide and three
    // high, in which no button covers another.
    width = std::max(width, 4 * b);
    height = std::max(height, 3 * b);
    // Every button inside the area: the columns at its sides, the bottom row
    // spread over its width, the rows no farther apart than the bottom
    // row's buttons.
    const int32_t right = width - b;
    const int32_t pitchY = std::min((height - b) / 2, right / 3);
    m_width = 0;
    m_height = 2 * pitchY + b;
    int32_t i = 0;
    for (Vsprite* c = m_child.get(); c; c = c->m_sibling.get(), i++) {
        c->setWidthHeight(b, b);
        if (Vsprite* pic = c->m_child.get())
            pic->setXyi((b - pic->m_width) >> 1, (b - pic->m_height) >> 1);
        if (i < 4)
            c->setXyi((i & 1) == 0 ? 0 : right, (i >> 1) * pitchY);
        else
            c->setXyi((i - 4) * right / 3, 2 * pitchY);
    }
}
