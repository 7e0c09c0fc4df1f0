#include "game/Flash.h"

#include "game/FreeList.h"
#include "game/Shell.h"

ref<Flash> Flash::m_free;

Flash::Flash() = default;
Flash::~Flash() = default;

ref<Flash> Flash::create()
{
    ref<Flash> f = takeFree(m_free);
    if (!f) {
        f = new Flash;
        if (!f)
            return nullptr;
        f->m_gravity = 0;
        f->m_mat = new Vmat;
    }
    // A wreck's flames draw smaller ones.
    f->setScale(1365);
    f->m_animTime = 0;
    return f;
}

bool Flash::prestep(int32_t dt)
{
    m_animTime += dt;
    while (m_animTime > 0) {
        m_animTime -= 2048;
        if (m_image >= Shell::kLastPicture) {
            giveFree(m_free, this);
            return false;
        }
        setImage(m_image + 1);
    }
    return true;
}
