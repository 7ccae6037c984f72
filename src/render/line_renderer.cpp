#include "render/line_renderer.h"

#include "app/text_codec.h"
#include "document/song.h"
#include "render/colour_rules.h"
#include "render/drawing_utils.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace lyrimo {

namespace {

constexpr tColour kRgb = 0xFFFFFF;

tColour SongColour(int32_t value) { return tColour(value) & kRgb; }

// Text modes of a part.
constexpr int kStatic = 0, kHighlightLine = 1, kRevealLine = 2, kHighlightCharacters = 3, kHighlightWords = 4,
              kHighlightBlocks = 5, kHighlightTimings = 6;

// Text formats of a part (1..4 are shadows toward a corner).
constexpr int kPlain = 0, kBubble = 5;

int ClampToInt(int64_t v) { return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

tColour AverageColour(tColour a, tColour b) {
    tColour out = 0;
    for (int shift = 0; shift < 24; shift += 8)
        out |= ((((a >> shift) & 0xFF) + ((b >> shift) & 0xFF)) / 2) << shift;
    return out;
}

// Draws a whole row with its stored advances. The row engine draws onto a canvas's image,
// so the target bitmap is lent to the canvas for the call.
void DrawRowText(tCanvas& canvas, Bitmap& image, const tUnicodeFontEngine& row, int x, int y,
                 tColour colour) {
    canvas.Font.SetColour(colour);
    std::swap(canvas.Image, image);
    row.DrawRange(canvas, x, y, nullptr, 1, -1);
    std::swap(canvas.Image, image);
}

// A byte mask over an area of an image, one byte per pixel, row after row.
struct tMask {
    tMyRect area;
    std::vector<uint8_t> bits;
    uint8_t* Row(int y) { return bits.data() + size_t(y) * size_t(area.Width()); }
};

// Marks the pixels of rect (clipped to the image and the mask) whose value differs from
// `colour`.
void MarkPixelsNot(tMask& mask, const Bitmap& image, const tMyRect& rect, tColour colour) {
    const uint32_t value = image.PixelValue(colour);
    const int left = std::max({rect.Left, 0, mask.area.Left});
    const int right = std::min({rect.Right, image.Width(), mask.area.Right});
    const int top = std::max({rect.Top, 0, mask.area.Top});
    const int bottom = std::min({rect.Bottom, image.Height(), mask.area.Bottom});
    for (int y = top; y < bottom; ++y) {
        uint8_t* out = mask.Row(y - mask.area.Top) - mask.area.Left;
        if (image.Format() == tPixelFormat::Bits16) {
            const uint16_t* row = image.Row16(y);
            for (int x = left; x < right; ++x)
                out[x] = row[x] != value;
        } else {
            const uint32_t* row = image.Row32(y);
            for (int x = left; x < right; ++x)
                out[x] = (row[x] & kRgb) != value;
        }
    }
}

void MarkRect(tMask& mask, const tMyRect& rect) {
    const int left = std::max(rect.Left, mask.area.Left), right = std::min(rect.Right, mask.area.Right);
    const int top = std::max(rect.Top, mask.area.Top), bottom = std::min(rect.Bottom, mask.area.Bottom);
    for (int y = top; y < bottom && left < right; ++y)
        std::fill(mask.Row(y - mask.area.Top) + (left - mask.area.Left),
                  mask.Row(y - mask.area.Top) + (right - mask.area.Left), uint8_t(1));
}

// The same for small n: each pixel ORs its neighbours, in loops the compiler vectorises.
void DilateMaskByShifts(tMask& mask, int n) {
    const int width = mask.area.Width(), height = mask.area.Height();
    std::vector<uint8_t> line(size_t(width) + 2 * size_t(n), 0);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = mask.Row(y);
        std::copy_n(row, width, line.data() + n);
        for (int d = 1; d <= n; ++d) {
            const uint8_t* before = line.data() + n - d;
            const uint8_t* after = line.data() + n + d;
            for (int x = 0; x < width; ++x)
                row[x] |= uint8_t(before[x] | after[x]);
        }
    }
    std::vector<uint8_t> grown(mask.bits);
    for (int y = 0; y < height; ++y) {
        uint8_t* out = grown.data() + size_t(y) * size_t(width);
        for (int d = -n; d <= n; ++d) {
            if (d == 0 || y + d < 0 || y + d >= height)
                continue;
            const uint8_t* in = mask.Row(y + d);
            for (int x = 0; x < width; ++x)
                out[x] |= in[x];
        }
    }
    mask.bits.swap(grown);
}

// Grows the set pixels by n in every direction (a square of side 2n + 1): along each row
// with prefix sums, then down the columns with running counts kept row by row, so the
// cost does not depend on n.
void DilateMask(tMask& mask, int n) {
    const int width = mask.area.Width(), height = mask.area.Height();
    if (n <= 8) {
        DilateMaskByShifts(mask, n);
        return;
    }
    std::vector<int32_t> sums(size_t(width) + 1);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = mask.Row(y);
        for (int x = 0; x < width; ++x)
            sums[size_t(x) + 1] = sums[size_t(x)] + row[x];
        for (int x = 0; x < width; ++x)
            row[x] = sums[size_t(std::min(x + n + 1, width))] > sums[size_t(std::max(x - n, 0))];
    }
    std::vector<uint8_t> grown(mask.bits.size());
    std::vector<int32_t> counts(size_t(width), 0);
    auto add = [&](int y, int sign) {
        const uint8_t* row = mask.Row(y);
        for (int x = 0; x < width; ++x)
            counts[size_t(x)] += sign * row[x];
    };
    for (int y = 0; y < std::min(n, height); ++y)
        add(y, 1);
    for (int y = 0; y < height; ++y) {
        if (y + n < height)
            add(y + n, 1);
        if (y - n - 1 >= 0)
            add(y - n - 1, -1);
        uint8_t* out = grown.data() + size_t(y) * size_t(width);
        for (int x = 0; x < width; ++x)
            out[x] = counts[size_t(x)] > 0;
    }
    mask.bits.swap(grown);
}

