#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// The command line of korvath, for both hosts.
class HostOptions {
public:
    // Reads argv[1..argc). False, with the reason in error, for an unknown
    // option, a missing or malformed value, or an option of the other host.
    bool parse(int argc, const char* const* argv, std::string& error);
    // The text printed by --help and after a bad option.
    static const char* usage();
    // The folders where the game data is looked for when --data is not
    // given, in order: data beside the executable exe (the build tree),
    // relative to the executable's folder (an installed tree, wherever its
    // prefix is; ../share/korvath or ../share/games/korvath), then
    // installed, the folder of the prefix the program was built for. No
    // folder twice.
    static std::vector<std::string> dataDirSearch(const std::filesystem::path& exe, const std::string& relative,
                                                  const std::string& installed);
    // The first of dataDirSearch for the running program that is a folder;
    // empty when none is, with the folders looked at in tried.
    static std::string defaultDataDir(std::vector<std::string>& tried);
    // A whole decimal number within lo..hi (no sign for a positive one, no
    // trailing characters).
    static bool parseInt(const std::string& s, int32_t lo, int32_t hi, int32_t& out);
    // A frame rate: frames a second from 1 to 1000, fractions allowed, or 0
    // for no limit; frameUs receives the frame's length in microseconds (0
    // for no limit).
    static bool parseRate(const std::string& s, int32_t& frameUs);

    bool m_help = false;
    bool m_version = false;
    // "korvath" and the game's version, for --version.
    static std::string versionLine();
    bool m_headless = false;
    int32_t m_width = 480; // logical screen size
    int32_t m_height = 320;
    bool m_sizeGiven = false; // --size was given
    // Desktop only. Scale 0: the largest that fits the desktop.
    int32_t m_scale = 0;
    bool m_fullscreen = false;
    bool m_mute = false;
    // Both; empty means the default.
    std::string m_dataDir;
    std::string m_prefsDir;
    // Both: the texts' language; empty: the locale's (headless: English).
    std::string m_language;
    // Both: the name of a mesh to show in the mesh inspector instead of the game.
    std::string m_viewer;
    // Both: the player's tank drives itself (attract mode, soak runs).
    bool m_demo = false;
    // Both: the length of a frame in microseconds, 0 for no limit; -1 for
    // the host's default (the display's rate, or 60 frames a second headless).
    int32_t m_frameUs = -1;
    // Both: print the frame statistics at the end.
    bool m_frameStats = false;
    // Both: threads that cast the landscape (0: the terrain view's default),
    // and the landscape at half resolution.
    int32_t m_threads = 0;
    bool m_halfTerrain = false;
    // Both: a recorded battle to play instead of the game.
    std::string m_replay;
    // Headless only.
    std::string m_record;   // the run's battles recorded into this file
    int32_t m_shotsEvery = 0; // a frame written every so many ms (0: none)
    std::string m_script;
    int32_t m_untilMs = 600000;
    int32_t m_seed = 1;
    std::string m_soundLog;
    std::string m_memoryLog;
};
