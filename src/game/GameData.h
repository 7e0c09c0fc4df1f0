#pragma once
#include <string>
#include <vector>

// The files of the data folder the game reads, and the check made at start-up
// that they are all there: a game started on an empty or half-built folder
// would otherwise show a bare screen and a stream of errors.
class GameData {
public:
    // The resource names the game opens by name; the pages of the image
    // library are found through its directory.
    static const std::vector<std::string>& files();
    // The first needed file missing from the data folder, as a file name
    // ("app3.bin", "f16.bin"); "" when everything is there.
    static std::string firstMissing();
};
