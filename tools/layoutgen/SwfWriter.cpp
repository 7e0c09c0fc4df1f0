#include "SwfWriter.h"

#include <algorithm>

void SwfWriter::bits(uint32_t value, int32_t n)
{
    for (int32_t k = n - 1; k >= 0; k--) {
        m_acc = m_acc << 1 | ((value >> k) & 1);
        if (++m_pending == 8) {
            m_out.push_back(static_cast<uint8_t>(m_acc));
            m_acc = 0;
            m_pending = 0;
        }
    }
}

void SwfWriter::sbits(int32_t value, int32_t n)
{
    bits(static_cast<uint32_t>(value), n);
}

void SwfWriter::align()
{
    if (m_pending > 0)
        bits(0, 8 - m_pending);
}

void SwfWriter::u8(uint32_t v)
{
    align();
    m_out.push_back(static_cast<uint8_t>(v));
}

void SwfWriter::u16(uint32_t v)
{
    u8(v & 255);
    u8(v >> 8 & 255);
}

void SwfWriter::u32(uint32_t v)
{
    u16(v & 0xFFFF);
    u16(v >> 16);
}

int32_t SwfWriter::signedBits(int32_t v)
{
    int32_t n = 1;
    while (n < 32 && (v < -(1 << (n - 1)) || v >= (1 << (n - 1))))
        n++;
    return n;
}

void SwfWriter::rect(int32_t xMin, int32_t xMax, int32_t yMin, int32_t yMax)
{
    align();
    int32_t n = std::max({signedBits(xMin), signedBits(xMax), signedBits(yMin), signedBits(yMax)});
    bits(static_cast<uint32_t>(n), 5);
    for (int32_t v : {xMin, xMax, yMin, yMax})
        sbits(v, n);
    align();
}

void SwfWriter::tag(int32_t code, const std::vector<uint8_t>& body, bool longHeader)
{
    align();
    auto length = static_cast<uint32_t>(body.size());
    if (longHeader || length >= 0x3F) {
        u16(static_cast<uint32_t>(code) << 6 | 0x3F);
        u32(length);
    } else {
        u16(static_cast<uint32_t>(code) << 6 | length);
    }
    m_out.insert(m_out.end(), body.begin(), body.end());
}

void SwfWriter::moveTo(int32_t x, int32_t y, int32_t fill0, int32_t fill1, int32_t fillBits)
{
    bits(0, 1);       // a style change
    bits(0b00111, 5); // fill 1, fill 0, move
    int32_t n = std::max(signedBits(x), signedBits(y));
    bits(static_cast<uint32_t>(n), 5);
    sbits(x, n);
    sbits(y, n);
    bits(static_cast<uint32_t>(fill0), fillBits);
    bits(static_cast<uint32_t>(fill1), fillBits);
}

void SwfWriter::lineBy(int32_t dx, int32_t dy)
{
    int32_t n = std::max({signedBits(dx), signedBits(dy), 2});
    bits(0b11, 2); // an edge, straight
    bits(static_cast<uint32_t>(n - 2), 4);
    if (dx != 0 && dy != 0) {
        bits(1, 1);
        sbits(dx, n);
        sbits(dy, n);
    } else {
        bits(0, 1);
        bits(dx == 0, 1); // vertical
        sbits(dx == 0 ? dy : dx, n);
    }
}

void SwfWriter::curveBy(int32_t cdx, int32_t cdy, int32_t adx, int32_t ady)
{
    int32_t n = std::max({signedBits(cdx), signedBits(cdy), signedBits(adx), signedBits(ady), 2});
    bits(0b10, 2); // an edge, curved
    bits(static_cast<uint32_t>(n - 2), 4);
    for (int32_t v : {cdx, cdy, adx, ady})
        sbits(v, n);
}

void SwfWriter::endShape()
{
    bits(0, 6);
    align();
}

std::vector<uint8_t> SwfWriter::file(int32_t version, int32_t w, int32_t h, const std::vector<uint8_t>& tags)
{
    SwfWriter head;
    head.rect(0, w, 0, h);
    head.u16(12 << 8); // 12 frames a second, 8.8 fixed
    head.u16(1);       // one frame
    std::vector<uint8_t> out = {'F', 'W', 'S', static_cast<uint8_t>(version), 0, 0, 0, 0};
    out.insert(out.end(), head.bytes().begin(), head.bytes().end());
    out.insert(out.end(), tags.begin(), tags.end());
    auto length = static_cast<uint32_t>(out.size());
    for (int32_t k = 0; k < 4; k++)
        out[static_cast<size_t>(4 + k)] = static_cast<uint8_t>(length >> (8 * k));
    return out;
}
