#pragma once
#include <cstdint>
#include <string>

// The languages the game speaks, as the options offer them. "" follows the
// desktop: the language the host found in the locale or was given with
// --lang; the others are the catalogs that come with the game (English is
// the texts themselves).
class Language {
public:
    // The name a player reads: "Deutsch" in any language, "Auto" (translated)
    // for "".
    static std::string name(const std::string& code);
    // The next language offered after code (dir 1) or before it (dir -1),
    // round at the ends when wrap, else stopping there.
    static std::string step(const std::string& code, int32_t dir, bool wrap);
    // The host's language, the one "" stands for; given when the player
    // named it on the command line, and then it, not the one stored in the
    // options, holds when the game starts.
    static void setDesktop(const std::string& code, bool given)
    {
        desktop() = code;
        s_given = given;
    }
    static bool given() { return s_given; }
    // Makes the texts those of code ("" the desktop's) unless they are
    // already; false when there is no catalog for it (the texts are English).
    static bool apply(const std::string& code);

private:
    static std::string& desktop();
    static inline bool s_given = false;
};
