#include <emscripten.h>

#include <string>

#include "GameStart.h"
#include "WebHost.h"

// The browser page: the game, its data preloaded beside the page, the
// player's files in IndexedDB. The page's address may carry options
// (index.html?fps=30&scale=3), which the page hands over as the command line.
int main(int argc, char** argv)
{
    static GameStart start;
    const int32_t status = start.prepare(argc, argv, false);
    if (status >= 0)
        return status;
    static WebHost host(start);
    host.open();
    // The game goes on in the browser's animation frames.
    emscripten_exit_with_live_runtime();
    return 0;
}

extern "C" {

EMSCRIPTEN_KEEPALIVE void korvath_storage_ready(int stored)
{
    WebHost::s_host->storageReady(stored != 0);
}

EMSCRIPTEN_KEEPALIVE void korvath_page_resized()
{
    WebHost::s_host->resized();
}

// For the benchmark: the frames so far, as --frame-stats prints them; reset:
// counting starts again after this report.
EMSCRIPTEN_KEEPALIVE const char* korvath_frame_report(int reset)
{
    static std::string report;
    report = WebHost::s_host ? WebHost::s_host->frameReport(reset != 0) : std::string();
    return report.c_str();
}

EMSCRIPTEN_KEEPALIVE void korvath_page_hidden(int hidden)
{
    if (WebHost::s_host)
        WebHost::s_host->hidden(hidden != 0);
}
}
