// Draws the review sheet of the vehicle models from the game data.
// Usage: modelsheet DATA_DIR OUT.png
#include <cstdio>

#include "ModelSheet.h"
#include "runtime/InputStream.h"

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::printf("usage: modelsheet DATA_DIR OUT.png\n");
        return 2;
    }
    InputStream::setResourceDir(argv[1]);
    return ModelSheet::write(argv[2]) ? 0 : 1;
}
