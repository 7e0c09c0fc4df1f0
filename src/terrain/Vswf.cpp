#include "terrain/Vswf.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "runtime/Class_.h"
#include "runtime/InputStream.h"

namespace {

// Fill styles a shape may define: one crossing has six bits for its style.
constexpr int32_t kMaxFillStyles = 64;
// The fewest bytes a fill style takes (a gradient of no stops: its type, a
// matrix of one byte and the stop count) and a line style (width, colour).
constexpr int32_t kFillStyleBytes = 3, kLineStyleBytes = 5;
// Curves are split at most this deep; by then a piece is far below a pixel.
constexpr int32_t kMaxCurveDepth = 24;

enum Tag : int32_t { kEnd = 0, kDefineShape = 2, kDefineShape2 = 22, kDefineShape3 = 32 };

} // namespace

Vswf::Vswf() : m_styles(16), m_reader(new ByteReader) {}

Vswf::~Vswf() = default;

// ---- reading ----

void Vswf::initBits()
{
    m_nbits = 0;
}

int32_t Vswf::getByte()
{
    initBits();
    return m_reader->u8();
}

int32_t Vswf::getWord()
{
    initBits();
    return m_reader->u16le();
}

int32_t Vswf::getDWord()
{
    initBits();
    return m_reader->i32le();
}

int32_t Vswf::getBits(int32_t n)
{
    uint32_t v = 0;
    n = std::min(n, 32);
    while (n > 0) {
        if (m_nbits == 0) {
            m_bits = m_reader->u8();
            m_nbits = 8;
        }
        int32_t take = std::min(n, m_nbits);
        v = (v << take) | ((static_cast<uint32_t>(m_bits) >> (m_nbits - take)) & ((1u << take) - 1));
        m_nbits -= take;
        n -= take;
    }
    return static_cast<int32_t>(v);
}

int32_t Vswf::getSBits(int32_t n)
{
    uint32_t v = static_cast<uint32_t>(getBits(n));
    if (n > 0 && n < 32 && (v >> (n - 1)) & 1)
        v |= ~((1u << n) - 1);
    return static_cast<int32_t>(v);
}

void Vswf::getRect()
{
    initBits();
    int32_t n = getBits(5);
    for (int32_t& edge : m_rect)
        edge = getSBits(n);
}

void Vswf::getMatrix()
{
    initBits();
    for (int32_t part = 0; part < 3; part++) {
        // Scale and rotation are optional; the translation is always there.
        if (part < 2 && !getBits(1))
            continue;
        int32_t n = getBits(5);
        getBits(n);
        getBits(n);
    }
}

int32_t Vswf::getColor(int32_t version)
{
    int32_t r = getByte(), g = getByte(), b = getByte();
    int32_t a = version == 3 ? getByte() : 0;
    return static_cast<int32_t>(static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(r << 16 | g << 8 | b));
}

int32_t Vswf::getTag()
{
    initBits();
    int32_t header = getWord();
    if (m_reader->ranOut())
        return -1;
    int64_t length = header & 0x3F;
    if (length == 0x3F)
        length = static_cast<uint32_t>(getDWord());
    m_tagEnd = static_cast<int32_t>(std::min<int64_t>(m_reader->position() + length, INT32_MAX));
    return header >> 6;
}

// ---- opening ----

void Vswf::make(const ref<Vpolyn>& poly, const ref<String>& name, int32_t width, int32_t height,
                int32_t maxEdges, int32_t ncolors, int32_t angle)
{
    m_poly = poly;
    if (!poly)
        return;
    poly->init(width, height, maxEdges, ncolors);
    if (!open(name, angle))
        std::fprintf(stderr, "Could not open %s%s%s\n", InputStream::displayPath(name ? name->c_str() : "").c_str(),
                     m_error ? ": " : "", m_error ? m_error : "");
}

