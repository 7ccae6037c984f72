// A stored import template: its value applied to a song of several parts, then taken from that
// song again. Taking and applying must agree: the second record applies to the same song.
#include "fuzz_support.h"

#include "document/import_template.h"
#include "document/song.h"

#include <cstdlib>
#include <memory>

namespace {

void MakeSong(lyrimo::tLyrimoData& song) {
    using namespace lyrimo;
    for (int p = 0; p < 2; ++p) {
        auto part = std::make_unique<tLyricsData>();
        for (int l = 0; l < 3; ++l)
            part->AddLine()->SetWideText("la la");
        song.AddPart(std::move(part));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyrimo;
    fuzz::Setup();
    const QByteArray value(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    tLyrimoData song;
    MakeSong(song);
    if (!ApplyTemplateValue(value, song))
        return 0;
    const tTemplateRecord taken = TemplateFromSong(song);
    ApplyTemplateRecord(taken, song);
    if (!(TemplateFromSong(song) == taken))
        std::abort();
    return 0;
}
