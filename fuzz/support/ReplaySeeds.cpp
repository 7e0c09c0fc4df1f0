// Seeds of the replay harness, made with the game's own writer so that they
// carry this version: "replay-seeds DATA_DIR SEED_DIR".
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "game/ReplayWriter.h"

namespace {

void save(const std::string& path, const std::vector<uint8_t>& b)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()),
                                                static_cast<std::streamsize>(b.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: replay-seeds DATA_DIR SEED_DIR\n");
        return 2;
    }
    const std::string dir = argv[2];
    Replay::Start s;
    s.version = Replay::version();
    for (int32_t i = 0; i < Replay::kRandomWords; i++)
        s.random[i] = static_cast<int16_t>(i * 9973);
    s.rank = 54;
    s.ranj = 23;
    s.fuel = 20 << 15;
    s.rounds = 20;
    s.damage = 40;
    ReplayWriter w;

    // No frames at all, and a battle interrupted after one.
    w.begin(s);
    save(dir + "/empty.replay", w.finish(Replay::End()));
    Replay::Frame f;
    f.width = 480;
    f.height = 320;
    f.ms = 16;
    w.begin(s);
    w.frame(f);
    save(dir + "/one-frame.replay", w.finish(Replay::End()));

    // Every group of fields changing in turn, then all at once.
    s.demo = true;
    s.controls = true;
    w.begin(s);
    for (int32_t i = 0; i < 12; i++) {
        Input::State& in = f.input;
        switch (i % 6) {
        case 0: in.held[0] ^= 1u << 3; break;
        case 1: in.queued = 2, in.queue[0] = ' ', in.queue[1] = 'A'; break;
        case 2: in.touchX = 100, in.touchY = 60; break;
        case 3: in.dragX = -5, in.pointerX = 10, in.pointerY = 20; break;
        case 4: in.wheel = 2, in.tiltX = -32768; break;
        default: f.width = 640, f.height = 360; break;
        }
        w.frame(f);
    }
    f.input = Input::State();
    f.width = 1920;
    f.height = 1080;
    w.frame(f);
    Replay::End e;
    e.over = true;
    e.picture = 0x12345678;
    save(dir + "/every-field.replay", w.finish(e));
    return 0;
}
