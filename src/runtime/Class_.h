#pragma once
#include "runtime/InputStream.h"
#include "runtime/Object.h"
#include "runtime/String.h"
#include "runtime/ref.h"

// Access to the game's resource files.
class Class_ : public Object {
public:
    // A stream open on the named resource, or null when it cannot be opened.
    static ref<InputStream> getResourceAsStream(const ref<String>& name);
};
