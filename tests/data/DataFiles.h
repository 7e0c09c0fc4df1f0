#pragma once
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/Files.h"

// Paths of the generated data, the generators and the hand-written assets.
inline std::string dataDir() { return KORVATH_DATA_DIR; }
inline std::string binDir() { return std::filesystem::path(KORVATH_DATA_DIR).parent_path().string(); }
inline std::string assetsDir()
{
    return (std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "assets").string();
}

// Runs a generator from the build's bin folder; true when it exits with 0.
inline bool runTool(const std::string& commandLine)
{
    return std::system((binDir() + "/" + commandLine + " > /dev/null").c_str()) == 0;
}
