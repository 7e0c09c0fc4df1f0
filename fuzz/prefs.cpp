// The preferences record: the input is the stored record "korvath", read at
// start-up by the campaign, which must come out with settings it can play with,
// and saved again whole.
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "game/Campaign.h"
#include "host/Vdisplay.h"
#include "support/FuzzCheck.h"
#include "support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzFolder& folder = FuzzFolder::instance();
    folder.write("korvath", data, size);
    ref<Vdisplay> display = new Vdisplay;
    ref<Campaign> c = new Campaign;
    c->prefLoad(display.get());
    fuzzCheck(c->m_side >= Side::Allied && c->m_side <= Side::Soviet, "the side is one of the three");
    fuzzCheck(c->m_level >= 0 && c->m_level <= 2, "the level is one of the three");
    fuzzCheck(c->m_front >= 0 && c->m_front <= Campaign::kLastFront, "the front lies on the map");
    fuzzCheck(c->m_enemyCount >= 0 && c->m_enemyCount <= Campaign::enemyTotal(c->m_front, c->m_level),
              "no more enemies than a battle has");
    fuzzCheck(c->prefRead(Record::kRounds) <= Campaign::kMostRounds, "no more rounds than the truck gives");
    for (int32_t k = 0; k < Record::kSlots; k++)
        fuzzCheck(c->prefRead(Record::Slot(k)) >= 0 && c->prefRead(Record::Slot(k)) <= 65535, "slots are 16 bits");

    c->prefSave(display.get(), nullptr);
    std::ifstream in(folder.path() + "/korvath", std::ios::binary);
    std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fuzzCheck(saved.size() == 2 * Record::kSlots, "the saved record is whole");
    ref<Campaign> again = new Campaign;
    again->prefLoad(display.get());
    fuzzCheck(again->m_side == c->m_side && again->m_front == c->m_front && again->m_level == c->m_level &&
                  again->m_mute == c->m_mute,
              "a saved record reads back as saved");
    return 0;
}
