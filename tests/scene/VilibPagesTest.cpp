#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/ByteReader.h"
#include "runtime/InputStream.h"
#include "runtime/Varint.h"
#include "scene/VilibPages.h"
#include "support/Files.h"

namespace {

constexpr int32_t kPage = VilibPages::kPageSize;

// Page files of the given sizes in a folder of their own, named lib0.bin,
// lib1.bin, ..., holding one stream of bytes: byte p is (p * 7) & 255.
class Pages {
public:
    explicit Pages(const std::vector<int32_t>& sizes) : m_dir("pages")
    {
        int32_t at = 0;
        for (std::size_t k = 0; k < sizes.size(); k++) {
            std::string bytes;
            for (int32_t i = 0; i < sizes[k]; i++)
                bytes.push_back(static_cast<char>(((at + i) * 7) & 255));
            writeFile(m_dir.file("lib" + std::to_string(k) + ".bin"), bytes);
            at += kPage;
        }
        InputStream::setResourceDir(m_dir.str());
    }
    ~Pages() { InputStream::setResourceDir("."); }
    void put(int32_t page, int32_t at, const std::vector<uint8_t>& bytes) const
    {
        std::string file = readFile(m_dir.file("lib" + std::to_string(page) + ".bin"));
        file.replace(static_cast<std::size_t>(at), bytes.size(), std::string(bytes.begin(), bytes.end()));
        writeFile(m_dir.file("lib" + std::to_string(page) + ".bin"), file);
    }

private:
    TempDir m_dir;
};

// The bytes of the stream from page on, to its end.
std::vector<uint8_t> readAll(int32_t page, int64_t& length)
{
    ref<VilibPages> pages = new VilibPages("lib"_s);
    length = pages->measure();
    pages->openPage(page);
    ref<ByteReader> in = new ByteReader;
    in->open(pages, static_cast<int64_t>(page) * kPage);
    std::vector<uint8_t> out;
    while (true) {
        const int32_t b = in->u8();
        if (in->ranOut())
            break;
        out.push_back(static_cast<uint8_t>(b));
    }
    EXPECT_EQ(in->position(), static_cast<int64_t>(page) * kPage + static_cast<int64_t>(out.size()));
    return out;
}

bool isStream(const std::vector<uint8_t>& bytes, int64_t from)
{
    for (std::size_t i = 0; i < bytes.size(); i++)
        if (bytes[i] != static_cast<uint8_t>(((from + static_cast<int64_t>(i)) * 7) & 255))
            return false;
    return true;
}

} // namespace

TEST(VilibPages, ThePagesReadAsOneStreamEndingAtTheFirstShortOrMissingPage)
{
    int64_t length = 0;
    {
        Pages p({kPage, kPage, 100});
        std::vector<uint8_t> all = readAll(0, length);
        EXPECT_EQ(length, 2 * kPage + 100);
        EXPECT_EQ(all.size(), static_cast<std::size_t>(length));
        EXPECT_TRUE(isStream(all, 0));
        // Opened at a later page, the stream starts at that page's first byte.
        std::vector<uint8_t> tail = readAll(1, length);
        EXPECT_EQ(tail.size(), static_cast<std::size_t>(kPage + 100));
        EXPECT_TRUE(isStream(tail, kPage));
    }
    {
        // A short page in the middle ends the stream; the page after it is never read.
        Pages p({kPage, 500, kPage});
        EXPECT_EQ(readAll(0, length).size(), static_cast<std::size_t>(kPage + 500));
        EXPECT_EQ(length, kPage + 500);
    }
    {
        // A page file longer than a page gives only its page; a missing page ends the stream.
        Pages p({kPage + 300, 10});
        std::vector<uint8_t> all = readAll(0, length);
        EXPECT_EQ(all.size(), static_cast<std::size_t>(kPage + 10));
        EXPECT_TRUE(isStream(all, 0));
        EXPECT_EQ(length, kPage + 10);
    }
    {
        Pages p({kPage});
        EXPECT_EQ(readAll(0, length).size(), static_cast<std::size_t>(kPage));
        ref<VilibPages> none = new VilibPages("absent"_s);
        EXPECT_FALSE(none->openPage(0));
        EXPECT_EQ(none->measure(), 0);
        int8_t b = 0;
        EXPECT_EQ(none->read(&b, 1), 0);
    }
}

TEST(VilibPages, ANumberAndABlockAcrossThePageBoundaryReadWhole)
{
    Pages p({kPage, 64});
    // A three-byte number whose last byte lies in the second page.
    std::vector<uint8_t> n;
    Varint::put(n, 1234567);
    ASSERT_EQ(n.size(), 3u);
    p.put(0, kPage - 2, {n[0], n[1]});
    p.put(1, 0, {n[2]});
    ref<VilibPages> pages = new VilibPages("lib"_s);
    pages->measure();
    ASSERT_TRUE(pages->openPage(0));
    ref<ByteReader> in = new ByteReader;
    in->open(pages, 0);
    EXPECT_EQ(in->remaining(), kPage + 64);
    ASSERT_TRUE(in->skip(kPage - 2));
    EXPECT_EQ(in->varint(), 1234567);
    EXPECT_EQ(in->position(), kPage + 1);
    EXPECT_EQ(in->remaining(), 63);
    // A block that runs past the last page comes back short.
    std::vector<int8_t> block(100);
    EXPECT_FALSE(in->read(block.data(), 100));
    EXPECT_TRUE(in->ranOut());
    EXPECT_EQ(in->position(), kPage + 64);
}
