#pragma once
#include <cstdint>

#include "math/V.h"
#include "runtime/Array.h"
#include "runtime/ByteReader.h"
#include "runtime/String.h"
#include "runtime/ref.h"
#include "terrain/Vpolyn.h"

// Reads the filled shapes of an uncompressed SWF vector file ("FWS") and draws
// them into a polygon, scaled so that the file's frame spans the polygon's
// width and centred on it, optionally turned by an angle. Only shape tags,
// solid fills and shape edges are interpreted; everything else is skipped.
//
// The file is untrusted: a wrong signature, a truncated file, a tag or shape
// that runs past its end or a style index out of range end in one line on
// standard error and a polygon holding what was read so far.
class Vswf : public V {
public:
    Vswf();
    ~Vswf() override;

    // Squared distance in whole pixels from p to the segment's line, 0 at an
    // end, 2147483647 when the foot lies beyond p1 or the chord is a point.
    virtual int32_t distanceSquaredToLine(int32_t px, int32_t py, int32_t x0, int32_t y0, int32_t x1,
                                          int32_t y1);
    virtual int32_t getByte();
    virtual int32_t getBits(int32_t n);
    virtual int32_t getColor(int32_t version);
    virtual int32_t getDWord();
    virtual void getMatrix();
    virtual void getRect();
    virtual int32_t getSBits(int32_t n);
    virtual int32_t getWord();
    // The next tag's code; 0 or -1 end the file.
    virtual int32_t getTag();
    virtual void initBits();
    virtual void lineTo(int32_t dx, int32_t dy);
    // Empties poly (init) and draws the resource name into it; a line
    // beginning "Could not open " when that fails.
    virtual void make(const ref<Vpolyn>& poly, const ref<String>& name, int32_t width, int32_t height,
                      int32_t maxEdges, int32_t ncolors, int32_t angle);
    virtual bool open(const ref<String>& name, int32_t angle);
    virtual void parseDefineShape(int32_t version);
    // One record of a shape; false at the shape's end.
    virtual bool parseShapeRecord(int32_t version);
    virtual void parseShapeStyle(int32_t version);
    virtual void parseTags();
    virtual void quad(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    virtual void getXy(int32_t n);
    virtual void transformXy(int32_t dx, int32_t dy);

    Array<int32_t> m_styles;
    ref<Vpolyn> m_poly;
    int32_t m_fill0 = 0, m_fill1 = 0;
    int32_t m_fillBits = 0, m_lineBits = 0;
    int32_t m_tagEnd = 0;
    int32_t m_px = 0, m_py = 0;
    // The file while it is read; its position counts the bytes read so far.
    ref<ByteReader> m_reader;
    int32_t m_rect[4] = {0, 0, 0, 0}; // x min, x max, y min, y max, twips
    int32_t m_tx = 0, m_ty = 0;
    int32_t m_a = 0, m_b = 0, m_c = 0, m_d = 0;
    int32_t m_twipX = 0, m_twipY = 0;
    int32_t m_originX = 0, m_originY = 0;
    int32_t m_bits = 0, m_nbits = 0;

private:
    void quadTo(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t depth);
    int32_t style(int32_t index) const;
    // Stops the parse with one line naming the fault.
    void fail(const char* why);
    // Reads up to the end of the current tag.
    void skipTag();
    // The bytes left in the current tag that the file still holds.
    int64_t bytesLeft();

    ref<String> m_name;
    const char* m_error = nullptr; // why open failed, for make's line
    bool m_stopped = false;
};
