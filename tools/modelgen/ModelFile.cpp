#include "ModelFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

void u8(std::vector<uint8_t>& out, int32_t v) { out.push_back(static_cast<uint8_t>(v)); }

void u16(std::vector<uint8_t>& out, int32_t v)
{
    u8(out, v >> 8);
    u8(out, v);
}

void i32(std::vector<uint8_t>& out, int32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        u8(out, v >> shift);
}

void text(std::vector<uint8_t>& out, const std::string& s)
{
    std::size_t n = std::min<std::size_t>(s.size(), 0xFFFF);
    u16(out, static_cast<int32_t>(n));
    out.insert(out.end(), s.begin(), s.begin() + static_cast<std::ptrdiff_t>(n));
}

void shorts(std::vector<uint8_t>& out, const std::vector<int16_t>& a, std::size_t n)
{
    for (std::size_t i = 0; i < n; i++)
        u16(out, i < a.size() ? a[i] : 0);
}

} // namespace

std::vector<uint8_t> ModelFile::bytes() const
{
    std::vector<uint8_t> out;
    std::size_t materialCount = std::min<std::size_t>(materials.size(), 255);
    u8(out, static_cast<int32_t>(materialCount));
    for (std::size_t i = 0; i < materialCount; i++) {
        const ModelMaterial& m = materials[i];
        text(out, m.name);
        text(out, m.texture);
        if (m.texture.empty()) {
            i32(out, m.color);
        } else {
            u8(out, m.flat ? 1 : 0);
            u8(out, m.coordShift);
        }
    }
    for (const ModelMesh& m : meshes) {
        text(out, m.name);
        i32(out, m.size);
        i32(out, m.wx);
        i32(out, m.wy);
        i32(out, m.wz);
        std::size_t n = std::min<std::size_t>(m.x.size(), 0xFFFF);
        u16(out, static_cast<int32_t>(n));
        for (const auto* a : {&m.x, &m.y, &m.z, &m.u, &m.v})
            shorts(out, *a, n);
        std::size_t aliases = std::min<std::size_t>(m.alias.size(), 0xFFFF);
        u16(out, static_cast<int32_t>(aliases));
        shorts(out, m.alias, aliases);
        std::size_t f = std::min<std::size_t>(m.a.size(), 0xFFFF);
        u16(out, static_cast<int32_t>(f));
        for (const auto* a : {&m.a, &m.b, &m.c})
            shorts(out, *a, f);
        for (std::size_t j = 0; j < f; j++)
            u8(out, j < m.material.size() ? m.material[j] : 0);
    }
    u16(out, 0);
    return out;
}

bool ModelFile::write(const std::string& path, std::string* error) const
{
    std::vector<uint8_t> data = bytes();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok && error)
        *error = "write failed";
    return ok;
}
