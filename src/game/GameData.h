#pragma once
#include <string>
#include <vector>

// The files of the data folder the game reads, and the check made at start-up
// that they are all there and plausible: a game started on an empty,
// half-built or damaged folder would otherwise show a bare screen and a
// stream of errors, or hang on a pipe in a file's place.
class GameData {
public:
    // The resource names the game opens by name; the pages of the image
    // library are found through its directory.
    static const std::vector<std::string>& files();

    // What is wrong with one file of the data folder: its name ("app3.bin",
    // "f16.bin") and what, as the end of a sentence ("is missing", "is not a
    // plain file"). An empty file name when nothing is wrong.
    struct Problem {
        std::string file;
        std::string what;
        bool missing = false;
    };
    // The first problem of the data folder: each file must be a plain file
    // (never opened otherwise, so a pipe cannot block), of a plausible size,
    // with its format's signature where the format has one; the image
    // library's pages full but the last, and as many as its directory needs.
    static Problem firstProblem();
};
