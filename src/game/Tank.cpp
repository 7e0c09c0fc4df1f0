#include "game/Tank.h"

int32_t Tank::m_enemyCount = 0;
int32_t Tank::m_dir = 0;
