#include "runtime/Class_.h"

ref<InputStream> Class_::getResourceAsStream(const ref<String>& name)
{
    if (!name)
        return nullptr;
    ref<InputStream> in = new InputStream;
    if (!in || !in->open(name->c_str()))
        return nullptr;
    return in;
}
