#include "AudioReopen.h"

#include "SoundMixer.h"

void AudioReopen::removed(uint32_t nowMs)
{
    if (m_lost)
        return;
    m_lost = true;
    m_device.shut();
    m_mixer.setDeviceLost(true);
    m_nextTry = nowMs + kRetryMs;
}

bool AudioReopen::poll(uint32_t nowMs)
{
    // The difference as signed, so the millisecond clock may wrap.
    if (!m_lost || static_cast<int32_t>(nowMs - m_nextTry) < 0)
        return false;
    if (!m_device.reopen()) {
        m_nextTry = nowMs + kRetryMs;
        return false;
    }
    m_lost = false;
    m_mixer.setDeviceLost(false);
    return true;
}
