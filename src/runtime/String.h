#pragma once
#include <cstdint>

#include "runtime/Object.h"
#include "runtime/ref.h"

// Immutable 8-bit text. Literals are interned: the same text always yields the
// same object, which lives for the whole run (sound names rely on identity).
class String : public Object {
public:
    ~String() override;

    // The interned string for s; s must live for the whole run (a literal).
    static ref<String> intern(const char* s);
    // A new owned string holding a copy of the first n bytes of s.
    static ref<String> copyOf(const char* s, int32_t n);
    static ref<String> copyOf(const char* s);

    // The characters from begin to the end, as a new owned string.
    virtual ref<String> substring(int32_t begin);

    int32_t length() const;
    char charAt(int32_t i) const { return m_str[i]; }
    const char* c_str() const { return m_str; }
    // Same object, or the same bytes up to the terminator.
    bool equals(const String* other) const;
    bool equals(const ref<String>& other) const { return equals(other.get()); }

    const char* m_str = nullptr;
    bool m_owned = false;
    String* m_next = nullptr; // chain of interned strings

    // Head of the interned chain; it only grows.
    static String* m_all;
};

// "text"_s is the interned String of a literal.
inline ref<String> operator""_s(const char* s, std::size_t)
{
    return String::intern(s);
}
