// Synthesises the game's sounds into the data folder as name + ".wav".
// Usage: soundgen DATA_DIR
#include <cstdio>
#include <string>

#include "SoundBank.h"
#include "Wav.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::printf("usage: soundgen DATA_DIR\n");
        return 2;
    }
    bool ok = true;
    for (const SoundBank::Sound& s : SoundBank::all())
        ok = Wav::write(std::string(argv[1]) + "/" + s.name + ".wav", s.samples) && ok;
    return ok ? 0 : 1;
}
