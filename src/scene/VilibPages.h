#pragma once
#include <cstdint>

#include "runtime/InputStream.h"
#include "runtime/String.h"
#include "runtime/StringBuffer.h"
#include "runtime/ref.h"

// The pages name0.bin, name1.bin, ... of an image library read as one
// stream. Every page but the last holds exactly 32768 bytes of it; the
// stream ends at the first page that is shorter or missing, and a page file
// longer than a page is read only that far.
class VilibPages : public InputStream {
public:
    explicit VilibPages(const ref<String>& name);
    ~VilibPages() override;

    // Goes to the first byte of page; false when that page is missing.
    virtual bool openPage(int32_t page);
    int32_t read() override;
    int32_t read(int8_t* dst, int32_t n) override;
    // The bytes from here to the end of the stream, as measure found them.
    int32_t available() override;
    void close() override;
    // Opens each page in turn to count the bytes the stream holds, up to the
    // first short or missing page; available() counts from this.
    virtual int32_t measure();
    // "/" + name + page + ".bin".
    ref<String> pageName(int32_t page);

    static constexpr int32_t kPageShift = 15;
    static constexpr int32_t kPageSize = 1 << kPageShift;

private:
    ref<String> m_name;
    ref<StringBuffer> m_path;
    ref<InputStream> m_file; // the open page
    int32_t m_page = -1;
    int64_t m_pos = 0;    // place in the whole stream
    int64_t m_length = 0; // what measure found
};
