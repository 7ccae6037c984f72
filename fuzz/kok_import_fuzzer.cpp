// Importing a KOK file into a new song, then saving the song as the import's caller does.
#include "fuzz_support.h"

#include "document/song.h"
#include "importexport/kok_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyrimo;
    fuzz::Setup();
    tLyrimoData song;
    if (ImportKok(fuzz::InputFile(data, size, ".kok"), song))
        song.SaveToFile(fuzz::ScratchFolder() + "/imported.lym");
    return 0;
}
