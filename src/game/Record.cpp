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

ref<String> Record::damagedName()
{
    return "korvath.damaged"_s;
}

Record::Loaded Record::load(Vdisplay& display, std::string* why)
{
    // One byte more than a record: a longer file is told from a whole one
    // without reading all of it.
    Array<int8_t> bytes(2 * kSlots + 1); // for a moment: not counted against the memory
    if (m_bytes.length != 2 * kSlots || bytes.length != 2 * kSlots + 1)
        return Loaded::None;
    const int32_t got = display.prefsLoad(name(), bytes, why);
    if (got == Vdisplay::kNoRecord)
        return Loaded::None;
    if (got < 0)
        return Loaded::Unreadable;
    if (got != 2 * kSlots && got != 2 * kOldSlots)
        return Loaded::Damaged;
    for (int32_t i = 0; i < got; i++)
        m_bytes[i] = bytes[i];
    return Loaded::Record;
}

bool Record::store(Vdisplay& display) const
{
    return m_bytes.length == 2 * kSlots && display.prefsWrite(name(), m_bytes);
}