bool Vswf::open(const ref<String>& name, int32_t angle)
{
    m_stopped = false;
    m_error = nullptr;
    m_name = name;
    if (!name || !m_poly)
        return false;
    std::string path = std::string("/") + name->c_str();
    ref<InputStream> file = Class_::getResourceAsStream(String::copyOf(path.c_str()));
    if (!file)
        return false;
    m_reader->open(file);
    int32_t sig[3] = {m_reader->u8(), m_reader->u8(), m_reader->u8()};
    m_reader->u8(); // version
    bool ws = sig[1] == 'W' && sig[2] == 'S';
    if (!ws || sig[0] != 'F') {
        m_error = ws && (sig[0] == 'C' || sig[0] == 'Z')
                      ? "the vector file is compressed; only uncompressed (FWS) files are read"
                      : "not an uncompressed vector shape file (no FWS signature)";
    } else {
        getDWord(); // file length
        getRect();
        int64_t w = static_cast<int64_t>(m_rect[1]) - m_rect[0];
        int64_t h = static_cast<int64_t>(m_rect[3]) - m_rect[2];
        if (m_reader->ranOut())
            m_error = "the file ends inside its header";
        else if (w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX)
            m_error = "the frame rectangle is empty";
        else {
            // Twips are counted from the frame's centre, which lands on the
            // polygon's centre.
            m_originX = m_twipX = static_cast<int32_t>(-(m_rect[0] + w / 2));
            m_originY = m_twipY = static_cast<int32_t>(-(m_rect[2] + h / 2));
            m_tx = m_poly->m_widthFix / 2;
            m_ty = m_poly->m_heightFix / 2;
            int32_t s = static_cast<int32_t>(m_poly->m_widthFix / w);
            if (angle == 0) {
                m_a = m_c = s;
                m_b = m_d = 0;
            } else {
                m_a = fmul(s, fcos(angle));
                m_b = fmul(s, -fsin(angle));
                m_c = fmul(s, fcos(angle));
                m_d = fmul(s, fsin(angle));
            }
            getWord(); // frame rate
            getWord(); // frame count
            parseTags();
        }
    }
    m_poly->finish();
    m_reader->close();
    return m_error == nullptr;
}

void Vswf::fail(const char* why)
{
    if (!m_stopped)
        std::fprintf(stderr, "Vector file %s: %s; the drawing stops there\n", m_name ? m_name->c_str() : "", why);
    m_stopped = true;
}

void Vswf::skipTag()
{
    m_reader->skip(m_tagEnd - m_reader->position());
}

void Vswf::parseTags()
{
    while (!m_stopped) {
        int32_t code = getTag();
        if (code == kEnd || code == -1)
            return;
        if (code == kDefineShape)
            parseDefineShape(0);
        else if (code == kDefineShape2)
            parseDefineShape(2);
        else if (code == kDefineShape3)
            parseDefineShape(3);
        if (m_stopped)
            return;
        if (m_reader->position() > m_tagEnd) {
            fail("a shape runs past the end of its tag");
            return;
        }
        skipTag();
        if (m_reader->ranOut()) {
            fail("the file is truncated");
            return;
        }
    }
}

// ---- shapes ----

int32_t Vswf::style(int32_t index) const
{
    return index >= 0 && index < m_styles.length ? m_styles[index] : 0;
}

void Vswf::parseDefineShape(int32_t version)
{
    m_fill0 = m_fill1 = 0;
    m_twipX = m_originX;
    m_twipY = m_originY;
    getWord(); // shape id
    getRect(); // bounds
    parseShapeStyle(version);
    m_fillBits = getBits(4);
    m_lineBits = getBits(4);
    while (parseShapeRecord(version)) {
    }
}

int64_t Vswf::bytesLeft()
{
    return std::min<int64_t>(m_reader->remaining(), m_tagEnd - m_reader->position());
}

void Vswf::parseShapeStyle(int32_t version)
{
    int32_t count = getByte();
    if (count == 255)
        count = getWord();
    if (static_cast<int64_t>(count) * kFillStyleBytes > bytesLeft()) {
        fail("a shape runs past the end of its tag");
        return;
    }
    // Styles past those a crossing can name are all the background.
    if (m_styles.length < std::min(count, kMaxFillStyles) + 1)
        m_styles = Array<int32_t>(std::min(count, kMaxFillStyles) + 1);
    // Indices the new list does not define draw as the background.
    for (int32_t i = 0; i < m_styles.length; i++)
        m_styles[i] = 0;
    if (count > kMaxFillStyles && !m_stopped)
        std::fprintf(stderr,
                     "Vector file %s: a shape defines %d fill styles; those past %d are drawn as the background\n",
                     m_name ? m_name->c_str() : "", count, kMaxFillStyles);
    for (int32_t i = 1; i <= count && !m_reader->ranOut(); i++) {
        int32_t type = getByte();
        if (type & 0x10) {
            getMatrix();
            for (int32_t n = getByte(); n > 0 && !m_reader->ranOut(); n--) {
                getByte(); // ratio
                getColor(version);
            }
        } else if (type & 0x40) {
            getWord(); // bitmap id
            getMatrix();
        } else {
            int32_t c = getColor(version);
            if (i < m_styles.length && m_poly)
                m_styles[i] = m_poly->addColor(c);
        }
    }
    int32_t lines = getByte();
    if (lines == 255)
        lines = getWord();
    if (static_cast<int64_t>(lines) * kLineStyleBytes > bytesLeft()) {
        fail("a shape runs past the end of its tag");
        return;
    }
    for (int32_t i = 0; i < lines && !m_reader->ranOut(); i++) {
        getWord(); // width
        getColor(version);
    }
}

