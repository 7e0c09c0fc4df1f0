#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/Input.h"

class Viewport;

// The operations the engine needs from the platform it runs on. Each host (the
// desktop window, the headless runner, test fakes) implements them; the engine
// reaches the platform only through this contract and Vdisplay.
//
// Until a host installs itself, a built-in one serves: the steady clock, real
// sleeping, paint requests that return at once and no sound.
class Host {
public:
    virtual ~Host() = default;

    // Game thread, from Viewport::render when the frame's dirty list is not
    // empty: show those rectangles of vp's pixel buffer. Returns once they are
    // on screen, when the bounded wait gives up, or at once while rotating.
    virtual void redrawAll(Viewport& vp) = 0;
    // Game thread, from fades and wipes: show one rectangle (x1, y1 exclusive)
    // of vp's pixel buffer, with the same waiting rule.
    virtual void redraw(Viewport& vp, int32_t x0, int32_t y0, int32_t x1, int32_t y1) = 0;
    // Any thread: milliseconds of a steady clock, kept in 32 bits; only
    // differences are meaningful.
    virtual int32_t nowMs() = 0;
    // Game thread: sleep for ms milliseconds (the headless host advances its
    // virtual clock instead).
    virtual void sleepMs(int32_t ms) = 0;
    // Game thread, from Vdisplay::audio on the first use of a sound name:
    // load the sound file at path; an identifier >= 0, or -1 when it cannot be
    // loaded.
    virtual int32_t loadSound(const char* path) = 0;
    // Game thread: play a loaded sound once.
    virtual void playSound(int32_t id) = 0;
    // Game thread, from Vdisplay::loop: play a loaded sound over and over,
    // without a seam, at volume percent (0..100) of the loudness of its kind
    // (music or effect, as the option sets it). A loop never gives way to
    // one-shot sounds. A handle >= 0 for the two calls below, or -1 when no
    // loop was started (the default: a host without sound).
    virtual int32_t loopSound(int32_t, int32_t) { return -1; }
    // Game thread, any time while the loop plays: its new volume, reached
    // over a few ms so that the change does not click.
    virtual void setLoopVolume(int32_t, int32_t) {}
    // Game thread: the loop fades out within a few ms and ends; its handle
    // means nothing from now on (a handle that means nothing is ignored).
    virtual void stopLoop(int32_t) {}
    // Game thread, once a frame: the length of a frame in microseconds, the
    // pace the game keeps (0: as fast as it can). The display's refresh on
    // the desktop; by default the 64 ms of the phone the game was made for.
    virtual int32_t frameUs() { return kPhoneFrameUs; }

    static constexpr int32_t kPhoneFrameUs = 64000;

    // ---- the player's options that the platform carries out ----

    // The window as the options page shows it: full screen or not, its whole
    // scale and the largest that fits the desktop (0: no window).
    struct Window {
        bool fullscreen = false;
        int32_t scale = 0;
        int32_t maxScale = 0;
    };
    // Game thread, from the options page: the window now. Without a window
    // the defaults (scale 0).
    virtual Window windowState() const { return {}; }
    // Game thread, from the options page: full screen on or off, another
    // whole scale. The host applies them between frames and keeps them with
    // the window's other settings; ignored without a window.
    virtual void setFullscreen(bool) {}
    virtual void setScale(int32_t) {}
    // Game thread, when the options are read and changed: the loudness of
    // the sound effects and of the music, 0..100 percent.
    virtual void setVolumes(int32_t, int32_t) {}
    // Game thread, likewise: frames a second at most, 0 for the host's own
    // default. A pace given on the command line wins over it.
    virtual void setFrameRate(int32_t) {}
    // Game thread, when the player asks for a screenshot, after a frame was
    // shown: saves what vp shows, at the size the player sees it, as a PNG
    // picture in the player's pictures folder. The file's path, or an empty
    // string (with a line on stderr) when nothing could be saved.
    virtual std::string saveScreenshot(const Viewport&) { return {}; }

    // ---- the player's files ----

    // The game thread, or any thread that stores (the desktop's main thread
    // for the window settings, a host's start-up moving old files): after a
    // player's file was written, renamed or removed through Vdisplay, once
    // the change is complete on the host's file system. A host whose file
    // system does not last (a browser page's) copies it to storage that does;
    // the desktop and the headless host keep files where they are written
    // and do nothing. Called once per change, never for a failed one.
    virtual void stored() {}

    // Game thread, from Vdisplay::audio: the sounds this host was asked to
    // load, by name, with the identifier it gave (-1: it could not load it).
    // The cache belongs to the host, so an identifier never outlives the host
    // that gave it. cachedSound is false for a name never asked for.
    bool cachedSound(const char* name, int32_t& id) const;
    void cacheSound(const char* name, int32_t id);

    // What the player does: the host side feeds it, the game reads it.
    Input& input() { return m_input; }
    // What the game reads (Viewport::input): the input above, or while a
    // battle is recorded or replayed, the frame's copy the game installed
    // (setGameInput; null goes back to the input above). Game thread only.
    Input& gameInput() { return m_gameInput ? *m_gameInput : m_input; }
    void setGameInput(Input* in) { m_gameInput = in; }

    // The host in charge; install(nullptr) restores the built-in one.
    static Host& current();
    static void install(Host* host);

private:
    std::vector<std::pair<std::string, int32_t>> m_sounds;
    Input m_input;
    Input* m_gameInput = nullptr;
};
