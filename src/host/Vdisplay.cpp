#include "host/Vdisplay.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "host/Host.h"
#if KORVATH_JPEG_BUILTIN
#include "host/JpegBuiltin.h"
using Jpeg = JpegBuiltin;
#else
#include "host/JpegLibjpeg.h"
using Jpeg = JpegLibjpeg;
#endif
#include "runtime/InputStream.h"

namespace {

std::string& prefsOverride()
{
    static std::string dir;
    return dir;
}

// The error every record read fails with, for tests; 0 for none.
std::atomic<int32_t> g_readFault{0};

constexpr const char* kReplays = "replays";

// The keys, and the replays' folder, kept outside the settings folder.
struct Kind {
    const char* key;
    Vdisplay::Store store;
};
constexpr Kind kKinds[] = {
    {"korvath", Vdisplay::Store::Data},        {"korvath.damaged", Vdisplay::Store::Data},
    {kReplays, Vdisplay::Store::Data},         {"korvath-battle", Vdisplay::Store::State},
    {"window", Vdisplay::Store::State},
};

// Key names become file names: nothing that could leave the folder.
bool validKey(const std::string& key)
{
    return !key.empty() && key.find('/') == std::string::npos && key.find("..") == std::string::npos;
}

void stored()
{
    Host::current().stored();
}

// A save killed between making its temporary file and renaming it leaves the
// file behind: remove those of earlier saves of the file. (A save under way
// in a second copy of the game then fails its rename, which loses no more
// than being overwritten by this one would.)
void removeLeftovers(const std::string& dir, const std::string& file)
{
    const std::string prefix = "." + file + ".";
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = e.path().filename().string();
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 && e.is_regular_file(ec))
            std::filesystem::remove(e.path(), ec);
    }
}

// The file a record's path stands for: a symbolic link (even a chain of
// them) is followed, so that a save replaces the file it points to and the
// link stays.
std::filesystem::path followLinks(std::filesystem::path path)
{
    std::error_code ec;
    for (int32_t depth = 0; depth < 16 && std::filesystem::is_symlink(path, ec); depth++) {
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

bool writeAll(int fd, const int8_t* data, int32_t n)
{
    while (n > 0) {
        ssize_t done = ::write(fd, data, static_cast<std::size_t>(n));
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += done;
        n -= static_cast<int32_t>(done);
    }
    return true;
}

// Reads the plain file at path into data: at most most bytes, or all of it
// when most < 0. The number read, kNoRecord when there is no file, or
// kUnreadable with the reason in why.
int32_t readPlain(const std::string& path, std::vector<int8_t>& data, int32_t most, std::string* why)
{
    auto unreadable = [why](const std::string& reason) {
        if (why)
            *why = reason;
        return Vdisplay::kUnreadable;
    };
    // Not blocking: a pipe in the file's place must not hang the start.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Vdisplay::kNoRecord : unreadable(std::strerror(errno));
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (most < 0 && st.st_size > INT32_MAX)) {
        const bool folder = S_ISDIR(st.st_mode), plain = S_ISREG(st.st_mode);
        ::close(fd);
        return unreadable(folder ? "a folder is in its place" : plain ? "it is too large" : "it is not a plain file");
    }
    data.assign(static_cast<std::size_t>(most < 0 ? st.st_size : std::min<int64_t>(most, st.st_size)), 0);
    std::size_t got = 0;
    int err = 0;
    while (got < data.size()) {
        const int32_t fault = g_readFault;
        const ssize_t r = fault ? (errno = fault, -1) : ::read(fd, data.data() + got, data.size() - got);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            err = errno;
        if (r <= 0)
            break;
        got += static_cast<std::size_t>(r);
    }
    ::close(fd);
    if (err != 0)
        return unreadable(std::strerror(err));
    data.resize(got);
    return static_cast<int32_t>(got);
}

// Puts a copy of the file from (its bytes) in to, made anew: a symbolic link
// (to a dotfiles folder, say) as a link to the same file, so that saves
// still go where it points.
bool copyFile(const std::string& from, const std::string& to, const std::vector<int8_t>& bytes, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!Vdisplay::makeFolder(fs::path(to).parent_path().string())) {
        error = "cannot make its folder";
        return false;
    }
    if (!fs::is_symlink(from, ec))
        return Vdisplay::storeFile(to, reinterpret_cast<const uint8_t*>(bytes.data()),
                                   static_cast<int32_t>(bytes.size()), &error);
    const fs::path link = fs::read_symlink(from, ec);
    const fs::path target = (fs::path(from).parent_path() / link).lexically_normal();
    const std::string tmp = fs::path(to).parent_path().string() + "/." + fs::path(to).filename().string() + ".link";
    ::unlink(tmp.c_str());
    if (ec || ::symlink(target.c_str(), tmp.c_str()) != 0 || ::rename(tmp.c_str(), to.c_str()) != 0) {
        error = ec ? ec.message() : std::strerror(errno);
        ::unlink(tmp.c_str());
        return false;
    }
    stored();
    return true;
}

