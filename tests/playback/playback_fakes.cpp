#include "playback_fakes.h"

namespace lyrimo::test {

std::unique_ptr<tLyrimoData> MakeSong(const std::vector<int>& linesPerPart, const QString& mediaPath,
                                      int firstLineStart, int lineSpacing) {
    auto song = std::make_unique<tLyrimoData>();
    while (song->PartCount() > 0) // a new song starts with one empty part
        song->DeletePart(0);
    tSongSettings& s = song->SongSettings;
    song->SetSongName("Twinkle");
    song->SetArtistName("Traditional");
    song->SetAlbumName("Nursery");
    song->SetSongYear("1806");
    s.setUseMediaFile(1);
    s.setMediaFileName(QFile::encodeName(mediaPath));
    s.setBackgroundColour(0x000000);
    s.setPlayWidth(800);
    s.setPlayHeight(600);
    tFontRecord titleFont;
    titleFont.setname("Arial");
    titleFont.setsize(24);
    titleFont.setcolour(0xFFFFFF);
    s.setTitleFont(titleFont);
    s.setTitleEffect(0);
    s.setTitleEffectSpeed(255); // revealed at once; the hold and fade-out still take their time
    for (size_t p = 0; p < linesPerPart.size(); ++p) {
        auto part = std::make_unique<tLyricsData>();
        tFontRecord font;
        font.setname("Arial");
        font.setsize(20);
        font.setcolour(0x00FFFF);
        part->PartRecord.setLyricsFont(font);
        for (int l = 0; l < linesPerPart[p]; ++l) {
            tTimingsLineType* line = part->AddLine();
            line->LineRecord.setText("Up above the world");
            line->LineRecord.setLineStart(firstLineStart + l * lineSpacing);
            line->LineRecord.setNormalColour(0x00FFFF);
            line->LineRecord.setHighlightColour(0x0000FF);
            for (int word = 0; word <= 4; ++word)
                line->AddTiming(
                    MakeTiming(uint8_t(std::min(18, word * 5)), uint16_t(word * lineSpacing / 5)));
        }
        part->PartRecord.setLineCount(uint16_t(part->LineCount()));
        song->AddPart(std::move(part));
    }
    s.setPartCount(uint16_t(song->PartCount()));
    return song;
}

} // namespace lyrimo::test
