#include "SdlAudio.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include <SDL.h>
#include <SDL_mixer.h>

SdlAudio::~SdlAudio()
{
    close();
}

void SdlAudio::open(bool mute)
{
    if (mute || m_open)
        return;
    // The sound libraries under SDL (ALSA above all) report a missing sound
    // card on stderr, line after line; the player needs only the one below.
    // Only the main thread runs yet, so nothing else is lost meanwhile.
    std::fflush(stderr);
    const int saved = ::dup(2);
    const int quiet = ::open("/dev/null", O_WRONLY);
    if (saved >= 0 && quiet >= 0)
        ::dup2(quiet, 2);
    std::string failure;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        failure = SDL_GetError();
    } else if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
        failure = Mix_GetError();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    std::fflush(stderr);
    if (saved >= 0 && quiet >= 0)
        ::dup2(saved, 2);
    if (saved >= 0)
        ::close(saved);
    if (quiet >= 0)
        ::close(quiet);
    if (!failure.empty()) {
        std::fprintf(stderr, "korvath: no sound (%s); the game runs silent\n", failure.c_str());
        return;
    }
    int rate = 44100, channels = 2;
    Uint16 format = AUDIO_S16SYS;
    Mix_QuerySpec(&rate, &format, &channels);
    m_mixer = std::make_unique<SoundMixer>(channels, rate);
    m_mixer->setVolumes(m_effects, m_music);
    // SDL2_mixer's own channels stay unused: it would clip their sum.
    Mix_AllocateChannels(0);
    Mix_HookMusic(&SdlAudio::mixInto, m_mixer.get());
    m_open = true;
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
    if (m_open) {
        // The mixer goes after the stream that reads it has stopped.
        Mix_HookMusic(nullptr, nullptr);
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_mixer.reset();
        m_open = false;
    }
}

int32_t SdlAudio::load(const char* path)
{
    int32_t sound = -1;
    if (m_open) {
        // Read and converted to the device's rate and channels.
        Mix_Chunk* chunk = Mix_LoadWAV(path);
        if (!chunk)
            return -1;
        const auto* samples = reinterpret_cast<const int16_t*>(chunk->abuf);
        std::vector<int16_t> copy(samples, samples + chunk->alen / sizeof(int16_t));
        Mix_FreeChunk(chunk);
        sound = m_mixer->add(std::move(copy), std::filesystem::path(path).stem().string().rfind("music", 0) == 0);
    } else {
        std::FILE* f = std::fopen(path, "rb");
        if (!f)
            return -1;
        std::fclose(f);
    }
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
