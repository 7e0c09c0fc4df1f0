#include "HeadlessHost.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "Png.h"

// Under a sanitizer, its count of the bytes the program holds: the live heap,
// without what the sanitizer's allocator keeps mapped around it (quarantine,
// size classes), which resident memory counts too. Absent otherwise.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes() __attribute__((weak));

HeadlessHost::~HeadlessHost()
{
    if (m_soundLog)
        std::fclose(m_soundLog);
    if (m_memoryLog)
        std::fclose(m_memoryLog);
}

namespace {

// The value in KiB of a "Name:   N kB" line of /proc/self/status, or -1.
int64_t statusKib(const char* name)
{
    std::FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    int64_t kib = -1;
    std::size_t n = std::strlen(name);
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, name, n) == 0 && line[n] == ':') {
            kib = std::strtoll(line + n + 1, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return kib;
}

// Closes a log; false, with a line on stderr, when some of it could not be
// written (a full disc): a run whose log is lost has not done its job.
// failed: the errno of a write that failed before, 0 when none did.
bool closeLog(std::FILE* f, const char* what, const std::string& path, int failed)
{
    bool ok = std::fflush(f) == 0 && !std::ferror(f);
    const int err = failed != 0 ? failed : errno;
    ok = std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "korvath: cannot write the %s %s: %s\n", what, path.c_str(),
                     std::strerror(err != 0 ? err : errno));
    return ok;
}

} // namespace

void HeadlessHost::logMemory()
{
    int64_t resident = statusKib("VmRSS");
    // The kernel updates the peak lazily: it can lag the resident size.
    int64_t peak = std::max(statusKib("VmHWM"), resident);
    char heap[32] = "";
    if (__sanitizer_get_current_allocated_bytes)
        std::snprintf(heap, sizeof heap, " %zu", __sanitizer_get_current_allocated_bytes() / 1024);
    if ((std::fprintf(m_memoryLog, "%d %" PRId64 " %" PRId64 "%s\n", elapsedMs(), resident, peak, heap) < 0 ||
         std::fflush(m_memoryLog) != 0) &&
        m_memoryLogFailed == 0)
        m_memoryLogFailed = errno;
}

namespace {

volatile std::sig_atomic_t g_signal = 0;

void onSignal(int sig)
{
    g_signal = sig;
}

} // namespace

void HeadlessHost::catchSignals()
{
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGHUP, onSignal);
}

