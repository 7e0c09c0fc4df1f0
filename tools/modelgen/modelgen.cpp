// Writes the model file p3d.bin of the game into the data folder.
// Usage: modelgen DATA_DIR [--counts]  (--counts prints the triangles of
// each mesh).
#include <cstdio>
#include <string>

#include "Models.h"

int main(int argc, char** argv)
{
    if (argc != 2 && !(argc == 3 && std::string(argv[2]) == "--counts")) {
        std::printf("usage: modelgen DATA_DIR [--counts]\n");
        return 2;
    }
    ModelSet set = Models::build();
    if (argc == 3)
        for (const auto& [name, n] : set.m_triangles)
            std::printf("%-12s %5d triangles\n", name.c_str(), n);
    std::string path = std::string(argv[1]) + "/p3d.bin", error;
    if (!set.m_file.write(path, &error)) {
        std::printf("modelgen: cannot write %s: %s\n", path.c_str(), error.c_str());
        return 1;
    }
    return 0;
}
