#include "SdlInput.h"

#include <algorithm>

#include "scene/Viewport.h"

SdlInput::SdlInput() = default;

SdlInput::~SdlInput()
{
    closePads();
}

int32_t SdlInput::keyCode(SDL_Keycode key)
{
    switch (key) {
    case SDLK_LEFT:
        return 1;
    case SDLK_RIGHT:
        return 2;
    case SDLK_UP:
        return 3;
    case SDLK_DOWN:
        return 4;
    case SDLK_RETURN:
    case SDLK_RETURN2:
    case SDLK_KP_ENTER:
        return 10;
    case SDLK_SPACE:
        return ' ';
    case SDLK_TAB:
        return '\t';
    case SDLK_ASTERISK:
    case SDLK_KP_MULTIPLY:
        return '*';
    case SDLK_ESCAPE:
        return 6;
    case SDLK_PLUS:
    case SDLK_EQUALS: // '+' without the shift key on most layouts
    case SDLK_KP_PLUS:
        return '+';
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
        return '-';
    case SDLK_KP_0:
        return '0';
    // The keypad's arrows, as printed on it.
    case SDLK_KP_4:
        return 1;
    case SDLK_KP_6:
        return 2;
    case SDLK_KP_8:
        return 3;
    case SDLK_KP_2:
        return 4;
    case SDLK_PAGEUP:
        return Viewport::kKeyPageUp;
    case SDLK_PAGEDOWN:
        return Viewport::kKeyPageDown;
    case SDLK_HOME:
        return Viewport::kKeyHome;
    case SDLK_END:
        return Viewport::kKeyEnd;
    // The camera keys of the model viewer are lower case.
    case SDLK_u:
        return 'u';
    case SDLK_d:
        return 'd';
    default:
        break;
    }
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + (key - SDLK_0);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return '1' + (key - SDLK_KP_1);
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + (key - SDLK_a);
    return -1;
}

int32_t SdlInput::heldArrow(int32_t code)
{
    switch (code) {
    case 'A':
        return 1;
    case 'D':
    case 'd': // the mesh viewer's lower-case d
        return 2;
    case 'W':
        return 3;
    case 'S':
        return 4;
    default:
        return 0;
    }
}

void SdlInput::unholdArrow(Viewport& vp, int32_t code)
{
    int32_t arrow = heldArrow(code);
    if (arrow != 0 && m_holders[arrow] > 0 && --m_holders[arrow] == 0)
        vp.keyHoldSys(arrow, false);
}

void SdlInput::setScreen(int32_t originX, int32_t originY, int32_t shownWidth, int32_t shownHeight,
                         int32_t width, int32_t height)
{
    m_originX = originX;
    m_originY = originY;
    m_shownWidth = std::max(shownWidth, 1);
    m_shownHeight = std::max(shownHeight, 1);
    m_width = std::max(width, 1);
    m_height = std::max(height, 1);
}

void SdlInput::logical(int32_t wx, int32_t wy, int32_t& x, int32_t& y) const
{
    // Floor division, so the pixel left of the screen does not round to column 0.
    auto floorDiv = [](int64_t a, int64_t b) { return static_cast<int32_t>(a >= 0 ? a / b : -((-a + b - 1) / b)); };
    x = std::clamp(floorDiv(static_cast<int64_t>(wx - m_originX) * m_width, m_shownWidth), 0, m_width - 1);
    y = std::clamp(floorDiv(static_cast<int64_t>(wy - m_originY) * m_height, m_shownHeight), 0, m_height - 1);
}

void SdlInput::pointerLeft(Viewport& vp)
{
    vp.m_pointerX.store(-1);
    vp.m_pointerY.store(-1);
}

void SdlInput::hold(Viewport& vp, int32_t code)
{
    // Codes above 57 are queued on every press and never held.
    if (code < 0 || code > 57) {
        vp.keyDownSys(code);
        return;
    }
    if (m_holders[code]++ == 0)
        vp.keyDownSys(code);
}

