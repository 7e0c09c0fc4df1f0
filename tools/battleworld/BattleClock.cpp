#include "BattleClock.h"

BattleClock::BattleClock(int32_t start) : m_now(start)
{
    Host::install(this);
}

BattleClock::~BattleClock()
{
    Host::install(nullptr);
}
