#include <gtest/gtest.h>

#include <string>

#include "math/V.h"
#include "runtime/Class_.h"
#include "runtime/InputStream.h"
#include "runtime/StringBuffer.h"
#include "support/Files.h"

namespace {

// Logs the order in which instances die.
struct Probe : Object {
    static std::string s_order;
    char m_tag;
    explicit Probe(char tag) : m_tag(tag) {}
    ~Probe() override { s_order += m_tag; }
};
std::string Probe::s_order;

} // namespace

// The whole engine uses handles and arrays; only the edges are tested here:
// self-assignment, a base handle sharing the count, the release order.
TEST(Ref, SelfAssignmentAndBaseHandlesKeepTheCountAndArraysReleaseLastFirst)
{
    Probe::s_order.clear();
    {
        ref<Probe> a = new Probe('a');
        a = a;
        ref<Object> base = a;
        EXPECT_EQ(a->m_refs, 2);
        a = new Probe('n');
        EXPECT_EQ(Probe::s_order, "");
        base = nullptr;
        EXPECT_EQ(Probe::s_order, "a");
        Array<ref<Probe>> items(3);
        for (int32_t i = 0; i < 3; i++)
            items[i] = new Probe(static_cast<char>('b' + i));
        const Array<ref<Probe>>& same = items;
        items = same;
        EXPECT_EQ(*items.m_ref, 1);
    }
    EXPECT_EQ(Probe::s_order, "adcbn");
    // Empty arrays share nothing; the allocators charge the memory account.
    const int32_t before = V::m_avail;
    Array<int32_t> i = V::allocInt(10), e = V::allocInt(0);
    Array<int16_t> s = V::allocShort(10);
    Array<int8_t> b = V::allocByte(10);
    EXPECT_EQ(before - V::m_avail, 70);
    EXPECT_EQ(i.length + s.length + b.length, 30);
    EXPECT_TRUE(b[9] == 0 && e.m_ref == nullptr);
}

// Interning gives one object that is never freed; a buffer grows as text is
// appended; what concatenation and substrings make owns its text.
TEST(String, InterningBuffersAndSubstrings)
{
    String* raw = String::intern("korvath-intern-test").get();
    EXPECT_EQ(raw->m_refs, 1); // the chain's own reference keeps it alive
    EXPECT_EQ("korvath-intern-test"_s.get(), raw);
    EXPECT_TRUE("tiger"_s->equals(String::copyOf("tiger")));
    EXPECT_FALSE("tiger"_s->equals(String::copyOf("tige")) || "tiger"_s->equals(static_cast<String*>(nullptr)));
    ref<String> tail = "t34-body"_s->substring(4);
    EXPECT_STREQ(tail->c_str(), "body");
    EXPECT_TRUE(tail->m_owned && ("abc"_s + "d"_s)->m_owned);
    EXPECT_EQ("abc"_s->substring(3)->length(), 0);
    ref<StringBuffer> sb = new StringBuffer;
    sb->append("fifteen-chars!!"_s);
    for (int i = 0; i < 11; i++)
        sb->append('x');
    EXPECT_STREQ(sb->c_str(), "fifteen-chars!!xxxxxxxxxxx");
    EXPECT_EQ(sb->charAt(26), 0);
    sb = new StringBuffer;
    sb->appendInt(0)->append(',')->appendInt(-2147483647 - 1)->append(',')->appendInt(905);
    EXPECT_STREQ(sb->c_str(), "0,-2147483648,905");
    EXPECT_STREQ(("app"_s + '7')->c_str(), "app7");
}

TEST(Resource, ReadsBytesThenMinusOneAndStaysInsideTheDataFolder)
{
    TempDir dir("resource");
    writeFile(dir.file("blob.bin"), std::string("\x01\xFF\x7F", 3));
    InputStream::setResourceDir(dir.str());
    ref<InputStream> in = Class_::getResourceAsStream("/blob.bin"_s);
    ASSERT_TRUE(in);
    // available() counts what is left and leaves the position alone.
    const int32_t bytes[] = {1, 255, 127, -1};
    for (int32_t k = 0; k < 4; k++) {
        EXPECT_EQ(in->available(), std::max(3 - k, 0));
        EXPECT_EQ(in->read(), bytes[k]);
    }
    in->close();
    EXPECT_TRUE(in->read() == -1 && in->available() == 0);
    // The leading slash is optional; names cannot climb out of the folder.
    EXPECT_TRUE(Class_::getResourceAsStream("blob.bin"_s));
    for (const char* bad : {"/missing.bin", "/../blob.bin", "/sub/blob.bin"})
        EXPECT_FALSE(Class_::getResourceAsStream(String::copyOf(bad))) << bad;
    EXPECT_FALSE(Class_::getResourceAsStream(nullptr));
    InputStream::setResourceDir(".");
}
