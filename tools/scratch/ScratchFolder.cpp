#include "ScratchFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include <stdlib.h>

ScratchFolder::ScratchFolder(const std::string& tag)
{
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec)
        base = "/tmp";
    std::string name = (base / ("korvath-" + tag + "-XXXXXX")).string();
    if (::mkdtemp(name.data()) == nullptr) {
        std::fprintf(stderr, "korvath: cannot make a scratch folder in %s: %s\n", base.c_str(), std::strerror(errno));
        return;
    }
    m_path = name;
}

ScratchFolder::~ScratchFolder()
{
    // remove_all removes links themselves, never what they point to.
    std::error_code ec;
    if (made())
        std::filesystem::remove_all(m_path, ec);
}
