// The preferences record: the input is the stored record "korvath", read at
// start-up by the game, which must come out with settings it can play with,
// and saved again whole.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "game/App.h"
#include "game/Tank.h"
#include "host/Vdisplay.h"
#include "support/FuzzCheck.h"
#include "support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzFolder& folder = FuzzFolder::instance();
    folder.write("korvath", data, size);
    ref<App> app = new App;
    app->init(new Vdisplay);
    app->prefLoad();
    fuzzCheck(app->m_side >= 1 && app->m_side <= 3, "the side is one of the three");
    fuzzCheck(app->m_level >= 0 && app->m_level <= 2, "the level is one of the three");
    fuzzCheck(app->m_front >= 0 && app->m_front <= 11, "the front lies on the map");
    for (int32_t k = 0; k < 12; k++)
        fuzzCheck(app->prefRead(k) >= 0 && app->prefRead(k) <= 65535, "slots are 16 bits");

    app->prefSave();
    std::ifstream in(folder.path() + "/korvath", std::ios::binary);
    std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fuzzCheck(saved.size() == 24, "the saved record is whole");
    ref<App> again = new App;
    again->init(new Vdisplay);
    again->prefLoad();
    fuzzCheck(again->m_side == app->m_side && again->m_front == app->m_front &&
                  again->m_level == app->m_level && again->m_mute == app->m_mute,
              "a saved record reads back as saved");
    Tank::m_enemyCount = 0;
    return 0;
}
