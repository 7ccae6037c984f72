// Small songs for the line-by-line playback and frame composer tests, built in code.
#pragma once

#include "app/app_services.h"
#include "document/song.h"
#include "picture/bitmap.h"
#include "render/frame_composer.h"
#include "render/line_renderer.h"
#include "render/line_setup.h"

#include <memory>
#include <utility>
#include <vector>

namespace lyrimo::test {

struct tLineSpec {
    QString text;
    int32_t start = 0;
    std::vector<std::pair<int, int>> timings; // (glyph position, ms after the line's start)
};

// A sung line: one timing at its start, one in the middle and one at the end, lasting ms.
inline tLineSpec Sung(const QString& text, int32_t start, int ms = 1000) {
    const int length = int(text.size());
    return {text, start, {{0, 0}, {length / 2, ms / 2}, {length, ms}}};
}
// A blank (untimed) line.
inline tLineSpec Blank(int32_t start = 0) { return {QString(), start, {}}; }

inline void AddLines(tLyricsData& part, const std::vector<tLineSpec>& lines) {
    for (const tLineSpec& spec : lines) {
        tTimingsLineType* line = part.AddLine();
        line->SetWideText(spec.text);
        line->LineRecord.setLineStart(spec.start);
        line->LineRecord.setNormalColour(0xFFFFFF);
        line->LineRecord.setHighlightColour(0x0000FF);
        line->LineRecord.setHighlightBackground(0);
        for (auto [position, delta] : spec.timings)
            line->AddTiming(MakeTiming(uint8_t(position), uint16_t(delta)));
    }
}

// A song of one part on a black, transparent background, laid out for playWidth pixels, so that
// the lyrics font keeps its size in a window of that width.
inline std::unique_ptr<tLyrimoData> MakeSong(const std::vector<tLineSpec>& lines, int playWidth = 640,
                                             int fontSize = 28) {
    auto song = std::make_unique<tLyrimoData>();
    song->SongSettings.setPlayWidth(playWidth);
    song->SongSettings.setBackgroundColour(0);
    tLyricsData* part = song->GetPart(0);
    tFontRecord font = part->PartRecord.LyricsFont();
    font.setsize(uint8_t(fontSize));
    font.setcolour(0xFFFFFF);
    part->PartRecord.setLyricsFont(font);
    AddLines(*part, lines);
    return song;
}

inline tLyricsData* AddPart(tLyrimoData& song, const std::vector<tLineSpec>& lines) {
    tLyricsData* first = song.GetPart(0);
    auto part = std::make_unique<tLyricsData>();
    part->PartRecord.setLyricsFont(first->PartRecord.LyricsFont());
    part->PartExtras = first->PartExtras;
    AddLines(*part, lines);
    return song.GetPart(song.AddPart(std::move(part)));
}

// The rows of the frame holding any pixel other than the background colour.
inline std::vector<int> InkRows(const Bitmap& frame, tColour background = 0) {
    std::vector<int> rows;
    for (int y = 0; y < frame.Height(); ++y) {
        for (int x = 0; x < frame.Width(); ++x) {
            if (frame.Pixel(x, y) != background) {
                rows.push_back(y);
                break;
            }
        }
    }
    return rows;
}

inline bool InkBetween(const Bitmap& frame, int top, int bottom, tColour background = 0) {
    for (int y : InkRows(frame, background))
        if (y >= top && y < bottom)
            return true;
    return false;
}

// A composer's set-up from the preferences as they are now, in the working format. Its end-early
// margin starts at 40 ms, the margin the tests' times are chosen for.
inline tComposerSetup ComposerSetup(bool stepMode = false) {
    tComposerSetup setup{LineSetupFrom(Settings()), WorkingPixelFormat(), stepMode};
    setup.Lines.Margin.EndEarlyMin = 40;
    return setup;
}

// Every test starts from the default preferences.
inline void ResetPlaybackSettings() { Settings() = tSettingsClass(); }

} // namespace lyrimo::test
