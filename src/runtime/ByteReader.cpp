#include "runtime/ByteReader.h"

#include <algorithm>
#include <cstring>

#include "runtime/Varint.h"

ByteReader::ByteReader() = default;

ByteReader::~ByteReader()
{
    close();
}

void ByteReader::open(const ref<InputStream>& in, int64_t origin)
{
    reset();
    m_in = in;
    if (m_in)
        m_bytes = Array<int8_t>(kBufferSize);
    m_origin = origin;
}

void ByteReader::open(const Array<int8_t>& bytes, int32_t start, int32_t end)
{
    reset();
    start = std::clamp(start, 0, bytes.length);
    end = std::clamp(end, start, bytes.length);
    if (start < end)
        m_bytes = bytes;
    m_at = start;
    m_end = end;
    m_origin = start;
}

void ByteReader::close()
{
    if (m_in)
        m_in->close();
    reset();
}

void ByteReader::reset()
{
    m_in = nullptr;
    m_bytes = Array<int8_t>();
    m_at = m_end = 0;
    m_origin = m_consumed = 0;
    m_ranOut = false;
}

bool ByteReader::fill()
{
    if (m_at < m_end)
        return true;
    // An array source has nothing behind its end; a stream refills the buffer.
    if (!m_in || m_bytes.empty())
        return false;
    const int32_t got = m_in->read(m_bytes.a, m_bytes.length);
    m_at = 0;
    m_end = std::max(got, 0);
    return m_end > 0;
}

int32_t ByteReader::next()
{
    if (!fill()) {
        m_ranOut = true;
        return -1;
    }
    m_consumed++;
    return m_bytes.a[m_at++] & 0xFF;
}

int32_t ByteReader::u8()
{
    return std::max(next(), 0);
}

int32_t ByteReader::u16be()
{
    const int32_t hi = u8();
    return hi << 8 | u8();
}

int32_t ByteReader::i16be()
{
    return static_cast<int16_t>(u16be());
}

int32_t ByteReader::u16le()
{
    const int32_t lo = u8();
    return lo | u8() << 8;
}

int32_t ByteReader::i32be()
{
    const uint32_t hi = static_cast<uint32_t>(u16be());
    return static_cast<int32_t>(hi << 16 | static_cast<uint32_t>(u16be()));
}

int32_t ByteReader::i32le()
{
    const uint32_t lo = static_cast<uint32_t>(u16le());
    return static_cast<int32_t>(lo | static_cast<uint32_t>(u16le()) << 16);
}

int32_t ByteReader::varint()
{
    int32_t v = 0;
    if (!Varint::get([this] { return next(); }, v))
        return 0;
    return v;
}

bool ByteReader::read(int8_t* dst, int32_t n)
{
    // A block at least a buffer long bypasses the buffer once it is empty.
    if (m_at == m_end && m_in && n >= kBufferSize) {
        const int32_t got = std::max(m_in->read(dst, n), 0);
        m_consumed += got;
        dst += got;
        n -= got;
    }
    while (n > 0) {
        if (!fill()) {
            m_ranOut = true;
            std::memset(dst, 0, static_cast<std::size_t>(n));
            return false;
        }
        const int32_t take = std::min(n, m_end - m_at);
        std::memcpy(dst, m_bytes.a + m_at, static_cast<std::size_t>(take));
        m_at += take;
        m_consumed += take;
        dst += take;
        n -= take;
    }
    return true;
}

bool ByteReader::readShorts(int16_t* dst, int32_t n)
{
    int32_t i = 0;
    while (i < n) {
        // Straight from the buffer while whole values remain in it.
        const int32_t whole = std::min(n - i, (m_end - m_at) >> 1);
        if (whole > 0) {
            const uint8_t* b = reinterpret_cast<const uint8_t*>(m_bytes.a) + m_at;
            for (int32_t k = 0; k < whole; k++)
                dst[i + k] = static_cast<int16_t>(b[2 * k] << 8 | b[2 * k + 1]);
            m_at += 2 * whole;
            m_consumed += 2 * whole;
            i += whole;
        } else {
            // A value split by a refill, or the end.
            dst[i++] = static_cast<int16_t>(u16be());
            if (m_ranOut) {
                std::fill(dst + i, dst + n, 0);
                return false;
            }
        }
    }
    return !m_ranOut;
}

bool ByteReader::skip(int64_t n)
{
    while (n > 0) {
        if (!fill()) {
            m_ranOut = true;
            return false;
        }
        const int32_t take = static_cast<int32_t>(std::min<int64_t>(n, m_end - m_at));
        m_at += take;
        m_consumed += take;
        n -= take;
    }
    return true;
}

int64_t ByteReader::remaining()
{
    return static_cast<int64_t>(m_end - m_at) + (m_in ? m_in->available() : 0);
}
