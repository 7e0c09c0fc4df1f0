#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>

#include "GameTest.h"
#include "game/BattleScreen.h"
#include "game/ResultScreen.h"

namespace {

constexpr int32_t kPlayMs = 5 * 60 * 1000;
constexpr int32_t kLookMs = 16;     // how often the eyes take in the screen: each frame
constexpr int32_t kReactMs = 300;   // what was seen is acted on this much later
constexpr int32_t kLongestHold = 400;

// What a player takes in from one frame: the screen only.
struct Sight {
    int32_t at = 0;
    bool battle = false, aiming = false;
    bool target = false;           // an enemy on the screen (or the lead mark beside one)
    int32_t tx = 0, ty = 0;        // where to put the marker
    bool marked = false, red = false;
    int32_t mx = 0, my = 0;        // the marker's middle
};

// Holds key k while on, lets go otherwise.
void hold(App& app, int32_t k, bool on)
{
    if (on == app.input().keyDown(k))
        return;
    if (on)
        app.input().keyDownSys(k);
    else
        app.input().keyUpSys(k);
}

Sight look(App& app, int32_t now)
{
    Sight s;
    s.at = now;
    Battle& b = *app.m_battle;
    s.battle = dynamic_cast<BattleScreen*>(app.top()) && b.m_tank && b.m_tank->isLinked();
    if (!s.battle)
        return s;
    s.aiming = b.m_tank->m_aim;
    const ::Sight& sight = *b.m_hud->m_sight;
    s.marked = sight.m_marker->isLinked();
    if (s.marked) {
        s.mx = (sight.m_marker->getX() >> 15) + sight.m_marker->getWidth() / 2;
        s.my = (sight.m_marker->getY() >> 15) + sight.m_marker->getHeight() / 2;
        s.red = sight.m_marker->m_child->m_color != static_cast<int32_t>(0xFFFFB030);
    }
    if (sight.m_lead->isLinked()) {
        // The lead mark's tip: where the enemy will be.
        s.target = true;
        s.tx = (sight.m_lead->getX() >> 15) + sight.m_lead->getWidth() / 2;
        s.ty = (sight.m_lead->getY() >> 15) + sight.m_lead->getHeight();
        return s;
    }
    int32_t best = 0x7FFFFFFF;
    for (Vphob* o = b.m_physics->first().get(); o; o = o->m_nextBody.get()) {
        int32_t sx = 0, sy = 0, depth = 0;
        if (o->m_id != Hud::kRadarEnemy || !o->isLinked() || o->parked() ||
            !app.screenPoint(o->m_wx, o->m_wy, o->m_wz, sx, sy, depth) || sx < 0 || sx >= app.m_width || sy < 0 ||
            sy >= app.m_height || depth >= best)
            continue;
        best = depth;
        s.target = true;
        s.tx = sx;
        s.ty = sy;
    }
    return s;
}

// A player new to the game, with the keys the README names, who sees the
// screen only and acts on what it showed kReactMs before: aim mode (Tab),
// the turret turned (Left / Right) toward the nearest enemy on the screen or
// round until one shows, the gun laid (Up / Down) until the sight's marker
// sits on the enemy (or on the lead mark beside it) and turns red, then
// Space. Each correction is a hold as long as the error seems to ask for,
// and the next one waits to see what it did.
class Newcomer {
public:
    void frame(App& app, int32_t now)
    {
        m_seen.push_back(look(app, now));
        while (m_seen.size() > 1 && m_seen[1].at <= now - kReactMs)
            m_seen.pop_front();
        for (int32_t k : {Key::kLeft, Key::kRight, Key::kUp, Key::kDown})
            if (now >= m_holdEnd[k == Key::kLeft ? 0 : k == Key::kRight ? 1 : k == Key::kUp ? 2 : 3])
                hold(app, k, false);
        if (now < m_next || m_seen.front().at > now - kReactMs)
            return;
        decide(app, m_seen.front(), now);
    }

private:
    void holdFor(App& app, int32_t k, int32_t ms, int32_t now)
    {
        const int32_t i = k == Key::kLeft ? 0 : k == Key::kRight ? 1 : k == Key::kUp ? 2 : 3;
        hold(app, k, true);
        m_holdEnd[i] = now + std::min(ms, kLongestHold);
        m_next = std::max(m_next, m_holdEnd[i] + kReactMs);
    }

