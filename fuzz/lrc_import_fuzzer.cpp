// Importing an LRC file into a new song, then saving the song as the import's caller does.
#include "fuzz_support.h"

#include "document/song.h"
#include "importexport/lrc_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyrimo;
    fuzz::Setup();
    tLyrimoData song;
    if (ImportLrc(fuzz::InputFile(data, size, ".lrc"), song))
        song.SaveToFile(fuzz::ScratchFolder() + "/imported.lym");
    return 0;
}
