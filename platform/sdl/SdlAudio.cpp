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
    } else if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
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
    Mix_AllocateChannels(16);
    m_open = true;
}

void SdlAudio::close()
{
    // No chunk may be freed while a channel still plays it.
    if (m_open)
        Mix_HaltChannel(-1);
    for (Mix_Chunk* c : m_chunks) {
        if (c)
            Mix_FreeChunk(c);
    }
    m_chunks.clear();
    m_isMusic.clear();
    if (m_open) {
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_open = false;
    }
}

int32_t SdlAudio::load(const char* path)
{
    Mix_Chunk* chunk = nullptr;
    if (m_open) {
        chunk = Mix_LoadWAV(path);
        if (!chunk)
            return -1;
    } else {
        std::FILE* f = std::fopen(path, "rb");
        if (!f)
            return -1;
        std::fclose(f);
    }
    int32_t id = static_cast<int32_t>(m_chunks.size());
    m_chunks.push_back(chunk);
    m_isMusic.push_back(std::filesystem::path(path).stem().string().rfind("music", 0) == 0);
    return id;
}

void SdlAudio::play(int32_t id)
{
    if (id < 0 || id >= static_cast<int32_t>(m_chunks.size()) || !m_chunks[static_cast<std::size_t>(id)])
        return;
    const auto i = static_cast<std::size_t>(id);
    Mix_VolumeChunk(m_chunks[i], (m_isMusic[i] ? m_music : m_effects) * MIX_MAX_VOLUME / 100);
    Mix_PlayChannel(-1, m_chunks[i], 0);
}

void SdlAudio::setVolumes(int32_t effects, int32_t music)
{
    m_effects = std::clamp(effects, 0, 100);
    m_music = std::clamp(music, 0, 100);
}
