// swfscript OUT.swf: writes a movie that holds a DoAction script using every action class with data (pushes,
// jumps and ifs forward and backward through markers, a try block with catch and finally) and a run of
// data-free actions, a sprite with a DoInitAction, a placement of the sprite with clip actions, and a
// Protect tag whose salt is fixed. Prints the offset and bytes of every action of the script, then of the
// init script and of each clip-action record, for checks against an independent SWF reader.
// swfscript --crypt LENGTH SALT: prints the MD5-crypt string of a password of LENGTH characters (the letters
// a to z repeated) with SALT.
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/FlashObjects.h"
#include "swf/SWFObjects.h"
#include "tests/swf/SwfScriptSample.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace swf;

namespace {

// A sprite of one empty frame, enough for the init script and the placement to name it.
class ScriptSprite : public TFlashIDObject {
public:
    using TFlashIDObject::TFlashIDObject;
    void WriteToStream(TBitsEngine* engine) override {
        vcl::TMemoryStream body;
        const uint8_t bytes[] = {uint8_t(FCharacterID), uint8_t(FCharacterID >> 8), 1, 0, 0x40, 0x00, 0x00, 0x00};
        body.WriteBuffer(bytes, sizeof bytes);
        WriteTag(engine->GetStream(), tagDefineSprite, &body);
    }
};

std::string ScriptHex(const uint8_t* p, int64_t n) {
    std::string s;
    char buffer[4];
    for (int64_t i = 0; i < n; ++i) {
        std::snprintf(buffer, sizeof buffer, i ? " %02X" : "%02X", p[i]);
        s += buffer;
    }
    return s;
}

// Writes the list on its own and prints a line per action: its offset from the list's start, class and
// bytes, and for branches the offsets of the markers their fields go to (tab-separated).
void ScriptPrint(const char* title, TSWFActionList& list) {
    vcl::TMemoryStream stream;
    TBitsEngine engine(&stream);
    list.WriteToStream(&engine);
    auto* bytes = static_cast<const uint8_t*>(stream.Memory());
    std::printf("%s %lld\n", title, static_cast<long long>(stream.GetSize()));
    std::vector<int64_t> offsets;
    int64_t offset = 0;
    for (int32_t i = 0; i < list.Count(); ++i) {
        offsets.push_back(offset);
        offset += ActionSize(list.GetAction(i));
    }
    for (int32_t i = 0; i < list.Count(); ++i) {
        TSWFAction* a = list.GetAction(i);
        std::string targets;
        for (int32_t k = 0; k < a->MarkerFieldCount(); ++k) {
            auto* slot = a->MarkerField(k);
            int32_t at = slot && *slot ? list.IndexOf(slot->get()) : -1;
            targets += (k ? "," : "") + (at < 0 ? std::string("-") : std::to_string(offsets[size_t(at)]));
        }
        std::printf("%lld\t%s\t%s\t%s\n", static_cast<long long>(offsets[size_t(i)]), a->ClassName().c_str(),
                    ScriptHex(bytes + offsets[size_t(i)], ActionSize(a)).c_str(), targets.c_str());
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--crypt") {
        std::string password;
        for (long i = 0, n = std::strtol(argv[2], nullptr, 10); i < n; ++i)
            password += char('a' + i % 26);
        std::printf("%s\n", MD5Crypt(password, argv[3]).c_str());
        return 0;
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: swfscript OUT.swf | swfscript --crypt LENGTH SALT\n");
        return 2;
    }
    try {
        SetMD5CryptRandom([] { return uint32_t(20); });
        TFlashMovie movie(0, 0, 100, 100, 12, true);
        movie.GetBackgroundColor().SetColor(0xFFFFFF);
        movie.SetPassword("loomwick");
        movie.SetProtect(true);

        auto sprite = std::make_unique<ScriptSprite>(&movie);
        sprite->SetCharacterID(1);
        ScriptSprite* spriteObject = sprite.get();
        movie.AddObject(std::move(sprite));

        auto init = std::make_unique<TSWFDoInitAction>();
        init->SetSpriteID(1);
        init->GetActions().Add<TSWFActionPush>()->AddValue("init");
        init->GetActions().Add<TSWFActionTrace>();
        TSWFDoInitAction* initTag = init.get();
        movie.AddObject(std::move(init));

        auto script = std::make_unique<TFlashActionScript>(&movie);
        swfsample::BuildSampleScript(script->GetActions());
        TFlashActionScript* scriptObject = script.get();
        movie.AddObject(std::move(script));

        TFlashPlaceObject* place = movie.PlaceObject(spriteObject, 1);
        TSWFClipActions& clip = place->GetTag().GetClipActions();
        clip.AddRecord(ceLoad)->Add<TSWFActionPlay>();
        clip.AddRecord(0, 'k')->Add<TSWFActionStop>();
        TSWFClipActionRecord* tick = clip.AddRecord(ceEnterFrame | ceMouseDown);
        tick->Add<TSWFActionPush>()->AddValue("tick");
        tick->Add<TSWFActionTrace>();
        movie.ShowFrame();
        movie.SaveToFile(argv[1]);

        ScriptPrint("script", scriptObject->GetActions());
        ScriptPrint("init", initTag->GetActions());
        for (size_t i = 0; i < clip.GetRecords().size(); ++i)
            ScriptPrint(("clip" + std::to_string(i)).c_str(), *clip.GetRecords()[i]);
        std::printf("version %d frames %d\n", movie.GetVersion(), movie.GetFrameCount());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "swfscript: %s\n", e.what());
        return 1;
    }
    return 0;
}
