#pragma once
#include <cstdint>

#include "host/Vdisplay.h"
#include "math/V.h"
#include "runtime/Array.h"
#include "runtime/InputStream.h"
#include "runtime/String.h"
#include "runtime/StringBuffer.h"
#include "runtime/ref.h"
#include "scene/Vpicture.h"

// An image library: the pages name0.bin, name1.bin, ... (32768 bytes each but
// the last) hold a directory of named pictures and one record per picture.
// Pictures are decoded on first use and evicted by a second-chance clock.
class Vilib : public V {
public:
    Vilib(const ref<Vdisplay>& display, const ref<String>& name);
    ~Vilib() override;

    virtual void close();
    virtual void deletePicture(int32_t i);
    virtual bool drawPicture(int32_t i, const Array<int32_t>& pixels, int32_t width, int32_t height,
                             int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t sx, int32_t sy,
                             int32_t scale, int32_t z, int32_t alpha);
    virtual bool free(int32_t bytes);
    virtual void freePicture(int32_t i);
    // The decoded picture i (decoding it now if needed), marked used; null for
    // an index outside the library or a picture that could not be decoded.
    virtual ref<Vpicture> loadPicture(int32_t i);
    virtual int32_t lookup(const ref<String>& name);
    virtual void open(const ref<String>& name);
    virtual void preload(int32_t a, int32_t b);
    virtual int32_t rv();
    virtual void unload(int32_t a, int32_t b);
    // The first page the directory needs that is missing or cut short (its
    // records would lie beyond the bytes the pages hold); -1 when every
    // record is there.
    virtual int32_t missingPage();

    ref<StringBuffer> m_path;
    ref<String> m_name;
    ref<InputStream> m_stream;
    int32_t m_page = -1;
    int32_t m_pos = 0;
    bool m_lowMemory = false;
    int32_t m_clock = 0;
    Array<int8_t> m_scratch;
    int32_t m_count = 0;
    Array<ref<String>> m_names;
    Array<int32_t> m_offsets;
    Array<ref<Vpicture>> m_pictures;
    ref<Vdisplay> m_display;

private:
    // The bytes the pages hold, counted up to the first short or missing page.
    int32_t measure();
    // "/" + name + page + ".bin", built in m_path.
    ref<String> pageName(int32_t page);
    bool openPage(int32_t page);
    void seek(int32_t p);
    void readPicture(int32_t k);
    // One byte at m_pos from the open page, -1 when there is none.
    int32_t readByte();
    // readByte, moving on to the next page once when the open one is used up.
    int32_t readByteAcross();
    // Up to n bytes from the open page; the number read.
    int32_t readBytes(int8_t* dst, int32_t n);
    // n bytes into the work buffer at start, across pages; false when truncated.
    bool readPayload(int32_t start, int32_t n);
    void reject(int32_t k, const char* why);
    void clearDirectory();

    // Pictures that failed to decode: reported once, not read again.
    Array<int8_t> m_failed;
    // The bytes the pages held when the library was opened.
    int32_t m_length = 0;
};
