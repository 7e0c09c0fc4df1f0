#include "runtime/Catalog.h"

#include <algorithm>
#include <cstring>

#include "runtime/Class_.h"
#include "runtime/InputStream.h"

namespace {

constexpr uint32_t kMagic = 0x950412DE;
constexpr int32_t kHeaderBytes = 28;
constexpr int32_t kMaxBytes = 16 << 20; // far beyond the game's texts

} // namespace

void Catalog::clear()
{
    m_bytes.clear();
    m_index.clear();
}

bool Catalog::load(const uint8_t* data, int32_t size)
{
    clear();
    if (!data || size < kHeaderBytes || size > kMaxBytes)
        return false;
    // The writer's byte order shows in the magic number.
    const bool swap = (data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24) != kMagic;
    auto word = [&](uint32_t at) {
        const uint8_t* p = data + at;
        return swap ? static_cast<uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]
                    : static_cast<uint32_t>(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0];
    };
    if (word(0) != kMagic || (word(4) >> 16) > 1)
        return false;
    const uint32_t count = word(8), originals = word(12), translations = word(16);
    const auto bytes = static_cast<uint32_t>(size);
    // Each message takes 8 bytes in each of the two tables.
    if (count > bytes / 16 || originals > bytes - count * 8 || translations > bytes - count * 8 ||
        originals % 4 != 0 || translations % 4 != 0)
        return false;
    // A string must lie inside the file with its terminating NUL.
    auto piece = [&](uint32_t table, uint32_t k, Piece& out) {
        out.length = word(table + 8 * k);
        out.offset = word(table + 8 * k + 4);
        return out.offset < bytes && out.length < bytes - out.offset && data[out.offset + out.length] == 0;
    };
    std::vector<std::pair<Piece, Piece>> index;
    for (uint32_t k = 0; k < count; k++) {
        Piece o, t;
        if (!piece(originals, k, o) || !piece(translations, k, t))
            return false;
        // The header (the empty original) and untranslated messages are left out.
        if (o.length > 0 && t.length > 0)
            index.emplace_back(o, t);
    }
    m_bytes.assign(data, data + size);
    // Sorted by the text up to its first NUL (a plural's original holds two).
    auto less = [this](const std::pair<Piece, Piece>& a, const std::pair<Piece, Piece>& b) {
        return std::strcmp(at(a.first), at(b.first)) < 0;
    };
    std::sort(index.begin(), index.end(), less);
    m_index = std::move(index);
    return true;
}

bool Catalog::open(const char* name)
{
    clear();
    ref<InputStream> in = Class_::getResourceAsStream(String::copyOf(("/" + std::string(name)).c_str()));
    if (!in)
        return false;
    std::vector<uint8_t> bytes;
    int8_t block[4096];
    int32_t n = 0;
    while ((n = in->read(block, sizeof block)) > 0 && bytes.size() <= static_cast<size_t>(kMaxBytes))
        bytes.insert(bytes.end(), reinterpret_cast<uint8_t*>(block), reinterpret_cast<uint8_t*>(block) + n);
    in->close();
    return bytes.size() <= static_cast<size_t>(kMaxBytes) && load(bytes.data(), static_cast<int32_t>(bytes.size()));
}

const char* Catalog::find(const char* english) const
{
    if (!english || m_index.empty())
        return nullptr;
    auto it = std::lower_bound(m_index.begin(), m_index.end(), english,
                               [this](const std::pair<Piece, Piece>& e, const char* s) {
                                   return std::strcmp(at(e.first), s) < 0;
                               });
    return it != m_index.end() && std::strcmp(at(it->first), english) == 0 ? at(it->second) : nullptr;
}

Catalog& Catalog::current()
{
    static Catalog catalog;
    return catalog;
}

std::string& Catalog::chosen()
{
    static std::string language;
    return language;
}

bool Catalog::choose(const std::string& language)
{
    Catalog& c = current();
    c.clear();
    chosen() = language;
    s_generation++;
    if (language.empty() || language == "en")
        return false;
    // Only a plain name: a language never reaches outside the data folder.
    for (char ch : language)
        if (!((ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || ch == '_'))
            return false;
    if (c.open((language + ".mo").c_str()))
        return true;
    const size_t region = language.find('_');
    return region != std::string::npos && c.open((language.substr(0, region) + ".mo").c_str());
}

std::string Catalog::localeLanguage(const char* lcAll, const char* lcMessages, const char* lang)
{
    const char* locale = "";
    for (const char* v : {lcAll, lcMessages, lang}) {
        if (v && v[0]) {
            locale = v;
            break;
        }
    }
    std::string name(locale, std::strcspn(locale, ".@"));
    return name == "C" || name == "POSIX" ? "" : name;
}

ref<String> Catalog::tr(const char* english)
{
    const char* t = current().find(english);
    return t ? String::copyOf(t) : String::intern(english);
}

ref<String> Catalog::trc(const char* context, const char* english)
{
    // msgfmt files a text with a context under the context, EOT and the text.
    const std::string key = std::string(context) + '\x04' + english;
    const char* t = current().find(key.c_str());
    // english may be a name built for the call (a key's): copied, not interned.
    return String::copyOf(t ? t : english);
}

const char* Catalog::text(const char* english)
{
    const char* t = current().find(english);
    return t ? t : english;
}

std::string Catalog::fill(const char* pattern, std::initializer_list<std::string> values)
{
    std::string out;
    for (const char* p = pattern; *p; p++) {
        const int32_t n = p[0] == '{' && p[1] >= '1' && p[1] <= '9' && p[2] == '}' ? p[1] - '0' : 0;
        if (n > 0 && n <= static_cast<int32_t>(values.size())) {
            out += values.begin()[n - 1];
            p += 2;
        } else {
            out += *p;
        }
    }
    return out;
}
