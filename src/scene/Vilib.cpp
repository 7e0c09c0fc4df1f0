#include "scene/Vilib.h"

#include <algorithm>
#include <cstdio>

#include "runtime/Class_.h"

namespace {

// The shared JPEG header at the start of the work buffer, and where its
// start-of-frame segment keeps the height and width.
constexpr int32_t kHeaderSize = 623;
constexpr int32_t kFrameSizeAt = 163;
constexpr int32_t kPageShift = 15;
// Bounds beyond which a directory or record is taken as damaged.
constexpr int32_t kMaxPictures = 65535;
constexpr int32_t kMaxScratch = 1 << 24;
constexpr int32_t kMaxSide = 32767;
constexpr int64_t kMaxPixels = 1 << 24;
constexpr int32_t kMaxPages = INT32_MAX >> kPageShift;
// The most pixels one byte of a record can stand for: a baseline JPEG spends
// at least two bits (a DC code and an end of block) on every 8 x 8 block of
// its fullest component; a run-length byte gives at most 47 pixels per pair
// (134 and a length byte). A record that promises more is damaged.
constexpr int64_t kJpegPixelsPerByte = 256;
constexpr int64_t kRlePixelsPerByte = 24;

} // namespace

Vilib::Vilib(const ref<Vdisplay>& display, const ref<String>& name)
{
    m_display = display;
    open(name);
}

Vilib::~Vilib()
{
    close();
}

void Vilib::clearDirectory()
{
    m_count = 0;
    m_names = Array<ref<String>>();
    m_offsets = Array<int32_t>();
    m_pictures = Array<ref<Vpicture>>();
    m_failed = Array<int8_t>();
}

void Vilib::open(const ref<String>& name)
{
    m_name = name;
    m_path = new StringBuffer;
    m_pos = 0;
    m_clock = 0;
    m_lowMemory = false;
    m_scratch = Array<int8_t>();
    m_length = 0;
    clearDirectory();
    const char* label = name ? name->c_str() : "";
    if (!openPage(0)) {
        std::printf("Could not open image library %s\n", InputStream::displayPath(pageName(0)->c_str()).c_str());
        return;
    }
    const int32_t length = m_length = measure();
    int32_t n = rv();
    int32_t m = rv();
    // Every directory entry takes at least two bytes of what the pages hold.
    if (n < 0 || n > kMaxPictures || n > (length - m_pos) / 2 || m < 0 || m > kMaxScratch) {
        std::printf("Image library %s: bad directory\n", label);
        return;
    }
    m_names = Array<ref<String>>(n);
    m_pictures = Array<ref<Vpicture>>(n);
    m_offsets = Array<int32_t>(n + 1);
    m_failed = Array<int8_t>(n);
    if (n > 0 && (m_names.empty() || m_pictures.empty() || m_failed.empty() || m_offsets.empty())) {
        clearDirectory();
        return;
    }
    char text[256];
    for (int32_t k = 1; k <= n; k++) {
        int32_t size = rv();
        int32_t len = readByteAcross();
        if (size < 0 || len < 0) {
            std::printf("Image library %s: the directory runs past the end of the file\n", label);
            clearDirectory();
            return;
        }
        for (int32_t j = 0; j < len; j++) {
            int32_t b = readByteAcross();
            text[j] = static_cast<char>(b < 0 ? 0xFF : b);
        }
        m_offsets[k] = size;
        m_names[k - 1] = String::copyOf(text, len);
    }
    int64_t at = m_pos;
    int32_t largest = 0;
    m_offsets[0] = m_pos;
    for (int32_t k = 1; k <= n; k++) {
        at += m_offsets[k];
        if (at > INT32_MAX) {
            std::printf("Image library %s: bad directory\n", label);
            clearDirectory();
            return;
        }
        // Only records that the pages really hold can ever need the work buffer.
        if (at <= length)
            largest = std::max(largest, m_offsets[k]);
        m_offsets[k] = static_cast<int32_t>(at);
    }
    if (m > 0)
        m_scratch = V::allocByte(std::min(m, kHeaderSize + largest));
    m_count = n;
    // Picture 0 brings the shared JPEG header into the work buffer.
    if (n > 0)
        readPicture(0);
}

