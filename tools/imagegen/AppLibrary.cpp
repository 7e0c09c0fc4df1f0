#include "AppLibrary.h"

#include "EffectPictures.h"
#include "GroundTextures.h"
#include "InterfacePictures.h"
#include "ModelTextures.h"
#include "ScenePictures.h"

std::vector<AppLibrary::Entry> AppLibrary::pictures(const MapPicture& map)
{
    using E = PictureEncoding;
    using Icon = InterfacePictures::Icon;
    std::vector<Entry> out;
    auto add = [&out](SourcePicture p, E e) { out.push_back({std::move(p), e}); };
    // 0 .. 6: ground of land sites; picture 0 must be a JPEG.
    for (int32_t c = 0; c < GroundTextures::kClasses; ++c)
        add(GroundTextures::land(c), E::Jpeg);
    add(InterfacePictures::button(true), E::Rle);   // 7
    add(InterfacePictures::button(false), E::Rle);  // 8
    // 9 .. 15: ground of river sites.
    for (int32_t c = 0; c < GroundTextures::kClasses; ++c)
        add(GroundTextures::river(c), E::Jpeg);
    add(EffectPictures::puff(), E::JpegMasked);  // 16
    for (int32_t f = 0; f < EffectPictures::kFrames; ++f)
        add(EffectPictures::explosion(f), E::JpegMasked);  // 17 .. 28
    for (int32_t f = 0; f < 3; ++f)
        add(InterfacePictures::flag(f), E::Rle);  // 29 .. 31
    for (Icon i : {Icon::Aim, Icon::Down, Icon::Drive, Icon::Left, Icon::Menu, Icon::Right, Icon::Fire, Icon::Up,
                   Icon::View})
        add(InterfacePictures::icon(i), E::Rle);  // 32 .. 40
    add(map.draw(), E::Jpeg);                      // 41
    add(ScenePictures::battlefield(), E::Jpeg);    // 42
    add(ScenePictures::victory(), E::JpegMasked);  // 43
    add(InterfacePictures::radar(), E::JpegMasked);  // 44
    for (int32_t i = 45; i <= 48; ++i)
        add(InterfacePictures::spare(i), E::RleOpaque);
    add(ScenePictures::splash(), E::Jpeg);  // 49
    // The vehicle models' textures, looked up by name.
    for (SourcePicture& p : ModelTextures::all())
        add(std::move(p), E::Jpeg);
    return out;
}