// Moves the file from into its new place to: copied whole, then the old one
// removed. 1 when it moved (or had moved before, its removal cut short).
int32_t moveFile(const std::string& from, const std::string& to)
{
    namespace fs = std::filesystem;
    std::vector<int8_t> bytes;
    std::string why;
    const int32_t got = readPlain(from, bytes, -1, &why);
    std::error_code ec;
    // Nothing to move, or one folder serves both kinds.
    if (got == Vdisplay::kNoRecord || fs::equivalent(fs::path(from).parent_path(), fs::path(to).parent_path(), ec))
        return 0;
    if (got < 0) {
        std::fprintf(stderr, "korvath: cannot move %s to %s (%s); it stays where it is\n", from.c_str(), to.c_str(),
                     why.c_str());
        return 0;
    }
    std::vector<int8_t> there;
    const int32_t thereGot = readPlain(to, there, -1, nullptr);
    if (thereGot != Vdisplay::kNoRecord) {
        // The new place links to the old file: that file stays.
        if (fs::equivalent(from, to, ec) && !fs::is_symlink(from, ec))
            return 0;
        // The same bytes: a move stopped after the copy. Anything else the
        // new place holds is the game's newer file, and the old one is left.
        if (thereGot < 0 || there != bytes) {
            std::fprintf(stderr, "korvath: %s is kept, and %s, which differs, stays where it is\n", to.c_str(),
                         from.c_str());
            return 0;
        }
    } else if (std::string error; !copyFile(from, to, bytes, error)) {
        std::fprintf(stderr, "korvath: cannot move %s to %s (%s); it stays where it is\n", from.c_str(), to.c_str(),
                     error.c_str());
        return 0;
    }
    if (!Vdisplay::removeFile(from))
        std::fprintf(stderr, "korvath: %s was copied to %s but cannot be removed\n", from.c_str(), to.c_str());
    return 1;
}

} // namespace

void Vdisplay::setPrefsDir(const std::string& dir)
{
    prefsOverride() = dir;
}

std::string Vdisplay::xdgHome(const char* name, const char* fallback)
{
    const char* xdg = std::getenv(name);
    if (xdg && xdg[0] == '/')
        return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0])
        return std::string(home) + "/" + fallback;
    return "";
}

std::string Vdisplay::folder(Store store)
{
    if (!prefsOverride().empty())
        return prefsOverride();
    const std::string base = store == Store::Config ? xdgHome("XDG_CONFIG_HOME", ".config")
                             : store == Store::Data ? xdgHome("XDG_DATA_HOME", ".local/share")
                                                    : xdgHome("XDG_STATE_HOME", ".local/state");
    return base.empty() ? base : base + "/korvath";
}

Vdisplay::Store Vdisplay::storeOf(const std::string& key)
{
    for (const Kind& k : kKinds)
        if (key == k.key)
            return k.store;
    return Store::Config;
}

