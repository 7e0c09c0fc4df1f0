#pragma once
#include <cstdint>

#include "runtime/Object.h"
#include "runtime/String.h"
#include "runtime/ref.h"

// Growable text, always NUL-terminated. Starts with room for 10 characters and
// grows to exactly what the next append needs plus 10.
class StringBuffer : public Object {
public:
    StringBuffer();
    ~StringBuffer() override;

    StringBuffer* append(const ref<String>& s);
    StringBuffer* append(const char* s);
    StringBuffer* append(char c);
    // Decimal digits of n (with a leading '-' when negative).
    StringBuffer* appendInt(int32_t n);
    ref<String> toString() const;

    int32_t length() const { return m_length; }
    char charAt(int32_t i) const { return m_chars[i]; }
    void setCharAt(int32_t i, char c) { m_chars[i] = c; }
    const char* c_str() const { return m_chars ? m_chars : ""; }
    // Drops the text, keeping the storage.
    void clear();

    int32_t m_capacity = 0;
    int32_t m_length = 0;
    char* m_chars = nullptr;

private:
    bool grow(int32_t capacity);
};

// The text operator: a buffer built from the left operand, appended with the
// right one, turned into a new owned string.
ref<String> operator+(const ref<String>& a, const ref<String>& b);
ref<String> operator+(const ref<String>& a, char c);
