#include "game/OptionsScreen.h"

#include <algorithm>
#include <iterator>
#include <span>
#include <string>

#include "game/App.h"
#include "game/ControlsScreen.h"
#include "game/Language.h"
#include "host/Host.h"
#include "runtime/Catalog.h"

namespace {

// The settings' items by their keys, in the page's order.
constexpr char kEffects = 'E', kMusic = 'M', kFull = 'F', kScale = 'S', kRate = 'R', kCamera = 'A',
               kButtons = 'U', kInvert = 'I', kLanguage = 'L';
constexpr char kSettings[] = {kEffects, kMusic, kFull, kScale, kRate, kCamera, kButtons, kInvert, kLanguage};
constexpr char kControls = 'C', kBack = 'B';

// One step along values, round at the ends when wrap, else stopping there.
// A value not among them steps to the nearest one in that direction.
int32_t stepIn(std::span<const int32_t> values, int32_t now, int32_t dir, bool wrap)
{
    const auto n = static_cast<int32_t>(values.size());
    int32_t i = 0;
    while (i < n && values[static_cast<std::size_t>(i)] < now)
        i++;
    const bool exact = i < n && values[static_cast<std::size_t>(i)] == now;
    int32_t to = dir > 0 ? i + (exact ? 1 : 0) : i - 1;
    if (to >= n)
        to = wrap ? 0 : n - 1;
    if (to < 0)
        to = wrap ? n - 1 : 0;
    return values[static_cast<std::size_t>(to)];
}

int32_t stepVolume(int32_t now, int32_t dir, bool wrap)
{
    int32_t v = now + dir * Options::kVolumeStep;
    if (v > Options::kMostVolume)
        v = wrap ? 0 : Options::kMostVolume;
    return std::clamp(v, 0, Options::kMostVolume);
}

ref<String> copy(const std::string& s)
{
    return String::copyOf(s.c_str());
}

} // namespace

void OptionsScreen::enter()
{
    const Host::Window w = Host::current().windowState();
    m_fullscreen = w.fullscreen;
    m_scale = w.scale;
    // Keyed by these letters in every language: the settings' first letters repeat.
    m_items.clear();
    for (char key : kSettings)
        m_items.push_back(m_menu->add(text(key), key));
    m_menu->add(Catalog::tr("Controls"), kControls);
    m_menu->add(Catalog::tr("Back"), kBack);
    show(Catalog::tr("Options"));
}

ref<String> OptionsScreen::text(int32_t key) const
{
    const Options& o = m_app.m_options;
    auto onOff = [](bool on) { return std::string(on ? Catalog::text("On") : Catalog::text("Off")); };
    auto fill = [](const char* pattern, const std::string& value) {
        return copy(Catalog::fill(Catalog::tr(pattern), {value}));
    };
    switch (key) {
    case kEffects:
        // TRANSLATORS: the options, changed with left and right: keep the
        // colon; {1} is the value. They stay short: the page is narrow.
        return fill(trMark("Effects: {1}%"), std::to_string(o.m_effects));
    case kMusic:
        return fill(trMark("Music: {1}%"), std::to_string(o.m_music));
    case kFull:
        return fill(trMark("Full screen: {1}"), onOff(m_fullscreen));
    case kScale:
        return fill(trMark("Scale: {1}"), m_scale > 0 ? std::to_string(m_scale) : std::string("-"));
    case kRate:
        return fill(trMark("Frame rate: {1}"),
                    o.m_frameRate > 0 ? std::to_string(o.m_frameRate) : std::string(Catalog::text("Display")));
    case kCamera:
        return o.m_lazyCamera ? Catalog::tr("Camera: Lazy") : Catalog::tr("Camera: Smooth");
    case kButtons:
        return o.m_buttons ? Catalog::tr("Buttons: Shown") : Catalog::tr("Buttons: Hidden");
    case kInvert:
        return fill(trMark("Invert gun: {1}"), onOff(o.m_invertGun));
    case kLanguage:
        return fill(trMark("Language: {1}"), Language::name(o.m_language));
    default:
        return ""_s;
    }
}

void OptionsScreen::refresh()
{
    for (const ref<Vtext>& item : m_items)
        m_app.m_stage->mcenter(item, text(item->getId()));
}

void OptionsScreen::input(Input& in)
{
    int32_t pressed = 0;
    const int32_t k = menuKey(in, &pressed);
    if (k == kBack || back(k)) {
        m_app.pop();
        return;
    }
    if (k == kControls) {
        m_app.m_stage->hideMenu(m_menu);
        m_app.push(new ControlsScreen(m_app));
        return;
    }
    if (std::find(std::begin(kSettings), std::end(kSettings), k) == std::end(kSettings))
        return;
    // Left lowers and Right raises, stopping at the ends; choosing raises
    // and goes round.
    const bool arrow = pressed == Key::kLeft || pressed == Key::kRight;
    const int32_t texts = Catalog::generation();
    change(k, pressed == Key::kLeft ? -1 : 1, !arrow);
    m_app.applyOptions();
    if (Catalog::generation() != texts) {
        // A new language: the whole page anew, in it.
        rebuild();
        return;
    }
    refresh();
}

void OptionsScreen::change(int32_t key, int32_t dir, bool wrap)
{
    Options& o = m_app.m_options;
    Host& host = Host::current();
    switch (key) {
    case kEffects:
        o.m_effects = stepVolume(o.m_effects, dir, wrap);
        break;
    case kMusic:
        o.m_music = stepVolume(o.m_music, dir, wrap);
        break;
    case kFull:
        m_fullscreen = !m_fullscreen;
        host.setFullscreen(m_fullscreen);
        break;
    case kScale: {
        const int32_t most = host.windowState().maxScale;
        if (m_scale <= 0 || most <= 0)
            break;
        m_scale = m_scale + dir > most ? (wrap ? 1 : most) : std::max(m_scale + dir, 1);
        host.setScale(m_scale);
        break;
    }
    case kRate:
        o.m_frameRate = stepIn(kFrameRates, o.m_frameRate, dir, wrap);
        break;
    case kCamera:
        o.m_lazyCamera = !o.m_lazyCamera;
        break;
    case kButtons:
        o.m_buttons = !o.m_buttons;
        break;
    case kInvert:
        o.m_invertGun = !o.m_invertGun;
        break;
    case kLanguage:
        o.m_language = Language::step(o.m_language, dir, wrap);
        Language::apply(o.m_language);
        break;
    default:
        break;
    }
}

void OptionsScreen::leave()
{
    m_app.saveOptions();
    MenuScreen::leave();
}

void OptionsScreen::resume(Screen&)
{
    m_app.m_stage->reshowMenu(m_menu);
}
