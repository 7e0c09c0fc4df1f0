// The headless script: the input is a script file, read as --script reads it.
// A script that loads must be in time order with every touch released before
// the next; one that does not must say where.
#include <cstdint>
#include <string>

#include "HeadlessScript.h"
#include "support/FuzzCheck.h"
#include "support/FuzzFolder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    FuzzFolder& folder = FuzzFolder::instance();
    folder.write("fz.script", data, size);
    HeadlessScript script;
    std::string error;
    const std::string path = folder.path() + "/fz.script";
    if (!script.load(path, error)) {
        fuzzCheck(script.m_events.empty(), "a bad script runs nothing");
        fuzzCheck(error.rfind(path + ":", 0) == 0, "the error names the script");
        return 0;
    }
    int32_t last = 0;
    bool touching = false;
    for (const HeadlessScript::Event& e : script.m_events) {
        fuzzCheck(e.at >= last, "events are in time order");
        last = e.at;
        if (e.kind == HeadlessScript::Press || e.kind == HeadlessScript::Down || e.kind == HeadlessScript::Up)
            fuzzCheck(e.code >= 0 && e.code <= 127, "key codes are 7 bits");
        if (e.kind == HeadlessScript::Touch)
            fuzzCheck(!touching, "a touch starts only when none is down");
        if (e.kind == HeadlessScript::Move || e.kind == HeadlessScript::Release)
            fuzzCheck(touching, "moves and releases follow a touch");
        if (e.kind == HeadlessScript::Touch || e.kind == HeadlessScript::Release)
            touching = e.kind == HeadlessScript::Touch;
    }
    return 0;
}
