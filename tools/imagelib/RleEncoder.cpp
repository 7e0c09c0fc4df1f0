#include "RleEncoder.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cmath>

namespace {

constexpr int32_t kPalSize = 106;
constexpr int32_t kOpaque = 16;

// How the decoder weights a colour component at each level (in eighths of
// the 5-bit value << 3, i.e. per unit of the 5-bit value): an opaque pixel
// is 8 x c5, level 1 is c5, levels 0 and 2 are 2 x c5, 3 and 4 are 4 x c5,
// 5 and up are 4 x c5 + 2 x c5.
int32_t weight(int32_t level)
{
    if (level == kOpaque)
        return 8;
    if (level == 1)
        return 1;
    if (level <= 2)
        return 2;
    if (level <= 4)
        return 4;
    return 6;
}

} // namespace

RleEncoder::RleEncoder(int32_t count) : m_decoded(static_cast<size_t>(count)) {}

std::vector<uint8_t> RleEncoder::encode(int32_t w, int32_t h, const std::vector<uint32_t>& argb,
                                        bool opaque, std::vector<uint32_t>* decoded)
{
    int32_t count = w > 0 && h > 0 ? w * h : 0;
    RleEncoder e(count);
    std::vector<uint32_t> px(argb.begin(), argb.begin() + std::min<size_t>(argb.size(), static_cast<size_t>(count)));
    px.resize(static_cast<size_t>(count));
    e.encodePixels(px, opaque);
    if (decoded)
        *decoded = e.m_decoded;
    return e.m_out;
}

uint32_t RleEncoder::weigh(uint32_t v, int32_t level)
{
    uint32_t r = (v >> 19) & 31, g = (v >> 11) & 31, b = (v >> 3) & 31;
    uint32_t m = static_cast<uint32_t>(weight(level));
    return (r * m << 16) | (g * m << 8) | (b * m);
}

RleEncoder::Choice RleEncoder::score(uint32_t argb, int32_t level, bool withCode)
{
    // Straight alpha of the source; a pixel at level 15 counts as opaque.
    const double alpha = RleEncoder::level(argb) == 15 ? 1.0 : static_cast<double>(argb >> 24) / 255.0;
    const double shown = level >= 15 ? 1.0 : level / 16.0;
    const int32_t m = weight(level);
    Choice c;
    c.level = level;
    c.withCode = withCode;
    for (int shift = 16; shift >= 0; shift -= 8) {
        const double target = static_cast<double>((argb >> shift) & 0xFF) * alpha;
        // The colour that balances the errors over black and over white.
        const double want = target - 127.5 * (alpha - shown);
        const int32_t c5 = std::clamp(static_cast<int32_t>(std::lround(want / m)), 0, 31);
        const double overBlack = m * c5 - target;
        const double overWhite = overBlack + 255.0 * (alpha - shown);
        c.cost += overBlack * overBlack + overWhite * overWhite;
        c.colour |= static_cast<uint32_t>(c5 << 3) << shift;
    }
    return c;
}

void RleEncoder::colour(uint32_t v)
{
    for (int32_t j = 0; j < kPalSize; j++)
        if (m_pal[j] == v) {
            m_out.push_back(static_cast<uint8_t>(150 + j));
            return;
        }
    uint32_t v15 = (((v >> 19) & 31) << 10) | (((v >> 11) & 31) << 5) | ((v >> 3) & 31);
    m_out.push_back(static_cast<uint8_t>(v15 >> 8));
    m_out.push_back(static_cast<uint8_t>(v15));
    m_pal[m_next] = v;
    m_next = (m_next + 1) % kPalSize;
}

void RleEncoder::closeRun()
{
    for (int32_t k = m_runStart; k < m_i; k++) {
        uint32_t rem = static_cast<uint32_t>(std::min(m_i - 1 - k, 15));
        uint32_t top = rem == 15 ? 0xFF : 0xF0 | rem;
        m_decoded[static_cast<size_t>(k)] = (m_decoded[static_cast<size_t>(k)] & 0xFFFFFF) | (top << 24);
    }
    m_runStart = m_i;
}

void RleEncoder::opaquePixel(uint32_t v)
{
    colour(v);
    m_decoded[static_cast<size_t>(m_i++)] = 0xF0000000 | v;
}

void RleEncoder::partialPixel(const Choice& c)
{
    if (c.withCode) {
        closeRun();
        m_out.push_back(static_cast<uint8_t>(127 + c.level));
        m_level = c.level;
    }
    colour(c.colour);
    m_decoded[static_cast<size_t>(m_i++)] = (static_cast<uint32_t>(m_level) << 28) | weigh(c.colour, m_level);
    m_runStart = m_i;
}

