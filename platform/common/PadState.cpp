#include "PadState.h"

#include <algorithm>

#include "host/Input.h"

void PadState::press(Input& in, bool& held, bool on, int32_t code)
{
    if (held == on)
        return;
    held = on;
    if (on)
        in.keyDownSys(code);
    else
        in.keyUpSys(code);
}

void PadState::button(Input& in, int32_t code, bool down)
{
    if (code < Key::kPadA || code > Key::kPadRight)
        return;
    press(in, m_button[code - Key::kPadA], down, code);
}

void PadState::axis(Input& in, Axis a, int32_t value)
{
    // Stick directions 0..3 are left, right, up and down: the d-pad's.
    constexpr int32_t kArrows[4] = {Key::kPadLeft, Key::kPadRight, Key::kPadUp, Key::kPadDown};
    auto stick = [&](int32_t negative, int32_t positive) {
        const bool onNegative = m_stick[negative] ? value < -kStickRelease : value <= -kStickPress;
        const bool onPositive = m_stick[positive] ? value > kStickRelease : value >= kStickPress;
        press(in, m_stick[negative], onNegative, kArrows[negative]);
        press(in, m_stick[positive], onPositive, kArrows[positive]);
    };
    // Full deflection reads as one g (32768).
    auto tilt = [](int32_t v) {
        if (v > -kTiltDeadZone && v < kTiltDeadZone)
            return 0;
        return static_cast<int32_t>(static_cast<int64_t>(std::clamp(v, -32767, 32767)) * 32768 / 32767);
    };
    switch (a) {
    case LeftX:
        stick(0, 1);
        break;
    case LeftY:
        stick(2, 3);
        break;
    case RightX:
    case RightY:
        (a == RightX ? m_tiltX : m_tiltY) = tilt(value);
        in.tiltSys(m_tiltX, m_tiltY);
        break;
    case LeftTrigger:
    case RightTrigger: {
        const int32_t t = a == LeftTrigger ? 0 : 1;
        const bool on = m_trigger[t] ? value > kStickRelease : value >= kStickPress;
        press(in, m_trigger[t], on, t == 0 ? Key::kPadLeftTrigger : Key::kPadRightTrigger);
        break;
    }
    }
}

void PadState::release(Input& in)
{
    for (int32_t code = Key::kPadA; code <= Key::kPadRight; code++)
        button(in, code, false);
    for (Axis a : {LeftX, LeftY, LeftTrigger, RightTrigger})
        axis(in, a, 0);
    m_tiltX = m_tiltY = 0;
    in.tiltSys(0, 0);
}

void PadState::forget()
{
    std::fill(std::begin(m_button), std::end(m_button), false);
    std::fill(std::begin(m_stick), std::end(m_stick), false);
    std::fill(std::begin(m_trigger), std::end(m_trigger), false);
    m_tiltX = m_tiltY = 0;
}