// Sets every marked pixel of the image to colour.
void PaintMask(tMask& mask, Bitmap& image, tColour colour) {
    const uint32_t value = image.PixelValue(colour);
    const int left = std::max(mask.area.Left, 0), right = std::min(mask.area.Right, image.Width());
    const int top = std::max(mask.area.Top, 0), bottom = std::min(mask.area.Bottom, image.Height());
    for (int y = top; y < bottom; ++y) {
        const uint8_t* in = mask.Row(y - mask.area.Top) - mask.area.Left;
        if (image.Format() == tPixelFormat::Bits16) {
            uint16_t* row = image.Row16(y);
            for (int x = left; x < right; ++x)
                row[x] = in[x] ? uint16_t(value) : row[x];
        } else {
            uint32_t* row = image.Row32(y);
            for (int x = left; x < right; ++x)
                row[x] = in[x] ? value : row[x];
        }
    }
}

// The marked pixels as a region.
tRegion RegionOfMask(tMask& mask) {
    std::vector<tMyRect> runs;
    const int width = mask.area.Width();
    for (int y = 0; y < mask.area.Height(); ++y) {
        const uint8_t* row = mask.Row(y);
        for (int x = 0; x < width;) {
            if (!row[x]) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < width && row[x])
                ++x;
            const int top = mask.area.Top + y;
            runs.push_back({mask.area.Left + start, top, mask.area.Left + x, top + 1});
        }
    }
    return tRegion(runs);
}

} // namespace

tLyricsPlayback::tLyricsPlayback() = default;

tLyricsData* tLyricsPlayback::Part() const { return song_ ? song_->GetPart(partIndex_) : nullptr; }

const tTimingsLineType* tLyricsPlayback::Line() const {
    const tLyricsData* part = Part();
    return part ? part->GetLine(lineIndex_) : nullptr;
}

bool tLyricsPlayback::SameColour(tColour a, tColour b) const {
    return SamePixel(a, b, unsungImage_.Format());
}

// Width of the first `glyphs` glyphs of the line; nothing for none (a negative count would
// otherwise mean the whole line to the engine).
int tLyricsPlayback::WidthUpTo(int glyphs) const {
    return glyphs <= 0 ? 0 : wrapper_.Whole().RangeWidth(1, glyphs);
}