int32_t Vilib::missingPage()
{
    // An empty first page is as good as none; a damaged directory is not a
    // missing page.
    if (m_count == 0)
        return m_length > 0 ? -1 : 0;
    // measure stopped at the first page that is short or missing.
    return m_offsets[m_count] > m_length ? m_length >> kPageShift : -1;
}

int32_t Vilib::measure()
{
    // Every page but the last holds exactly one page of the stream.
    int64_t length = 0;
    for (int32_t page = 0; page < kMaxPages; page++) {
        ref<InputStream> in = Class_::getResourceAsStream(pageName(page));
        const int32_t size = in ? in->available() : 0;
        length += std::min(size, 1 << kPageShift);
        if (size < (1 << kPageShift))
            break;
    }
    return static_cast<int32_t>(std::min<int64_t>(length, INT32_MAX));
}

bool Vilib::openPage(int32_t page)
{
    if (m_stream)
        m_stream->close();
    m_stream = nullptr;
    m_page = page;
    m_pos = page << kPageShift;
    if (!m_path || !m_name)
        return false;
    m_stream = Class_::getResourceAsStream(pageName(page));
    return m_stream != nullptr;
}

ref<String> Vilib::pageName(int32_t page)
{
    m_path->clear();
    m_path->append('/')->append(m_name)->appendInt(page)->append(".bin");
    return m_path->toString();
}

int32_t Vilib::readByte()
{
    // Never read a page file beyond its 32768 bytes: the next position lives in the next page.
    if (!m_stream || m_pos >= ((m_page + 1) << kPageShift))
        return -1;
    int32_t c = m_stream->read();
    if (c >= 0)
        m_pos++;
    return c;
}

int32_t Vilib::readByteAcross()
{
    int32_t c = readByte();
    if (c < 0) {
        seek(m_pos);
        c = readByte();
    }
    return c;
}

int32_t Vilib::readBytes(int8_t* dst, int32_t n)
{
    int64_t room = (static_cast<int64_t>(m_page + 1) << kPageShift) - m_pos;
    if (!m_stream || room <= 0 || n <= 0)
        return 0;
    int32_t got = m_stream->read(dst, static_cast<int32_t>(std::min<int64_t>(n, room)));
    m_pos += got;
    return got;
}

void Vilib::seek(int32_t p)
{
    if (p < 0)
        return;
    if ((p >> kPageShift) != m_page || p < m_pos)
        openPage(p >> kPageShift);
    int8_t skip[4096];
    while (m_pos < p) {
        if (readBytes(skip, std::min<int32_t>(p - m_pos, sizeof skip)) == 0)
            break;
    }
}

int32_t Vilib::rv()
{
    int32_t b = readByteAcross();
    if (b < 128)
        return b; // includes -1 when nothing could be read
    int32_t value = b & 127;
    for (;;) {
        b = readByteAcross();
        if (b < 0)
            return value * 128 + 127;
        value = value * 128 + (b & 127);
        if (b < 128)
            return value;
    }
}

bool Vilib::readPayload(int32_t start, int32_t n)
{
    int8_t* dst = m_scratch.a + start;
    while (n > 0) {
        int32_t got = readBytes(dst, n);
        if (got == 0) {
            // A record may go on in the next page.
            seek(m_pos);
            got = readBytes(dst, n);
            if (got == 0)
                return false;
        }
        dst += got;
        n -= got;
    }
    return true;
}

void Vilib::reject(int32_t k, const char* why)
{
    if (!m_failed[k])
        std::printf("Image library %s: picture %d %s\n", m_name ? m_name->c_str() : "", k, why);
    m_failed[k] = 1;
}