bool Vswf::parseShapeRecord(int32_t version)
{
    if (m_stopped)
        return false;
    if (m_reader->ranOut()) {
        fail("the file is truncated");
        return false;
    }
    if (m_reader->position() > m_tagEnd) {
        fail("a shape runs past the end of its tag");
        return false;
    }
    if (!getBits(1)) {
        int32_t flags = getBits(5);
        if (flags == 0)
            return false;
        if (flags & 1) {
            m_twipX = m_originX;
            m_twipY = m_originY;
            getXy(getBits(5));
        }
        if (flags & 2)
            m_fill0 = style(getBits(m_fillBits));
        if (flags & 4)
            m_fill1 = style(getBits(m_fillBits));
        if (flags & 8)
            getBits(m_lineBits);
        if (flags & 16) {
            parseShapeStyle(version);
            m_fillBits = getBits(4);
            m_lineBits = getBits(4);
        }
        return true;
    }
    bool straight = getBits(1);
    int32_t n = getBits(4) + 2;
    if (straight) {
        if (getBits(1)) {
            int32_t dx = getSBits(n);
            lineTo(dx, getSBits(n));
        } else if (getBits(1)) {
            lineTo(0, getSBits(n));
        } else {
            lineTo(getSBits(n), 0);
        }
    } else {
        int32_t x0 = m_px, y0 = m_py;
        getXy(n);
        int32_t x1 = m_px, y1 = m_py;
        getXy(n);
        quad(x0, y0, x1, y1, m_px, m_py);
    }
    return true;
}

// ---- geometry ----

void Vswf::getXy(int32_t n)
{
    int32_t dx = getSBits(n);
    transformXy(dx, getSBits(n));
}

void Vswf::transformXy(int32_t dx, int32_t dy)
{
    m_twipX = static_cast<int32_t>(static_cast<uint32_t>(m_twipX) + static_cast<uint32_t>(dx));
    m_twipY = static_cast<int32_t>(static_cast<uint32_t>(m_twipY) + static_cast<uint32_t>(dy));
    int64_t x = static_cast<int64_t>(m_b) * m_twipY + static_cast<int64_t>(m_twipX) * m_a + m_tx;
    int64_t y = static_cast<int64_t>(m_d) * m_twipX + static_cast<int64_t>(m_twipY) * m_c + m_ty;
    // Points outside the frame are held at its border, where a crossing
    // still fits its fields.
    int32_t w = m_poly ? m_poly->m_widthFix : 0, h = m_poly ? m_poly->m_heightFix : 0;
    m_px = static_cast<int32_t>(std::clamp<int64_t>(x, 0, w));
    m_py = static_cast<int32_t>(std::clamp<int64_t>(y, 0, h));
}

void Vswf::lineTo(int32_t dx, int32_t dy)
{
    int32_t x0 = m_px, y0 = m_py;
    transformXy(dx, dy);
    if (m_poly)
        m_poly->line(x0, y0, m_px, m_py, m_fill0, m_fill1);
}

void Vswf::quad(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    quadTo(x0, y0, x1, y1, x2, y2, 0);
}

void Vswf::quadTo(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t depth)
{
    if (!m_poly)
        return;
    int32_t r0 = y0 >> 15, r1 = y1 >> 15, r2 = y2 >> 15;
    bool flat = std::abs(r0 - r2) <= 1 && (r1 == r0 || r1 == r2);
    if (!flat && depth < kMaxCurveDepth) {
        int32_t ax = (x0 + x1) / 2, ay = (y0 + y1) / 2;
        int32_t bx = (x1 + x2) / 2, by = (y1 + y2) / 2;
        int32_t mx = (ax + bx) / 2, my = (ay + by) / 2;
        if (distanceSquaredToLine(mx >> 15, my >> 15, x0 >> 15, y0 >> 15, x2 >> 15, y2 >> 15) != 0) {
            quadTo(x0, y0, ax, ay, mx, my, depth + 1);
            quadTo(mx, my, bx, by, x2, y2, depth + 1);
            return;
        }
    }
    m_poly->line(x0, y0, x2, y2, m_fill0, m_fill1);
}

int32_t Vswf::distanceSquaredToLine(int32_t px, int32_t py, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    if ((px == x0 && py == y0) || (px == x1 && py == y1))
        return 0;
    int64_t dx = static_cast<int64_t>(x1) - x0, dy = static_cast<int64_t>(y1) - y0;
    int64_t len2 = dx * dx + dy * dy;
    if (len2 == 0)
        return 2147483647;
    int64_t t = ((dx * (px - x0) + dy * (py - y0)) * 32768) / len2;
    if (t > 32767)
        return 2147483647;
    int64_t ex = px - (x0 + ((dx * t) >> 15)), ey = py - (y0 + ((dy * t) >> 15));
    return static_cast<int32_t>(std::min<int64_t>(ex * ex + ey * ey, 2147483647));
}