void tLyricsPlayback::Setup(tLyrimoData* song, int partIndex, const tLineSetup& setup, const tLineRole& role,
                            const tLineImages& images) {
    song_ = song;
    role_ = role;
    wipe_ = setup.Wipe;
    alignment_ = uint8_t(role.IsPreview ? std::clamp(role.PreviewAlignment, 0, 2) : 1);
    ballEnabled_ = false;
    partIndex_ = partIndex;
    lineIndex_ = -1;

    bounces_.Configure(setup.Bounce.LettersPerBounce,
                       ClampToInt(int64_t{images.BounceBase} * setup.Bounce.HeightPerMille / 1000),
                       setup.Bounce.TrueBounce, true);

    const tLyricsData* part = Part();
    ball_.SetPixelFormat(images.Format);
    if (part && !role.NoHighlight)
        LoadBall(*part, role.BuildBallShape);
    if (ballEnabled_ && transparentMode_)
        SetBallKeyColour(keyColour_);

    const tColour background = song ? SongColour(song->SongSettings.BackgroundColour()) : 0;
    for (Bitmap* image : {&unsungImage_, &sungImage_}) {
        *image = Bitmap(images.Width, images.Height, images.Format);
        image->Fill(background);
    }

    SetupFonts(part, role.IsPreview && role.HalfSize, images.Width);

    underlineSung_ = part && part->PartExtras.Underline();
    effects_.Size = 0;
    wrapper_.Setup(&unsungCanvas_, song && song->SongSettings.RightToLeft(),
                   song && song->SongSettings.AltDrawMode(), song ? song->ExtraBreakChar() : char16_t(0));

    const tInkTop ink = MeasureInkTop(unsungCanvas_.Font);
    inkTop_ = ink.InkTop;
    ascent_ = ink.Ascent;
    if (ballEnabled_) {
        ballHalfWidth_ = ball_.FrameWidth / 2;
    } else {
        ballHalfWidth_ = 0;
        inkTop_ = 0;
    }

    SetupEffects(part);
}

void tLyricsPlayback::LoadBall(const tLyricsData& part, bool buildShape) {
    const tAnimationPictureRecord custom = part.Slots[kBallSlot].Record;
    try {
        if (custom.Enabled()) {
            const QString fileName = FromSystemCodePage(custom.FileName());
            const tColour transparent = SongColour(custom.TransparentColour());
            if (custom.Embedded())
                ball_.LoadFromStream(part.Slots[kBallSlot].Bytes, fileName, buildShape, custom.FrameCount(),
                                     transparent);
            else
                ball_.LoadFromFile(fileName, transparent, buildShape, custom.FrameCount());
            ballEnabled_ = true;
        } else if (part.PartExtras.BallStyle() == 1) {
            ball_.LoadBuiltIn(part.PartRecord.BallNumberHigh() + 45, buildShape);
            ballEnabled_ = true;
        } else if (part.PartExtras.BallStyle() == 2) {
            ball_.LoadBuiltIn(part.PartRecord.BallNumber(), buildShape);
            ballEnabled_ = true;
        }
    } catch (...) {
        // A ball that cannot be loaded leaves the part without one; the song still plays.
        ballEnabled_ = false;
    }
}

void tLyricsPlayback::SetupFonts(const tLyricsData* part, bool halve, int width) {
    tFont font;
    if (part) {
        const tFontRecord record = part->PartRecord.LyricsFont();
        const QString name = FromSystemCodePage(record.name());
        font = tFont(name.isEmpty() ? QStringLiteral("Arial") : name, record.size() < 2 ? 28 : record.size(),
                     record.style(), part->PartExtras.FontCharset());
    }
    SetFontQuality(font, false);
    ScaleFontToWidth(font, song_ ? song_->SongSettings.PlayWidth() : width, width);
    if (halve)
        font.SetSize(font.Size() / 2);
    unsungCanvas_.Font = font;
    sungCanvas_.Font = font;
}

void tLyricsPlayback::SetupEffects(const tLyricsData* part) {
    const int format = part ? part->PartExtras.TextFormat() : 0;
    const int spacing = part ? part->PartExtras.TextSpacing() : 0;
    if (format >= 1 && format <= 4)
        effects_.Size = spacing ? spacing : 1;
    else if (format == kBubble)
        effects_.Size = spacing ? 2 * spacing : 2;
    effects_.RightExtra = (format == 2 || format == 4 || format == 5) ? spacing : 0;
    effects_.LeftExtra = (format == 1 || format == 3 || format == 5) ? spacing : 0;

    effects_.Left = effects_.Top = effects_.Right = effects_.Bottom = 0;
    if (format == 1 || format == 2)
        effects_.Top = -effects_.Size;
    if (format == 3 || format == 4)
        effects_.Bottom = effects_.Size;
    if (format == 1 || format == 3)
        effects_.Left = -effects_.Size;
    if (format == 2 || format == 4)
        effects_.Right = effects_.Size;
    if (format == kBubble) {
        effects_.Left = effects_.Top = -(effects_.Size / 2);
        effects_.Right = effects_.Bottom = effects_.Size / 2;
    }
}

