#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/Array.h"
#include "runtime/Object.h"
#include "runtime/String.h"
#include "runtime/ref.h"

// The engine's bridge to the platform services that are not drawing: the
// player's files, JPEG decoding and sounds. Game thread only, but for the
// static file operations below. Every read, write, rename and removal of a
// player's file goes through here, and each change that succeeded is
// announced to the host (Host::stored).
class Vdisplay : public Object {
public:
    // Stores bytes under the key name: one file per key in the folder of the
    // key's kind (storeOf), written to a temporary file, flushed and renamed
    // into place. False when the record could not be written (the old one is
    // kept).
    bool prefsWrite(const ref<String>& name, const Array<int8_t>& bytes);
    // Copies the stored record into bytes (at most bytes.length of them; a
    // shorter record leaves the rest unchanged); false when nothing is stored
    // or it cannot be read.
    bool prefsRead(const ref<String>& name, const Array<int8_t>& bytes);
    // The same, telling the cases apart: the number of bytes read, kNoRecord
    // or kUnreadable (with the reason in why, if given).
    int32_t prefsLoad(const ref<String>& name, const Array<int8_t>& bytes, std::string* why = nullptr);
    // Renames the record name to newName, replacing what had that name
    // (both keys of one kind).
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
    // Each key lives in the folder of its kind (storeOf).
    static constexpr int32_t kNoRecord = -1;
    static constexpr int32_t kUnreadable = -2;
    static bool storeRecord(const std::string& key, const int8_t* bytes, int32_t n);
    static int32_t loadRecord(const std::string& key, int8_t* bytes, int32_t n, std::string* why = nullptr);
    static bool renameRecord(const std::string& key, const std::string& newKey);
    // Removes the record; true when none is left (none was there either).
    static bool removeRecord(const std::string& key);
    // Where the record is kept, for messages.
    static std::string recordPath(const std::string& key);

    // The player's files that are named by the game rather than keys (the
    // replays), by path. storeFile writes bytes into the file at path as the
    // records are written: into a new file of a name of its own beside it
    // (no link followed), flushed and renamed into place; false with the
    // reason in error when it cannot. A folder missing is not made.
    static bool storeFile(const std::string& path, const uint8_t* bytes, int32_t n, std::string* error = nullptr);
    static bool removeFile(const std::string& path);
    // Reads at most most bytes of the file at path into bytes, as
    // loadRecord reads a record: the number read, kNoRecord or kUnreadable.
    static int32_t loadFile(const std::string& path, std::vector<int8_t>& bytes, int32_t most,
                            std::string* why = nullptr);
    // Makes folder and those above it; false when it is not there after.
    static bool makeFolder(const std::string& folder);
    // The names of the plain files in folder that end in suffix, sorted;
    // none when there is no such folder.
    static std::vector<std::string> listFiles(const std::string& folder, const std::string& suffix);
    // For tests: every record read fails with the error number err from now
    // on, as a failing disc would; 0 ends it.
    static void failReads(int32_t err);

    // The player's files by kind, each kind in a folder of its own:
    // settings (the options and keys) in $XDG_CONFIG_HOME/korvath, what the
    // player made (the campaign, the replays) in $XDG_DATA_HOME/korvath, and
    // what a run leaves for the next (the window, the battle in progress) in
    // $XDG_STATE_HOME/korvath. A variable that is not an absolute path
    // counts as unset: ~/.config, ~/.local/share, ~/.local/state.
    enum class Store { Config, Data, State };
    static std::string folder(Store store);
    // The kind of a key (a key the game does not know is a setting).
    static Store storeOf(const std::string& key);
    // The folder of the replays recorded in the window.
    static std::string replaysFolder();
    // $name when it is an absolute path, else $HOME/fallback; empty
    // without either. For the folders above and the host's pictures folder.
    static std::string xdgHome(const char* name, const char* fallback);
    // One folder for every kind (--prefs DIR: the tests', the headless
    // runs'); empty goes back to the folders above.
    static void setPrefsDir(const std::string& dir);

    // Host start-up, not with a folder of its own: the files an older game
    // kept in the settings folder that belong to another kind move into
    // their folder. Each is written whole in its new place before the old
    // one goes, so a move cut short at any point loses nothing and the next
    // start finishes it; a file already in the new place is never replaced
    // (the old one goes only when it is the same), and one that cannot be
    // read stays where it is with a line on stderr. A symbolic link moves
    // as the link. The number moved.
    static int32_t moveOldFiles();

private:
    // The host's identifier of the sound name, loaded on its first use; -1
    // when it cannot be loaded (reported once).
    static int32_t soundId(const ref<String>& name);
};
