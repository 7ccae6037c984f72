#include "editor/page_rules.h"

#include "app/app_services.h"
#include "editor/song_edits.h"
#include "render/title_effect.h"

#include <QFileInfo>

#include <algorithm>

namespace lyrimo {

int PreferredPlayerChoice(uint8_t stored) {
    const auto* it = std::find(kPreferredPlayerOrder.begin(), kPreferredPlayerOrder.end(), stored);
    return it == kPreferredPlayerOrder.end() ? 0 : int(it - kPreferredPlayerOrder.begin());
}

uint8_t PreferredPlayerOfChoice(int choice) {
    return choice < 0 || choice >= int(kPreferredPlayerOrder.size()) ? 0 : kPreferredPlayerOrder[choice];
}

int MediaTypeOf(const tSongSettings& s) {
    if (!s.UseMediaFile())
        return kMediaCd;
    return s.HasVideo() ? kMediaVideo : kMediaAudio;
}

void SetMediaType(tSongSettings& s, int type) {
    s.setUseMediaFile(type != kMediaCd);
    s.setHasVideo(type == kMediaVideo);
    if (type != kMediaVideo)
        s.setFullScreenVideo(false);
}

bool SlideShowInUse(const tSongSettings& s) { return s.SlideShowEnabled() || s.FullScreenSlideShow(); }

bool SharesScreen(const tSongSettings& s) {
    return (s.HasVideo() && !s.FullScreenVideo()) || (s.SlideShowEnabled() && !s.FullScreenSlideShow());
}

int TitleEffectChoice(uint8_t stored) { return stored % kTitleEffectCount; }

tTitleTexts ExampleTitleTexts(const tTitleTexts& texts) {
    if (texts.songName.isEmpty() && texts.artist.isEmpty() && texts.year.isEmpty())
        return {Translate("Example Title Text"), {}, {}};
    return texts;
}

QString EmbeddedMediaFilter(const QString& extension) {
    return extension + " " + Translate("files") + " |*" + extension + "|" + Translate("All Files") +
           " (*.*)|*.*";
}

QString BackgroundPictureFilter(const QString& extension) {
    return extension.mid(1) + " " + Translate("Files") + " (*" + extension + ")|*" + extension + "|" +
           Translate("All Files") + "|*.*";
}

bool IsSameFile(const QString& target, const QString& tempFile) {
    if (target.compare(tempFile, Qt::CaseInsensitive) == 0)
        return true;
    const QFileInfo a(target), b(tempFile);
    return a.exists() && b.exists() && a.canonicalFilePath() == b.canonicalFilePath();
}

void RefreshLyricsExample(tLyrimoData& example, const tLyrimoData& song, int partIndex) {
    static constexpr std::array<std::pair<uint8_t, uint16_t>, 7> kTimings = {
        {{5, 1000}, {9, 1300}, {13, 1600}, {18, 1900}, {22, 2200}, {25, 2600}, {34, 3000}}};
    example.SongSettings.setAltDrawMode(song.SongSettings.AltDrawMode());
    example.SongSettings.setExtraBreakChar('-');
    example.SongSettings.setExtraBreakCharHigh(0);
    while (example.PartCount() > 1)
        example.DeletePart(example.PartCount() - 1);
    if (example.PartCount() == 0)
        example.AddPart(std::make_unique<tLyricsData>());
    tLyricsData& target = *example.GetPart(0);
    const tLyricsData* source = song.GetPart(partIndex);
    if (source) {
        target.PartRecord = source->PartRecord;
        target.PartExtras = source->PartExtras;
        for (size_t slot = 0; slot < target.Slots.size(); ++slot)
            target.Slots[slot].Record = source->Slots[slot].Record;
    }
    target.PartRecord.setStartOffset(0);
    target.ClearLines();
    tTimingsLineType& line = *target.AddLine();
    line.LineRecord.setLineStart(0);
    SetEditorLineText(example, target, line, QString::fromLatin1(kExampleLyricsText));
    for (const auto& [position, delta] : kTimings) {
        tTimingRecord timing;
        timing.setPosition(position);
        timing.setDelta(delta);
        line.AddTiming(timing);
    }
    const tTimingsLineType* first = source ? source->GetLine(0) : nullptr;
    line.LineRecord.setNormalColour(first ? first->LineRecord.NormalColour() : 0x0000FF);
    line.LineRecord.setHighlightColour(first ? first->LineRecord.HighlightColour() : 0x00FF00);
    line.LineRecord.setHighlightBackground(first ? first->LineRecord.HighlightBackground() : 0xFF0000);
}

bool HasRealExampleLine(const tLyricsData& part) {
    const tTimingsLineType* first = part.GetLine(0);
    return first && first->TimingCount() > 0 && !first->LineRecord.Text().isEmpty();
}

} // namespace lyrimo
