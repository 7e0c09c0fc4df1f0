#include "scene/Vtheme.h"

#include "scene/Vfont.h"
#include "scene/Vilib.h"

Vtheme::Vtheme() = default;
Vtheme::~Vtheme() = default;
