#pragma once
#include <cstdint>

// The side the player fights for, as the campaign record stores it.
enum class Side : int32_t {
    None = 0, // never chosen: a first start
    Allied = 1,
    German = 2,
    Soviet = 3,
};

// The kinds of tank, as the battle builds them.
enum class TankKind : int32_t {
    Sherman = 1,
    Tiger = 2,
    T34 = 3,
};

// The player's tank of a side: the Allied drive Shermans, the Germans
// Tigers, the Soviets T-34s.
constexpr TankKind tankOf(Side side)
{
    return side == Side::German ? TankKind::Tiger : side == Side::Soviet ? TankKind::T34 : TankKind::Sherman;
}
