#include "game/Language.h"

#include <array>

#include "runtime/Catalog.h"

namespace {

struct Offered {
    const char* code;
    const char* name; // in the language itself
};

constexpr std::array<Offered, 5> kOffered = {{
    {"", nullptr},
    {"en", "English"},
    {"de", "Deutsch"},
    {"fr", "Fran\xC3\xA7" "ais"},
    {"ru", "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9"},
}};

int32_t indexOf(const std::string& code)
{
    for (std::size_t i = 0; i < kOffered.size(); i++)
        if (code == kOffered[i].code)
            return static_cast<int32_t>(i);
    return -1;
}

} // namespace

std::string& Language::desktop()
{
    static std::string code;
    return code;
}

std::string Language::name(const std::string& code)
{
    const int32_t i = indexOf(code);
    if (i == 0)
        return Catalog::text("Auto");
    return i > 0 ? kOffered[static_cast<std::size_t>(i)].name : code;
}

std::string Language::step(const std::string& code, int32_t dir, bool wrap)
{
    const auto n = static_cast<int32_t>(kOffered.size());
    int32_t i = indexOf(code) + dir;
    if (i >= n)
        i = wrap ? 0 : n - 1;
    if (i < 0)
        i = wrap ? n - 1 : 0;
    return kOffered[static_cast<std::size_t>(i)].code;
}

bool Language::apply(const std::string& code)
{
    const std::string& wanted = code.empty() ? desktop() : code;
    if (wanted == Catalog::language())
        return true;
    return Catalog::choose(wanted);
}
