#include "scene/Vilib.h"

#include <algorithm>
#include <cstdio>

namespace {

// The shared JPEG header at the start of the work buffer, and where its
// start-of-frame segment keeps the height and width.
constexpr int32_t kHeaderSize = 623;
constexpr int32_t kFrameSizeAt = 163;
// Bounds beyond which a directory or record is taken as damaged.
constexpr int32_t kMaxPictures = 65535;
constexpr int32_t kMaxScratch = 1 << 24;
constexpr int32_t kMaxSide = 32767;
constexpr int64_t kMaxPixels = 1 << 24;
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
    close();
    m_name = name;
    m_pages = new VilibPages(name);
    m_reader = new ByteReader;
    m_clock = 0;
    m_lowMemory = false;
    m_scratch = Array<int8_t>();
    m_length = 0;
    clearDirectory();
    const char* label = name ? name->c_str() : "";
    if (!m_pages->openPage(0)) {
        std::fprintf(stderr, "Could not open image library %s\n",
                     InputStream::displayPath(m_pages->pageName(0)->c_str()).c_str());
        return;
    }
    m_reader->open(m_pages, 0);
    const int32_t length = m_length = m_pages->measure();
    const int32_t n = m_reader->varint();
    const int32_t m = m_reader->varint();
    // Every directory entry takes at least two bytes of what the pages hold.
    if (m_reader->ranOut() || n > kMaxPictures || n > (length - m_reader->position()) / 2 || m > kMaxScratch) {
        std::fprintf(stderr, "Image library %s: bad directory\n", label);
        return;
    }
    if (!readDirectory(n, label))
        return;
    int32_t largest = 0;
    for (int32_t k = 1; k <= n; k++) {
        // Only records that the pages really hold can ever need the work buffer.
        if (m_offsets[k] <= length)
            largest = std::max(largest, m_offsets[k] - m_offsets[k - 1]);
    }
    if (m > 0)
        m_scratch = V::allocByte(std::min(m, kHeaderSize + largest));
    m_count = n;
    // Picture 0 brings the shared JPEG header into the work buffer.
    if (n > 0)
        readPicture(0);
}

bool Vilib::readDirectory(int32_t n, const char* label)
{
    m_names = Array<ref<String>>(n);
    m_pictures = Array<ref<Vpicture>>(n);
    m_offsets = Array<int32_t>(n + 1);
    m_failed = Array<int8_t>(n);
    if (n > 0 && (m_names.empty() || m_pictures.empty() || m_failed.empty() || m_offsets.empty())) {
        clearDirectory();
        return false;
    }
    int8_t text[256];
    for (int32_t k = 1; k <= n; k++) {
        m_offsets[k] = m_reader->varint(); // the size of record k - 1, for now
        const int32_t len = m_reader->u8();
        m_reader->read(text, len);
        if (m_reader->ranOut()) {
            std::fprintf(stderr, "Image library %s: the directory runs past the end of the file\n", label);
            clearDirectory();
            return false;
        }
        m_names[k - 1] = String::copyOf(reinterpret_cast<const char*>(text), len);
    }
    // Records follow the directory without gaps: the sizes become offsets.
    int64_t at = m_reader->position();
    m_offsets[0] = static_cast<int32_t>(at);
    for (int32_t k = 1; k <= n; k++) {
        at += m_offsets[k];
        if (at > INT32_MAX) {
            std::fprintf(stderr, "Image library %s: bad directory\n", label);
            clearDirectory();
            return false;
        }
        m_offsets[k] = static_cast<int32_t>(at);
    }
    return true;
}

int32_t Vilib::missingPage()
{
    // An empty first page is as good as none; a damaged directory is not a
    // missing page.
    if (m_count == 0)
        return m_length > 0 ? -1 : 0;
    // measure stopped at the first page that is short or missing.
    return m_offsets[m_count] > m_length ? m_length >> VilibPages::kPageShift : -1;
}

void Vilib::seek(int32_t p)
{
    if (p < 0 || !m_pages)
        return;
    const int64_t at = m_reader->position();
    if (!m_reader->isOpen() || p < at || (p >> VilibPages::kPageShift) != (at >> VilibPages::kPageShift)) {
        const int32_t page = p >> VilibPages::kPageShift;
        m_pages->openPage(page);
        m_reader->open(m_pages, static_cast<int64_t>(page) << VilibPages::kPageShift);
    }
    m_reader->skip(p - m_reader->position());
}

void Vilib::reject(int32_t k, const char* why)
{
    if (!m_failed[k])
        std::fprintf(stderr, "Image library %s: picture %d %s\n", m_name ? m_name->c_str() : "", k, why);
    m_failed[k] = 1;
}

