// The options file: the input is the stored file "options", read at start-up
// into the options and the player's keys. Whatever it holds, the game must
// come out with values in their ranges and keys it can use (the defaults for
// a damaged file), and what it saves must read back the same.
#include <cstdint>
#include <filesystem>

#include "game/ActionMap.h"
#include "game/Options.h"
#include "support/FuzzCheck.h"
#include "support/FuzzFolder.h"

namespace {

bool sameKeys(const ActionMap& a, const ActionMap& b)
{
    for (Action x : ActionMap::rebindable())
        if (a.key(x) != b.key(x) || a.pad(x) != b.pad(x))
            return false;
    return true;
}

bool sameOptions(const Options& a, const Options& b)
{
    return a.m_effects == b.m_effects && a.m_music == b.m_music && a.m_frameRate == b.m_frameRate &&
           a.m_lazyCamera == b.m_lazyCamera && a.m_buttons == b.m_buttons && a.m_invertGun == b.m_invertGun;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzFolder& folder = FuzzFolder::instance();
    folder.write(Options::kKey, data, size);
    ActionMap keys;
    Options o;
    const bool read = o.load(keys);
    fuzzCheck(o.m_effects >= 0 && o.m_effects <= Options::kMostVolume, "the effects' volume is a percentage");
    fuzzCheck(o.m_music >= 0 && o.m_music <= Options::kMostVolume, "the music's volume is a percentage");
    fuzzCheck(o.m_frameRate == 0 || (o.m_frameRate >= Options::kLeastFrameRate && o.m_frameRate <= Options::kMostFrameRate),
              "the frame rate is the host's or one it can keep");
    for (Action a : ActionMap::rebindable()) {
        const int32_t k = keys.key(a), p = keys.pad(a);
        fuzzCheck(k == Key::kNone || (ActionMap::bindable(k) && !Key::isPad(k)), "a key is a keyboard key");
        fuzzCheck(p == Key::kNone || (ActionMap::bindable(p) && Key::isPad(p)), "a button is a gamepad button");
    }
    if (!read)
        fuzzCheck(sameOptions(o, Options()) && sameKeys(keys, ActionMap()), "an unread file gives the defaults");

    fuzzCheck(o.save(keys), "the options are saved");
    ActionMap keysAgain;
    Options again;
    fuzzCheck(again.load(keysAgain), "saved options read back");
    fuzzCheck(sameOptions(o, again) && sameKeys(keys, keysAgain), "saved options read back as saved");
    fuzzCheck(!std::filesystem::exists(folder.path() + "/korvath"), "the options never touch the campaign");
    return 0;
}
