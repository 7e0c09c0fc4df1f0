#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/String.h"
#include "runtime/ref.h"

// The translations of one language: a GNU message catalog (.mo, as msgfmt
// writes it) read from its bytes. The file is a header (magic, revision,
// count, the offsets of the tables of originals and of translations), then
// per message the length and offset of each string. Every length and offset
// is checked against the file; a damaged catalog is refused whole and the
// texts stay English.
//
// tr() looks a text up in the catalog of the language the host chose
// (current()); a text without a translation stays as it is.
// Mark a text in a table for the translators; it is translated where it is
// shown (with Catalog::trc and the same context for the second).
constexpr const char* trMark(const char* english)
{
    return english;
}
constexpr const char* trMarkIn(const char* /*context*/, const char* english)
{
    return english;
}

class Catalog {
public:
    // Reads a catalog from size bytes; false, leaving it empty, when they
    // are not one.
    bool load(const uint8_t* data, int32_t size);
    // Loads the resource "/" + name; false, leaving it empty, when it is
    // missing or damaged.
    bool open(const char* name);
    void clear();
    // The translation of the English text, or null without one.
    const char* find(const char* english) const;
    int32_t size() const { return static_cast<int32_t>(m_index.size()); }

    // The catalog tr() uses.
    static Catalog& current();
    // Makes current() the catalog of a language ("de"; "" or "en" for the
    // English texts): the resource <language>.mo, and for a language with a
    // region (pt_BR) the plain language's when there is no catalog of its
    // own. False, and English, when there is none.
    static bool choose(const std::string& language);
    // The language last chosen, whether its catalog was found or not.
    static const std::string& language() { return chosen(); }
    // Counts the choices made: a page built before a change knows its texts are stale.
    static int32_t generation() { return s_generation; }
    // The language of a POSIX locale, as the environment gives it: the
    // first of LC_ALL, LC_MESSAGES and LANG that is set and not empty,
    // without its encoding and modifier ("de_DE.UTF-8" gives "de_DE");
    // "" for C and POSIX. Any argument may be null.
    static std::string localeLanguage(const char* lcAll, const char* lcMessages, const char* lang);
    // The text in the current language; english is a literal (it is the
    // interned string when there is no translation).
    static ref<String> tr(const char* english);
    // The same where one English text has two meanings: context tells the
    // translator which ("action" for the name of a key's action). english
    // need not be a literal.
    static ref<String> trc(const char* context, const char* english);
    // The translation as a plain string, valid until the next choose().
    static const char* text(const char* english);
    // pattern with {1}, {2}... replaced by the values in turn, so that a
    // translation may put them in its own order; any other brace, and a
    // number without its value, stays as it is.
    static std::string fill(const char* pattern, std::initializer_list<std::string> values);
    static std::string fill(const ref<String>& pattern, std::initializer_list<std::string> values)
    {
        return fill(pattern ? pattern->c_str() : "", values);
    }

private:
    static std::string& chosen();
    static inline int32_t s_generation = 0;

    // A string of the file: its offset and length.
    struct Piece {
        uint32_t offset = 0;
        uint32_t length = 0;
    };
    const char* at(const Piece& p) const { return reinterpret_cast<const char*>(m_bytes.data()) + p.offset; }

    std::vector<uint8_t> m_bytes;
    // Original and translation of every message with a translation, sorted
    // by original.
    std::vector<std::pair<Piece, Piece>> m_index;
};