void Vilib::readPicture(int32_t k)
{
    if (k < 0 || k >= m_count)
        return;
    const int32_t recordStart = m_offsets[k], recordEnd = m_offsets[k + 1];
    if (recordEnd > m_length)
        return reject(k, "is truncated");
    seek(recordStart);
    if (m_pos != recordStart || recordEnd < recordStart)
        return reject(k, "lies beyond the end of the library");
    int32_t type = rv(), w = rv(), h = rv(), hx = rv(), hy = rv();
    if (type < 0 || w < 0 || h < 0 || hx < 0 || hy < 0)
        return reject(k, "is truncated");
    const bool image = type == 'j' || type == 'r' || type == 'o';
    const bool sized = w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide &&
                       static_cast<int64_t>(w) * h <= kMaxPixels && hx <= kMaxSide && hy <= kMaxSide;
    if (image && !sized)
        return reject(k, "has an impossible size");
    const int32_t start = k == 0 ? 0 : kHeaderSize;
    int32_t maskLength = 0;
    if (type == 'j') {
        maskLength = rv();
        if (maskLength < 0)
            return reject(k, "is truncated");
    }
    const int32_t rest = recordEnd - m_pos;
    if (rest < 0 || maskLength > rest)
        return reject(k, "overruns its record");
    if (static_cast<int64_t>(start) + rest > m_scratch.length)
        return reject(k, "is longer than the work buffer");
    const int32_t end = start + rest - maskLength;
    // Checked before the pixels are allocated: a few bytes must not claim megabytes.
    if (sized) {
        const int64_t data = type == 'j' ? end - kHeaderSize : rest;
        const int64_t perByte = type == 'j' ? kJpegPixelsPerByte : kRlePixelsPerByte;
        if (static_cast<int64_t>(w) * h > data * perByte)
            return reject(k, "has too little data for its size");
    }
    if (!readPayload(start, rest))
        return reject(k, "is truncated");

    ref<Vpicture> pic = new Vpicture;
    if (!pic)
        return;
    pic->m_type = static_cast<char>(type);
    pic->m_width = static_cast<int16_t>(sized ? w : 0);
    pic->m_height = static_cast<int16_t>(sized ? h : 0);
    pic->m_cx = static_cast<int16_t>(hx);
    pic->m_cy = static_cast<int16_t>(hy);
    if (type == 'o') {
        pic->m_opaque = true;
        pic->m_type = 'r';
    }
    if (sized) {
        pic->m_pixels = V::allocInt(w * h);
        if (pic->m_pixels.empty())
            return reject(k, "does not fit in memory");
    }

    if (type == 'j') {
        pic->m_opaque = maskLength == 0;
        if (end <= kHeaderSize)
            return reject(k, "has no JPEG data");
        int8_t* frame = m_scratch.a + kFrameSizeAt;
        frame[0] = static_cast<int8_t>(h >> 8);
        frame[1] = static_cast<int8_t>(h);
        frame[2] = static_cast<int8_t>(w >> 8);
        frame[3] = static_cast<int8_t>(w);
        if (!m_display || !m_display->getImage(m_scratch, 0, end, w, h, pic->m_pixels, 0))
            return reject(k, "has JPEG data that cannot be decoded");
        if (maskLength > 0) {
            // Runs of 1..16 pixels (high nibble, 0 meaning 16) at alpha a (low nibble).
            uint32_t* px = reinterpret_cast<uint32_t*>(pic->m_pixels.a);
            const uint8_t* mask = reinterpret_cast<const uint8_t*>(m_scratch.a);
            const int32_t count = w * h;
            int32_t i = 0;
            for (int32_t at = end; at < start + rest && i < count; at++) {
                const int32_t run = (mask[at] >> 4) == 0 ? 16 : mask[at] >> 4;
                const uint32_t a = mask[at] & 15;
                for (int32_t j = 0; j < run && i < count; j++, i++) {
                    const uint32_t rem = static_cast<uint32_t>(run - 1 - j) << 24;
                    const uint32_t p = px[i];
                    if (a == 0) {
                        px[i] = rem;
                    } else if (a == 15) {
                        px[i] = 0xF0000000u | rem | (p & 0xFFFFFF);
                    } else {
                        const uint32_t rb = ((a * (p & 0xFF00FF)) >> 4) & 0xFF00FF;
                        const uint32_t g = ((a * (p & 0xFF00)) >> 4) & 0xFF00;
                        px[i] = rb | g | (a << 28) | rem;
                    }
                }
            }
        }
    } else if (pic->m_type == 'r') {
        pic->drawRle(m_scratch, start, start + rest);
    }
    m_pictures[k] = pic;
}

