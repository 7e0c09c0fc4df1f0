#pragma once
#include <cstdint>
#include <string>

#include "runtime/Array.h"
#include "runtime/Object.h"
#include "runtime/String.h"
#include "runtime/ref.h"

// The engine's bridge to the platform services that are not drawing: the
// preferences store, JPEG decoding and sounds. Game thread only.
class Vdisplay : public Object {
public:
    // Stores bytes under the key name: one file per key in the preferences
    // folder, written to a temporary file, flushed and renamed into place.
    // False when the record could not be written (the old one is kept).
    bool prefsWrite(const ref<String>& name, const Array<int8_t>& bytes);
    // Copies the stored record into bytes (at most bytes.length of them; a
    // shorter record leaves the rest unchanged); false when nothing is stored
    // or it cannot be read.
    bool prefsRead(const ref<String>& name, const Array<int8_t>& bytes);
    // The same, telling the cases apart: the number of bytes read, kNoRecord
    // or kUnreadable (with the reason in why, if given).
    int32_t prefsLoad(const ref<String>& name, const Array<int8_t>& bytes, std::string* why = nullptr);
    // Renames the record name to newName, replacing what had that name.
    bool prefsRename(const ref<String>& name, const ref<String>& newName);
    // Decodes the JPEG stream data[offset, offset + length) and copies its
    // rows, packed at the decoded width, into dest from byte destOffset on.
    // width and height are not consulted. Pixels come out as 0xFFRRGGBB.
    bool getImage(const Array<int8_t>& data, int32_t offset, int32_t length, int32_t width,
                  int32_t height, const Array<int32_t>& dest, int32_t destOffset);
    // Plays the resource name + ".wav" once (loop is accepted and ignored);
    // false when the sound cannot be loaded. The host in charge loads each
    // name once and keeps it (Host::cachedSound).
    bool audio(const ref<String>& name, bool loop);
    // Plays the resource name + ".wav" over and over at volume percent
    // (Host::loopSound); the host's handle of the loop, or -1 when the sound
    // cannot be loaded or the host plays none.
    int32_t loop(const ref<String>& name, int32_t volume);
    // The loop's new volume, and its end (Host::setLoopVolume, stopLoop).
    void loopVolume(int32_t loop, int32_t volume);
    void stopLoop(int32_t loop);

    // The record files behind prefsWrite and prefsRead, for callers that are
    // not the game (the desktop host keeps its window settings this way).
    // Any thread, one caller per key at a time. loadRecord gives the number
    // of bytes read (at most n), kNoRecord when nothing is stored, and
    // kUnreadable when something is but cannot be read (no permission, an
    // I/O error, not a plain file): a record that must not be written over.
    // A record that is a symbolic link is read and written through the link.
    static constexpr int32_t kNoRecord = -1;
    static constexpr int32_t kUnreadable = -2;
    static bool storeRecord(const std::string& key, const int8_t* bytes, int32_t n);
    static int32_t loadRecord(const std::string& key, int8_t* bytes, int32_t n, std::string* why = nullptr);
    static bool renameRecord(const std::string& key, const std::string& newKey);
    // Writes bytes into the file at path as the records are written: into a
    // new file of a name of its own beside it (no link followed), flushed and
    // renamed into place. False with the reason in error when it cannot.
    static bool storeFile(const std::string& path, const uint8_t* bytes, int32_t n, std::string* error = nullptr);
    // For tests: every record read fails with the error number err from now
    // on, as a failing disc would; 0 ends it.
    static void failReads(int32_t err);

    // Folder of the preferences files; by default $XDG_CONFIG_HOME/korvath,
    // else ~/.config/korvath. Hosts and tests may point it elsewhere.
    static void setPrefsDir(const std::string& dir);
    static std::string prefsDir();

private:
    // The host's identifier of the sound name, loaded on its first use; -1
    // when it cannot be loaded (reported once).
    static int32_t soundId(const ref<String>& name);
};
