#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "game/Record.h"
#include "host/Input.h"

// What a replay file says about one battle: where it started (the game's
// version, the screen, the random numbers, the campaign and the player's
// tank), what the battle was given each frame (its time, the screen's size
// and the input as the game read it), and how it ended. The battle is
// deterministic in these, so replaying the frames from that start plays the
// same battle, frame for frame.
//
// The file: "KRPL", a format byte, the version (a length byte and its
// characters), the start, the number of frames, the frames (each stores
// what changed since the frame before), the end and a checksum of all the
// bytes before it (ReplayWriter, ReplayReader). Format 2, the one before,
// has no battle file or note in its start and no flags in its frames
// (never a focus lost): it is still read.
class Replay {
public:
    // The part of the random numbers' state that a battle goes on from.
    static constexpr int32_t kRandomWords = 55;
    static constexpr int32_t kRecordBytes = 2 * Record::kSlots;

    struct Start {
        std::string version;                    // of the game that recorded it
        int32_t startWidth = 480;               // the screen when the game started
        int32_t startHeight = 320;              // (it chose the fonts and buttons)
        int16_t random[kRandomWords] = {};      // V::m_ranbuf
        int32_t rank = 0, ranj = 0;             // V::m_rank, V::m_ranj
        int8_t record[kRecordBytes] = {};       // the campaign, as a save would store it
        int32_t fuel = 0, rounds = 0, damage = 0; // the player's tank, to the last fraction
        bool demo = false;                      // the tank drove itself
        bool controls = false;                  // the on-screen buttons were shown
        std::vector<int8_t> options;            // the player's options and keys, stored form
        std::vector<int8_t> battle;             // the battle file it resumed from, or empty
        int32_t noteMs = 0;                     // the screenshot's note stayed this long more
    };

    struct Frame {
        int32_t ms = 0; // the frame's time, as the battle advanced by it
        int32_t width = 0, height = 0;
        Input::State input;
        bool note = false; // the screenshot's note was put up
    };

    struct End {
        bool over = false;     // the battle ended by itself (not by quitting the game)
        uint32_t picture = 0;  // pictureHash of the last frame shown
        int8_t record[kRecordBytes] = {}; // the campaign as the battle left it
    };

    // The version of this game, the one its replays carry.
    static const char* version();

    // FNV-1a, over n bytes, going on from h.
    static uint32_t hash(const uint8_t* bytes, std::size_t n, uint32_t h = kHashStart);
    // The hash of a picture of n 0xZZRRGGBB words as shown (the top byte,
    // a depth code, left out).
    static uint32_t pictureHash(const int32_t* pixels, int32_t n);

    static constexpr uint32_t kHashStart = 2166136261u;
    static constexpr char kMagic[4] = {'K', 'R', 'P', 'L'};
    static constexpr int32_t kFormat = 3;
    static constexpr int32_t kOldestFormat = 2; // the oldest still read
    // The frames a replay holds at most: hours of battle at any frame rate.
    static constexpr int32_t kMostFrames = 1 << 22;
    // The largest value of a signed field (the frame's time, a touch, a drag).
    static constexpr int32_t kMostSigned = (1 << 30) - 1;
    static constexpr int32_t kMostSide = 4096; // of the screen, in pixels

    // What changed in a frame: one bit per group of fields (a byte in
    // format 2, a varint since).
    enum Change : int32_t {
        kSize = 1, kHeld = 2, kQueue = 4, kTouch = 8, kDrag = 16, kPointer = 32, kWheel = 64, kTilt = 128,
        kFlags = 256
    };
    // The frame's flags, a byte after the fields above.
    enum Flag : int32_t { kFocusLost = 1, kNote = 2 };
};
