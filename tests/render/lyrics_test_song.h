// Songs and helpers shared by the line renderer's tests.
#pragma once

#include "document/song.h"
#include "picture/bitmap.h"
#include "render/line_renderer.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

namespace lyrimo::test {

constexpr tColour kBlack = 0x000000, kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;
constexpr tColour kYellow = 0x00FFFF, kGrey = 0x808080;

struct tLineSpec {
    QString text;
    int32_t start = 0;
    std::vector<std::pair<int, int>> timings; // (boundary, delta ms)
};

// A one-part song laid out for `playWidth` pixels (so the font keeps its size on an image
// of that width), Arial 20, red text sung green on a black, see-through background.
inline std::unique_ptr<tLyrimoData> MakeSong(const std::vector<tLineSpec>& lines, int playWidth = 400) {
    auto song = std::make_unique<tLyrimoData>();
    tSongSettings& s = song->SongSettings;
    s.setPlayWidth(playWidth);
    s.setUnicodeText(1);
    s.setBackgroundColour(int32_t(kBlack));
    s.setBackgroundTransparent(1);
    s.setCutoutText(1);
    s.setFullScreenVideo(0);
    s.setRightToLeft(0);
    s.setAltDrawMode(0);
    tLyricsData* part = song->GetPart(0);
    tFontRecord font = part->PartRecord.LyricsFont();
    font.setname("Arial");
    font.setsize(20);
    font.setstyle(0);
    part->PartRecord.setLyricsFont(font);
    part->PartExtras.setTextMode(1);
    part->PartExtras.setTextFormat(0);
    part->PartExtras.setTextSpacing(1);
    part->PartExtras.setBallStyle(0);
    part->PartExtras.setUnderline(0);
    for (const tLineSpec& spec : lines) {
        tTimingsLineType* line = part->AddLine();
        line->SetWideText(spec.text);
        line->LineRecord.setLineStart(spec.start);
        line->LineRecord.setNormalColour(int32_t(kRed));
        line->LineRecord.setHighlightColour(int32_t(kGreen));
        line->LineRecord.setHighlightBackground(int32_t(kBlack));
        line->LineRecord.setFormatColour(int32_t(kWhite));
        line->LineRecord.setHighlightFormatColour(int32_t(kYellow));
        for (auto [position, delta] : spec.timings)
            line->AddTiming(MakeTiming(uint8_t(position), uint16_t(delta)));
    }
    return song;
}

// The images of a line of width × height in the working format, bouncing against height.
inline tLineImages Images(int width, int height, int bounceBase) {
    return tLineImages{width, height, WorkingPixelFormat(), bounceBase};
}

// A renderer bound to part 0 at width × height, with line `line` prepared.
inline void Prepare(tLyricsPlayback& renderer, tLyrimoData& song, int line, int width = 400, int height = 80,
                    bool wantRegions = false, const tLineSetup& setup = {}) {
    tLineRole role;
    role.BuildBallShape = wantRegions;
    renderer.Setup(&song, 0, setup, role, Images(width, height, height));
    renderer.PrepareLine(line, wantRegions, tColour(song.SongSettings.BackgroundColour()), false);
}

// The smallest and largest x (and the count) of pixels of one colour in a bitmap.
struct tColourSpan {
    int count = 0;
    int left = 1 << 30;
    int right = -1;
};

inline tColourSpan SpanOf(const Bitmap& bitmap, tColour colour) {
    tColourSpan span;
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            if (bitmap.Pixel(x, y) == colour) {
                ++span.count;
                span.left = std::min(span.left, x);
                span.right = std::max(span.right, x);
            }
        }
    }
    return span;
}

} // namespace lyrimo::test
