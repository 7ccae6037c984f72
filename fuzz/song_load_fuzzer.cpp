// The whole song file as the player opens it: every section, the embedded pictures and media,
// then saved again and read back, since the writer must cope with whatever the reader kept.
#include "fuzz_support.h"

#include "document/song.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyrimo;
    fuzz::Setup();
    tLyrimoData song;
    if (song.LoadFromFile(fuzz::InputFile(data, size, ".lym"), true) != 0)
        return 0;
    const QString saved = fuzz::ScratchFolder() + "/saved.lym";
    if (song.SaveToFile(saved) != 0)
        return 0;
    tLyrimoData again;
    again.LoadFromFile(saved, false);
    return 0;
}
