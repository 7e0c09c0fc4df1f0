#include "host/Vdisplay.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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

// Key names become file names: nothing that could leave the folder.
bool validKey(const std::string& key)
{
    return !key.empty() && key.find('/') == std::string::npos && key.find("..") == std::string::npos;
}

// A save killed between making its temporary file and renaming it leaves the
// file behind: remove those of earlier saves of the key. (A save under way in
// a second copy of the game then fails its rename, which loses no more than
// being overwritten by this one would.)
void removeLeftovers(const std::string& dir, const std::string& key)
{
    const std::string prefix = "." + key + ".";
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        const std::string file = e.path().filename().string();
        if (file.size() == prefix.size() + 6 && file.compare(0, prefix.size(), prefix) == 0 && e.is_regular_file(ec))
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

} // namespace

void Vdisplay::setPrefsDir(const std::string& dir)
{
    prefsOverride() = dir;
}

std::string Vdisplay::prefsDir()
{
    if (!prefsOverride().empty())
        return prefsOverride();
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        return std::string(xdg) + "/korvath";
    const char* home = std::getenv("HOME");
    if (home && home[0])
        return std::string(home) + "/.config/korvath";
    return "";
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
    std::string dir = prefsDir();
    if (!validKey(key) || dir.empty()) {
        std::fprintf(stderr, "Preferences: cannot store the record \"%s\"\n", key.c_str());
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const std::filesystem::path path = followLinks(std::filesystem::path(dir) / key);
    removeLeftovers(path.parent_path().string(), path.filename().string());
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
    return true;
}

int32_t Vdisplay::loadRecord(const std::string& key, int8_t* bytes, int32_t n, std::string* why)
{
    std::string dir = prefsDir();
    if (!validKey(key) || dir.empty())
        return kNoRecord;
    const std::string path = dir + "/" + key;
    auto unreadable = [why](const std::string& reason) {
        if (why)
            *why = reason;
        return kUnreadable;
    };
    // Not blocking: a pipe in the record's place must not hang the start.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? kNoRecord : unreadable(std::strerror(errno));
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const bool folder = S_ISDIR(st.st_mode);
        ::close(fd);
        return unreadable(folder ? "a folder is in its place" : "it is not a plain file");
    }
    // Read into a copy first so that a failing read leaves the caller's array alone.
    std::string data(static_cast<std::size_t>(std::max(n, 0)), '\0');
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
    std::memcpy(bytes, data.data(), got);
    return static_cast<int32_t>(got);
}

bool Vdisplay::renameRecord(const std::string& key, const std::string& newKey)
{
    const std::string dir = prefsDir();
    if (!validKey(key) || !validKey(newKey) || dir.empty())
        return false;
    return ::rename((dir + "/" + key).c_str(), (dir + "/" + newKey).c_str()) == 0;
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
