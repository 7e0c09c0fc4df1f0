#pragma once
#include <cstdint>
#include <ctime>
#include <string>

class Viewport;

// Screenshots the way a desktop keeps them: in the player's pictures folder,
// under Korvath/, one PNG file per shot named by the date and time.
class Screenshot {
public:
    // The folder of the shots: $XDG_PICTURES_DIR, else the pictures folder
    // of the player's user-dirs.dirs, else ~/Pictures; then Korvath/ in it.
    // Empty when there is no home folder either.
    static std::string folder();
    // The name of the n-th shot (from 0) taken in the second t:
    // "korvath-2026-12-07-22-45-06.png", then "...-06-2.png" and so on.
    static std::string fileName(const std::tm& t, int32_t n);
    // Game thread, between frames: writes the picture vp shows, each pixel
    // scale x scale, as a new file of the folder (made if missing). Its
    // path, or an empty string after one line on stderr.
    static std::string save(const Viewport& vp, int32_t scale);
};
