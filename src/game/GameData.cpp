#include "game/GameData.h"

#include "game/GameSound.h"
#include "host/Vdisplay.h"
#include "runtime/InputStream.h"
#include "runtime/StringBuffer.h"
#include "scene/Vilib.h"

const std::vector<std::string>& GameData::files()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> n = {"app0.bin", "f10.bin", "f16.bin", "help.txt", "layout", "p3d.bin"};
        for (const char* sound : GameSound::kAll)
            n.push_back(std::string(sound) + ".wav");
        return n;
    }();
    return names;
}

std::string GameData::firstMissing()
{
    for (const std::string& name : files()) {
        ref<InputStream> in = new InputStream;
        if (!in || !in->open(name.c_str()))
            return name;
    }
    // The first page is there; its directory tells how many more it needs.
    ref<Vilib> lib = new Vilib(new Vdisplay, "app"_s);
    const int32_t page = lib ? lib->missingPage() : -1;
    if (page >= 0)
        return "app" + std::to_string(page) + ".bin";
    return "";
}
