#pragma once
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FontFile.h"
#include "runtime/InputStream.h"
#include "runtime/String.h"
#include "scene/Vfont.h"

// A temporary data folder that font files are written to and opened from.
class FontTestDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        m_dir = std::filesystem::temp_directory_path() /
                ("korvath-font-" + std::string(info->name()) + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(m_dir);
        m_saved = InputStream::resourceDir();
        InputStream::setResourceDir(m_dir.string());
    }
    void TearDown() override
    {
        InputStream::setResourceDir(m_saved);
        std::filesystem::remove_all(m_dir);
    }
    // Writes bytes as "t.bin" and opens them into font; the result of open.
    bool load(const ref<Vfont>& font, const std::vector<uint8_t>& bytes)
    {
        std::ofstream(m_dir / "t.bin", std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return font->open("t.bin"_s);
    }
    std::filesystem::path m_dir;
    std::string m_saved;
};
