// korvath-headless: the game without a window, on a virtual clock, driven by
// a script; built without the window system.
#include <cstdio>

#include "GameStart.h"
#include "HeadlessHost.h"

int main(int argc, char** argv)
{
    HeadlessHost::catchSignals();
    GameStart start;
    int32_t status = start.prepare(argc, argv, true);
    if (status >= 0)
        return status;
    HeadlessHost host;
    status = host.run(start.m_options, start.game());
    if (status == 0)
        status = start.gameStatus();
    std::fflush(stdout);
    return status;
}