void SdlInput::unhold(Viewport& vp, int32_t code)
{
    if (code < 0 || code > 57 || m_holders[code] == 0)
        return;
    if (--m_holders[code] == 0)
        vp.keyUpSys(code);
}

bool SdlInput::handle(const SDL_Event& e, Viewport* view)
{
    if (e.type == SDL_CONTROLLERDEVICEADDED) {
        if (SDL_IsGameController(e.cdevice.which)) {
            SDL_GameController* c = SDL_GameControllerOpen(e.cdevice.which);
            if (c) {
                SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(c));
                if (m_pads.count(id))
                    SDL_GameControllerClose(c); // already open (announced twice)
                else
                    m_pads[id].controller = c;
            }
        }
        return true;
    }
    if (!view)
        return false;
    Viewport& vp = *view;
    switch (e.type) {
    case SDL_KEYDOWN: {
        SDL_Scancode sc = e.key.keysym.scancode;
        // Held keys keep their bit until released; the system's repeats are not presses.
        if (e.key.repeat || sc < 0 || sc >= SDL_NUM_SCANCODES || m_keyDown[sc])
            return true;
        int32_t code = keyCode(e.key.keysym.sym);
        if (code > 0) {
            m_keyDown[sc] = static_cast<int16_t>(code);
            hold(vp, code);
            // W, A, S and D are letters to the menus and, held, the arrows
            // to the tank: the arrow's bit is held without a second press.
            if (int32_t arrow = heldArrow(code)) {
                if (m_holders[arrow]++ == 0)
                    vp.keyHoldSys(arrow, true);
            }
        }
        return true;
    }
    case SDL_KEYUP: {
        SDL_Scancode sc = e.key.keysym.scancode;
        if (sc < 0 || sc >= SDL_NUM_SCANCODES || !m_keyDown[sc])
            return true;
        unhold(vp, m_keyDown[sc]);
        unholdArrow(vp, m_keyDown[sc]);
        m_keyDown[sc] = 0;
        return true;
    }
    case SDL_MOUSEBUTTONDOWN:
        if (e.button.button == SDL_BUTTON_LEFT && !m_touching) {
            logical(e.button.x, e.button.y, m_touchX, m_touchY);
            m_touching = true;
            vp.m_mouseX.store(m_touchX);
            vp.m_mouseY.store(m_touchY);
            hold(vp, 5);
        }
        return true;
    case SDL_MOUSEMOTION: {
        int32_t x, y;
        logical(e.motion.x, e.motion.y, x, y);
        if (m_touching) {
            // Whole logical pixels, so slow motion at a large scale is not lost.
            vp.m_dragX.fetch_add(x - m_touchX);
            vp.m_dragY.fetch_add(y - m_touchY);
            m_touchX = x;
            m_touchY = y;
        }
        vp.m_pointerX.store(x);
        vp.m_pointerY.store(y);
        return true;
    }
    case SDL_MOUSEWHEEL: {
        int32_t notches = e.wheel.y;
        if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED)
            notches = -notches;
        vp.m_wheel.fetch_add(notches);
        return true;
    }
    case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT && m_touching) {
            logical(e.button.x, e.button.y, m_touchX, m_touchY);
            m_touching = false;
            vp.m_mouseX.store(m_touchX);
            vp.m_mouseY.store(m_touchY);
            unhold(vp, 5);
        }
        return true;
    case SDL_CONTROLLERDEVICEREMOVED: {
        auto p = m_pads.find(e.cdevice.which);
        if (p != m_pads.end()) {
            releasePad(vp, p->second);
            SDL_GameControllerClose(p->second.controller);
            m_pads.erase(p);
        }
        return true;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        auto p = m_pads.find(e.cbutton.which);
        if (p != m_pads.end())
            padButton(vp, p->second, e.cbutton.button, e.type == SDL_CONTROLLERBUTTONDOWN);
        return true;
    }
    case SDL_CONTROLLERAXISMOTION: {
        auto p = m_pads.find(e.caxis.which);
        if (p != m_pads.end())
            padAxis(vp, p->second, e.caxis.axis, e.caxis.value);
        return true;
    }
    default:
        return false;
    }
}