const char* Vilib::readRecord(int32_t k, Record& r)
{
    const int32_t recordStart = m_offsets[k], recordEnd = m_offsets[k + 1];
    if (recordEnd > m_length)
        return "is truncated";
    seek(recordStart);
    if (m_reader->position() != recordStart || recordEnd < recordStart)
        return "lies beyond the end of the library";
    ByteReader& in = *m_reader;
    r.type = in.varint();
    r.width = in.varint();
    r.height = in.varint();
    r.hotX = in.varint();
    r.hotY = in.varint();
    if (in.ranOut())
        return "is truncated";
    const bool image = r.type == 'j' || r.type == 'r' || r.type == 'o';
    r.sized = r.width > 0 && r.height > 0 && r.width <= kMaxSide && r.height <= kMaxSide &&
              static_cast<int64_t>(r.width) * r.height <= kMaxPixels && r.hotX <= kMaxSide && r.hotY <= kMaxSide;
    if (image && !r.sized)
        return "has an impossible size";
    r.start = k == 0 ? 0 : kHeaderSize;
    if (r.type == 'j') {
        r.maskLength = in.varint();
        if (in.ranOut())
            return "is truncated";
    }
    r.rest = recordEnd - static_cast<int32_t>(in.position());
    if (r.rest < 0 || r.maskLength > r.rest)
        return "overruns its record";
    if (static_cast<int64_t>(r.start) + r.rest > m_scratch.length)
        return "is longer than the work buffer";
    r.end = r.start + r.rest - r.maskLength;
    // Checked before the pixels are allocated: a few bytes must not claim megabytes.
    if (r.sized) {
        const int64_t data = r.type == 'j' ? r.end - kHeaderSize : r.rest;
        const int64_t perByte = r.type == 'j' ? kJpegPixelsPerByte : kRlePixelsPerByte;
        if (static_cast<int64_t>(r.width) * r.height > data * perByte)
            return "has too little data for its size";
    }
    // A record may go on in the next page; the reader follows it there.
    if (!in.read(m_scratch.a + r.start, r.rest))
        return "is truncated";
    return nullptr;
}

void Vilib::readPicture(int32_t k)
{
    if (k < 0 || k >= m_count)
        return;
    ref<Vpicture> pic = new Vpicture;
    if (!pic)
        return;
    if (const char* why = decode(k, *pic))
        return reject(k, why);
    m_pictures[k] = pic;
}

bool Vilib::decodeInto(int32_t i, Vpicture& pic)
{
    if (i < 0 || i >= m_count || m_failed[i])
        return false;
    if (const char* why = decode(i, pic)) {
        reject(i, why);
        return false;
    }
    return true;
}

const char* Vilib::decode(int32_t k, Vpicture& pic)
{
    Record r;
    if (const char* why = readRecord(k, r))
        return why;
    pic.m_type = static_cast<char>(r.type);
    pic.m_width = static_cast<int16_t>(r.sized ? r.width : 0);
    pic.m_height = static_cast<int16_t>(r.sized ? r.height : 0);
    pic.m_cx = static_cast<int16_t>(r.hotX);
    pic.m_cy = static_cast<int16_t>(r.hotY);
    pic.m_opaque = false;
    if (r.type == 'o') {
        pic.m_opaque = true;
        pic.m_type = 'r';
    }
    if (!r.sized) {
        pic.m_pixels = Array<int32_t>();
    } else if (pic.m_pixels.length != r.width * r.height) {
        pic.m_pixels = Array<int32_t>();
        pic.m_pixels = V::allocInt(r.width * r.height);
        if (pic.m_pixels.empty())
            return "does not fit in memory";
    } else if (pic.m_type == 'r') {
        // A stream that ends early leaves the rest as it was: a reused buffer starts clear.
        std::fill(pic.m_pixels.a, pic.m_pixels.a + pic.m_pixels.length, 0);
    }
    if (r.type == 'j') {
        pic.m_spans = pic.m_cores = Array<int32_t>(); // a reused picture's runs no longer hold
        return decodeJpeg(pic, r);
    }
    if (pic.m_type == 'r')
        pic.drawRle(m_scratch, r.start, r.start + r.rest);
    return nullptr;
}

const char* Vilib::decodeJpeg(Vpicture& pic, const Record& r)
{
    pic.m_opaque = r.maskLength == 0;
    if (r.end <= kHeaderSize)
        return "has no JPEG data";
    int8_t* frame = m_scratch.a + kFrameSizeAt;
    frame[0] = static_cast<int8_t>(r.height >> 8);
    frame[1] = static_cast<int8_t>(r.height);
    frame[2] = static_cast<int8_t>(r.width >> 8);
    frame[3] = static_cast<int8_t>(r.width);
    if (!m_display || !m_display->getImage(m_scratch, 0, r.end, r.width, r.height, pic.m_pixels, 0))
        return "has JPEG data that cannot be decoded";
    if (r.maskLength > 0)
        applyMask(pic, r.end, r.start + r.rest);
    return nullptr;
}

void Vilib::applyMask(Vpicture& pic, int32_t from, int32_t to)
{
    // Runs of 1..16 pixels (high nibble, 0 meaning 16) at alpha a (low nibble).
    uint32_t* px = reinterpret_cast<uint32_t*>(pic.m_pixels.a);
    const uint8_t* mask = reinterpret_cast<const uint8_t*>(m_scratch.a);
    const int32_t count = pic.m_width * pic.m_height;
    int32_t i = 0;
    for (int32_t at = from; at < to && i < count; at++) {
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
        std::fprintf(stderr, "Image library %s: there is no picture %d\n", m_name ? m_name->c_str() : "", i);
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
    // The directory and the decoded pictures stay; the next record read
    // opens its page again.
    if (m_reader)
        m_reader->close();
}