void tLyricsPlayback::PrepareLine(int lineIndex, bool wantRegions, tColour keyColour, bool transparentMode) {
    lineIndex_ = lineIndex;
    usesRegions_ = wantRegions;
    const bool cutout = song_ && song_->SongSettings.CutoutText();
    const bool wideMargins = wantRegions && !cutout;
    keyColour_ = keyColour;
    transparentMode_ = transparentMode;

    // The wrapper measures with the unsung canvas; point it there again in case this
    // renderer was moved since Setup.
    wrapper_.Canvas = &unsungCanvas_;
    wrapper_.Whole().Canvas = &unsungCanvas_;

    const int imageWidth = unsungImage_.Width();
    const int maxWidth = imageWidth - 60 - (wideMargins ? 60 : 0);
    const tTimingsLineType* line = Line();
    const bool nice = wipe_.NiceWordwrap;
    if (!line)
        wrapper_.SetText(QString(), maxWidth, nice);
    else if (song_->SongSettings.UnicodeText())
        wrapper_.SetText(line->WideText(), maxWidth, nice);
    else
        wrapper_.SetAnsiText(line->Text(), maxWidth, nice);

    const tLyricsData* part = Part();
    ballSpace_ = 0;
    if (ballEnabled_) {
        const bool noBounce = part && part->PartRecord.BallNoBounce();
        ballSpace_ = ball_.Height() + (noBounce ? 0 : bounces_.BounceHeight) - inkTop_;
    }

    LayOutRows(part ? part->PartExtras.TextFormat() : 0, wideMargins);
    textHeight_ = std::min(textHeight_, unsungImage_.Height());
    lineStartTime_ = line ? line->LineRecord.LineStart() : 0;
    if (role_.MeasureOnly)
        return;

    PaintImages(line, part);
    if (ballEnabled_)
        bounces_.ComputePoints(wrapper_.Whole());
}

void tLyricsPlayback::LayOutRows(int format, bool wideMargins) {
    rowPitch_ = unsungCanvas_.Font.Height() + effects_.Size;
    int firstTop = (format == 1 || format == 2) ? effects_.Size : 0;
    if (format == kBubble)
        firstTop += effects_.Size / 2;
    wrapper_.LayoutRows(effects_.Size, firstTop);

    const int rows = wrapper_.RowCount();
    totalWidth_ = 0;
    textHeight_ = 0;
    if (rows > 0) {
        const tUnicodeFontEngine& last = wrapper_.Row(rows - 1);
        totalWidth_ = last.RowOffset + last.RowWidth;
        textHeight_ = last.RowY + last.RowHeight;
    }

    const int width = unsungImage_.Width();
    const int margin = wideMargins ? 60 : 30;
    for (int i = 0; i < rows; ++i) {
        tUnicodeFontEngine& row = wrapper_.Row(i);
        int x;
        if (alignment_ == 0)
            x = margin;
        else if (alignment_ == 2)
            x = width - row.RowWidth - margin;
        else
            x = width / 2 - row.RowWidth / 2;
        if (x + row.RowWidth > width)
            x = width - row.RowWidth;
        if (x < 0)
            x = 0;
        row.RowX = x;
    }
}

tColour tLyricsPlayback::Visible(tColour colour, tColour background, tColour back) const {
    if (SameColour(colour, background) && song_->SongSettings.BackgroundTransparent())
        return back;
    return DistinctColour(colour, back, keyColour_, unsungImage_.Format());
}

void tLyricsPlayback::PaintImages(const tTimingsLineType* line, const tLyricsData* part) {
    if (!song_) {
        unsungImage_.Fill(0);
        sungImage_.Fill(0);
        return;
    }
    const tSongSettings& song = song_->SongSettings;
    const tPixelFormat format = unsungImage_.Format();
    const bool backgroundTransparent = song.BackgroundTransparent();
    const tColour background = SongColour(song.BackgroundColour());

    // Decide the background of the images and the key colour that makes it see-through.
    tColour back = background;
    if (transparentMode_ && song.FullScreenVideo()) {
        if (backgroundTransparent && song.CutoutText())
            back = keyColour_;
        else if (SameColour(background, keyColour_))
            back = NearColour(background, false, format);
    } else {
        transparentMode_ = false;
        if (backgroundTransparent || (song.CutoutText() && song.FullScreenVideo()))
            keyColour_ = background;
        else
            keyColour_ = NearColour(background, false, format);
    }

    const tLineRecord record = line ? line->LineRecord : tLineRecord();
    const int textMode = part ? part->PartExtras.TextMode() : 0;
    const int rows = wrapper_.RowCount();

    unsungImage_.Fill(back);
    if (usesRegions_)
        unsungRegion_.Clear();
    tRowColours unsung;
    unsung.back = back;
    unsung.fill = backgroundTransparent ? back : DistinctColour(background, back, keyColour_, format);
    unsung.text = Visible(SongColour(record.NormalColour()), background, back);
    unsung.format = ShadowColour(Visible(SongColour(record.FormatColour()), background, back));
    if (textMode != kRevealLine || role_.NoHighlight) {
        for (int i = 0; i < rows; ++i)
            DrawRow(wrapper_.Row(i), unsungImage_, unsungCanvas_, unsung,
                    usesRegions_ ? &unsungRegion_ : nullptr, false);
    }

    if (role_.NoHighlight)
        return;
    const tColour highlightBack = SongColour(record.HighlightBackground());
    tRowColours sung;
    sung.back = (SameColour(highlightBack, background) && backgroundTransparent)
                    ? back
                    : DistinctColour(highlightBack, back, keyColour_, format);
    sung.fill = sung.back;
    sung.text = Visible(SongColour(record.HighlightColour()), background, back);
    // The sung shadow follows the same rule as the unsung one: unless the song allows
    // transparent shadows, it must not vanish into the key colour once the line is sung.
    sung.format = ShadowColour(SongColour(record.HighlightFormatColour()));
    sungImage_.Fill(sung.back);
    if (usesRegions_)
        sungRegion_.Clear();
    for (int i = 0; i < rows; ++i)
        DrawRow(wrapper_.Row(i), sungImage_, sungCanvas_, sung, usesRegions_ ? &sungRegion_ : nullptr,
                underlineSung_);
}

