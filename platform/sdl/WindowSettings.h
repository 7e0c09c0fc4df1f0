#pragma once
#include <cstdint>

// The window as the player left it: its logical size, its scale and whether
// it was full screen. Kept between runs in the record "window" (with the
// game's other state), written the same safe way (Vdisplay::storeRecord): four
// 16-bit slots, low byte first. Main thread.
class WindowSettings {
public:
    // Reads the stored settings. False, leaving the fields alone, when there
    // are none, or with one line on stdout when they are damaged.
    bool load();
    bool save() const;

    int32_t m_width = 0; // logical pixels
    int32_t m_height = 0;
    int32_t m_scale = 0;
    bool m_fullscreen = false;

    static constexpr const char* kKey = "window";
};
