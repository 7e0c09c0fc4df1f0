#include "FontFile.h"

#include <cmath>
#include <cstdio>

#include "runtime/Varint.h"

std::vector<uint8_t> FontFile::encode() const
{
    std::vector<uint8_t> out;
    Varint::put(out, static_cast<uint32_t>(m_space));
    Varint::put(out, static_cast<uint32_t>(m_height));
    Varint::put(out, static_cast<uint32_t>(m_extra));
    Varint::put(out, static_cast<uint32_t>(m_first));
    Varint::put(out, static_cast<uint32_t>(last()));
    uint32_t size = 0;
    for (const Glyph& g : m_glyphs) {
        Varint::put(out, static_cast<uint32_t>(g.m_runs.size()));
        if (!g.m_runs.empty())
            Varint::put(out, static_cast<uint32_t>(g.m_width));
        size += static_cast<uint32_t>(g.m_runs.size());
    }
    Varint::put(out, size);
    for (const Glyph& g : m_glyphs)
        out.insert(out.end(), g.m_runs.begin(), g.m_runs.end());
    if (m_more.empty())
        return out;
    Varint::put(out, static_cast<uint32_t>(m_more.size()));
    int32_t code = last();
    size = 0;
    for (const auto& [c, g] : m_more) {
        Varint::put(out, static_cast<uint32_t>(c - code));
        Varint::put(out, static_cast<uint32_t>(g.m_runs.size()));
        Varint::put(out, static_cast<uint32_t>(g.m_width));
        size += static_cast<uint32_t>(g.m_runs.size());
        code = c;
    }
    Varint::put(out, size);
    for (const auto& [c, g] : m_more)
        out.insert(out.end(), g.m_runs.begin(), g.m_runs.end());
    return out;
}

bool FontFile::save(const std::string& path, std::string* error) const
{
    std::vector<uint8_t> bytes = encode();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (error)
            *error = "cannot create " + path;
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok && error)
        *error = "cannot write " + path;
    return ok;
}

std::vector<uint8_t> FontFile::encodeRuns(const std::vector<uint8_t>& levels)
{
    std::vector<uint8_t> runs;
    size_t i = 0;
    while (i < levels.size()) {
        uint8_t c = levels[i] & 15;
        size_t n = 1;
        while (n < 16 && i + n < levels.size() && (levels[i + n] & 15) == c)
            n++;
        runs.push_back(static_cast<uint8_t>(((n & 15) << 4) | c));
        i += n;
    }
    return runs;
}

std::vector<uint8_t> FontFile::decodeRuns(const std::vector<uint8_t>& runs)
{
    std::vector<uint8_t> levels;
    for (uint8_t b : runs) {
        int32_t n = b >> 4;
        levels.insert(levels.end(), static_cast<size_t>(n ? n : 16), static_cast<uint8_t>(b & 15));
    }
    return levels;
}

double FontFile::opacity(int32_t level)
{
    if (level == 15)
        return 1.0;
    if (level == 7)
        return 0.5;
    return level / 16.0;
}

uint8_t FontFile::level(double coverage)
{
    uint8_t best = 0;
    double bestDistance = 2.0;
    for (int32_t l = 0; l < 16; l++) {
        if (l == 8)
            continue;
        double d = std::fabs(opacity(l) - coverage);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<uint8_t>(l);
        }
    }
    return best;
}
