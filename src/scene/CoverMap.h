#pragma once
#include <cstdint>
#include <vector>

// Where pictures drawn with a depth are hidden for certain: for each group of
// kGroup pixels on a row of the target, the depth of the nearest picture
// whose fully opaque pixels cover the whole group (255 where none does). A
// farther picture's pixels in such a group are drawn over in full by the
// nearer one whatever they are, so a drawing can pass them by.
class CoverMap {
public:
    static constexpr int32_t kShift = 3;
    static constexpr int32_t kGroup = 1 << kShift;

    // A map for a target of width x height pixels; its rows are cleared by
    // clearRows before use.
    void resize(int32_t width, int32_t height);
    void clearRows(int32_t y0, int32_t y1);
    // Pixels [x0, x1) of row y are covered at depth z: the groups wholly
    // inside take it where they had none nearer.
    void cover(int32_t y, int32_t x0, int32_t x1, uint8_t z);
    // Row y's groups (first group: pixels 0 .. kGroup - 1).
    const uint8_t* row(int32_t y) const { return m_depths.data() + static_cast<std::size_t>(y) * m_groups; }

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }

private:
    std::vector<uint8_t> m_depths;
    int32_t m_width = 0, m_height = 0, m_groups = 0;
};
