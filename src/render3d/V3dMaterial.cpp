#include "render3d/V3dMaterial.h"

#include "render3d/V3dTexture.h"

V3dMaterial::V3dMaterial() = default;
V3dMaterial::~V3dMaterial() = default;
