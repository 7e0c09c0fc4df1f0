#include "Screenshot.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "Png.h"
#include "host/Vdisplay.h"
#include "scene/Viewport.h"

namespace {

constexpr int32_t kMostScale = 16;
constexpr int32_t kMostTries = 100; // shots in one second

// The pictures folder named in user-dirs.dirs: a line
// XDG_PICTURES_DIR="$HOME/Pictures", the only form that file has.
std::string userDirsPictures(const std::string& home)
{
    std::ifstream in(Vdisplay::xdgHome("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
    const std::string key = "XDG_PICTURES_DIR=\"";
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, key.size(), key) != 0 || line.size() < key.size() + 1 || line.back() != '"')
            continue;
        std::string path = line.substr(key.size(), line.size() - key.size() - 1);
        if (path.compare(0, 5, "$HOME") == 0)
            path = home + path.substr(5);
        return path.empty() || path[0] != '/' ? std::string() : path;
    }
    return {};
}

} // namespace

std::string Screenshot::folder()
{
    const char* pictures = std::getenv("XDG_PICTURES_DIR");
    if (pictures && pictures[0] == '/')
        return std::string(pictures) + "/Korvath";
    const char* home = std::getenv("HOME");
    if (!home || !home[0])
        return {};
    std::string dir = userDirsPictures(home);
    if (dir.empty())
        dir = std::string(home) + "/Pictures";
    return dir + "/Korvath";
}

std::string Screenshot::fileName(const std::tm& t, int32_t n)
{
    char name[64];
    std::snprintf(name, sizeof name, "korvath-%04d-%02d-%02d-%02d-%02d-%02d", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    return std::string(name) + (n > 0 ? "-" + std::to_string(n + 1) : "") + ".png";
}

std::string Screenshot::save(const Viewport& vp, int32_t scale)
{
    const int32_t w = vp.m_width, h = vp.m_height, s = std::clamp(scale, 1, kMostScale);
    const std::string dir = folder();
    std::error_code ec;
    if (!dir.empty())
        std::filesystem::create_directories(dir, ec);
    if (dir.empty() || w <= 0 || h <= 0 || vp.m_pixels.length < w * h || !std::filesystem::is_directory(dir, ec)) {
        std::fprintf(stderr, "korvath: cannot save a screenshot in %s\n", dir.empty() ? "a pictures folder" : dir.c_str());
        return {};
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::string path;
    for (int32_t n = 0; n < kMostTries && (path.empty() || std::filesystem::exists(path, ec)); n++)
        path = dir + "/" + fileName(local, n);
    // Each game pixel becomes a square of the window's pixels, as shown.
    std::vector<uint32_t> pixels(static_cast<std::size_t>(w) * s * h * s);
    for (int32_t y = 0; y < h * s; y++)
        for (int32_t x = 0; x < w * s; x++)
            pixels[static_cast<std::size_t>(y) * w * s + x] = static_cast<uint32_t>(vp.m_pixels[(y / s) * w + x / s]);
    std::string error;
    if (!Png::write(path, w * s, h * s, pixels.data(), false, &error, true)) {
        std::fprintf(stderr, "korvath: cannot save the screenshot %s: %s\n", path.c_str(), error.c_str());
        return {};
    }
    return path;
}
