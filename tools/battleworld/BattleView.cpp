#include "BattleView.h"

#include "host/Host.h"

void BattleView::count(const String* name)
{
    for (int32_t i = 0; i < kNames; i++) {
        if (!m_names[i])
            m_names[i] = name;
        if (m_names[i] == name || m_names[i]->equals(name)) {
            m_counts[i]++;
            return;
        }
    }
}

void BattleView::sound(const ref<String>& name)
{
    if (!m_mute && isRunning())
        count(name.get());
    V3dView::sound(name);
}

void BattleView::soundBkg(const ref<String>& name, int32_t interval)
{
    // Heard unless another sound started less than interval ago.
    int32_t d = Host::current().nowMs() - m_soundTime;
    if (!m_mute && isRunning() && !(d >= 0 && d < interval))
        count(name.get());
    V3dView::soundBkg(name, interval);
}

int32_t BattleView::heard(const char* name) const
{
    for (int32_t i = 0; i < kNames && m_names[i]; i++)
        if (m_names[i]->equals(String::intern(name).get()))
            return m_counts[i];
    return 0;
}

void BattleView::forget()
{
    for (int32_t i = 0; i < kNames; i++) {
        m_names[i] = nullptr;
        m_counts[i] = 0;
    }
}
