#include "game/Screen.h"

#include "game/App.h"

void Screen::draw()
{
    m_app.render();
}
