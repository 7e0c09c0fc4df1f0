#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Writes the pieces of an uncompressed SWF file: bit fields (most significant
// bit first), little-endian words, rectangles, tag headers and the records of
// a shape's outline. Coordinates are twips.
class SwfWriter {
public:
    void bits(uint32_t value, int32_t n);
    void sbits(int32_t value, int32_t n);
    // Pads the pending bits to a whole byte.
    void align();
    void u8(uint32_t v);
    void u16(uint32_t v);
    void u32(uint32_t v);
    void rect(int32_t xMin, int32_t xMax, int32_t yMin, int32_t yMax);
    // A whole tag: the header (long form when the body needs it) and body.
    void tag(int32_t code, const std::vector<uint8_t>& body, bool longHeader = false);
    const std::vector<uint8_t>& bytes() const { return m_out; }

    // Bits a signed field needs to hold v.
    static int32_t signedBits(int32_t v);

    // Shape records: each outline starts with a move and its two fill
    // styles, then edges, all relative to the pen.
    void moveTo(int32_t x, int32_t y, int32_t fill0, int32_t fill1, int32_t fillBits);
    void lineBy(int32_t dx, int32_t dy);
    void curveBy(int32_t cdx, int32_t cdy, int32_t adx, int32_t ady);
    void endShape();

    // The file: signature "FWS", version, length, frame rectangle (0, 0) to
    // (w, h), frame rate and count, then the tags.
    static std::vector<uint8_t> file(int32_t version, int32_t w, int32_t h, const std::vector<uint8_t>& tags);

private:
    std::vector<uint8_t> m_out;
    uint32_t m_acc = 0;
    int32_t m_pending = 0;
};
