#pragma once
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

// What both PNG writers share: the file they write and how they fail.
namespace PngFile {

struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, Closer>;

inline bool fail(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

// The file at path, opened to be written; fresh: it must not exist yet (nor
// a link in its place), as for a screenshot. Null, with the reason in error.
inline File create(const std::string& path, bool fresh, std::string* error)
{
    // "x" opens with O_EXCL, which follows no link either.
    File f(std::fopen(path.c_str(), fresh ? "wbx" : "wb"));
    if (!f)
        fail(error, "cannot create " + path + (fresh && errno == EEXIST ? " (it exists)" : ""));
    return f;
}

} // namespace PngFile