int32_t HeadlessHost::run(const HostOptions& o, RootFactory makeRoot)
{
    std::string error;
    if (!o.m_script.empty() && !m_script.load(o.m_script, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    if (!o.m_soundLog.empty()) {
        m_soundLog = std::fopen(o.m_soundLog.c_str(), "w");
        if (!m_soundLog) {
            std::fprintf(stderr, "korvath: cannot write the sound log %s: %s\n", o.m_soundLog.c_str(),
                         std::strerror(errno));
            return 2;
        }
        // A line at a time: a soak that is cut short still shows the shots it heard.
        std::setvbuf(m_soundLog, nullptr, _IOLBF, BUFSIZ);
    }
    if (!o.m_memoryLog.empty()) {
        m_memoryLog = std::fopen(o.m_memoryLog.c_str(), "w");
        if (!m_memoryLog) {
            std::fprintf(stderr, "korvath: cannot write the memory log %s: %s\n", o.m_memoryLog.c_str(),
                         std::strerror(errno));
            return 2;
        }
    }
    m_soundLogFailed = 0;
    m_memoryLogFailed = 0;
    m_nextMemoryMs = 0;
    m_shotsEvery = o.m_shotsEvery;
    m_nextShotMs = o.m_shotsEvery;
    m_clock.store(o.m_seed);
    m_elapsed = 0;
    m_until = o.m_untilMs;
    m_frameUs = o.m_frameUs >= 0 ? o.m_frameUs : kDefaultFrameUs;
    m_next = 0;
    // Until the first paint the player sees a black screen.
    m_frameW = o.m_width;
    m_frameH = o.m_height;
    m_frame.assign(static_cast<std::size_t>(m_frameW) * m_frameH, 0);

    startGame(std::move(makeRoot), o.m_width, o.m_height);
    while (!gameEnded() && !m_untilReached.load() && g_signal == 0)
        realSleepUs(1000);
    if (!stop()) {
        // The game thread still runs and uses this host: end the process here.
        std::fflush(nullptr);
        std::_Exit(1);
    }
    finishGame();
    if (m_shotsEvery > 0 && !writeShot("frame-end.png"))
        m_shotFailed = true;
    if (m_next < m_script.m_events.size())
        std::fprintf(stderr,
                     "korvath: %d script commands (the first on line %d) were not run: the game "
                     "ended at %d ms\n",
                     static_cast<int32_t>(m_script.m_events.size() - m_next), m_script.m_events[m_next].line,
                     elapsedMs());
    bool logsWritten = true;
    if (m_soundLog) {
        logsWritten = closeLog(m_soundLog, "sound log", o.m_soundLog, m_soundLogFailed) && logsWritten;
        m_soundLog = nullptr;
    }
    if (m_memoryLog) {
        logMemory();
        logsWritten = closeLog(m_memoryLog, "memory log", o.m_memoryLog, m_memoryLogFailed) && logsWritten;
        m_memoryLog = nullptr;
    }
    std::fflush(stdout);
    if (g_signal != 0)
        return 128 + g_signal;
    return m_shotFailed || !logsWritten ? 1 : 0;
}

void HeadlessHost::sleepMs(int32_t ms)
{
    if (ms > 0) {
        m_elapsed += ms;
        m_clock.fetch_add(ms);
    }
    if (m_memoryLog && m_elapsed >= m_nextMemoryMs) {
        logMemory();
        m_nextMemoryMs = m_elapsed - m_elapsed % 60000 + 60000;
    }
    V3dView* vp = viewport();
    if (!vp)
        return;
    applyDue(*vp);
    shotsDue();
    if (m_elapsed >= m_until && !m_untilReached.load()) {
        m_untilReached.store(true);
        // Hold the game at the end time until the stop arrives, so that it
        // stops at the same point of every run.
        for (int32_t waited = 0; !vp->stopRequested() && waited < m_stopTimeoutMs; waited++)
            realSleepUs(1000);
    }
}

void HeadlessHost::applyDue(V3dView& vp)
{
    const std::vector<HeadlessScript::Event>& events = m_script.m_events;
    while (m_next < events.size() && events[m_next].at <= m_elapsed)
        apply(events[m_next++], vp);
}

void HeadlessHost::apply(const HeadlessScript::Event& e, V3dView& vp)
{
    Input& in = input();
    switch (e.kind) {
    case HeadlessScript::Press:
        in.keyDownSys(e.code);
        in.keyUpSys(e.code);
        break;
    case HeadlessScript::Down:
        in.keyDownSys(e.code);
        break;
    case HeadlessScript::Up:
        in.keyUpSys(e.code);
        break;
    case HeadlessScript::Touch:
        in.touchBegin(e.x, e.y);
        break;
    case HeadlessScript::Move:
        in.touchMove(e.x, e.y);
        break;
    case HeadlessScript::Release:
        in.touchEnd();
        break;
    case HeadlessScript::Hover:
        in.pointerSys(e.x, e.y);
        break;
    case HeadlessScript::Wheel:
        in.wheelSys(e.code);
        break;
    case HeadlessScript::Size:
        // Recorded here; the game applies it between frames, as after a
        // resize of the window.
        vp.setWidthHeight(e.x, e.y);
        break;
    case HeadlessScript::Shot:
        if (!writeShot(e.file))
            m_shotFailed = true;
        break;
    }
}

void HeadlessHost::shotsDue()
{
    if (m_shotsEvery <= 0 || m_elapsed < m_nextShotMs)
        return;
    // One frame for the time passed, however many steps a long wait crossed.
    const int64_t at = m_elapsed - m_elapsed % m_shotsEvery;
    char name[32];
    std::snprintf(name, sizeof name, "frame-%07" PRId64 ".png", at);
    if (!writeShot(name))
        m_shotFailed = true;
    m_nextShotMs = at + m_shotsEvery;
}

bool HeadlessHost::writeShot(const std::string& path)
{
    std::string error;
    if (!Png::write(path, m_frameW, m_frameH, m_frame.data(), false, &error)) {
        std::fprintf(stderr, "korvath: cannot write the shot %s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

void HeadlessHost::show(const Viewport& vp, const int32_t* rects, int32_t n)
{
    int32_t w = vp.m_width, h = vp.m_height;
    if (w <= 0 || h <= 0 || vp.m_pixels.length < w * h)
        return;
    if (w != m_frameW || h != m_frameH) {
        m_frameW = w;
        m_frameH = h;
        m_frame.assign(static_cast<std::size_t>(w) * h, 0);
    }
    for (int32_t i = 0; i < n; i++, rects += 4) {
        int32_t x0 = std::max(rects[0], 0), y0 = std::max(rects[1], 0);
        int32_t x1 = std::min(rects[2], w), y1 = std::min(rects[3], h);
        if (x0 >= x1 || y0 >= y1)
            continue;
        for (int32_t y = y0; y < y1; y++) {
            const int32_t* src = vp.m_pixels.a + y * w + x0;
            uint32_t* dst = m_frame.data() + static_cast<std::size_t>(y) * w + x0;
            // The top byte is the depth code, not part of the colour.
            for (int32_t x = 0; x < x1 - x0; x++)
                dst[x] = static_cast<uint32_t>(src[x]) & 0xFFFFFFu;
        }
    }
}

int32_t HeadlessHost::loadSound(const char* path)
{
    std::FILE* f = std::fopen(path, "rb");
    if (!f)
        return -1;
    std::fclose(f);
    std::string name = std::filesystem::path(path).stem().string();
    int32_t id = static_cast<int32_t>(m_soundNames.size());
    m_soundNames.push_back(name);
    return id;
}

void HeadlessHost::playSound(int32_t id)
{
    logSound(nullptr, id, -1);
}

int32_t HeadlessHost::loopSound(int32_t id, int32_t volume)
{
    if (id < 0 || id >= static_cast<int32_t>(m_soundNames.size()))
        return -1;
    m_loops.push_back({id, volume});
    logSound("loop", id, volume);
    return static_cast<int32_t>(m_loops.size() - 1);
}

void HeadlessHost::setLoopVolume(int32_t loop, int32_t volume)
{
    if (loop < 0 || loop >= static_cast<int32_t>(m_loops.size()))
        return;
    Loop& l = m_loops[static_cast<std::size_t>(loop)];
    if (l.sound < 0 || l.volume == volume)
        return;
    l.volume = volume;
    logSound("volume", l.sound, volume);
}

void HeadlessHost::stopLoop(int32_t loop)
{
    if (loop < 0 || loop >= static_cast<int32_t>(m_loops.size()))
        return;
    Loop& l = m_loops[static_cast<std::size_t>(loop)];
    if (l.sound < 0)
        return;
    logSound("stop", l.sound, -1);
    l.sound = -1;
}

void HeadlessHost::logSound(const char* what, int32_t sound, int32_t volume)
{
    if (!m_soundLog || sound < 0 || sound >= static_cast<int32_t>(m_soundNames.size()))
        return;
    const char* name = m_soundNames[static_cast<std::size_t>(sound)].c_str();
    int written = 0;
    if (!what)
        written = std::fprintf(m_soundLog, "%d %s\n", elapsedMs(), name);
    else if (volume < 0)
        written = std::fprintf(m_soundLog, "%d %s:%s\n", elapsedMs(), what, name);
    else
        written = std::fprintf(m_soundLog, "%d %s:%s:%d\n", elapsedMs(), what, name, volume);
    if (written < 0 && m_soundLogFailed == 0)
        m_soundLogFailed = errno;
}
