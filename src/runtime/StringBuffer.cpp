#include "runtime/StringBuffer.h"

#include <cstdlib>
#include <cstring>

StringBuffer::StringBuffer()
{
    m_chars = static_cast<char*>(std::calloc(11, 1));
    if (m_chars)
        m_capacity = 10;
}

StringBuffer::~StringBuffer()
{
    std::free(m_chars);
}

bool StringBuffer::grow(int32_t capacity)
{
    char* chars = static_cast<char*>(std::calloc(static_cast<std::size_t>(capacity) + 1, 1));
    if (!chars)
        return false;
    if (m_chars)
        std::memcpy(chars, m_chars, static_cast<std::size_t>(m_length) + 1);
    std::free(m_chars);
    m_chars = chars;
    m_capacity = capacity;
    return true;
}

StringBuffer* StringBuffer::append(const char* s)
{
    if (!s)
        return this;
    int32_t n = static_cast<int32_t>(std::strlen(s));
    if (m_length + n > m_capacity && !grow(m_length + n + 10))
        return this;
    for (int32_t i = 0; i < n; i++)
        m_chars[m_length++] = s[i];
    m_chars[m_length] = 0;
    return this;
}

StringBuffer* StringBuffer::append(const ref<String>& s)
{
    return s ? append(s->c_str()) : this;
}

StringBuffer* StringBuffer::append(char c)
{
    if (m_length + 1 > m_capacity && !grow(m_length + 11))
        return this;
    m_chars[m_length++] = c;
    m_chars[m_length] = 0;
    return this;
}

StringBuffer* StringBuffer::appendInt(int32_t n)
{
    char digits[12];
    int32_t count = 0;
    // Work on the negative side so that the most negative value has digits too.
    int32_t v = n < 0 ? n : -n;
    do {
        digits[count++] = static_cast<char>('0' - v % 10);
        v /= 10;
    } while (v != 0);
    if (n < 0)
        append('-');
    while (count > 0)
        append(digits[--count]);
    return this;
}

ref<String> StringBuffer::toString() const
{
    return String::copyOf(c_str(), m_length);
}

void StringBuffer::clear()
{
    m_length = 0;
    if (m_chars)
        m_chars[0] = 0;
}

ref<String> operator+(const ref<String>& a, const ref<String>& b)
{
    ref<StringBuffer> sb = new StringBuffer;
    if (!sb)
        return nullptr;
    sb->append(a)->append(b);
    return sb->toString();
}

ref<String> operator+(const ref<String>& a, char c)
{
    ref<StringBuffer> sb = new StringBuffer;
    if (!sb)
        return nullptr;
    sb->append(a)->append(c);
    return sb->toString();
}
