#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "runtime/ByteReader.h"
#include "runtime/InputStream.h"
#include "runtime/Varint.h"
#include "support/Files.h"

namespace {

Array<int8_t> bytesOf(const std::vector<uint8_t>& v)
{
    Array<int8_t> a(static_cast<int32_t>(v.size()));
    for (std::size_t i = 0; i < v.size(); i++)
        a[static_cast<int32_t>(i)] = static_cast<int8_t>(v[i]);
    return a;
}

ref<ByteReader> over(const std::vector<uint8_t>& v, int32_t origin = 0)
{
    ref<ByteReader> r = new ByteReader;
    r->open(bytesOf(v), origin, static_cast<int32_t>(v.size()));
    return r;
}

// The bytes as a file, read through a stream (the file is opened at once,
// so its folder may go).
ref<ByteReader> fromFile(const std::vector<uint8_t>& v)
{
    TempDir dir("reader");
    writeFile(dir.file("f"), std::string(v.begin(), v.end()));
    InputStream::setResourceDir(dir.str());
    ref<InputStream> in = new InputStream;
    EXPECT_TRUE(in->open("/f"));
    InputStream::setResourceDir(".");
    ref<ByteReader> r = new ByteReader;
    r->open(in);
    return r;
}

} // namespace

TEST(Varint, EveryWidthReadsBackThroughTheSharedRulesAndTheKnownBytesDecode)
{
    std::vector<uint8_t> bytes;
    const std::vector<uint32_t> values = {0, 1, 127, 128, 16383, 16384, (1u << 21) - 1, 1u << 21, (1u << 28) - 1, 1u << 28,
                                          0x7FFFFFFF};
    for (uint32_t v : values)
        Varint::put(bytes, v);
    ref<ByteReader> r = over(bytes);
    for (uint32_t v : values)
        EXPECT_EQ(r->varint(), static_cast<int32_t>(v));
    EXPECT_TRUE(!r->ranOut() && r->remaining() == 0);

    // The written forms: high bits first, the byte below 128 ends the number.
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 2, bytes.begin() + 6), (std::vector<uint8_t>{0x7F, 0x81, 0, 0xFF}));
    EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 5, bytes.end()), (std::vector<uint8_t>{0x87, 0xFF, 0xFF, 0xFF, 0x7F}));

    // Beyond 31 bits: the whole number is read, and it is too large for any
    // count or size; the next number starts where it should.
    std::vector<uint8_t> big;
    Varint::put(big, 0xFFFFFFFFu);
    EXPECT_EQ(big.size(), 5u);
    big.insert(big.end(), 9, 0xFF);
    big.insert(big.end(), {0x05, 0x2A});
    r = over(big);
    EXPECT_EQ(r->varint(), INT32_MAX);
    EXPECT_EQ(r->varint(), INT32_MAX);
    EXPECT_EQ(r->varint(), 42);
    EXPECT_FALSE(r->ranOut());
}

TEST(ByteReader, ACutOffNumberOrAnyReadPastTheEndRunsOutForGood)
{
    // A number cut anywhere inside is not a smaller number.
    std::vector<uint8_t> whole;
    Varint::put(whole, 300000);
    for (std::size_t n = 0; n < whole.size(); n++) {
        ref<ByteReader> r = over(std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
        EXPECT_EQ(r->varint(), 0) << n;
        EXPECT_TRUE(r->ranOut()) << n;
        EXPECT_EQ(r->position(), static_cast<int64_t>(n)) << n;
    }

    // Fixed-size numbers keep the bytes that were there; the missing ones read 0.
    ref<ByteReader> r = over({0x12, 0x34, 0x56});
    EXPECT_TRUE(r->u16be() == 0x1234 && !r->ranOut());
    EXPECT_TRUE(r->u16be() == 0x5600 && r->ranOut());
    // Once out, every read gives its defined value and the state stays.
    EXPECT_TRUE(r->u8() == 0 && r->i32le() == 0 && r->position() == 3 && r->ranOut());

    // A block read short fills the rest with zeros; a skip past the end stops there.
    r = over({1, 2, 3});
    int8_t block[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(r->read(block, 6));
    EXPECT_EQ(std::vector<int8_t>(block, block + 6), (std::vector<int8_t>{1, 2, 3, 0, 0, 0}));
    r = over({1, 2, 3});
    EXPECT_TRUE(r->skip(2) && !r->ranOut());
    EXPECT_TRUE(!r->skip(2) && r->ranOut() && r->position() == 3);

    // Opening again starts afresh; nothing to read at all runs out at once.
    r->open(bytesOf({7}), 0, 1);
    EXPECT_TRUE(r->u8() == 7 && !r->ranOut());
    r->open(ref<InputStream>(), 0);
    EXPECT_TRUE(r->varint() == 0 && r->ranOut());
}

TEST(ByteReader, AStreamReadsAsTheSameBytesInMemoryAcrossEveryRefill)
{
    // Random bytes over a few buffers, read by the same random mix of reads
    // from a file and from memory: values, positions, what is left and the
    // end must agree, whatever straddles a refill.
    std::mt19937 rng(11);
    std::vector<uint8_t> bytes(3 * ByteReader::kBufferSize + 123);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(rng());
    ref<ByteReader> a = fromFile(bytes), b = over(bytes);
    std::vector<int8_t> blockA, blockB;
    std::vector<int16_t> shortsA, shortsB;
    for (int32_t step = 0; step < 4000 && !a->ranOut(); step++) {
        const uint32_t op = rng() % 9;
        const int32_t n = op == 6 ? static_cast<int32_t>(rng() % (2 * ByteReader::kBufferSize)) : static_cast<int32_t>(rng() % 40);
        switch (op) {
        case 0: ASSERT_EQ(a->u8(), b->u8()); break;
        case 1: ASSERT_EQ(a->i16be(), b->i16be()); break;
        case 2: ASSERT_EQ(a->u16le(), b->u16le()); break;
        case 3: ASSERT_EQ(a->i32be(), b->i32be()); break;
        case 4: ASSERT_EQ(a->varint(), b->varint()); break;
        case 5:
        case 6:
            blockA.assign(static_cast<std::size_t>(n), 0), blockB = blockA;
            ASSERT_EQ(a->read(blockA.data(), n), b->read(blockB.data(), n));
            ASSERT_EQ(blockA, blockB);
            break;
        case 7:
            shortsA.assign(static_cast<std::size_t>(n), 0), shortsB = shortsA;
            ASSERT_EQ(a->readShorts(shortsA.data(), n), b->readShorts(shortsB.data(), n));
            ASSERT_EQ(shortsA, shortsB);
            break;
        default: ASSERT_EQ(a->skip(n), b->skip(n)); break;
        }
        ASSERT_TRUE(a->position() == b->position() && a->remaining() == b->remaining() && a->ranOut() == b->ranOut())
            << "step " << step;
    }
    EXPECT_TRUE(a->ranOut() && a->position() == static_cast<int64_t>(bytes.size()));

    // Big-endian shorts are signed; the origin moves the positions along.
    ref<ByteReader> r = over({0xAA, 0xFF, 0xFE, 0x01, 0x02}, 1);
    int16_t s[2] = {};
    EXPECT_TRUE(r->readShorts(s, 2));
    EXPECT_TRUE(s[0] == -2 && s[1] == 0x0102 && r->position() == 5);
}
