#pragma once
#include <cstdint>

#include "host/Vdisplay.h"
#include "math/V.h"
#include "runtime/Array.h"
#include "runtime/ByteReader.h"
#include "runtime/String.h"
#include "runtime/ref.h"
#include "scene/VilibPages.h"
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
    // Decodes picture i into pic, into pic's own pixels when they are of its
    // size, and keeps nothing of it: for a picture as big as a screen that its
    // user holds anyway. False (reported once) when it cannot be decoded.
    bool decodeInto(int32_t i, Vpicture& pic);
    virtual int32_t lookup(const ref<String>& name);
    virtual void open(const ref<String>& name);
    virtual void preload(int32_t a, int32_t b);
    virtual void unload(int32_t a, int32_t b);
    // The first page the directory needs that is missing or cut short (its
    // records would lie beyond the bytes the pages hold); -1 when every
    // record is there.
    virtual int32_t missingPage();

    ref<String> m_name;
    // The pages as one stream, and the reader over it: both live as long as
    // the library, the page file itself only until close.
    ref<VilibPages> m_pages;
    ref<ByteReader> m_reader;
    bool m_lowMemory = false;
    int32_t m_clock = 0;
    Array<int8_t> m_scratch;
    int32_t m_count = 0;
    Array<ref<String>> m_names;
    Array<int32_t> m_offsets;
    Array<ref<Vpicture>> m_pictures;
    ref<Vdisplay> m_display;

private:
    // What a picture record says of itself, and where its payload went in
    // the work buffer.
    struct Record {
        int32_t type = 0, width = 0, height = 0, hotX = 0, hotY = 0;
        int32_t maskLength = 0;
        bool sized = false; // an image of a size that can be allocated
        int32_t start = 0;  // payload in m_scratch[start, start + rest)
        int32_t rest = 0;
        int32_t end = 0; // end of the JPEG data (the mask follows it)
    };
    // Reads the directory after the two counts; false (with its line) when
    // it is damaged.
    bool readDirectory(int32_t n, const char* label);
    // Moves the reader to stream position p, opening its page afresh when p
    // lies behind it or in another page: page files are only read forward.
    void seek(int32_t p);
    void readPicture(int32_t k);
    // Reads and decodes record k into pic; why it cannot be, or null.
    const char* decode(int32_t k, Vpicture& pic);
    // Reads record k into r and its payload into the work buffer; why it
    // cannot be decoded, or null.
    const char* readRecord(int32_t k, Record& r);
    // Decodes the JPEG of r into pic and applies its mask; why not, or null.
    const char* decodeJpeg(Vpicture& pic, const Record& r);
    // The alpha mask m_scratch[from, to) over the decoded pixels of pic.
    void applyMask(Vpicture& pic, int32_t from, int32_t to);
    void reject(int32_t k, const char* why);
    void clearDirectory();

    // Pictures that failed to decode: reported once, not read again.
    Array<int8_t> m_failed;
    // The bytes the pages held when the library was opened.
    int32_t m_length = 0;
};
