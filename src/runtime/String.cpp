#include "runtime/String.h"

#include <cstdlib>
#include <cstring>

String* String::m_all = nullptr;

String::~String()
{
    if (m_owned)
        std::free(const_cast<char*>(m_str));
}

ref<String> String::intern(const char* s)
{
    for (String* p = m_all; p; p = p->m_next)
        if (std::strcmp(p->m_str, s) == 0)
            return ref<String>(p);
    String* str = new String;
    if (!str)
        return nullptr;
    str->m_str = s;
    // The chain keeps its own reference for ever, so interned strings are never freed.
    str->m_refs = 1;
    str->m_next = m_all;
    m_all = str;
    return ref<String>(str);
}

ref<String> String::copyOf(const char* s, int32_t n)
{
    if (n < 0)
        n = 0;
    char* text = static_cast<char*>(std::malloc(static_cast<std::size_t>(n) + 1));
    String* str = text ? new String : nullptr;
    if (!str) {
        std::free(text);
        return nullptr;
    }
    if (n > 0)
        std::memcpy(text, s, static_cast<std::size_t>(n));
    text[n] = 0;
    str->m_str = text;
    str->m_owned = true;
    return ref<String>(str);
}

ref<String> String::copyOf(const char* s)
{
    return copyOf(s, static_cast<int32_t>(std::strlen(s)));
}

ref<String> String::substring(int32_t begin)
{
    int32_t n = length();
    if (begin < 0)
        begin = 0;
    if (begin > n)
        begin = n;
    return copyOf(m_str + begin, n - begin);
}

int32_t String::length() const
{
    return m_str ? static_cast<int32_t>(std::strlen(m_str)) : 0;
}

bool String::equals(const String* other) const
{
    if (other == this)
        return true;
    if (!other || !m_str || !other->m_str)
        return false;
    return std::strcmp(m_str, other->m_str) == 0;
}