std::string Vdisplay::replaysFolder()
{
    const std::string dir = folder(storeOf(kReplays));
    return dir.empty() ? dir : dir + "/" + kReplays;
}

std::string Vdisplay::recordPath(const std::string& key)
{
    return folder(storeOf(key)) + "/" + key;
}

bool Vdisplay::prefsWrite(const ref<String>& name, const Array<int8_t>& bytes)
{
    return storeRecord(name ? name->c_str() : "", bytes.a, bytes.length);
}

bool Vdisplay::prefsRead(const ref<String>& name, const Array<int8_t>& bytes)
{
    return prefsLoad(name, bytes) >= 0;
}

int32_t Vdisplay::prefsLoad(const ref<String>& name, const Array<int8_t>& bytes, std::string* why)
{
    return loadRecord(name ? name->c_str() : "", bytes.a, bytes.length, why);
}

bool Vdisplay::prefsRename(const ref<String>& name, const ref<String>& newName)
{
    return renameRecord(name ? name->c_str() : "", newName ? newName->c_str() : "");
}

void Vdisplay::failReads(int32_t err)
{
    g_readFault = err;
}

bool Vdisplay::storeRecord(const std::string& key, const int8_t* bytes, int32_t n)
{
    const std::string dir = folder(storeOf(key));
    if (!validKey(key) || dir.empty()) {
        std::fprintf(stderr, "Preferences: cannot store the record \"%s\"\n", key.c_str());
        return false;
    }
    makeFolder(dir);
    const std::filesystem::path path = followLinks(std::filesystem::path(dir) / key);
    std::string error;
    if (!storeFile(path.string(), reinterpret_cast<const uint8_t*>(bytes), n, &error)) {
        std::fprintf(stderr, "Preferences: %s\n", error.c_str());
        return false;
    }
    return true;
}

bool Vdisplay::storeFile(const std::string& path, const uint8_t* bytes, int32_t n, std::string* error)
{
    const std::filesystem::path p(path);
    const std::string fileDir = p.has_parent_path() ? p.parent_path().string() : ".";
    auto fail = [error](const std::string& what) {
        if (error)
            *error = what + ": " + std::strerror(errno);
        return false;
    };
    removeLeftovers(fileDir, p.filename().string());
    // mkstemp makes the file anew under a name of its own (O_EXCL), so that a
    // link planted where it writes is never followed.
    std::string tmp = fileDir + "/." + p.filename().string() + "." + std::string(6, 'X');
    int fd = ::mkstemp(tmp.data());
    if (fd < 0)
        return fail("cannot write in " + fileDir);
    // The file reaches the disk under the temporary name and replaces the old
    // one in a single rename, so a crash leaves either the old or the new one.
    bool ok = writeAll(fd, reinterpret_cast<const int8_t*>(bytes), std::max(n, 0)) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) {
        fail("cannot write " + path);
        ::unlink(tmp.c_str());
        return false;
    }
    int dirFd = ::open(fileDir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    stored();
    return true;
}

int32_t Vdisplay::loadRecord(const std::string& key, int8_t* bytes, int32_t n, std::string* why)
{
    if (!validKey(key) || folder(storeOf(key)).empty())
        return kNoRecord;
    // Read into a copy first so that a failing read leaves the caller's array alone.
    std::vector<int8_t> data;
    const int32_t got = readPlain(recordPath(key), data, std::max(n, 0), why);
    if (got > 0)
        std::memcpy(bytes, data.data(), static_cast<std::size_t>(got));
    return got;
}

bool Vdisplay::renameRecord(const std::string& key, const std::string& newKey)
{
    if (!validKey(key) || !validKey(newKey) || folder(storeOf(key)).empty() || folder(storeOf(newKey)).empty())
        return false;
    if (::rename(recordPath(key).c_str(), recordPath(newKey).c_str()) != 0)
        return false;
    stored();
    return true;
}

bool Vdisplay::removeRecord(const std::string& key)
{
    return validKey(key) && !folder(storeOf(key)).empty() && removeFile(recordPath(key));
}

