// Importing a MIDI karaoke file into a new song, then saving the song as the import's caller does.
#include "fuzz_support.h"

#include "document/song.h"
#include "importexport/midi_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyrimo;
    fuzz::Setup();
    tLyrimoData song;
    if (ImportMidi(fuzz::InputFile(data, size, ".kar"), song))
        song.SaveToFile(fuzz::ScratchFolder() + "/imported.lym");
    return 0;
}
