#include "game/Record.h"

#include "host/Vdisplay.h"
#include "math/V.h"

Record::Record() : m_bytes(V::allocByte(2 * kSlots)) {}

ref<String> Record::name()
{
    return "korvath"_s;
}

int32_t Record::get(Slot s) const
{
    if (s < 0 || s >= kSlots || m_bytes.length < 2 * kSlots)
        return 0;
    return (m_bytes[2 * s] & 255) + 256 * (m_bytes[2 * s + 1] & 255);
}

void Record::set(Slot s, int32_t v)
{
    if (s < 0 || s >= kSlots || m_bytes.length < 2 * kSlots)
        return;
    m_bytes[2 * s] = static_cast<int8_t>(v & 255);
    m_bytes[2 * s + 1] = static_cast<int8_t>((v >> 8) & 255);
}

bool Record::load(Vdisplay& display)
{
    return m_bytes.length == 2 * kSlots && display.prefsRead(name(), m_bytes);
}

bool Record::store(Vdisplay& display) const
{
    return m_bytes.length == 2 * kSlots && display.prefsWrite(name(), m_bytes);
}