tColour tLyricsPlayback::ShadowColour(tColour colour) const {
    if (SameColour(colour, keyColour_) && !song_->SongSettings.TransparentShadows())
        return NearColour(colour, false, unsungImage_.Format());
    return colour;
}

void tLyricsPlayback::DrawRow(const tUnicodeFontEngine& row, Bitmap& image, tCanvas& canvas,
                              const tRowColours& colours, tRegion* region, bool underline) {
    if (role_.MeasureOnly)
        return;
    const tLyricsData* part = Part();
    const int format = part ? part->PartExtras.TextFormat() : 0;
    tColour text = colours.text;
    if (role_.IsPreview && role_.Blend)
        text = AverageColour(text, colours.fill);

    const int thickness = std::max(row.RowHeight / 15, 1);
    const tMyRect underlineRect =
        SizedRect(row.RowX, row.RowY + ascent_ + thickness / 2, row.RowWidth, thickness);
    const int n = std::max<int>(part ? part->PartExtras.TextSpacing() : 0, 1);
    const tMyRect rowRect = SizedRect(row.RowX, row.RowY, row.RowWidth, row.RowHeight);

    // The shape of the text is only needed for regions and bubble writing; shadows are
    // drawn as shifted text.
    tRegion textShape, formatShape;
    if (region || format == kBubble) {
        DrawRowText(canvas, image, row, row.RowX, row.RowY, text);
        if (region) {
            textShape = RegionOfNonKeyPixels(image, rowRect, colours.fill, image.Format());
            if (underline)
                textShape.Unite(underlineRect);
        }
    }

    tMyRect box = rowRect;
    if (format == kBubble) {
        DrawBubble(image, rowRect, underline ? &underlineRect : nullptr, colours, n,
                   region ? &formatShape : nullptr);
        box = {rowRect.Left - n, rowRect.Top - n, rowRect.Right + n, rowRect.Bottom + n};
    } else if (format >= 1 && format <= 4) {
        const int i = (format == 1 || format == 3) ? -n : n;
        const int j = (format == 1 || format == 2) ? -n : n;
        DrawRowText(canvas, image, row, row.RowX + i, row.RowY + j, colours.format);
        if (underline)
            image.FillRect(underlineRect.Left + i, underlineRect.Top + j, underlineRect.Width(),
                           underlineRect.Height(), colours.format);
        if (region) {
            formatShape = textShape;
            formatShape.Translate(i, j);
        }
        (i < 0 ? box.Left : box.Right) += i;
        (j < 0 ? box.Top : box.Bottom) += j;
    }

    if (region)
        AddRowShape(*region, box, textShape, formatShape, colours, text);

    DrawRowText(canvas, image, row, row.RowX, row.RowY, text);
    if (underline)
        image.FillRect(underlineRect.Left, underlineRect.Top, underlineRect.Width(), underlineRect.Height(),
                       text);
}

// Bubble writing: every pixel within n of the letters (or the underline) takes the format
// colour; the text is drawn over it afterwards.
void tLyricsPlayback::DrawBubble(Bitmap& image, const tMyRect& rowRect, const tMyRect* underline,
                                 const tRowColours& colours, int n, tRegion* formatShape) {
    tMask mask;
    mask.area = {rowRect.Left - n, rowRect.Top - n, rowRect.Right + n, rowRect.Bottom + n};
    if (mask.area.IsEmpty())
        return;
    mask.bits.assign(size_t(mask.area.Width()) * size_t(mask.area.Height()), 0);
    // The outline follows the drawn letters: pixels that differ from the image's background.
    // (Against the fill colour, which differs from the background on opaque backgrounds,
    // every pixel of the row would count and the outline would become a solid box.)
    MarkPixelsNot(mask, image, rowRect, colours.back);
    if (underline)
        MarkRect(mask, *underline);
    DilateMask(mask, n);
    PaintMask(mask, image, colours.format);
    if (formatShape)
        *formatShape = RegionOfMask(mask);
}

