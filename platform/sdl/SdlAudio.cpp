#include "SdlAudio.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include <SDL.h>
#include <SDL_mixer.h>

namespace {

// The music's files are named so; the mixer keeps it under the effects.
bool isMusic(const std::string& path)
{
    return std::filesystem::path(path).stem().string().rfind("music", 0) == 0;
}

} // namespace

SdlAudio::~SdlAudio()
{
    close();
}

std::string SdlAudio::openDevice(bool first)
{
    // The sound libraries under SDL (ALSA above all) report a missing sound
    // card on stderr, line after line; the player needs only one line. The
    // first time only the main thread runs; a line the game thread writes
    // during a later try is lost.
    std::fflush(stderr);
    const int saved = ::dup(2);
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (saved >= 0 && quiet >= 0)
        ::dup2(quiet, 2);
    std::string failure;
    if (first && SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        failure = SDL_GetError();
    } else if (first ? Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0
                     // SDL converts for a device that wants another rate: the sounds stay as read.
                     : Mix_OpenAudioDevice(m_rate, AUDIO_S16SYS, m_channels, 1024, nullptr, 0) != 0) {
        failure = Mix_GetError();
        if (first)
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    std::fflush(stderr);
    if (saved >= 0 && quiet >= 0)
        ::dup2(saved, 2);
    if (saved >= 0)
        ::close(saved);
    if (quiet >= 0)
        ::close(quiet);
    return failure;
}

void SdlAudio::open(bool mute)
{
    if (mute || m_mixer)
        return;
    const std::string failure = openDevice(true);
    if (!failure.empty()) {
        std::fprintf(stderr, "korvath: no sound (%s); the game runs silent\n", failure.c_str());
        return;
    }
    int rate = 44100, channels = 2;
    Uint16 format = AUDIO_S16SYS;
    Mix_QuerySpec(&rate, &format, &channels);
    m_rate = rate;
    m_channels = channels;
    m_mixer = std::make_unique<SoundMixer>(channels, rate);
    m_mixer->setVolumes(m_effects, m_music);
    m_reopen = std::make_unique<AudioReopen>(static_cast<AudioReopen::Device&>(*this), *m_mixer);
    std::lock_guard<std::mutex> hold(m_deviceLock);
    started();
}

void SdlAudio::started()
{
    // SDL2_mixer's own channels stay unused: it would clip their sum.
    Mix_AllocateChannels(0);
    Mix_HookMusic(&SdlAudio::mixInto, m_mixer.get());
    m_sounding = true;
    // SDL2_mixer does not say which device it opened: the one that plays.
    m_device = 0;
    for (uint32_t id = 1; id <= 32 && m_device == 0; id++)
        if (SDL_GetAudioDeviceStatus(id) == SDL_AUDIO_PLAYING)
            m_device = id;
}

void SdlAudio::mixInto(void* mixer, uint8_t* stream, int bytes)
{
    auto& m = *static_cast<SoundMixer*>(mixer);
    // The stream is 16-bit samples (the format asked for when opening) in
    // the device's channels, which the mixer was made for.
    m.mix(reinterpret_cast<int16_t*>(stream), bytes / static_cast<int>(sizeof(int16_t)) / m.channels());
}

void SdlAudio::close()
{
    m_sounds.clear();
    if (!m_mixer)
        return;
    {
        std::lock_guard<std::mutex> hold(m_deviceLock);
        // The mixer goes after the stream that reads it has stopped.
        if (m_sounding) {
            Mix_HookMusic(nullptr, nullptr);
            Mix_CloseAudio();
        }
        m_sounding = false;
        m_unread.clear();
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    m_reopen.reset();
    m_mixer.reset();
}

void SdlAudio::removed(uint32_t which)
{
    // SDL names only opened devices (others as 0), and the game opens one.
    if (!m_reopen || m_reopen->lost() || which == 0 || (device() != 0 && which != device()))
        return;
    std::fprintf(stderr, "korvath: the sound device went away; trying it again every second\n");
    m_reopen->removed(SDL_GetTicks());
}

void SdlAudio::poll()
{
    if (m_reopen && m_reopen->poll(SDL_GetTicks()))
        std::fprintf(stderr, "korvath: the sound device is back\n");
}

bool SdlAudio::sounding()
{
    std::lock_guard<std::mutex> hold(m_deviceLock);
    return m_sounding;
}

uint32_t SdlAudio::device()
{
    std::lock_guard<std::mutex> hold(m_deviceLock);
    return m_device;
}

void SdlAudio::shut()
{
    std::lock_guard<std::mutex> hold(m_deviceLock);
    Mix_HookMusic(nullptr, nullptr);
    Mix_CloseAudio();
    m_sounding = false;
    m_device = 0;
}

bool SdlAudio::reopen()
{
    std::lock_guard<std::mutex> hold(m_deviceLock);
    if (!openDevice(false).empty())
        return false;
    // The sounds first asked for while the device was gone, read now.
    for (auto& [sound, path] : m_unread)
        read(path, sound);
    m_unread.clear();
    started();
    return true;
}

bool SdlAudio::read(const std::string& path, int32_t& sound)
{
    // Read and converted to the device's rate and channels.
    Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
    if (!chunk)
        return false;
    const auto* samples = reinterpret_cast<const int16_t*>(chunk->abuf);
    std::vector<int16_t> copy(samples, samples + chunk->alen / sizeof(int16_t));
    Mix_FreeChunk(chunk);
    if (sound >= 0)
        m_mixer->fill(sound, std::move(copy));
    else
        sound = m_mixer->add(std::move(copy), isMusic(path));
    return true;
}

int32_t SdlAudio::load(const char* path)
{
    int32_t sound = -1;
    std::unique_lock<std::mutex> hold(m_deviceLock);
    if (m_mixer && m_sounding) {
        if (!read(path, sound))
            return -1;
    } else {
        std::FILE* f = std::fopen(path, "rb");
        if (!f)
            return -1;
        std::fclose(f);
        if (m_mixer) {
            sound = m_mixer->add({}, isMusic(path));
            m_unread.emplace_back(sound, path);
        }
    }
    hold.unlock();
    m_sounds.push_back(sound);
    return static_cast<int32_t>(m_sounds.size() - 1);
}

void SdlAudio::play(int32_t id)
{
    if (id < 0 || id >= static_cast<int32_t>(m_sounds.size()) || !m_mixer)
        return;
    m_mixer->play(m_sounds[static_cast<std::size_t>(id)]);
}

int32_t SdlAudio::loop(int32_t id, int32_t volume)
{
    if (id < 0 || id >= static_cast<int32_t>(m_sounds.size()) || !m_mixer)
        return -1;
    return m_mixer->loop(m_sounds[static_cast<std::size_t>(id)], volume);
}

void SdlAudio::setLoopVolume(int32_t handle, int32_t volume)
{
    if (m_mixer)
        m_mixer->setLoopVolume(handle, volume);
}

void SdlAudio::stopLoop(int32_t handle)
{
    if (m_mixer)
        m_mixer->stopLoop(handle);
}

void SdlAudio::setVolumes(int32_t effects, int32_t music)
{
    m_effects = std::clamp(effects, 0, 100);
    m_music = std::clamp(music, 0, 100);
    if (m_mixer)
        m_mixer->setVolumes(m_effects, m_music);
}
