#include "runtime/InputStream.h"

#include <algorithm>
#include <cstring>

namespace {
std::string& dataDir()
{
    static std::string dir = ".";
    return dir;
}
}

InputStream::~InputStream()
{
    close();
}

void InputStream::setResourceDir(const std::string& dir)
{
    dataDir() = dir;
}

const std::string& InputStream::resourceDir()
{
    return dataDir();
}

std::string InputStream::resourcePath(const char* name)
{
    if (!name)
        return "";
    if (name[0] == '/')
        name++;
    // Resource names are plain file names; anything that climbs out is refused.
    if (name[0] == 0 || std::strstr(name, "..") || std::strchr(name, '/'))
        return "";
    return dataDir() + "/" + name;
}

std::string InputStream::displayPath(const char* name)
{
    std::string path = resourcePath(name);
    return path.empty() ? std::string(name ? name : "") : path;
}

bool InputStream::open(const char* name)
{
    close();
    std::string path = resourcePath(name);
    if (path.empty())
        return false;
    m_file = std::fopen(path.c_str(), "rb");
    return m_file != nullptr;
}

int32_t InputStream::read()
{
    if (!m_file)
        return -1;
    int c = std::fgetc(m_file);
    return c == EOF ? -1 : c;
}

int32_t InputStream::read(int8_t* dst, int32_t n)
{
    if (!m_file || n <= 0)
        return 0;
    return static_cast<int32_t>(std::fread(dst, 1, static_cast<std::size_t>(n), m_file));
}

int32_t InputStream::available()
{
    if (!m_file)
        return 0;
    // A stream that cannot seek (a pipe, a device) has no known end: nothing is promised.
    std::fpos_t here;
    const int64_t at = std::ftell(m_file);
    if (at < 0 || std::fgetpos(m_file, &here) != 0 || std::fseek(m_file, 0, SEEK_END) != 0)
        return 0;
    const int64_t end = std::ftell(m_file);
    std::fsetpos(m_file, &here);
    return static_cast<int32_t>(std::clamp<int64_t>(end - at, 0, INT32_MAX));
}

void InputStream::close()
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}
