#include "AppLibrary.h"

#include <cstdio>
#include <cstdlib>

#include "EffectPictures.h"
#include "GroundTextures.h"
#include "InterfacePictures.h"
#include "ModelTextures.h"
#include "ScenePictures.h"
#include "SkyPictures.h"
#include "ThingPictures.h"
#include "game/AppPicture.h"

std::vector<AppLibrary::Entry> AppLibrary::pictures(const MapPicture& map)
{
    using E = PictureEncoding;
    using Icon = InterfacePictures::Icon;
    using P = AppPicture;
    std::vector<Entry> out;
    // Each picture goes to the index the game draws it by.
    auto add = [&out](int32_t index, SourcePicture p, E e) {
        if (index != static_cast<int32_t>(out.size())) {
            std::printf("imagegen: picture %s drawn for index %d lands at %d\n", p.name.c_str(), index,
                        static_cast<int32_t>(out.size()));
            std::exit(1);
        }
        out.push_back({std::move(p), e});
    };
    // Picture 0 must be a JPEG: it carries the header the others share.
    for (int32_t c = 0; c < P::kGroundClasses; ++c)
        add(P::kGroundLand + c, GroundTextures::land(c), E::Jpeg);
    add(P::kButtonWide, InterfacePictures::button(true), E::Rle);
    add(P::kButtonNarrow, InterfacePictures::button(false), E::Rle);
    for (int32_t c = 0; c < P::kGroundClasses; ++c)
        add(P::kGroundRiver + c, GroundTextures::river(c), E::Jpeg);
    add(P::kPuff, EffectPictures::puff(), E::JpegMasked);
    for (int32_t f = 0; f < P::kExplosionFrames; ++f)
        add(P::kExplosion + f, EffectPictures::explosion(f), E::JpegMasked);
    for (int32_t f = 0; f < 3; ++f)
        add(P::kFlagGerman + f, InterfacePictures::flag(f), E::Rle);
    const Icon icons[] = {Icon::Aim, Icon::Down, Icon::Drive, Icon::Left, Icon::Menu,
                          Icon::Right, Icon::Fire, Icon::Up, Icon::View};
    for (int32_t i = 0; i < 9; ++i)
        add(P::kIconAim + i, InterfacePictures::icon(icons[i]), E::Rle);
    add(P::kMap, map.draw(), E::Jpeg);
    add(P::kBattlefield, ScenePictures::battlefield(), E::Jpeg);
    add(P::kVictory, ScenePictures::victory(), E::JpegMasked);
    add(P::kRadar, InterfacePictures::radar(), E::JpegMasked);
    for (int32_t i = P::kSpare; i < P::kSplash; ++i)
        add(i, InterfacePictures::spare(i), E::RleOpaque);
    add(P::kSplash, ScenePictures::splash(), E::Jpeg);
    for (int32_t v = 0; v < P::kSkies; ++v)
        add(P::kSky + v, SkyPictures::sky(v), E::Jpeg);
    for (int32_t k = 0; k < P::kThings; ++k)
        add(P::kThing + k, ThingPictures::thing(k), E::JpegMasked);
    // The vehicle models' textures follow, looked up by name.
    for (SourcePicture& p : ModelTextures::all())
        out.push_back({std::move(p), E::Jpeg});
    return out;
}
