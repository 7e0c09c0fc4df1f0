#include "SdlInput.h"

#include <algorithm>
#include <cstring>

#include "host/Input.h"

SdlInput::SdlInput() = default;

SdlInput::~SdlInput()
{
    closePads();
}

int32_t SdlInput::keyCode(SDL_Keycode key)
{
    switch (key) {
    case SDLK_LEFT:
    case SDLK_KP_4: // the keypad's arrows, as printed on it
        return Key::kLeft;
    case SDLK_RIGHT:
    case SDLK_KP_6:
        return Key::kRight;
    case SDLK_UP:
    case SDLK_KP_8:
        return Key::kUp;
    case SDLK_DOWN:
    case SDLK_KP_2:
        return Key::kDown;
    case SDLK_RETURN:
    case SDLK_RETURN2:
    case SDLK_KP_ENTER:
        return Key::kEnter;
    case SDLK_SPACE:
        return Key::kSpace;
    case SDLK_TAB:
        return Key::kTab;
    case SDLK_ASTERISK:
    case SDLK_KP_MULTIPLY:
        return Key::kStar;
    case SDLK_ESCAPE:
        return Key::kEscape;
    case SDLK_PLUS:
    case SDLK_EQUALS: // '+' without the shift key on most layouts
    case SDLK_KP_PLUS:
        return Key::kPlus;
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
        return Key::kMinus;
    case SDLK_KP_0:
        return Key::digit(0);
    case SDLK_PAGEUP:
        return Key::kPageUp;
    case SDLK_PAGEDOWN:
        return Key::kPageDown;
    case SDLK_HOME:
        return Key::kHome;
    case SDLK_END:
        return Key::kEnd;
    default:
        break;
    }
    if (key >= SDLK_0 && key <= SDLK_9)
        return Key::digit(key - SDLK_0);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return Key::digit(1 + (key - SDLK_KP_1));
    if (key >= SDLK_a && key <= SDLK_z)
        return Key::letter(static_cast<char>('a' + (key - SDLK_a)));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return Key::function(1 + (key - SDLK_F1));
    return Key::kNone;
}

int32_t SdlInput::keyCode(SDL_Keycode key, SDL_Scancode scancode)
{
    const int32_t code = keyCode(key);
    // Only keys that type a character outside ASCII: a sign such as '&' is
    // the layout's own key, and a Latin letter is already its place.
    if (code != Key::kNone || (key & SDLK_SCANCODE_MASK) != 0 || key < 0x80)
        return code;
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return Key::letter(static_cast<char>('a' + (scancode - SDL_SCANCODE_A)));
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return Key::digit(1 + (scancode - SDL_SCANCODE_1));
    return scancode == SDL_SCANCODE_0 ? Key::digit(0) : Key::kNone;
}

int32_t SdlInput::padCode(int32_t button)
{
    constexpr struct {
        int32_t button = 0;
        int32_t code = Key::kNone;
    } kButtons[] = {
        {SDL_CONTROLLER_BUTTON_A, Key::kPadA},
        {SDL_CONTROLLER_BUTTON_B, Key::kPadB},
        {SDL_CONTROLLER_BUTTON_X, Key::kPadX},
        {SDL_CONTROLLER_BUTTON_Y, Key::kPadY},
        {SDL_CONTROLLER_BUTTON_BACK, Key::kPadBack},
        {SDL_CONTROLLER_BUTTON_START, Key::kPadStart},
        {SDL_CONTROLLER_BUTTON_LEFTSTICK, Key::kPadLeftStick},
        {SDL_CONTROLLER_BUTTON_RIGHTSTICK, Key::kPadRightStick},
        {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, Key::kPadLeftShoulder},
        {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, Key::kPadRightShoulder},
        {SDL_CONTROLLER_BUTTON_DPAD_UP, Key::kPadUp},
        {SDL_CONTROLLER_BUTTON_DPAD_DOWN, Key::kPadDown},
        {SDL_CONTROLLER_BUTTON_DPAD_LEFT, Key::kPadLeft},
        {SDL_CONTROLLER_BUTTON_DPAD_RIGHT, Key::kPadRight},
    };
    for (const auto& b : kButtons)
        if (b.button == button)
            return b.code;
    return Key::kNone;
}

