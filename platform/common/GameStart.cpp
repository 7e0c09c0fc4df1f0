#include "GameStart.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "game/App.h"
#include "game/GameData.h"
#include "host/Vdisplay.h"
#include "game/Language.h"
#include "runtime/Catalog.h"
#include "runtime/InputStream.h"

GameStart::~GameStart() = default;

int32_t GameStart::prepare(int argc, const char* const* argv, bool headlessOnly)
{
#if defined(__GLIBC__)
    // Each battle frees its pictures and makes the next one's. glibc would
    // otherwise raise its mmap threshold past their size on the first free,
    // and the next battle's copies would come from the heap and stay there:
    // a step of several megabytes in resident memory after the first battles.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
#endif
    HostOptions& o = m_options;
    o.m_headless = headlessOnly;
    std::string error;
    if (!o.parse(argc, argv, error)) {
        std::fprintf(stderr, "korvath: %s\nTry 'korvath --help'.\n", error.c_str());
        return 2;
    }
    if (o.m_help) {
        std::printf("%s", HostOptions::usage());
        return 0;
    }
    if (o.m_version) {
        std::printf("%s\n", HostOptions::versionLine().c_str());
        return 0;
    }
    std::vector<std::string> tried = {o.m_dataDir};
    std::string data = o.m_dataDir.empty() ? HostOptions::defaultDataDir(tried) : o.m_dataDir;
    std::error_code ec;
    if (data.empty() || !std::filesystem::is_directory(data, ec)) {
        std::string where;
        for (size_t i = 0; i < tried.size(); ++i)
            where += (i == 0 ? "" : i + 1 == tried.size() ? " or " : ", ") + tried[i];
        std::fprintf(stderr, "korvath: no game data folder at %s (give one with --data DIR)\n", where.c_str());
        return 1;
    }
    InputStream::setResourceDir(data);
    // A headless run draws the same frames in any locale.
    const std::string language = !o.m_language.empty() ? o.m_language
                                 : o.m_headless      ? ""
                                                     : Catalog::localeLanguage(std::getenv("LC_ALL"),
                                                                               std::getenv("LC_MESSAGES"),
                                                                               std::getenv("LANG"));
    Language::setDesktop(language, !o.m_language.empty());
    if (!Catalog::choose(language) && !o.m_language.empty() && o.m_language != "en")
        std::fprintf(stderr, "korvath: no translation into %s in %s; the texts stay English\n",
                     o.m_language.c_str(), data.c_str());
    // Checked before any window opens: a folder half built or from another
    // version would otherwise give a bare screen and a stream of errors.
    const GameData::Problem problem = GameData::firstProblem();
    if (!problem.file.empty()) {
        std::fprintf(stderr,
                     "korvath: the game data in %s is %s: %s %s (build the game, or give the data folder with "
                     "--data DIR)\n",
                     data.c_str(), problem.missing ? "incomplete" : "damaged", problem.file.c_str(),
                     problem.what.c_str());
        return 1;
    }
    if (!o.m_replay.empty() && !loadReplay())
        return 1;
    // A headless run without a folder of its own starts as a first start and
    // must neither read nor change the player's saved campaign; nor must a
    // replay, which brings a campaign of its own.
    if ((o.m_headless || m_replay) && o.m_prefsDir.empty()) {
        m_scratchPrefs = std::make_unique<ScratchFolder>("headless");
        if (!m_scratchPrefs->made())
            return 1;
        o.m_prefsDir = m_scratchPrefs->path().string();
    }
    if (!o.m_prefsDir.empty())
        Vdisplay::setPrefsDir(o.m_prefsDir);
    else if (const int32_t moved = Vdisplay::moveOldFiles(); moved > 0)
        std::printf("korvath: moved %d of the player's files from %s to %s and %s\n", moved,
                    Vdisplay::folder(Vdisplay::Store::Config).c_str(), Vdisplay::folder(Vdisplay::Store::Data).c_str(),
                    Vdisplay::folder(Vdisplay::Store::State).c_str());
    return -1;
}

bool GameStart::loadReplay()
{
    auto replay = std::make_shared<ReplayReader>();
    std::string error;
    if (!replay->load(m_options.m_replay, error)) {
        std::fprintf(stderr, "korvath: %s\n", error.c_str());
        return false;
    }
    // The game starts at the size the recorded one started at; the battle
    // then has the sizes it had.
    m_options.m_width = replay->start().startWidth;
    m_options.m_height = replay->start().startHeight;
    m_options.m_sizeGiven = true;
    m_replay = std::move(replay);
    return true;
}

HostFrame::RootFactory GameStart::game() const
{
    std::string viewer = m_options.m_viewer;
    const bool demo = m_options.m_demo;
    const bool frameStats = m_options.m_frameStats;
    const int32_t threads = m_options.m_threads;
    const bool halfTerrain = m_options.m_halfTerrain;
    std::shared_ptr<ReplayReader> replay = m_replay;
    const std::string replayName = m_options.m_replay;
    std::shared_ptr<int32_t> status = m_gameStatus;
    // Every battle played in the window is recorded; a headless run records
    // only when asked to.
    const std::string record = m_options.m_record;
    const std::string replays =
        m_options.m_headless || replay || !viewer.empty() ? "" : Vdisplay::replaysFolder();
    return [viewer, demo, frameStats, threads, halfTerrain, replay, replayName, status, record, replays] {
        ref<App> app = new App;
        app->m_demo = demo;
        app->m_frameStats = frameStats;
        app->m_terrainThreads = threads;
        app->m_halfTerrain = halfTerrain;
        if (!viewer.empty())
            app->m_viewer = String::copyOf(viewer.c_str());
        if (replay)
            app->m_player.load(replay, replayName, status);
        else if (!record.empty())
            app->m_recorder.toFile(record);
        else if (!replays.empty())
            app->m_recorder.toFolder(replays);
        return ref<V3dView>(app);
    };
}