void SdlInput::padButton(Viewport& vp, Pad& pad, int32_t button, bool down)
{
    if (button < 0 || button >= SDL_CONTROLLER_BUTTON_MAX || pad.button[button] == down)
        return;
    int32_t code = -1;
    switch (button) {
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
        code = 1;
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
        code = 2;
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_UP:
        code = 3;
        break;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
        code = 4;
        break;
    case SDL_CONTROLLER_BUTTON_A:
        code = 10;
        break;
    case SDL_CONTROLLER_BUTTON_B:
        code = '3';
        break;
    case SDL_CONTROLLER_BUTTON_X:
        code = '9';
        break;
    case SDL_CONTROLLER_BUTTON_Y:
    case SDL_CONTROLLER_BUTTON_START:
        code = 6;
        break;
    case SDL_CONTROLLER_BUTTON_LEFTSHOULDER:
        code = '1';
        break;
    case SDL_CONTROLLER_BUTTON_RIGHTSHOULDER:
        code = '7';
        break;
    default:
        return;
    }
    pad.button[button] = down;
    if (down)
        hold(vp, code);
    else
        unhold(vp, code);
}

void SdlInput::padAxis(Viewport& vp, Pad& pad, int32_t axis, int32_t value)
{
    auto stick = [&](int32_t negative, int32_t positive) {
        // negative and positive index pad.stick and, plus one, are the codes.
        bool on[2] = {pad.stick[negative], pad.stick[positive]};
        on[0] = on[0] ? value < -kStickRelease : value <= -kStickPress;
        on[1] = on[1] ? value > kStickRelease : value >= kStickPress;
        int32_t dirs[2] = {negative, positive};
        for (int32_t i = 0; i < 2; i++) {
            bool& held = pad.stick[dirs[i]];
            if (held == on[i])
                continue;
            held = on[i];
            if (held)
                hold(vp, dirs[i] + 1);
            else
                unhold(vp, dirs[i] + 1);
        }
    };
    // Full deflection reads as one g (32768).
    auto tilt = [](int32_t v) {
        if (v > -kTiltDeadZone && v < kTiltDeadZone)
            return 0;
        return static_cast<int32_t>(static_cast<int64_t>(std::max(v, -32767)) * 32768 / 32767);
    };
    switch (axis) {
    case SDL_CONTROLLER_AXIS_LEFTX:
        stick(0, 1);
        break;
    case SDL_CONTROLLER_AXIS_LEFTY: // SDL's y grows downwards
        stick(2, 3);
        break;
    case SDL_CONTROLLER_AXIS_RIGHTX:
        vp.m_tiltX.store(tilt(value));
        break;
    case SDL_CONTROLLER_AXIS_RIGHTY:
        vp.m_tiltY.store(tilt(value));
        break;
    default:
        break;
    }
}

void SdlInput::releasePad(Viewport& vp, Pad& pad)
{
    for (int32_t b = 0; b < SDL_CONTROLLER_BUTTON_MAX; b++)
        padButton(vp, pad, b, false);
    for (int32_t d = 0; d < 4; d++) {
        if (pad.stick[d]) {
            pad.stick[d] = false;
            unhold(vp, d + 1);
        }
    }
    vp.m_tiltX.store(0);
    vp.m_tiltY.store(0);
}

void SdlInput::releaseAll(Viewport& vp)
{
    for (int32_t sc = 0; sc < SDL_NUM_SCANCODES; sc++) {
        if (m_keyDown[sc]) {
            unhold(vp, m_keyDown[sc]);
            unholdArrow(vp, m_keyDown[sc]);
            m_keyDown[sc] = 0;
        }
    }
    if (m_touching) {
        m_touching = false;
        vp.m_mouseX.store(m_touchX);
        vp.m_mouseY.store(m_touchY);
        unhold(vp, 5);
    }
    for (auto& [id, pad] : m_pads)
        releasePad(vp, pad);
}

void SdlInput::closePads()
{
    for (auto& [id, pad] : m_pads)
        SDL_GameControllerClose(pad.controller);
    m_pads.clear();
}
