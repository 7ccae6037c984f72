// One importer, chosen when the target is built by the extension of the files it imports
// (LYRIMO_FUZZ_IMPORT_EXTENSION, such as ".kar"): the file is imported into a new song, which
// is then saved as the import's caller does.
#include "fuzz_support.h"

#include "document/song.h"
#include "importexport/import_dispatch.h"

#ifndef LYRIMO_FUZZ_IMPORT_EXTENSION
#error "LYRIMO_FUZZ_IMPORT_EXTENSION names the extension of the files the target imports"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyrimo;
    fuzz::Setup();
    tLyrimoData song;
    if (ImportByExtension(fuzz::InputFile(data, size, QStringLiteral(LYRIMO_FUZZ_IMPORT_EXTENSION)), song))
        song.SaveToFile(fuzz::ScratchFolder() + "/imported.lym");
    return 0;
}
