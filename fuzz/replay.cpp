// The replay file: the input is a file given to --replay, read and checked
// whole before anything is played. A replay that loads hands out exactly the
// frames it counts, each within what the game accepts, and writes back into
// a file that reads the same; one that does not says why in one line.
#include <cstdint>
#include <string>
#include <vector>

#include "game/ReplayReader.h"
#include "game/ReplayWriter.h"
#include "support/FuzzCheck.h"
#include "support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzFolder& folder = FuzzFolder::instance();
    folder.write("fz.replay", data, size);
    const std::string path = folder.path() + "/fz.replay";
    ReplayReader r;
    std::string error;
    if (!r.load(path, error)) {
        fuzzCheck(!error.empty() && error.find('\n') == std::string::npos, "a refusal is one line");
        fuzzCheck(error.find(path) != std::string::npos, "the refusal names the file");
        return 0;
    }
    ReplayWriter w;
    w.begin(r.start());
    std::vector<Replay::Frame> frames;
    Replay::Frame f;
    while (r.next(f)) {
        fuzzCheck(f.width >= 1 && f.width <= Replay::kMostSide && f.height >= 1 && f.height <= Replay::kMostSide,
                  "the screen has a size the game can take");
        fuzzCheck(f.input.queued >= 0 && f.input.queued <= Input::kQueued, "the key queue fits the game's");
        for (int32_t i = 0; i < f.input.queued; i++)
            fuzzCheck(f.input.queue[i] > 0, "queued keys are keys");
        w.frame(f);
        frames.push_back(f);
    }
    fuzzCheck(static_cast<int32_t>(frames.size()) == r.frames(), "every frame counted is handed out");
    fuzzCheck(r.start().rank >= 0 && r.start().rank < Replay::kRandomWords && r.start().ranj >= 0 &&
                  r.start().ranj < Replay::kRandomWords,
              "the random numbers' places are inside their state");

    // Written again, it reads the same.
    const std::vector<uint8_t> again = w.finish(r.end());
    Array<int8_t> bytes(static_cast<int32_t>(again.size()));
    for (std::size_t i = 0; i < again.size(); i++)
        bytes[static_cast<int32_t>(i)] = static_cast<int8_t>(again[i]);
    ReplayReader back;
    fuzzCheck(back.parse(bytes, "again", error), "a replay written again reads");
    fuzzCheck(back.frames() == r.frames() && back.end().picture == r.end().picture, "and says the same");
    for (const Replay::Frame& want : frames) {
        fuzzCheck(back.next(f), "with every frame");
        fuzzCheck(f.ms == want.ms && f.width == want.width && f.height == want.height && f.input == want.input,
                  "each the same");
    }
    return 0;
}
