#pragma once
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

// Paths of the generated data, the generators and the hand-written assets.
inline std::string dataDir() { return KORVATH_DATA_DIR; }
inline std::string binDir() { return std::filesystem::path(KORVATH_DATA_DIR).parent_path().string(); }
inline std::string assetsDir()
{
    return (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "assets").string();
}

inline std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A folder of its own for one test, removed afterwards.
struct ScratchDir {
    explicit ScratchDir(const std::string& tag)
        : path(std::filesystem::temp_directory_path() / ("korvath-data-" + tag + "-" + std::to_string(::getpid())))
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~ScratchDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string str() const { return path.string(); }
    std::filesystem::path path{};
};

// Runs a generator from the build's bin folder; true when it exits with 0.
inline bool runTool(const std::string& commandLine)
{
    return std::system((binDir() + "/" + commandLine + " > /dev/null").c_str()) == 0;
}
