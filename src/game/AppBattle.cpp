// The forces of a battle: the tanks, the enemies and the supply truck.
#include <cstdlib>

#include "game/App.h"
#include "game/VehicleSpecs.h"

ref<Tank> App::tankInit(int32_t kind, int32_t last)
{
    ref<Tank> t = new Tank;
    if (t)
        t->init(this, m_lib, vehicleSpec(kind), last);
    return t;
}

int32_t App::enemyKind(int32_t side, int32_t mapX)
{
    // Germans meet Shermans in the west and T-34s in the east; everyone
    // else meets Tigers.
    if (side == 2)
        return mapX < 6 ? 1 : 3;
    return 2;
}

int32_t App::enemyTotal(int32_t front, int32_t level)
{
    return std::abs(5 - front) + 5 + 5 * level;
}

void App::tankEnemy()
{
    ref<Tank> t = tankInit(enemyKind(m_side, m_mapX), 2);
    if (!t)
        return;
    t->setId(kRadarEnemy);
    m_enemy = t;
    t->m_target = m_tank;
    t->redeploy();
    // One that found no dry spot yet waits off the field and comes later.
    if (t->m_damage != -1)
        add(t);
    if (!m_physics)
        m_physics = new Vphysics;
    m_physics->add(t);
    t->poststep();
}

void App::truckInit()
{
    m_truck = new Truck;
    if (!m_truck)
        return;
    m_truck->init(this, m_lib, kTruck, 1);
    m_truck->m_target = m_tank;
    m_truck->m_damage = -1;
    m_truck->park();
    m_truck->setId(kRadarTruck);
    if (!m_physics)
        m_physics = new Vphysics;
    m_physics->add(m_truck);
}
