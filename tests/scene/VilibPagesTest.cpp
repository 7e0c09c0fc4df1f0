#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/ByteReader.h"
#include "runtime/InputStream.h"
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
        for (std::size_t k = 0; k < sizes.size(); k++) {
            std::string bytes;
            for (int32_t i = 0; i < sizes[k]; i++)
                bytes.push_back(static_cast<char>(((static_cast<int32_t>(k) * kPage + i) * 7) & 255));
            writeFile(file(static_cast<int32_t>(k)), bytes);
        }
        InputStream::setResourceDir(m_dir.str());
    }
    ~Pages() { InputStream::setResourceDir("."); }
    std::string file(int32_t page) const { return m_dir.file("lib" + std::to_string(page) + ".bin"); }

private:
    TempDir m_dir;
};

} // namespace

// The stream read from a page on to its end: the page files' bytes in order,
// up to the first short or missing page (a page file longer than a page gives
// only its page), as long as measure() says. (Numbers and blocks that straddle
// a refill are the reader's own tests.)
TEST(VilibPages, ThePagesReadAsOneStreamEndingAtTheFirstShortOrMissingPage)
{
    struct Case {
        std::vector<int32_t> sizes;
        int32_t page, length, read;
    };
    const Case cases[] = {
        {{kPage, kPage, 100}, 0, 2 * kPage + 100, 2 * kPage + 100},
        {{kPage, kPage, 100}, 1, 2 * kPage + 100, kPage + 100},
        {{kPage, 500, kPage}, 0, kPage + 500, kPage + 500},
        {{kPage + 300, 10}, 0, kPage + 10, kPage + 10},
        {{kPage}, 0, kPage, kPage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sizes.size() << " pages from " << c.page << " to " << c.length);
        Pages files(c.sizes);
        ref<VilibPages> pages = new VilibPages("lib"_s);
        EXPECT_EQ(pages->measure(), c.length);
        pages->openPage(c.page);
        ref<ByteReader> in = new ByteReader;
        in->open(pages, static_cast<int64_t>(c.page) * kPage);
        EXPECT_EQ(in->remaining(), c.read);
        int32_t n = 0;
        for (int64_t p = static_cast<int64_t>(c.page) * kPage;; p++, n++) {
            const int32_t b = in->u8();
            if (in->ranOut())
                break;
            ASSERT_EQ(b, (p * 7) & 255) << p;
        }
        EXPECT_EQ(n, c.read);
        EXPECT_EQ(in->position(), static_cast<int64_t>(c.page) * kPage + n);
    }
    ref<VilibPages> none = new VilibPages("absent"_s);
    int8_t b = 0;
    EXPECT_TRUE(!none->openPage(0) && none->measure() == 0 && none->read(&b, 1) == 0);
}
