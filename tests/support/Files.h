#pragma once
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ScratchFolder.h"

// A folder of its own for one test (a private one: see ScratchFolder),
// removed afterwards.
struct TempDir {
    explicit TempDir(const std::string& tag) : folder(tag), path(folder.path()) {}
    std::string str() const { return path.string(); }
    std::string file(const std::string& name) const { return (path / name).string(); }
    ScratchFolder folder;
    std::filesystem::path path;
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Runs a shell command; its exit status (128 + the signal when killed), with
// what it printed on both streams in out.
inline int32_t runCommand(const std::string& cmd, std::string& out)
{
    out.clear();
    std::FILE* p = ::popen((cmd + " 2>&1").c_str(), "r");
    if (!p)
        return -1;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        out.append(buf, n);
    int status = ::pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
