#include "scene/VilibPages.h"

#include <algorithm>

#include "runtime/Class_.h"

namespace {
constexpr int32_t kMaxPages = INT32_MAX >> VilibPages::kPageShift;
}

VilibPages::VilibPages(const ref<String>& name) : m_name(name), m_path(new StringBuffer) {}

VilibPages::~VilibPages()
{
    close();
}

ref<String> VilibPages::pageName(int32_t page)
{
    m_path->clear();
    m_path->append('/')->append(m_name)->appendInt(page)->append(".bin");
    return m_path->toString();
}

int32_t VilibPages::measure()
{
    int64_t length = 0;
    for (int32_t page = 0; page < kMaxPages; page++) {
        ref<InputStream> in = m_name ? Class_::getResourceAsStream(pageName(page)) : nullptr;
        const int32_t size = in ? in->available() : 0;
        length += std::min(size, kPageSize);
        if (size < kPageSize)
            break;
    }
    m_length = std::min<int64_t>(length, INT32_MAX);
    return static_cast<int32_t>(m_length);
}

bool VilibPages::openPage(int32_t page)
{
    close();
    m_page = page;
    m_pos = static_cast<int64_t>(page) << kPageShift;
    m_file = m_name && page >= 0 ? Class_::getResourceAsStream(pageName(page)) : nullptr;
    return m_file != nullptr;
}

int32_t VilibPages::read(int8_t* dst, int32_t n)
{
    int32_t got = 0;
    while (got < n && m_file) {
        int64_t room = (static_cast<int64_t>(m_page + 1) << kPageShift) - m_pos;
        if (room <= 0) {
            // The page is used up: the stream goes on in the next one.
            if (!openPage(m_page + 1))
                break;
            room = kPageSize;
        }
        const int32_t part = m_file->read(dst + got, static_cast<int32_t>(std::min<int64_t>(n - got, room)));
        if (part <= 0)
            break; // a short page ends the stream
        got += part;
        m_pos += part;
    }
    return got;
}

int32_t VilibPages::read()
{
    int8_t b = 0;
    return read(&b, 1) == 1 ? b & 0xFF : -1;
}

int32_t VilibPages::available()
{
    return static_cast<int32_t>(std::clamp<int64_t>(m_length - m_pos, 0, INT32_MAX));
}

void VilibPages::close()
{
    if (m_file)
        m_file->close();
    m_file = nullptr;
}
