// korvath: the game in a window, or with --headless without one.
#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "HeadlessHost.h"
#include "HostOptions.h"
#include "SdlHost.h"
#include "game/App.h"
#include "runtime/InputStream.h"

int main(int argc, char** argv)
{
    HostOptions o;
    std::string error;
    if (!o.parse(argc, argv, error)) {
        std::printf("korvath: %s\n\n%s", error.c_str(), HostOptions::usage());
        return 2;
    }
    if (o.m_help) {
        std::printf("%s", HostOptions::usage());
        return 0;
    }
    std::string data = o.m_dataDir.empty() ? HostOptions::defaultDataDir() : o.m_dataDir;
    std::error_code ec;
    if (!std::filesystem::is_directory(data, ec)) {
        std::printf("korvath: no game data folder at %s (give one with --data DIR)\n", data.c_str());
        return 1;
    }
    InputStream::setResourceDir(data);
    // A headless run without a folder of its own starts as a first start and
    // must neither read nor change the player's saved campaign.
    std::filesystem::path scratchPrefs;
    if (o.m_headless && o.m_prefsDir.empty()) {
        scratchPrefs = std::filesystem::temp_directory_path() /
                       ("korvath-headless-" + std::to_string(::getpid()));
        std::filesystem::remove_all(scratchPrefs, ec);
        o.m_prefsDir = scratchPrefs.string();
    }
    if (!o.m_prefsDir.empty())
        Vdisplay::setPrefsDir(o.m_prefsDir);

    auto makeGame = [&o] {
        ref<App> app = new App;
        if (!o.m_viewer.empty())
            app->m_viewer = String::copyOf(o.m_viewer.c_str());
        return ref<V3dView>(app);
    };
    int32_t status = 0;
    if (o.m_headless) {
        HeadlessHost host;
        status = host.run(o, makeGame);
    } else {
        SdlHost host;
        status = host.run(o, makeGame);
    }
    if (!scratchPrefs.empty())
        std::filesystem::remove_all(scratchPrefs, ec);
    std::fflush(stdout);
    return status;
}
