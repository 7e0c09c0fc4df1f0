#pragma once
#include <cstdint>

#include "runtime/Array.h"
#include "runtime/ref.h"
#include "scene/Vsprite.h"

class Vilib;

// A filled vector drawing kept in rasterised edge form: for every pixel row, a
// sorted list of the places where region boundaries cross it, each crossing
// carrying the fill style to its right. Any point can then be asked for its
// style, colour or texture, in constant time on average.
//
// A crossing is one word: x in 1/16 pixel at the top of the row (bits 0-12),
// the style (bits 13-18) and the signed change of x across the row (bits
// 19-31, -4096..4095). All rows share one array; its free slots form a single
// gap that sits at the end of the row before m_gapRow and travels to wherever
// the next crossing goes, so drawing boundaries row after row moves little.
// Points are 17.15 fixed polygon pixels; lookups wrap at the polygon's size.
class Vpolyn : public Vsprite {
public:
    Vpolyn();
    ~Vpolyn() override;

    // Paints the polygon scaled by the draw scale, each run in the colour of
    // its style (colour 0 leaves the target alone), edge pixels blended.
    void draw(const Array<int32_t>& pixels, int32_t width, int32_t height, int32_t x0, int32_t y0,
              int32_t x1, int32_t y1) override;
    void setWidthHeight(int32_t w, int32_t h) override;

    // The index of colour c, added to the table when new. A full table
    // answers 0 (the background) and says so once.
    virtual int32_t addColor(int32_t c);
    // Inserts one crossing into row; first marks the first row of a segment.
    virtual void addEdge(int32_t x, int32_t row, int32_t xNext, int32_t style, int32_t otherStyle,
                         bool first);
    // Closes the gap behind the last row; the number of crossings.
    virtual int32_t finish();
    virtual int32_t getRgb(int32_t x, int32_t y);
    // Empties the polygon: width x height pixels, room for maxEdges
    // crossings (it grows as needed), a table of ncolors colours.
    virtual void init(int32_t width, int32_t height, int32_t maxEdges, int32_t ncolors);
    // Adds the crossings of a boundary from (x0, y0) to (x1, y1); leftStyle
    // and rightStyle are the fill styles on its two sides.
    virtual void line(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t leftStyle,
                      int32_t rightStyle);
    virtual void setColor(int32_t i, int32_t c);
    virtual void setNcolors(int32_t n);
    virtual void setTexture(int32_t i, const ref<Vilib>& lib, int32_t picture);

    // The style at a point, answered from the one-span cache when the point
    // lies in the span of the last lookup.
    int32_t getXy2(int32_t x, int32_t y)
    {
        x = wrap(x, m_widthFix);
        y = wrap(y, m_heightFix);
        int32_t xq = x >> 11;
        if ((y >> 15) == m_spanRow && xq >= m_spanStart && xq < m_spanEnd)
            return m_spanStyle;
        return lookup(x, y);
    }

    // The style grid answers most lookups with a read or two: per polygon
    // pixel one word. A plain word (bits 30-31 clear) is the style of every
    // point of the pixel, when no crossing passes through it. When exactly
    // one does, bit 30 is set, bits 24-29 hold the style left of it and bits
    // 0-23 its index in the crossing table. When more do, the word is
    // negative: kMixedWord with the index (within its row) of the first
    // crossing that reaches the pixel, or -1 when the row is not sorted. It
    // stays valid until the crossings change; copy it into a local for many
    // lookups. A polygon without one (sides not powers of two, or too large)
    // has a grid of a single cell that is always mixed.
    struct Grid {
        const int32_t* words = &kUnsortedWord;
        const int32_t* edges = nullptr;
        int32_t xMask = 0, yMask = 0, width = 0;
        // Every row sorted: the grid and crossedStyle answer every point
        // without the lookup (and without its cache).
        bool exact = false;

