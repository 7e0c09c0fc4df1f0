#include "AlphaMask.h"

#include <algorithm>
#include <cstddef>

std::vector<uint8_t> AlphaMask::encode(const std::vector<uint32_t>& argb)
{
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < argb.size()) {
        int32_t a = level(argb[i]);
        size_t run = 1;
        while (run < 16 && i + run < argb.size() && level(argb[i + run]) == a)
            run++;
        out.push_back(static_cast<uint8_t>(((run & 15) << 4) | static_cast<size_t>(a)));
        i += run;
    }
    return out;
}

std::vector<uint32_t> AlphaMask::bleed(int32_t w, int32_t h, const std::vector<uint32_t>& argb)
{
    const size_t n = static_cast<size_t>(w) * h;
    std::vector<uint32_t> out(n);
    std::vector<uint8_t> known(n);
    std::vector<size_t> front;
    bool any = false;
    for (size_t i = 0; i < n; i++) {
        out[i] = argb[i] & 0xFFFFFF;
        known[i] = level(argb[i]) > 0;
        any = any || known[i];
    }
    if (!any) {
        std::fill(out.begin(), out.end(), 0x808080u);
        return out;
    }
    auto neighbours = [&](size_t i, auto&& visit) {
        int32_t x = static_cast<int32_t>(i % static_cast<size_t>(w)), y = static_cast<int32_t>(i / static_cast<size_t>(w));
        if (x > 0)
            visit(i - 1);
        if (x + 1 < w)
            visit(i + 1);
        if (y > 0)
            visit(i - static_cast<size_t>(w));
        if (y + 1 < h)
            visit(i + static_cast<size_t>(w));
    };
    // Grow the visible area one ring at a time; each new pixel averages the
    // colours of the neighbours already filled.
    std::vector<uint8_t> queued(n);
    for (size_t i = 0; i < n; i++)
        if (!known[i])
            neighbours(i, [&](size_t j) {
                if (known[j] && !queued[i]) {
                    queued[i] = 1;
                    front.push_back(i);
                }
            });
    while (!front.empty()) {
        std::vector<uint32_t> colours(front.size());
        for (size_t f = 0; f < front.size(); f++) {
            uint32_t r = 0, g = 0, b = 0, count = 0;
            neighbours(front[f], [&](size_t j) {
                if (known[j]) {
                    r += (out[j] >> 16) & 0xFF;
                    g += (out[j] >> 8) & 0xFF;
                    b += out[j] & 0xFF;
                    count++;
                }
            });
            colours[f] = ((r / count) << 16) | ((g / count) << 8) | (b / count);
        }
        std::vector<size_t> next;
        for (size_t f = 0; f < front.size(); f++) {
            out[front[f]] = colours[f];
            known[front[f]] = 1;
        }
        for (size_t i : front)
            neighbours(i, [&](size_t j) {
                if (!known[j] && !queued[j]) {
                    queued[j] = 1;
                    next.push_back(j);
                }
            });
        front.swap(next);
    }
    return out;
}
