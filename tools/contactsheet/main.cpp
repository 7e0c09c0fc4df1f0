// Writes a contact sheet of an image library for review.
// Usage: contactsheet DATA_DIR LIBRARY OUT.png
#include <cstdio>

#include "ContactSheet.h"

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::printf("usage: contactsheet DATA_DIR LIBRARY OUT.png\n");
        return 2;
    }
    return ContactSheet::write(argv[1], argv[2], argv[3]) ? 0 : 1;
}