void RleEncoder::transparentRun(int32_t n, int32_t wanted)
{
    closeRun();
    auto pixels = [&](int32_t t) {
        for (int32_t j = 0; j < t; j++)
            m_decoded[static_cast<size_t>(m_i++)] = static_cast<uint32_t>(std::min(t - 1 - j, 15)) << 24;
    };
    // 134 + e writes (e >> 3) + 16 pixels and sets the level to e & 15: bit 3
    // serves both, so the length's parity must match the level's bit 3.
    while (n >= 16) {
        int32_t t = std::min(n, 47);
        if (((t - 16) & 1) != ((wanted >> 3) & 1)) {
            if (t == 16)
                break;
            t--;
        }
        m_out.push_back(134);
        m_out.push_back(static_cast<uint8_t>(((t - 16) << 3) | (wanted & 7)));
        m_level = wanted;
        pixels(t);
        n -= t;
    }
    while (n > 0) {
        int32_t t = std::min(n, 15);
        m_out.push_back(static_cast<uint8_t>(134 + t));
        pixels(t);
        n -= t;
    }
    m_runStart = m_i;
}

void RleEncoder::choose(const std::vector<uint32_t>& px, std::vector<Decision>& decisions)
{
    // Viterbi over the decoder's level 0..15: best[s] is the least error of
    // the pixels so far that leaves the level at s.
    constexpr double kNever = 1e300;
    constexpr double kCodeByte = 1e-6; // among equal pictures, the shorter stream
    struct Step {
        int8_t from = 0;
        int8_t level = 0; // level the pixel is drawn at, 16 for opaque
        bool withCode = false;
    };
    std::vector<std::array<Step, 16>> back(decisions.size());
    std::array<double, 16> best;
    best.fill(kNever);
    best[0] = 0;
    for (size_t d = 0; d < decisions.size(); d++) {
        const uint32_t p = px[static_cast<size_t>(decisions[d].pixel)];
        const int32_t run = decisions[d].run;
        double cost[17] = {};
        for (int32_t l = 1; l <= 16; l++)
            cost[l] = score(p, l, false).cost;
        std::array<double, 16> next;
        next.fill(kNever);
        auto offer = [&](int32_t from, int32_t to, int32_t shown, bool withCode, double c) {
            if (best[static_cast<size_t>(from)] + c < next[static_cast<size_t>(to)]) {
                next[static_cast<size_t>(to)] = best[static_cast<size_t>(from)] + c;
                back[d][static_cast<size_t>(to)] = {static_cast<int8_t>(from), static_cast<int8_t>(shown), withCode};
            }
        };
        // Levels a run can set on its way: 16 pixels 0..7, 17 or more any.
        const int32_t settable = run >= 17 ? 15 : run == 16 ? 7 : 0;
        for (int32_t s = 0; s < 16; s++) {
            if (best[static_cast<size_t>(s)] >= kNever)
                continue;
            if (run < 0) {
                offer(s, s, 16, false, cost[16]);
            } else {
                if (s > 0)
                    offer(s, s, s, false, cost[s]);
                for (int32_t l = 1; l <= settable; l++)
                    offer(s, l, l, false, cost[l]);
            }
            for (int32_t l = 1; l <= 6; l++)
                offer(s, l, l, true, cost[l] + kCodeByte);
        }
        best = next;
    }
    int32_t s = static_cast<int32_t>(std::min_element(best.begin(), best.end()) - best.begin());
    for (size_t d = decisions.size(); d-- > 0;) {
        const Step& step = back[d][static_cast<size_t>(s)];
        decisions[d].choice = score(px[static_cast<size_t>(decisions[d].pixel)], step.level, step.withCode);
        s = step.from;
    }
}

void RleEncoder::encodePixels(const std::vector<uint32_t>& px, bool opaque)
{
    const int32_t n = static_cast<int32_t>(px.size());
    auto quantised = [](uint32_t argb) {
        uint32_t v = 0;
        for (int shift = 16; shift >= 0; shift -= 8)
            v |= std::min<uint32_t>(31, (((argb >> shift) & 0xFF) + 4) >> 3) << (shift + 3);
        return v;
    };
    auto levelAt = [&](int32_t i) { return opaque ? 15 : level(px[static_cast<size_t>(i)]); };

    std::vector<Decision> decisions;
    for (int32_t i = 0; i < n;) {
        const int32_t lv = levelAt(i);
        if (lv > 0) {
            if (lv < 15)
                decisions.push_back({i, -1, {}});
            i++;
            continue;
        }
        int32_t j = i;
        while (j < n && levelAt(j) == 0)
            j++;
        if (j < n)
            decisions.push_back({j, j - i, {}});
        i = j + 1;
    }
    choose(px, decisions);

    size_t d = 0;
    for (int32_t i = 0; i < n;) {
        const int32_t lv = levelAt(i);
        if (lv == 15) {
            opaquePixel(quantised(px[static_cast<size_t>(i)]));
            i++;
            continue;
        }
        if (lv > 0) {
            const Choice& c = decisions[d++].choice;
            if (c.level == kOpaque)
                opaquePixel(c.colour);
            else
                partialPixel(c);
            i++;
            continue;
        }
        int32_t j = i;
        while (j < n && levelAt(j) == 0)
            j++;
        if (j == n) {
            transparentRun(j - i, m_level);
            break;
        }
        const Choice& c = decisions[d++].choice;
        transparentRun(j - i, c.withCode ? m_level : c.level);
        partialPixel(c);
        i = j + 1;
    }
    closeRun();
    m_out.push_back(134);
}