        // The style at a point, or kMixed when the grid cannot tell.
        int32_t at(int32_t x, int32_t y) const
        {
            x &= xMask;
            y &= yMask;
            uint32_t cell = (static_cast<uint32_t>(y) >> 15) * static_cast<uint32_t>(width) +
                            (static_cast<uint32_t>(x) >> 15);
            int32_t w = words[cell];
            if (w < kCrossedWord)
                return w < 0 ? kMixed : w;
            // One crossing: the point lies left or right of it.
            int32_t e = edges[w & kEdgeIndex];
            return crossingAt(e, y & 32767) > x ? (w >> 24) & 63 : edgeStyle(e);
        }
    };
    static constexpr int8_t kMixed = -1;
    static constexpr int32_t kCrossedWord = 1 << 30;
    static constexpr int32_t kMixedWord = INT32_MIN;
    static constexpr int32_t kEdgeIndex = (1 << 24) - 1;
    static constexpr int32_t kUnsortedWord = -1;
    // The grid, made on first use after the crossings change.
    Grid grid()
    {
        if (m_gridStale)
            buildGrid();
        return m_grid;
    }
    // The styles a lookup can answer (bit s for style s): 0 and those of
    // the crossings.
    uint64_t styles()
    {
        if (m_gridStale)
            buildGrid();
        return m_styles;
    }
    // Answers as getXy2 does, from the grid where it can.
    int32_t styleAt(int32_t x, int32_t y)
    {
        int32_t style = grid().at(x, y);
        return style >= 0 ? style : crossedStyle(x, y);
    }
    // The style at a point whose pixel crossings pass through, walking
    // only the crossings that reach that pixel.
    int32_t crossedStyle(int32_t x, int32_t y);

    // A point taken into the polygon (size = m_widthFix or m_heightFix).
    static int32_t wrap(int32_t v, int32_t size)
    {
        if ((size & (size - 1)) == 0)
            return v & (size - 1);
        v %= size;
        return v < 0 ? v + size : v;
    }

    // Index one past the last crossing of row (0 <= row < height).
    int32_t rowEnd(int32_t row) const
    {
        int32_t end = m_rowStart.a[row + 1];
        return row + 1 == m_gapRow ? end - m_gapSize : end;
    }
    int32_t edgeCount() const { return m_edgeCapacity - m_gapSize; }

    static int32_t edgeX(int32_t e) { return e & 8191; }
    static int32_t edgeStyle(int32_t e) { return (e >> 13) & 63; }
    static int32_t edgeDx(int32_t e) { return e >> 19; }
    // The crossing's x at the fraction f of its row, in 1/32768 pixel.
    static int32_t crossingAt(int32_t e, int32_t f) { return edgeX(e) * 2048 + ((edgeDx(e) * f) >> 4); }

    Array<int32_t> m_colors;
    int32_t m_ncolors = 0;
    Array<int32_t> m_edges;
    int32_t m_edgeCapacity = 0;
    int32_t m_gapRow = 0;
    int32_t m_gapSize = 0;
    Array<int32_t> m_rowStart;
    Array<int32_t> m_rowCursor;
    int32_t m_widthFix = 0;
    int32_t m_heightFix = 0;
    ref<Vilib> m_textureLib;
    Array<int32_t> m_textures;
    int32_t m_spanStyle = 0;
    int32_t m_spanStart = 0;
    int32_t m_spanEnd = 0;
    int32_t m_spanRow = -1;

    // Crossings beyond this many are dropped: a damaged drawing cannot make
    // the table, or the time spent moving its gap, grow without end.
    static constexpr int32_t kMaxCrossings = 1 << 17;
    static constexpr int32_t kGrowth = 2048;
    // Polygons wider or taller than this have no style grid.
    static constexpr int32_t kMaxGridSide = 1024;

protected:
    // Reported once per drawing, so a damaged file gives one line.
    bool m_warnedColors = false;
    bool m_warnedCrossings = false;
    // The grid's words, one per polygon pixel.
    Array<int32_t> m_gridWords;
    Grid m_grid;
    uint64_t m_styles = 1;
    bool m_gridStale = true;

private:
    int32_t lookup(int32_t x, int32_t y);
    void buildGrid();
    // Moves the gap to the end of row, growing the table when it is empty;
    // false when the crossing cap is reached.
    bool openGapAfter(int32_t row);
};
