#pragma once
#include <gtest/gtest.h>

#include "runtime/InputStream.h"
#include "runtime/Varint.h"
#include "scene/Vilib.h"
#include "support/Files.h"
#include "support/Pixels.h"

// A record: type, size and hot spot varints, then the payload as given.
inline std::vector<uint8_t> record(int type, uint32_t w, uint32_t h, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> r;
    for (uint32_t v : {static_cast<uint32_t>(type), w, h, 0u, 0u})
        Varint::put(r, v);
    r.insert(r.end(), payload.begin(), payload.end());
    return r;
}

// Directory (n, work buffer size, entries named p0, p1, ...) and the records.
inline std::vector<uint8_t> libraryStream(const std::vector<std::vector<uint8_t>>& records, uint32_t scratch)
{
    std::vector<uint8_t> out;
    Varint::put(out, static_cast<uint32_t>(records.size()));
    Varint::put(out, scratch);
    for (size_t k = 0; k < records.size(); k++) {
        Varint::put(out, static_cast<uint32_t>(records[k].size()));
        std::string name = "p" + std::to_string(k);
        out.push_back(static_cast<uint8_t>(name.size()));
        out.insert(out.end(), name.begin(), name.end());
    }
    for (const auto& r : records)
        out.insert(out.end(), r.begin(), r.end());
    return out;
}

inline void writePages(const std::filesystem::path& dir, const std::string& name,
                       const std::vector<uint8_t>& bytes, size_t page = 32768)
{
    for (size_t at = 0, k = 0; at < bytes.size() || k == 0; at += page, k++)
        writeFile((dir / (name + std::to_string(k) + ".bin")).string(),
                  std::string(bytes.begin() + at, bytes.begin() + std::min(at + page, bytes.size())));
}

inline ref<Vpicture> blank(int32_t w, int32_t h)
{
    ref<Vpicture> p = new Vpicture;
    p->m_width = static_cast<int16_t>(w), p->m_height = static_cast<int16_t>(h);
    p->m_pixels = Array<int32_t>(w * h);
    return p;
}

// What the engine's run-length decoder makes of bytes for a w x h picture.
inline std::vector<uint32_t> decodeRle(int32_t w, int32_t h, const std::vector<uint8_t>& bytes)
{
    Array<int8_t> data(static_cast<int32_t>(bytes.size()) + 3);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<uint8_t*>(data.a) + 3);
    ref<Vpicture> p = blank(w, h);
    p->drawRle(data, 3, data.length);
    return words(p->m_pixels);
}

// A library folder for one test, set as the data folder while it runs.
class LibraryTest : public testing::Test {
protected:
    void SetUp() override { InputStream::setResourceDir(m_dir.str()); }
    void TearDown() override { InputStream::setResourceDir("."); }
    ref<Vilib> open(const char* name) { return new Vilib(new Vdisplay, String::copyOf(name)); }
    TempDir m_dir{"images"};
};
