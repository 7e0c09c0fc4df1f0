#include "WindowManager.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#ifdef KORVATH_HAVE_XCB
#include <xcb/xcb.h>
#endif

bool WindowManager::running(const char* videoDriver)
{
    const char* said = std::getenv("KORVATH_WINDOW_MANAGER");
    if (said && (std::strcmp(said, "0") == 0 || std::strcmp(said, "1") == 0))
        return said[0] == '1';
    if (!videoDriver || std::strcmp(videoDriver, "x11") != 0)
        return true;
    return onX11();
}

#ifdef KORVATH_HAVE_XCB

namespace {

// The window that the property WINDOW of window w names, or 0.
uint32_t windowProperty(xcb_connection_t* c, uint32_t w, xcb_atom_t property)
{
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_ATOM_WINDOW, 0, 1), nullptr);
    uint32_t named = 0;
    if (r && r->format == 32 && xcb_get_property_value_length(r) >= 4)
        std::memcpy(&named, xcb_get_property_value(r), 4);
    std::free(r);
    return named;
}

} // namespace

bool WindowManager::onX11()
{
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return true;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem > 0; i++)
        xcb_screen_next(&it);
    bool managed = true;
    static const char kCheck[] = "_NET_SUPPORTING_WM_CHECK";
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof kCheck - 1, kCheck), nullptr);
    if (it.rem > 0 && atom) {
        managed = false;
        if (atom->atom != XCB_ATOM_NONE) {
            // A manager that died leaves the root's property behind: the
            // window it names must name itself.
            const uint32_t wm = windowProperty(c, it.data->root, atom->atom);
            managed = wm != 0 && windowProperty(c, wm, atom->atom) == wm;
        }
    }
    std::free(atom);
    xcb_disconnect(c);
    return managed;
}

#else

bool WindowManager::onX11()
{
    return true;
}

#endif
