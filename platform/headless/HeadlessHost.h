#pragma once
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "HeadlessScript.h"
#include "HostFrame.h"
#include "HostOptions.h"

// The host without a window: the null implementation of the platform, on
// which the whole game runs for tests, benchmarks and screenshots.
//
// Its clock is virtual and advances by exactly what the game sleeps for, so a
// run does not depend on the speed of the machine or on thread timing: the
// script's input is applied from inside sleepMs, on the game thread, when the
// clock passes each command's time; paints are served at once on the game
// thread into the host's own copy of the screen, which shots write as PNG.
// The main thread only starts the game and, at the end time, stops it.
class HeadlessHost : public HostFrame {
public:
    ~HeadlessHost() override;

    // The whole run with these options: reads the script, runs the game until
    // the end time (or until it ends by itself) and stops it. Returns the exit
    // status: 0, 2 for a bad script or sound log, 1 when a shot could not be
    // written.
    int32_t run(const HostOptions& options, RootFactory makeRoot);
    // From now on SIGINT, SIGTERM and SIGHUP end a run as its end time does
    // (with the status 128 + the signal), so that its scratch folder and its
    // logs are not left behind.
    static void catchSignals();

    // Game thread (and any thread for nowMs).
    int32_t nowMs() override { return m_clock.load(); }
    // Advances the clock by ms, applies the script commands now due, and at
    // the end time holds the game until the main thread has stopped it.
    void sleepMs(int32_t ms) override;
    // An identifier when the file can be read, else -1.
    int32_t loadSound(const char* path) override;
    // Writes "<ms> <name>" to the sound log, if there is one.
    void playSound(int32_t id) override;
    // A loop writes "<ms> loop:<name>:<volume>" as it starts,
    // "<ms> volume:<name>:<volume>" for each change of its volume and
    // "<ms> stop:<name>" as it ends: one word after the time, as a one-shot's.
    int32_t loopSound(int32_t id, int32_t volume) override;
    void setLoopVolume(int32_t loop, int32_t volume) override;
    void stopLoop(int32_t loop) override;
    // --fps, 60 frames a second by default.
    int32_t frameUs() override { return m_frameUs; }

    static constexpr int32_t kDefaultFrameUs = 16667;

    // The host's copy of what is on screen: 0x00RRGGBB words.
    const std::vector<uint32_t>& frame() const { return m_frame; }
    int32_t frameWidth() const { return m_frameW; }
    int32_t frameHeight() const { return m_frameH; }

protected:
    // There is no other thread to hand the paint to: serve it right here.
    void queuePaint() override { servePaint(); }
    void show(const Viewport& vp, const int32_t* rects, int32_t n) override;

private:
    void applyDue(V3dView& vp);
    void apply(const HeadlessScript::Event& e, V3dView& vp);
    bool writeShot(const std::string& path);
    // The frames of --shots-every due by now.
    void shotsDue();
    // Appends "MS RESIDENT_KIB PEAK_KIB" to the memory log, and " HEAP_KIB"
    // under a sanitizer.
    void logMemory();
    int32_t elapsedMs() const { return static_cast<int32_t>(m_elapsed); }

    HeadlessScript m_script;
    std::size_t m_next = 0; // first script command not yet applied
    std::atomic<int32_t> m_clock{1};
    int64_t m_elapsed = 0; // virtual ms since the start (game thread)
    int64_t m_until = 600000;
    int32_t m_frameUs = kDefaultFrameUs;
    std::atomic<bool> m_untilReached{false};
    std::vector<uint32_t> m_frame;
    int32_t m_frameW = 0;
    int32_t m_frameH = 0;
    bool m_shotFailed = false;
    std::vector<std::string> m_soundNames;
    // Each loop started, by handle: its sound and volume; -1 once stopped.
    struct Loop {
        int32_t sound = -1;
        int32_t volume = -1;
    };
    std::vector<Loop> m_loops;
    void logSound(const char* what, int32_t sound, int32_t volume);
    std::FILE* m_soundLog = nullptr;
    int m_soundLogFailed = 0; // errno of the first write to a log that failed
    int m_memoryLogFailed = 0;
    std::FILE* m_memoryLog = nullptr;
    int64_t m_nextMemoryMs = 0; // game time of the next memory line
    int64_t m_shotsEvery = 0;   // --shots-every; 0: none
    int64_t m_nextShotMs = 0;   // game time of the next of those frames
};