int32_t Vilib::lookup(const ref<String>& name)
{
    for (int32_t k = 0; k < m_count; k++)
        if (m_names[k] && m_names[k]->equals(name))
            return k;
    return -1;
}

ref<Vpicture> Vilib::loadPicture(int32_t i)
{
    if (i < 0 || i >= m_count) {
        std::printf("Image library %s: there is no picture %d\n", m_name ? m_name->c_str() : "", i);
        return nullptr;
    }
    if (!m_pictures[i] && !m_failed[i])
        readPicture(i);
    ref<Vpicture> pic = m_pictures[i];
    if (pic)
        pic->m_used = true;
    return pic;
}

bool Vilib::drawPicture(int32_t i, const Array<int32_t>& pixels, int32_t width, int32_t height,
                        int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t sx, int32_t sy,
                        int32_t scale, int32_t z, int32_t alpha)
{
    ref<Vpicture> pic = loadPicture(i);
    return pic && pic->draw(pixels, width, height, x0, y0, x1, y1, sx, sy, scale, z, alpha);
}

void Vilib::preload(int32_t a, int32_t b)
{
    for (int32_t i = std::max(a, 0); i <= b && i < m_count && !m_lowMemory; i++)
        loadPicture(i);
}

void Vilib::freePicture(int32_t i)
{
    if (i >= 0 && i < m_count)
        m_pictures[i] = nullptr;
}

void Vilib::deletePicture(int32_t i)
{
    if (i < 0 || i >= m_count || !m_pictures[i])
        return;
    Vpicture* pic = m_pictures[i].get();
    V::m_avail += pic->m_pixels.length * 4;
    pic->m_pixels = Array<int32_t>();
    m_pictures[i] = nullptr;
}

void Vilib::unload(int32_t a, int32_t b)
{
    for (int32_t i = std::max(a, 0); i <= b && i < m_count; i++)
        deletePicture(i);
}

bool Vilib::free(int32_t bytes)
{
    m_lowMemory = true;
    const int32_t n = m_count;
    if (n <= 0)
        return false;
    int32_t k = m_clock >= 0 && m_clock < n ? m_clock : 0;
    // Second chance: a picture used since the last sweep loses its mark and
    // stays; one that was not is evicted.
    for (int32_t tries = 0; tries < 2 * n; tries++) {
        Vpicture* pic = m_pictures[k].get();
        if (pic && k != 0) {
            if (pic->m_used) {
                pic->m_used = false;
            } else if (pic->m_pixels.length > 0) {
                int32_t released = pic->m_pixels.length * 4;
                bytes -= released;
                V::m_avail += released;
                pic->m_pixels = Array<int32_t>();
                m_pictures[k] = nullptr;
                if (bytes <= 0) {
                    m_clock = k;
                    return true;
                }
            }
        }
        k = k + 1 == n ? 0 : k + 1;
    }
    m_clock = k;
    return false;
}

void Vilib::close()
{
    if (m_stream)
        m_stream->close();
    m_stream = nullptr;
    m_page = -1;
}