void tLyricsPlayback::AddRowShape(tRegion& region, const tMyRect& box, const tRegion& textShape,
                                  const tRegion& formatShape, const tRowColours& colours,
                                  tColour text) const {
    const bool textIsKey = SameColour(text, keyColour_);
    const bool formatIsKey = SameColour(colours.format, keyColour_);
    const tLyricsData* part = Part();
    const bool formatted = part && part->PartExtras.TextFormat() != kPlain;
    if (SameColour(colours.back, keyColour_)) {
        if (formatted && !formatIsKey)
            region.Unite(formatShape);
        if (textIsKey)
            region.Subtract(textShape);
        else
            region.Unite(textShape);
        return;
    }
    tRegion shape(box);
    if (formatted && formatIsKey)
        shape.Subtract(formatShape);
    if (textIsKey)
        shape.Subtract(textShape);
    region.Unite(shape);
    if (!textIsKey)
        region.Unite(textShape);
}

double tLyricsPlayback::WipePosition(int32_t time, int32_t endEarlyMargin) const {
    if (time <= lineStartTime_)
        return 0;
    const tLyricsData* part = Part();
    const tTimingsLineType* line = Line();
    const std::vector<tTimingRecord> noTimings;
    const std::vector<tTimingRecord>& timings = line ? line->Timings() : noTimings;
    const tTimingsLineType* next = part ? part->GetLine(lineIndex_ + 1) : nullptr;
    const int64_t start = lineStartTime_;
    const int glyphs = wrapper_.Whole().GlyphCount();

    int64_t end;
    if (next)
        end = int64_t{next->LineRecord.LineStart()} - 1;
    else
        end = start + (timings.empty() ? 1000 : timings.back().Delta());

    int64_t fromTime = start, toTime = end, finish = end;
    int from = 0, to = glyphs;
    if (!timings.empty()) {
        const int64_t elapsed = int64_t{time} - start;
        int k = int(timings.size()) - 1;
        while (k >= 0 && timings[size_t(k)].Delta() > elapsed)
            --k;
        if (k < 0) {
            to = timings[0].Position();
            toTime = start + timings[0].Delta();
        } else {
            from = timings[size_t(k)].Position();
            fromTime = start + timings[size_t(k)].Delta();
            if (k + 1 < int(timings.size())) {
                to = timings[size_t(k) + 1].Position();
                toTime = start + timings[size_t(k) + 1].Delta();
            }
        }
        finish = start + timings.back().Delta();
    }
    if (time >= finish - endEarlyMargin)
        return -1;

    double fraction = 0;
    if (toTime != fromTime)
        fraction = std::clamp(double(time - fromTime) / double(toTime - fromTime), 0.0, 1.0);
    const double fromWidth = WidthUpTo(from), toWidth = WidthUpTo(to);
    return fromWidth + (toWidth - fromWidth) * fraction;
}

