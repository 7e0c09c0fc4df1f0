#pragma once
#include <cstdint>
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
    // The language of a POSIX locale, as the environment gives it: the
    // first of LC_ALL, LC_MESSAGES and LANG that is set and not empty,
    // without its encoding and modifier ("de_DE.UTF-8" gives "de_DE");
    // "" for C and POSIX. Any argument may be null.
    static std::string localeLanguage(const char* lcAll, const char* lcMessages, const char* lang);
    // The text in the current language; english is a literal (it is the
    // interned string when there is no translation).
    static ref<String> tr(const char* english);

private:
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
