// korvath: the game in a window, or with --headless without one.
#include <cstdio>

#include "GameStart.h"
#include "HeadlessHost.h"
#include "SdlHost.h"

int main(int argc, char** argv)
{
    GameStart start;
    int32_t status = start.prepare(argc, argv, false);
    if (status >= 0)
        return status;
    if (start.m_options.m_headless) {
        HeadlessHost host;
        status = host.run(start.m_options, start.game());
    } else {
        SdlHost host;
        status = host.run(start.m_options, start.game());
    }
    if (status == 0)
        status = start.gameStatus();
    std::fflush(stdout);
    return status;
}
