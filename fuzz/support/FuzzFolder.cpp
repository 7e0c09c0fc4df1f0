#include "FuzzFolder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "host/Vdisplay.h"
#include "runtime/InputStream.h"

FuzzFolder& FuzzFolder::instance()
{
    static FuzzFolder folder;
    return folder;
}

FuzzFolder::FuzzFolder()
{
    std::string templ = (std::filesystem::temp_directory_path() / "korvath-fuzz-XXXXXX").string();
    if (!::mkdtemp(templ.data())) {
        std::fprintf(stderr, "fuzz: cannot make a temporary folder\n");
        std::abort();
    }
    m_path = templ;
    InputStream::setResourceDir(m_path);
    Vdisplay::setPrefsDir(m_path);
}

FuzzFolder::~FuzzFolder()
{
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

void FuzzFolder::write(const std::string& name, const uint8_t* data, std::size_t size)
{
    std::ofstream out(m_path + "/" + name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void FuzzFolder::writePages(const std::string& name, const uint8_t* data, std::size_t size,
                            std::size_t pageSize)
{
    std::size_t pages = 0;
    for (std::size_t at = 0; at < size || pages == 0; at += pageSize, pages++)
        write(name + std::to_string(pages) + ".bin", data + at, std::min(pageSize, size - at));
    for (std::size_t k = pages; k < m_pages; k++)
        std::filesystem::remove(m_path + "/" + name + std::to_string(k) + ".bin");
    m_pages = pages;
}

bool FuzzFolder::copyData(const std::string& name)
{
    std::error_code ec;
    std::filesystem::copy_file(std::string(KORVATH_DATA_DIR) + "/" + name, m_path + "/" + name,
                               std::filesystem::copy_options::overwrite_existing, ec);
    if (ec)
        std::fprintf(stderr, "fuzz: cannot copy %s from %s: %s\n", name.c_str(), KORVATH_DATA_DIR,
                     ec.message().c_str());
    return !ec;
}

int32_t FuzzFolder::copyPages(const std::string& name)
{
    int32_t pages = 0;
    while (std::filesystem::exists(std::string(KORVATH_DATA_DIR) + "/" + name + std::to_string(pages) + ".bin") &&
           copyData(name + std::to_string(pages) + ".bin"))
        pages++;
    if (pages == 0)
        std::fprintf(stderr, "fuzz: no image library %s in %s\n", name.c_str(), KORVATH_DATA_DIR);
    return pages;
}