bool tLyricsPlayback::DrawFrame(Bitmap& frame, int32_t time, int32_t endEarlyMargin, int alpha,
                                tChangesList* changes, int clipHeight, int top, tRegion* region,
                                bool highlight) {
    if (role_.MeasureOnly)
        return false;
    alpha = std::clamp(alpha, 0, 255);
    if (alpha == 0)
        return false;
    tCopyTarget target{frame, alpha, changes, clipHeight, top, region};
    const tRegion* unsungShape = usesRegions_ ? &unsungRegion_ : nullptr;
    const tRegion* sungShape = usesRegions_ ? &sungRegion_ : nullptr;
    if (role_.NoHighlight || !highlight) {
        CopyWipeRange(unsungImage_, 0, totalWidth_, true, true, target, unsungShape);
        return false;
    }

    if (time < lineStartTime_)
        time = lineStartTime_ - 1;
    double p = WipePosition(time, endEarlyMargin);
    const bool finished = p < 0;
    if (finished)
        p = totalWidth_;
    const int reached = int(p);

    const tLyricsData* part = Part();
    const int mode = part ? part->PartExtras.TextMode() : kStatic;
    int from = 0, to = 0;
    switch (mode) {
    case kHighlightLine:
        CopyWipeRange(unsungImage_, 0, totalWidth_, true, false, target, unsungShape);
        CopyWipeRange(sungImage_, 0, reached, true, false, target, sungShape);
        break;
    case kRevealLine: CopyWipeRange(sungImage_, 0, reached, true, false, target, sungShape); break;
    case kHighlightCharacters: {
        const int g = GlyphAtPixel(reached);
        if (g > 0) {
            from = WidthUpTo(g - 1);
            to = WidthUpTo(g);
        }
        break;
    }
    case kHighlightWords:
    case kHighlightBlocks: {
        const bool withExtra = mode == kHighlightBlocks;
        const int g = GlyphAtPixel(reached);
        if (g > 0) {
            from = WidthUpTo(ExtendToBreaks(g, -1, withExtra));
            to = WidthUpTo(ExtendToBreaks(g, 1, withExtra));
        }
        break;
    }
    case kHighlightTimings: {
        int first = 0, last = 0;
        CurrentTimingRange(time, first, last);
        from = WidthUpTo(first);
        to = WidthUpTo(last);
        break;
    }
    default: CopyWipeRange(unsungImage_, 0, totalWidth_, true, true, target, unsungShape); break;
    }
    if (mode >= kHighlightCharacters && mode <= kHighlightTimings) {
        CopyWipeRange(unsungImage_, 0, totalWidth_, true, true, target, unsungShape);
        if (from < to)
            CopyWipeRange(sungImage_, from, to, true, true, target, sungShape);
    }

    if (ballEnabled_ && ballShown_)
        DrawBall(frame, p, top, changes, region);
    return finished;
}

void tLyricsPlayback::DrawBall(Bitmap& frame, double p, int top, tChangesList* changes, tRegion* region) {
    int x = 0, y = 0, groundY = 0;
    if (!BallPosition(p, top, x, y, groundY))
        return;
    const tLyricsData* part = Part();
    const bool bouncing = !part->PartRecord.BallNoBounce();
    const int drawn = ball_.Draw(frame, x, part->PartRecord.BallSpinForward(), bouncing,
                                 !part->PartRecord.BallNoAnimation(), true, groundY, y);
    if (changes)
        changes->AddSized(x, y, ball_.Height(), ball_.FrameWidth);
    if (region) {
        tRegion shape;
        ball_.FrameShape(drawn, shape);
        shape.Translate(x, y);
        region->Unite(shape);
    }
}

bool tLyricsPlayback::BallPosition(double p, int top, int& x, int& y, int& groundY) {
    const tLyricsData* part = Part();
    if (!part)
        return false;
    int found = -1;
    for (int i = wrapper_.RowCount() - 1; i >= 0; --i) {
        if (wrapper_.Row(i).RowOffset <= p) {
            found = i;
            break;
        }
    }
    if (found < 0)
        return false;
    const tUnicodeFontEngine& row = wrapper_.Row(found);
    const int reached = int(p);
    if (wrapper_.RightToLeft)
        x = row.RowX + row.RowWidth + row.RowOffset - reached - ballHalfWidth_;
    else
        x = reached + row.RowX - row.RowOffset - ballHalfWidth_;
    groundY = inkTop_ + row.RowY + top - ball_.Height();
    y = part->PartRecord.BallNoBounce() ? groundY : groundY - bounces_.HeightAt(p);
    return true;
}