void SdlInput::setScreen(const WindowGeometry& window, const WindowGeometry::Rect& shown, int32_t width,
                         int32_t height)
{
    m_window = window;
    m_shown = shown;
    m_width = std::max(width, 1);
    m_height = std::max(height, 1);
}

void SdlInput::logical(int32_t wx, int32_t wy, int32_t& x, int32_t& y) const
{
    x = wx;
    y = wy;
    m_window.logical(m_shown, m_width, m_height, x, y);
}

bool SdlInput::handle(const SDL_Event& e, Input* in)
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
    if (!in)
        return false;
    return handleKey(e, *in) || handleMouse(e, *in) || handlePad(e, *in);
}

bool SdlInput::handleKey(const SDL_Event& e, Input& in)
{
    if (e.type != SDL_KEYDOWN && e.type != SDL_KEYUP)
        return false;
    const SDL_Scancode sc = e.key.keysym.scancode;
    if (sc < 0 || sc >= SDL_NUM_SCANCODES)
        return true;
    if (e.type == SDL_KEYDOWN) {
        // Held keys stay held until released; the system's repeats are not presses.
        if (e.key.repeat || m_keyDown[sc])
            return true;
        const int32_t code = keyCode(e.key.keysym.sym, sc);
        if (code != Key::kNone) {
            m_keyDown[sc] = static_cast<int16_t>(code);
            in.keyDownSys(code);
        }
    } else if (m_keyDown[sc]) {
        in.keyUpSys(m_keyDown[sc]);
        m_keyDown[sc] = 0;
    }
    return true;
}

bool SdlInput::handleMouse(const SDL_Event& e, Input& in)
{
    int32_t x = 0, y = 0;
    switch (e.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (e.button.button == SDL_BUTTON_LEFT) {
            logical(e.button.x, e.button.y, x, y);
            if (e.type == SDL_MOUSEBUTTONDOWN)
                in.touchBegin(x, y);
            else
                in.touchEnd(x, y);
        }
        return true;
    case SDL_MOUSEMOTION:
        // Whole logical pixels, so slow motion at a large scale is not lost.
        logical(e.motion.x, e.motion.y, x, y);
        in.touchMove(x, y);
        in.pointerSys(x, y);
        return true;
    case SDL_MOUSEWHEEL:
        in.wheelSys(e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y);
        return true;
    default:
        return false;
    }
}

bool SdlInput::handlePad(const SDL_Event& e, Input& in)
{
    switch (e.type) {
    case SDL_CONTROLLERDEVICEREMOVED: {
        auto p = m_pads.find(e.cdevice.which);
        if (p != m_pads.end()) {
            p->second.state.release(in);
            SDL_GameControllerClose(p->second.controller);
            m_pads.erase(p);
        }
        return true;
    }
    case SDL_CONTROLLERBUTTONDOWN:
    case SDL_CONTROLLERBUTTONUP: {
        auto p = m_pads.find(e.cbutton.which);
        if (p != m_pads.end())
            p->second.state.button(in, padCode(e.cbutton.button), e.type == SDL_CONTROLLERBUTTONDOWN);
        return true;
    }
    case SDL_CONTROLLERAXISMOTION: {
        auto p = m_pads.find(e.caxis.which);
        // SDL's axes, in SDL's order.
        constexpr PadState::Axis kAxes[SDL_CONTROLLER_AXIS_MAX] = {PadState::LeftX,  PadState::LeftY,
                                                                   PadState::RightX, PadState::RightY,
                                                                   PadState::LeftTrigger, PadState::RightTrigger};
        if (p != m_pads.end() && e.caxis.axis < SDL_CONTROLLER_AXIS_MAX)
            p->second.state.axis(in, kAxes[e.caxis.axis], e.caxis.value);
        return true;
    }
    default:
        return false;
    }
}

void SdlInput::releaseAll(Input& in)
{
    in.releaseAll();
    // The input let go of everything: nothing here is held any more either.
    std::memset(m_keyDown, 0, sizeof m_keyDown);
    for (auto& [id, pad] : m_pads)
        pad.state.forget();
}

void SdlInput::closePads()
{
    for (auto& [id, pad] : m_pads)
        SDL_GameControllerClose(pad.controller);
    m_pads.clear();
}
