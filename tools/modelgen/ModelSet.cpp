#include "ModelSet.h"

Paint ModelSet::textured(VehicleTexture t, const Uv& uv)
{
    ModelMaterial m;
    m.texture = vehicleTextureName(t);
    m.name = m.texture;
    return {material(m), uv};
}

Paint ModelSet::plain(const std::string& name, uint32_t rgb)
{
    ModelMaterial m;
    m.name = name;
    m.color = static_cast<int32_t>(rgb & 0xFFFFFF);
    return {material(m), Uv::none()};
}

int32_t ModelSet::material(const ModelMaterial& m)
{
    for (std::size_t i = 0; i < m_file.materials.size(); i++)
        if (m_file.materials[i].name == m.name)
            return static_cast<int32_t>(i);
    m_file.materials.push_back(m);
    return static_cast<int32_t>(m_file.materials.size() - 1);
}

void ModelSet::add(const std::string& name, const MeshBuilder& b, Vec3 origin, int32_t scale)
{
    m_file.meshes.push_back(b.build(name, origin, scale));
    m_triangles[name] = static_cast<int32_t>(m_file.meshes.back().a.size());
}
