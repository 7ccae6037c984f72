// The quick read of a song's settings that lists of songs use, and a load without media.
#include "fuzz_support.h"

#include "document/song.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyrimo;
    fuzz::Setup();
    const QString path = fuzz::InputFile(data, size, ".lym");
    tSongSettings settings;
    ReadSettingsRecord(path, settings);
    tLyrimoData song;
    song.LoadFromFile(path, false);
    return 0;
}