    void decide(App& app, const Sight& s, int32_t now)
    {
        m_next = now + kLookMs;
        if (!s.battle)
            return;
        if (!s.aiming) {
            press(app, Key::kTab);
            m_next = now + kReactMs + 2 * kLookMs; // sees the key take
            return;
        }
        const int32_t cx = s.marked ? s.mx : app.m_width / 2;
        if (!s.target) {
            holdFor(app, Key::kRight, kLongestHold, now); // looks round for one
            return;
        }
        // Turning and laying at once, each a hold about as long as the
        // error seems to ask for (the turret sweeps the picture at about a
        // third of a pixel a millisecond), within what a tap can still mend.
        const int32_t dx = s.tx - cx;
        if (std::abs(dx) > 4)
            holdFor(app, dx > 0 ? Key::kRight : Key::kLeft, std::abs(dx) * 2, now);
        const int32_t dy = s.marked ? s.ty - s.my : -app.m_height;
        if (std::abs(dy) > 3)
            holdFor(app, dy < 0 ? Key::kUp : Key::kDown, std::abs(dy) * 3, now);
        if (s.marked && s.red && now - m_lastShot >= 3000) {
            press(app, Key::kSpace);
            m_lastShot = now;
            m_next = std::max(m_next, now + kReactMs + 2 * kLookMs);
        }
    }

    std::deque<Sight> m_seen;
    int32_t m_holdEnd[4] = {0, 0, 0, 0};
    int32_t m_next = 0;
    int32_t m_lastShot = -100000;
};

struct Outcome {
    int32_t firstKill = -1, won = -1, ended = -1, hits = 0, shots = 0, left = 0;
};

// A new campaign's first battle on level, the game's dice thrown at
// nowMs = epoch: the newcomer plays it from the map to the result page.
Outcome playFirstBattle(GameHost& host, int32_t level, int32_t epoch)
{
    host.m_epoch = epoch;
    host.m_frameUs = 1000000 / 60; // the desktop's pace
    toBattle(host);
    Outcome out;
    auto player = std::make_shared<Newcomer>();
    host.every(4000, 4000 + kPlayMs, kLookMs, [&, player](App& app) {
        player->frame(app, host.m_elapsed);
        const int32_t total = Campaign::enemyTotal(app.m_campaign->m_front, level);
        if (out.firstKill < 0 && app.m_campaign->m_enemyCount < total)
            out.firstKill = host.m_elapsed;
        if (app.m_battle->m_tank) {
            out.shots = app.m_battle->m_tank->m_shots;
            out.hits = app.m_battle->m_tank->m_hits;
        }
        out.left = app.m_campaign->m_enemyCount;
        if (dynamic_cast<ResultScreen*>(app.top())) {
            out.ended = host.m_elapsed;
            if (findText(&app, "Victory"))
                out.won = host.m_elapsed;
            app.requestStop(); // the page is what was wanted: no need to play on
            return true;
        }
        return false;
    });
    host.runUntil(4000 + kPlayMs + 10000);
    return out;
}

class Newcomers : public GameTest, public ::testing::WithParamInterface<int32_t> {};

} // namespace

// The newcomer of the closing note, five times on each level that helps to
// lead: from the map into the first battle of a new campaign, keys alone with
// the sight against enemies that move, a win within five minutes in at least
// four of five on Easy and once in five on Medium.
TEST_P(Newcomers, WinTheFirstBattleWithTheSightAlone)
{
#ifdef KORVATH_SANITIZED
    GTEST_SKIP() << "whole battles: left to the plain build";
#endif
    const int32_t level = GetParam();
    const int32_t needed = level == 0 ? 4 : 1;
    int32_t wins = 0;
    // Stopped as soon as the outcome is certain either way.
    for (int32_t seed = 0; seed < 5 && wins < needed && wins + 5 - seed >= needed; seed++) {
        SCOPED_TRACE(seed);
        // Each a new player: nothing kept from the run before.
        for (const auto& f : std::filesystem::directory_iterator(m_dir.path))
            std::filesystem::remove_all(f.path());
        campaign(1, 5, level);
        GameHost host;
        const Outcome o = playFirstBattle(host, level, 5000 + 7919 * seed);
        std::printf("level %d seed %d: first enemy destroyed at %d ms, won at %d ms, hits %d of %d shots, "
                    "ended at %d ms with %d enemies left\n",
                    level, seed, o.firstKill, o.won, o.hits, o.shots, o.ended, o.left);
        wins += o.won >= 0 ? 1 : 0;
    }
    EXPECT_GE(wins, needed);
}

INSTANTIATE_TEST_SUITE_P(Level, Newcomers, ::testing::Values(0, 1), [](const auto& level) {
    return level.param == 0 ? std::string("Easy") : std::string("Medium");
});
