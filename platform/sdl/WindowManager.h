#pragma once

// Whether a window manager runs on the desktop the window is shown on. SDL's
// full screen asks the window manager for it; on an X server without one the
// request goes nowhere while SDL already reports the display's size, so the
// game is laid out for a screen larger than its window and shown cropped.
// The host then makes full screen itself (a borderless window over the
// display). Main thread.
class WindowManager {
public:
    // KORVATH_WINDOW_MANAGER=0 or 1 says so outright (for tests, or a desktop
    // the check gets wrong). Otherwise on X11 (videoDriver "x11") the root
    // window must name a live manager (_NET_SUPPORTING_WM_CHECK, which every
    // current X window manager sets); every other video driver has its own
    // full screen, so there the answer is yes.
    static bool running(const char* videoDriver);

private:
    // The X server's answer; true where it cannot be asked (built without
    // XCB, or no connection), so SDL's own full screen is kept.
    static bool onX11();
};
