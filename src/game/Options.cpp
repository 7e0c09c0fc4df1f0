#include "game/Options.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "host/Vdisplay.h"
#include "runtime/ByteReader.h"

namespace {

constexpr char kMagic[4] = {'K', 'O', 'P', 'T'};
constexpr int32_t kVersion = 2, kOldVersion = 1;
constexpr int32_t kLazyCamera = 1, kButtons = 2, kInvertGun = 4;
constexpr int32_t kOldHeaderBytes = 4 + 1 + 2 + 2 + 1 + 1;
constexpr int32_t kLanguageBytes = 2;

bool validKey(int32_t k, bool pad)
{
    return k == Key::kNone || (ActionMap::bindable(k) && Key::isPad(k) == pad);
}

} // namespace

std::vector<int8_t> Options::encode(const ActionMap& actions) const
{
    std::vector<int8_t> b(std::begin(kMagic), std::end(kMagic));
    auto put = [&b](int32_t v) { b.push_back(static_cast<int8_t>(v & 255)); };
    put(kVersion);
    put(m_effects);
    put(m_music);
    put(m_frameRate);
    put(m_frameRate >> 8);
    put((m_lazyCamera ? kLazyCamera : 0) | (m_buttons ? kButtons : 0) | (m_invertGun ? kInvertGun : 0));
    for (int32_t i = 0; i < kLanguageBytes; i++)
        put(m_language.size() == kLanguageBytes ? m_language[static_cast<std::size_t>(i)] : 0);
    put(static_cast<int32_t>(ActionMap::rebindable().size()));
    for (Action a : ActionMap::rebindable()) {
        put(static_cast<int32_t>(a));
        put(actions.key(a));
        put(actions.pad(a));
    }
    return b;
}

bool Options::decode(const int8_t* bytes, int32_t n, ActionMap& actions)
{
    if (n < kOldHeaderBytes || n > kMostBytes || std::memcmp(bytes, kMagic, sizeof kMagic) != 0)
        return false;
    Array<int8_t> copy(n);
    std::memcpy(copy.a, bytes, static_cast<std::size_t>(n));
    ref<ByteReader> in = new ByteReader;
    in->open(copy, static_cast<int32_t>(sizeof kMagic), n);
    Options o;
    const int32_t version = in->u8();
    o.m_effects = in->u8();
    o.m_music = in->u8();
    o.m_frameRate = in->u16le();
    const int32_t switches = in->u8();
    if (version == kVersion) {
        const char a = static_cast<char>(in->u8()), b = static_cast<char>(in->u8());
        const bool letters = a >= 'a' && a <= 'z' && b >= 'a' && b <= 'z';
        if (!letters && (a != 0 || b != 0))
            return false;
        if (letters)
            o.m_language = {a, b};
    }
    const int32_t count = in->u8();
    const int32_t header = kOldHeaderBytes + (version == kVersion ? kLanguageBytes : 0);
    if ((version != kVersion && version != kOldVersion) || o.m_effects > kMostVolume || o.m_music > kMostVolume ||
        (o.m_frameRate != 0 && (o.m_frameRate < kLeastFrameRate || o.m_frameRate > kMostFrameRate)) ||
        (switches & ~(kLazyCamera | kButtons | kInvertGun)) != 0 || n != header + 3 * count)
        return false;
    o.m_lazyCamera = (switches & kLazyCamera) != 0;
    o.m_buttons = (switches & kButtons) != 0;
    o.m_invertGun = (switches & kInvertGun) != 0;
    // The keys go into a copy first, so a bad record leaves the table alone.
    ActionMap keys;
    uint32_t seen = 0;
    for (int32_t i = 0; i < count; i++) {
        const auto a = static_cast<Action>(in->u8());
        const int32_t key = in->u8(), pad = in->u8();
        const uint32_t bit = 1u << (static_cast<int32_t>(a) & 31);
        if (!ActionMap::isRebindable(a) || (seen & bit) || !validKey(key, false) || !validKey(pad, true))
            return false;
        seen |= bit;
        keys.bind(a, key);
        if (pad == Key::kNone)
            keys.unbindPad(a);
        else
            keys.bind(a, pad);
    }
    if (in->ranOut())
        return false;
    *this = o;
    actions = keys;
    return true;
}

bool Options::load(ActionMap& actions)
{
    *this = Options();
    actions.reset();
    int8_t bytes[kMostBytes + 1] = {};
    const int32_t got = Vdisplay::loadRecord(kKey, bytes, sizeof bytes);
    if (got == Vdisplay::kNoRecord)
        return false;
    if (got >= 0 && decode(bytes, got, actions))
        return true;
    std::fprintf(stderr, "korvath: the options %s are %s; using the defaults\n", Vdisplay::recordPath(kKey).c_str(),
                 got < 0 ? "unreadable" : "damaged");
    return false;
}

bool Options::save(const ActionMap& actions) const
{
    const std::vector<int8_t> b = encode(actions);
    return Vdisplay::storeRecord(kKey, b.data(), static_cast<int32_t>(b.size()));
}
