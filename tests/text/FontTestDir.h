#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FontFile.h"
#include "runtime/InputStream.h"
#include "runtime/String.h"
#include "scene/Vfont.h"
#include "support/Files.h"

// A temporary data folder that font files are written to and opened from.
class FontTestDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_saved = InputStream::resourceDir();
        InputStream::setResourceDir(m_dir.str());
    }
    void TearDown() override { InputStream::setResourceDir(m_saved); }
    // Writes bytes as "t.bin" and opens them into font; the result of open.
    bool load(const ref<Vfont>& font, const std::vector<uint8_t>& bytes)
    {
        writeFile(m_dir.file("t.bin"), std::string(bytes.begin(), bytes.end()));
        return font->open("t.bin"_s);
    }
    TempDir m_dir{"font"};
    std::string m_saved;
};