int32_t Vdisplay::loadFile(const std::string& path, std::vector<int8_t>& bytes, int32_t most, std::string* why)
{
    return readPlain(path, bytes, std::max(most, 0), why);
}

bool Vdisplay::removeFile(const std::string& path)
{
    if (::unlink(path.c_str()) != 0)
        return errno == ENOENT;
    stored();
    return true;
}

bool Vdisplay::makeFolder(const std::string& folder)
{
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return std::filesystem::is_directory(folder, ec);
}

std::vector<std::string> Vdisplay::listFiles(const std::string& folder, const std::string& suffix)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // Hidden names are a save's temporary files, never whole ones.
        if (name[0] != '.' && name.size() >= suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0 && it->is_regular_file(ec))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

int32_t Vdisplay::moveOldFiles()
{
    const std::string old = folder(Store::Config);
    if (!prefsOverride().empty() || old.empty())
        return 0;
    int32_t moved = 0;
    for (const Kind& k : kKinds) {
        const std::string to = folder(k.store);
        if (to.empty())
            continue;
        const std::string from = old + "/" + k.key;
        if (k.key != std::string(kReplays)) {
            moved += moveFile(from, to + "/" + k.key);
            continue;
        }
        for (const std::string& name : listFiles(from, ""))
            moved += moveFile(from + "/" + name, to + "/" + k.key + "/" + name);
        // Gone once every replay moved; a file that stayed keeps it.
        ::rmdir(from.c_str());
    }
    return moved;
}

bool Vdisplay::getImage(const Array<int8_t>& data, int32_t offset, int32_t length, int32_t,
                        int32_t, const Array<int32_t>& dest, int32_t destOffset)
{
    if (offset < 0 || length <= 0 || static_cast<int64_t>(offset) + length > data.length ||
        destOffset < 0 || destOffset > static_cast<int64_t>(dest.length) * 4) {
        std::fprintf(stderr, "JPEG decoding: bad stream or destination range\n");
        return false;
    }
    auto* src = reinterpret_cast<const unsigned char*>(data.a) + offset;
    auto* dst = reinterpret_cast<unsigned char*>(dest.a) + destOffset;
    int64_t room = static_cast<int64_t>(dest.length) * 4 - destOffset;
    return Jpeg::decode(src, static_cast<std::size_t>(length), dst, room);
}

bool Vdisplay::audio(const ref<String>& name, bool)
{
    const int32_t id = soundId(name);
    if (id < 0)
        return false;
    Host::current().playSound(id);
    return true;
}

int32_t Vdisplay::loop(const ref<String>& name, int32_t volume)
{
    const int32_t id = soundId(name);
    return id < 0 ? -1 : Host::current().loopSound(id, std::clamp(volume, 0, 100));
}

void Vdisplay::loopVolume(int32_t loop, int32_t volume)
{
    if (loop >= 0)
        Host::current().setLoopVolume(loop, std::clamp(volume, 0, 100));
}

void Vdisplay::stopLoop(int32_t loop)
{
    if (loop >= 0)
        Host::current().stopLoop(loop);
}

int32_t Vdisplay::soundId(const ref<String>& name)
{
    if (!name)
        return -1;
    // Loaded sounds are cached by the host that loaded them; a sound that
    // failed is reported once and its loading retried on the next request.
    Host& host = Host::current();
    int32_t id = -1;
    const bool asked = host.cachedSound(name->c_str(), id);
    if (asked && id >= 0)
        return id;
    std::string file = std::string(name->c_str()) + ".wav";
    std::string path = InputStream::resourcePath(file.c_str());
    id = path.empty() ? -1 : host.loadSound(path.c_str());
    if (id < 0) {
        if (!asked) {
            std::fprintf(stderr, "Could not open %s\n", InputStream::displayPath(file.c_str()).c_str());
            host.cacheSound(name->c_str(), -1);
        }
        return -1;
    }
    host.cacheSound(name->c_str(), id);
    return id;
}
