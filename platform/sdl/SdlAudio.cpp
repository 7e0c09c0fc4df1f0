#include "SdlAudio.h"

#include <cstdio>

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
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::printf("korvath: no sound (%s); the game runs silent\n", SDL_GetError());
        return;
    }
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 1024) != 0) {
        std::printf("korvath: no sound (%s); the game runs silent\n", Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
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
    m_ids.clear();
    if (m_open) {
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        m_open = false;
    }
}

int32_t SdlAudio::load(const char* path)
{
    auto found = m_ids.find(path);
    if (found != m_ids.end())
        return found->second;
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
    m_ids[path] = id;
    return id;
}

void SdlAudio::play(int32_t id)
{
    if (id < 0 || id >= static_cast<int32_t>(m_chunks.size()) || !m_chunks[static_cast<std::size_t>(id)])
        return;
    Mix_PlayChannel(-1, m_chunks[static_cast<std::size_t>(id)], 0);
}
