#pragma once
#include <cstdint>

#include "render3d/V3dView.h"
#include "runtime/String.h"

// The 3D view of a battle run outside the game: a V3dView that counts the
// sounds it is asked to play (those that a player would hear), allocating
// nothing.
class BattleView : public V3dView {
public:
    void sound(const ref<String>& name) override;
    void soundBkg(const ref<String>& name, int32_t interval) override;

    // How many times the sound was heard.
    int32_t heard(const char* name) const;
    void forget();

private:
    void count(const String* name);

    static constexpr int32_t kNames = 16;
    const String* m_names[kNames] = {};
    int32_t m_counts[kNames] = {};
};
