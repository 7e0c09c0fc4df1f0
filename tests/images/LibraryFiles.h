#pragma once
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "Varint.h"

// A folder of its own for one test, removed afterwards.
struct TempDir {
    explicit TempDir(const std::string& tag)
    {
        path = std::filesystem::temp_directory_path() /
               ("korvath-" + tag + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string str() const { return path.string(); }
    std::filesystem::path path;
};

inline void putVarint(std::vector<uint8_t>& out, uint32_t v)
{
    Varint::put(out, v);
}

// A record: type, size and hot spot varints, then the payload as given.
inline std::vector<uint8_t> record(int type, uint32_t w, uint32_t h, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> r;
    putVarint(r, static_cast<uint32_t>(type));
    putVarint(r, w);
    putVarint(r, h);
    putVarint(r, 0);
    putVarint(r, 0);
    r.insert(r.end(), payload.begin(), payload.end());
    return r;
}

// Directory (n, work buffer size, entries) followed by the records.
inline std::vector<uint8_t> libraryStream(const std::vector<std::vector<uint8_t>>& records, uint32_t scratch)
{
    std::vector<uint8_t> out;
    putVarint(out, static_cast<uint32_t>(records.size()));
    putVarint(out, scratch);
    for (size_t k = 0; k < records.size(); k++) {
        putVarint(out, static_cast<uint32_t>(records[k].size()));
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
    for (size_t at = 0, k = 0; at < bytes.size() || k == 0; at += page, k++) {
        std::ofstream f(dir / (name + std::to_string(k) + ".bin"), std::ios::binary);
        size_t n = std::min(page, bytes.size() - at);
        f.write(reinterpret_cast<const char*>(bytes.data() + at), static_cast<std::streamsize>(n));
    }
}