void tLyricsPlayback::CopyWipeRange(Bitmap& source, int from, int to, bool extendLeft, bool extendRight,
                                    const tCopyTarget& target, const tRegion* sourceShape) {
    const int addPixels = wipe_.AddPixels;
    const bool rightToLeft = wrapper_.RightToLeft;
    for (int i = 0; i < wrapper_.RowCount(); ++i) {
        const tUnicodeFontEngine& row = wrapper_.Row(i);
        const int64_t rowLeft = row.RowX, rowRight = int64_t{row.RowX} + row.RowWidth;
        int64_t left, right;
        if (rightToLeft) {
            right = rowRight + row.RowOffset - from;
            left = rowRight + row.RowOffset - to;
        } else {
            left = int64_t{from} + row.RowX - row.RowOffset;
            right = int64_t{to} + row.RowX - row.RowOffset;
        }
        const bool atLeftEdge = left <= rowLeft, atRightEdge = right >= rowRight;
        left = std::clamp(left, rowLeft, rowRight);
        right = std::clamp(right, rowLeft, rowRight);
        if (left >= right)
            continue;

        const int64_t rowTop = int64_t{row.RowY} + effects_.Top;
        int64_t bottom = rowTop + row.RowHeight + effects_.Bottom;
        if (atLeftEdge)
            left += effects_.Left;
        if (atRightEdge)
            right += effects_.Right;
        bottom = std::min<int64_t>(bottom, target.clipHeight);

        if (extendLeft && BreakAtPixel(std::max(from, row.RowOffset), 0))
            left -= effects_.LeftExtra + addPixels;
        if (extendRight &&
            BreakAtPixel(ClampToInt(std::min<int64_t>(to, int64_t{row.RowOffset} + row.RowWidth)), 1))
            right += effects_.LeftExtra + effects_.RightExtra + addPixels;
        if (bottom < rowTop || right <= left)
            continue;

        const tMyRect sourceRect = {ClampToInt(left), ClampToInt(rowTop), ClampToInt(right),
                                    ClampToInt(bottom)};
        BlendCopy(source, target.frame, sourceRect, keyColour_, target.alpha, ClampToInt(rowTop + target.top),
                  sourceRect.Left);
        if (target.changes) {
            tMyRect destination = sourceRect;
            destination.Top = ClampToInt(rowTop + target.top);
            destination.Bottom = ClampToInt(bottom + target.top);
            target.changes->Add(destination);
        }
        if (target.region && sourceShape) {
            tRegion piece(sourceRect);
            piece.Intersect(*sourceShape);
            piece.Translate(0, target.top);
            target.region->Unite(piece);
        }
    }
}

void tLyricsPlayback::CopyWipeRange(tLook look, int from, int to, bool extendLeft, bool extendRight,
                                    Bitmap& frame, int alpha, tChangesList* changes, int clipHeight, int top,
                                    tRegion* region) {
    const bool sung = look == tLook::Sung;
    const tRegion* shape = usesRegions_ ? (sung ? &sungRegion_ : &unsungRegion_) : nullptr;
    CopyWipeRange(sung ? sungImage_ : unsungImage_, from, to, extendLeft, extendRight,
                  tCopyTarget{frame, std::clamp(alpha, 0, 255), changes, clipHeight, top, region}, shape);
}

// The glyph (1-based) that ends at or contains pixel x along the line: glyph i covers
// the pixels after the first i - 1 glyphs up to and including the end of glyph i.
int tLyricsPlayback::GlyphAtPixel(int x) const {
    if (x < 1)
        return 0;
    const tUnicodeFontEngine& whole = wrapper_.Whole();
    const int count = whole.GlyphCount();
    int width = 0;
    for (int i = 1; i <= count; ++i) {
        width += whole.RangeWidth(i, 1);
        if (width >= x)
            return i;
    }
    return 0;
}

bool tLyricsPlayback::BreakAtPixel(int x, int offset) const {
    if (x < 1)
        return true;
    const int glyph = GlyphAtPixel(x) + offset;
    const tUnicodeFontEngine& whole = wrapper_.Whole();
    if (glyph < 1 || glyph > whole.GlyphCount())
        return true;
    return whole.IsBreakAt(glyph, true, false);
}

int tLyricsPlayback::ExtendToBreaks(int index, int step, bool withExtra) const {
    const tUnicodeFontEngine& whole = wrapper_.Whole();
    const int count = whole.GlyphCount();
    while (index > 0 && index <= count && !whole.IsBreakAt(index, true, withExtra))
        index += step;
    if (whole.IsBreakAt(index, true, withExtra) && step > 0)
        index -= step;
    return index;
}

void tLyricsPlayback::CurrentTimingRange(int32_t time, int& from, int& to) const {
    const tUnicodeFontEngine& whole = wrapper_.Whole();
    const int glyphs = whole.GlyphCount();
    const tTimingsLineType* line = Line();
    if (!line || line->TimingCount() == 0) {
        // Without timings the whole line is one unit, sung once the line has begun.
        from = 0;
        to = time > lineStartTime_ ? glyphs : 0;
        return;
    }
    const std::vector<tTimingRecord>& timings = line->Timings();
    int k = int(timings.size()) - 1;
    while (k >= 0 && int64_t{time} < int64_t{lineStartTime_} + timings[size_t(k)].Delta())
        --k;
    if (k < 0) {
        from = 0;
        to = time > lineStartTime_ ? timings[0].Position() : 0;
        return;
    }
    from = timings[size_t(k)].Position();
    if (whole.IsBreakAt(from + 1, true, true))
        ++from;
    to = k + 1 < int(timings.size()) ? timings[size_t(k) + 1].Position() : glyphs;
    if (whole.IsBreakAt(to, true, true))
        --to;
}

void tLyricsPlayback::SetBallKeyColour(tColour colour) {
    if (ballEnabled_)
        ball_.ReplaceColour(colour);
}

} // namespace lyrimo
