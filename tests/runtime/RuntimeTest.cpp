#include <gtest/gtest.h>

#include <string>

#include "math/V.h"
#include "runtime/Array.h"
#include "runtime/Class_.h"
#include "runtime/InputStream.h"
#include "runtime/String.h"
#include "runtime/StringBuffer.h"
#include "runtime/ref.h"
#include "support/Files.h"

namespace {

// Counts live instances so that tests can see exactly when objects die.
struct Probe : Object {
    static int s_alive;
    static std::string s_order;
    char m_tag;
    explicit Probe(char tag = '?') : m_tag(tag) { s_alive++; }
    ~Probe() override
    {
        s_alive--;
        s_order += m_tag;
    }
};
int Probe::s_alive = 0;
std::string Probe::s_order;

} // namespace

TEST(Ref, CountsCopiesAssignmentsAndSelfAssignment)
{
    Probe::s_alive = 0;
    {
        ref<Probe> a = new Probe;
        EXPECT_EQ(a->m_refs, 1);
        ref<Probe> b = a;
        EXPECT_EQ(a->m_refs, 2);
        b = b; // self-assignment keeps the count and the object
        EXPECT_EQ(a->m_refs, 2);
        a = a;
        EXPECT_EQ(Probe::s_alive, 1);
        b = nullptr;
        EXPECT_EQ(a->m_refs, 1);
        ref<Object> base = a; // conversion to a base handle shares the count
        EXPECT_EQ(a->m_refs, 2);
        EXPECT_TRUE(base == a);
        a = new Probe; // overwriting drops the old target's count
        EXPECT_EQ(Probe::s_alive, 2);
        base = nullptr;
        EXPECT_EQ(Probe::s_alive, 1);
    }
    EXPECT_EQ(Probe::s_alive, 0);
}

TEST(Array, CopiesShareElementsAndOutliveTheirSource)
{
    Array<int32_t> copy;
    {
        Array<int32_t> a(5);
        for (int32_t v : {0, 1, 2, 3, 4})
            EXPECT_EQ(a[v], 0);
        a[3] = 42;
        copy = a;
        EXPECT_EQ(*a.m_ref, 2);
        Array<int32_t> third(a);
        third[0] = 7;
        EXPECT_EQ(a[0], 7);
        EXPECT_EQ(*a.m_ref, 3);
    }
    ASSERT_EQ(copy.length, 5);
    EXPECT_EQ(*copy.m_ref, 1);
    const Array<int32_t>& same = copy;
    copy = same; // self-assignment keeps the elements
    ASSERT_EQ(copy.length, 5);
    EXPECT_EQ(*copy.m_ref, 1);
    EXPECT_EQ(copy[3], 42);
    EXPECT_EQ(copy[0], 7);

    // Handles in an array are released last element first.
    Probe::s_order.clear();
    {
        Array<ref<Probe>> items(3);
        items[0] = new Probe('a');
        items[1] = new Probe('b');
        items[2] = new Probe('c');
    }
    EXPECT_EQ(Probe::s_order, "cba");
}

TEST(Array, AllocatorsChargeTheMemoryAccountAndEmptyArraysShareNothing)
{
    int32_t before = V::m_avail;
    Array<int32_t> i = V::allocInt(10);
    Array<int16_t> s = V::allocShort(10);
    Array<int8_t> b = V::allocByte(10);
    EXPECT_EQ(before - V::m_avail, 70);
    EXPECT_EQ(i.length + s.length + b.length, 30);
    EXPECT_EQ(b[9], 0);
    Array<int32_t> e = V::allocInt(0);
    EXPECT_TRUE(e.empty() && e.m_ref == nullptr);
    Array<int32_t> f = e;
    f = e;
    EXPECT_EQ(f.m_ref, nullptr);
}

// Interning gives one object that is never freed; equality is byte-wise.
TEST(String, InterningEqualityAndSubstrings)
{
    ref<String> a = String::intern("korvath-intern-test");
    ref<String> b = "korvath-intern-test"_s;
    EXPECT_EQ(a.get(), b.get());
    EXPECT_EQ(String::m_all, a.get());
    String* raw = a.get();
    a = nullptr;
    b = nullptr;
    // The chain's own reference keeps it alive.
    EXPECT_EQ(raw->m_refs, 1);
    EXPECT_EQ(String::intern("korvath-intern-test").get(), raw);

    ref<String> lit = "tiger"_s;
    ref<String> copy = String::copyOf("tiger");
    EXPECT_TRUE(lit->equals(copy));
    EXPECT_FALSE(lit->equals(String::copyOf("tige")));
    EXPECT_FALSE(lit->equals(static_cast<String*>(nullptr)));
    ref<String> tail = "t34-body"_s->substring(4);
    EXPECT_STREQ(tail->c_str(), "body");
    EXPECT_TRUE(tail->m_owned);
    EXPECT_EQ("abc"_s->substring(3)->length(), 0);
}

// A buffer grows as text is appended, a string or a character at a time.
TEST(StringBuffer, GrowsToHoldWhatIsAppendedAndConcatenationOwnsItsText)
{
    ref<StringBuffer> sb = new StringBuffer;
    sb->append(""_s)->append("fifteen-chars!!"_s);
    for (int i = 0; i < 11; i++)
        sb->append('x');
    EXPECT_EQ(sb->m_length, 26);
    EXPECT_STREQ(sb->c_str(), "fifteen-chars!!xxxxxxxxxxx");
    EXPECT_EQ(sb->charAt(26), 0);
    ref<String> s = ""_s + "fifteen-chars!!"_s;
    EXPECT_EQ(s->length(), 15);
    EXPECT_TRUE(s->m_owned);
    EXPECT_STREQ(("app"_s + '7')->c_str(), "app7");
    ref<StringBuffer> n = new StringBuffer;
    n->appendInt(0)->append(',')->appendInt(-2147483647 - 1)->append(',')->appendInt(905);
    EXPECT_STREQ(n->c_str(), "0,-2147483648,905");
}

TEST(Resource, ReadsBytesThenMinusOneAndStaysInsideTheDataFolder)
{
    TempDir dir("resource");
    writeFile(dir.file("blob.bin"), std::string("\x01\xFF\x7F", 3));
    std::string saved = InputStream::resourceDir();
    InputStream::setResourceDir(dir.str());
    ref<InputStream> in = Class_::getResourceAsStream("/blob.bin"_s);
    ASSERT_TRUE(in);
    // available() counts what is left and leaves the position alone.
    const int32_t bytes[] = {1, 255, 127, -1, -1};
    for (int32_t k = 0; k < 5; k++) {
        EXPECT_EQ(in->available(), std::max(3 - k, 0));
        EXPECT_EQ(in->read(), bytes[k]);
    }
    in->close();
    EXPECT_TRUE(in->read() == -1 && in->available() == 0);
    // The leading slash is optional; names cannot climb out of the folder.
    EXPECT_TRUE(Class_::getResourceAsStream("blob.bin"_s));
    EXPECT_FALSE(Class_::getResourceAsStream("/missing.bin"_s));
    EXPECT_FALSE(Class_::getResourceAsStream(nullptr));
    EXPECT_FALSE(Class_::getResourceAsStream("/../blob.bin"_s));
    EXPECT_FALSE(Class_::getResourceAsStream("/sub/blob.bin"_s));
    InputStream::setResourceDir(saved);
}
