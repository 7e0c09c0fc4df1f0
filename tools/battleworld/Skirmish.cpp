#include "Skirmish.h"

#include "game/Shell.h"

Skirmish::Skirmish(BattleWorld& w) : m_world(w)
{
    m_player = w.player(kSherman, 120, 256, 0x2000);
    m_enemies[0] = w.enemy(kTiger, m_player, 170, 250, -0x2000);
    m_enemies[1] = w.enemy(kT34, m_player, 160, 200, -0x3000);
    m_enemies[2] = w.enemy(kSherman, m_player, 150, 310, -0x1000);
    m_truck = w.truck(m_player);
    m_truck->redeploy();
    w.m_view->add(m_truck);
    m_truck->poststep();
    w.m_campaign->m_enemyCount = 99;
    w.chase(*m_player);
}

int32_t Skirmish::shellsFlying() const
{
    int32_t n = 0;
    for (Vphob* b = m_world.m_physics->first().get(); b; b = b->m_nextBody.get())
        if (dynamic_cast<Shell*>(b) && b->m_gravity != 0)
            n++;
    return n;
}

void Skirmish::frame(int32_t shells)
{
    for (int32_t tries = 0; tries < 4 && shellsFlying() < shells; tries++) {
        Tank* t = m_nextGun == 0 ? m_player.get() : m_enemies[m_nextGun - 1].get();
        m_nextGun = (m_nextGun + 1) % 4;
        if (t->isLinked() && !t->parked())
            t->fireShell();
    }
    // Round and round: a turn every other second.
    m_player->m_orders.press = (m_frames / 16) % 2 == 0 ? Action::Forward : Action::TurnLeft;
    m_player->m_damage = 40;
    m_player->m_rounds = 10;
    m_world.m_campaign->m_enemyCount = 99;
    m_world.step();
    m_frames++;
}

uint64_t Skirmish::digest() const
{
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](int32_t v) {
        h ^= static_cast<uint32_t>(v);
        h *= 1099511628211ull;
    };
    for (Vphob* b = m_world.m_physics->first().get(); b; b = b->m_nextBody.get()) {
        for (int32_t v : {b->m_wx, b->m_wy, b->m_wz, b->m_velocity->m_x, b->m_velocity->m_y, b->m_velocity->m_z,
                          b->m_heading, b->m_pitchAngle, b->m_roll, b->m_image, b->m_alpha, b->m_gravity})
            mix(v);
        if (const Tank* t = dynamic_cast<const Tank*>(b))
            for (int32_t v : {t->m_damage, t->m_driveSpeed, t->m_timer, t->m_destX, t->m_destZ, t->turretHeading(),
                              t->gunPitch()})
                mix(v);
    }
    mix(m_world.m_campaign->m_enemyCount);
    return h;
}
