#pragma once
#include <cstdint>

#include "runtime/Array.h"
#include "runtime/InputStream.h"
#include "runtime/Object.h"
#include "runtime/ref.h"

// Reads the numbers and blocks of a data file, from a resource stream
// (through a buffer of its own) or from bytes in memory.
//
// Every read is bounds-checked. A read that finds no more bytes sets the
// ran-out state, which stays set until the reader is opened again; each byte
// that was not there reads as 0, so a number cut short is made of the bytes
// that were there and zeros. Readers read a group of items and then ask
// ranOut() once, instead of testing every value for a sentinel.
class ByteReader : public Object {
public:
    ByteReader();
    ~ByteReader() override;

    // Reads in from where it stands; position() counts on from origin (the
    // place of that first byte in the whole the caller sees). The source
    // read before is let go, not closed.
    void open(const ref<InputStream>& in, int64_t origin = 0);
    // Reads bytes[start, end) of an array, which it keeps a share of.
    void open(const Array<int8_t>& bytes, int32_t start, int32_t end);
    // Drops the source (the stream is closed); every read then runs out.
    void close();

    // One byte, 0..255.
    int32_t u8();
    // 16 bits, big-endian (the model file) and little-endian (vector files).
    int32_t u16be();
    int32_t i16be();
    int32_t u16le();
    // 32 bits, big-endian and little-endian.
    int32_t i32be();
    int32_t i32le();
    // One variable-length number (runtime/Varint.h), 0..INT32_MAX. A number
    // cut off by the end runs out and gives 0.
    int32_t varint();
    // Exactly n bytes into dst; false (ran out) when fewer were there, the
    // rest of dst then zero.
    bool read(int8_t* dst, int32_t n);
    // n big-endian signed 16-bit values into dst.
    bool readShorts(int16_t* dst, int32_t n);
    // Moves n bytes on; false (ran out) when the end came first.
    bool skip(int64_t n);

    // Where the next byte comes from, counted from the origin.
    int64_t position() const { return m_origin + m_consumed; }
    // The bytes the source still holds (for a stream, as far as it can say).
    int64_t remaining();
    bool ranOut() const { return m_ranOut; }
    bool isOpen() const { return m_in || !m_bytes.empty(); }

    static constexpr int32_t kBufferSize = 4096;

private:
    void reset();
    // Makes at least one byte available; false at the end.
    bool fill();
    // The next byte, or -1 (and ran out) at the end.
    int32_t next();

    ref<InputStream> m_in;
    Array<int8_t> m_bytes; // the buffer, or the caller's array
    int32_t m_at = 0;      // next byte of m_bytes
    int32_t m_end = 0;     // end of the valid bytes of m_bytes
    int64_t m_origin = 0;
    int64_t m_consumed = 0; // bytes delivered since open
    bool m_ranOut = false;
};
