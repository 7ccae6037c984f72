#include "render/title_effect.h"

#include "app/text_codec.h"
#include "document/binary_file.h"
#include "document/song.h"
#include "document/song_loading.h"
#include "render/drawing_utils.h"
#include "render/fit_picture.h"

#include <algorithm>

namespace lyrimo {
namespace {

int64_t (*g_titleClock)() = nullptr;

// Pixels the text block may hold (with its stretch buffer beside it): a huge title font
// scaled up for a wide screen must not claim gigabytes.
bool BlockSizeAllowed(int width, int height) {
    return width <= 0 || height <= 0 || PictureSizeAllowed(width, height, 2);
}

template <typename Pixel>
Pixel* RowOf(Bitmap& b, int y) {
    if constexpr (sizeof(Pixel) == 2)
        return b.Row16(y);
    else
        return b.Row32(y);
}
template <typename Pixel>
const Pixel* RowOf(const Bitmap& b, int y) {
    if constexpr (sizeof(Pixel) == 2)
        return b.Row16(y);
    else
        return b.Row32(y);
}

template <typename Pixel>
void StretchRows(const Bitmap& source, Bitmap& target, const tMyRect& rect) {
    const int sw = source.Width(), sh = source.Height(), dw = rect.Width(), dh = rect.Height();
    for (int dy = std::max(0, -rect.Top); dy < dh && rect.Top + dy < target.Height(); ++dy) {
        const Pixel* in = RowOf<Pixel>(source, int(int64_t(dy) * sh / dh));
        Pixel* out = RowOf<Pixel>(target, rect.Top + dy);
        for (int dx = std::max(0, -rect.Left); dx < dw && rect.Left + dx < target.Width(); ++dx)
            out[rect.Left + dx] = in[int64_t(dx) * sw / dw];
    }
}

// Nearest-neighbour stretch of the whole of source into rect of target, both in the same
// format. The text is drawn without anti-aliasing for this, so no in-between colours
// must appear: a smooth filter would blur the letters into the key colour.
void StretchNearest(const Bitmap& source, Bitmap& target, const tMyRect& rect) {
    if (source.IsEmpty() || rect.IsEmpty() || source.Format() != target.Format())
        return;
    if (source.Format() == tPixelFormat::Bits16)
        StretchRows<uint16_t>(source, target, rect);
    else
        StretchRows<uint32_t>(source, target, rect);
}

// The code page of 8-bit text in a font of this character set; the default character
// set (1) means the system's own.
const char* CodePageOfCharset(int charset) {
    return charset == 1 ? SystemCodePage() : CodePageForCharset(charset);
}

} // namespace

int64_t TitleNow() { return g_titleClock ? g_titleClock() : TickCount(); }
void SetTitleClock(int64_t (*clock)()) { g_titleClock = clock; }

tTitleFont TitleFontFromRecord(const tFontRecord& record) {
    tTitleFont font;
    font.name = FromSystemCodePage(record.name());
    font.size = record.size();
    font.style = record.style();
    font.colour = tColour(record.colour()) & 0xFFFFFF;
    return font;
}

tTitleEffect::tTitleEffect(tPixelFormat format) : TextBlock(10, 10, format), format_(format) {}

void tTitleEffect::Prepare(int effect, int speed, bool showBackground, const QString& backgroundFileName,
                           const QByteArray& backgroundBytes, tColour backgroundColour, bool rightToLeft,
                           const QString& year, const QString& artist, const QString& songName, int charset,
                           const tTitleFont& font, bool fadeOut, bool fadeIn, bool maintainAspect, bool tile,
                           int designWidth, int height, int width) {
    Screen = Bitmap(width, height, format_);
    BackgroundColour = backgroundColour & 0xFFFFFF;
    Lines = {songName, artist, year};
    RightToLeft = rightToLeft;
    DesignWidth = designWidth;
    if (showBackground) {
        FitPicture(backgroundBytes, backgroundFileName, Background, maintainAspect, tile, height, width,
                   BackgroundColour, format_);
    } else {
        Background = Bitmap(width, height, format_);
        Background.Fill(BackgroundColour);
    }
    ConvertPixelFormat(Background, format_);
    Restart(effect, speed, charset, font, fadeOut, fadeIn);
    LastRect = {0, 0, Screen.Width(), Screen.Height()};
}

void tTitleEffect::Restart(int effect, int speed, int charset, const tTitleFont& font, bool fadeOut,
                           bool fadeIn) {
    Effect = effect;
    // A Speed below 1 would hold the title for ever.
    Speed = int32_t(std::clamp<int64_t>(int64_t(speed) + 1, 1, INT32_MAX));
    Font = tFont(font.name.isEmpty() ? QStringLiteral("Arial") : font.name, font.size < 2 ? 28 : font.size,
                 font.style, charset);
    Font.SetColour(font.colour & 0xFFFFFF);
    ScaleFontToWidth(Font, DesignWidth, Screen.Width());
    // Stretched text must keep pure colours; everything else is drawn smooth.
    Font.SetAntiAliased(EffectKind() != kTitleStretchOut);
    FadeIn = fadeIn;
    FadeOut = fadeOut;
    FadingOut = false;
    LayOutBlock();
    Revealed = false;
    StartTick = TitleNow();
}

void tTitleEffect::LayOutBlock() {
    auto measure = [this] {
        BlockWidth = BlockHeight = 0;
        for (const QString& line : Lines) {
            if (line.isEmpty())
                continue;
            BlockWidth = std::max(BlockWidth, int32_t(Font.TextWidth(line, RightToLeft)));
            BlockHeight += Font.Height() + 1;
        }
    };
    measure();
    while (!BlockSizeAllowed(BlockWidth, BlockHeight) && Font.Size() > 1) {
        Font.SetSize(std::max(1, Font.Size() * 9 / 10));
        measure();
    }
    TextBlock = Bitmap(BlockWidth, BlockHeight, format_);
    StretchBuffer = Bitmap(BlockWidth, BlockHeight, format_);
    textBlockCurrent_ = false;
}

void tTitleEffect::DrawTextBlock() {
    TextBlock.Fill(BackgroundColour);
    int y = 0;
    for (const QString& line : Lines) {
        if (line.isEmpty())
            continue;
        const int width = Font.TextWidth(line, RightToLeft);
        DrawText(TextBlock, Font, BlockWidth / 2 - width / 2, y, line, RightToLeft);
        y += Font.Height() + 1;
    }
    textBlockCurrent_ = true;
}

int tTitleEffect::EffectKind() const {
    return ((Effect % kTitleEffectCount) + kTitleEffectCount) % kTitleEffectCount;
}

tMyRect tTitleEffect::SettledRect() const {
    const int x0 = Screen.Width() / 2 - BlockWidth / 2, y0 = Screen.Height() / 2 - BlockHeight / 2;
    return SizedRect(x0, y0, BlockWidth, BlockHeight);
}

void tTitleEffect::StartFadeOut() {
    FadingOut = true;
    FadeOutTick = TitleNow();
    if (!Font.AntiAliased()) {
        Font.SetAntiAliased(true);
        textBlockCurrent_ = false;
    }
}

tTitleEffect::tBlockPlacement tTitleEffect::RevealPlacement(int64_t elapsed, int x0, int y0) const {
    const int64_t f = elapsed * Speed / 90; // progress in percent
    const int64_t W = BlockWidth, H = BlockHeight;
    const int64_t screenW = Screen.Width(), screenH = Screen.Height();
    // A reveal is complete when the uncovered part would pass the block's edge; an empty
    // block has no edge to pass and counts as revealed with the progress at 100.
    auto passed = [f](int64_t uncovered, int64_t whole) {
        return uncovered > whole || (whole <= 0 && f >= 100);
    };

    tBlockPlacement p;
    int64_t left = 0, top = 0, right = W, bottom = H, x = x0, y = y0;
    int64_t alpha = f * 255 / 100;
    const int kind = EffectKind();
    switch (kind) {
    case kTitleNone: p.done = f >= 100; break;
    case kTitleRevealFromTop:
        bottom = f * H / 100;
        if (passed(bottom, H))
            bottom = H, p.done = true;
        break;
    case kTitleRevealFromBottom:
        top = H - f * H / 100;
        if (passed(f * H / 100, H))
            top = 0, p.done = true;
        y = y0 + top;
        break;
    case kTitleRevealFromLeft:
        right = f * W / 100;
        if (passed(right, W))
            right = W, p.done = true;
        break;
    case kTitleRevealFromRight:
        left = W - f * W / 100;
        if (passed(f * W / 100, W))
            left = 0, p.done = true;
        x = x0 + left;
        break;
    case kTitleRevealVertically:
        top = std::max<int64_t>(0, H / 2 - f * H / 200);
        bottom = H / 2 + f * H / 200;
        if (passed(bottom - top, H))
            bottom = top + H, p.done = true;
        y = y0 + top;
        break;
    case kTitleRevealHorizontally:
        left = std::max<int64_t>(0, W / 2 - f * W / 200);
        right = W / 2 + f * W / 200;
        if (passed(right - left, W))
            right = left + W, p.done = true;
        x = x0 + left;
        break;
    case kTitleRevealFromCorners:
    case kTitleStretchOut:
        left = std::max<int64_t>(0, W / 2 - f * W / 200);
        right = std::min(W, W / 2 + f * W / 200);
        top = std::max<int64_t>(0, H / 2 - f * H / 200);
        bottom = std::min(H, H / 2 + f * H / 200);
        p.done = left == 0 && top == 0 && right == W && bottom == H;
        p.stretch = kind == kTitleStretchOut && !p.done;
        x = x0 + left;
        y = y0 + top;
        break;
    case kTitleScrollFromTop:
        y = f * (H + y0) / 200 - H;
        if (y > y0)
            y = y0, p.done = true;
        alpha = f * 255 / 200;
        break;
    case kTitleScrollFromBottom:
        y = screenH - f * (screenH - y0) / 200;
        if (y < y0)
            y = y0, p.done = true;
        alpha = f * 255 / 200;
        break;
    case kTitleScrollFromLeft:
        x = f * (x0 + W) / 200 - W;
        if (x > x0)
            x = x0, p.done = true;
        alpha = f * 255 / 200;
        break;
    case kTitleScrollFromRight:
        x = screenW - f * (screenW - x0) / 200;
        if (x < x0)
            x = x0, p.done = true;
        alpha = f * 255 / 200;
        break;
    }
    p.source = {int32_t(left), int32_t(top), int32_t(right), int32_t(bottom)};
    p.x = int(x);
    p.y = int(y);
    p.alpha = int(std::clamp<int64_t>(FadeIn ? alpha : 255, 0, 255));
    return p;
}

void tTitleEffect::DrawBlock(const tBlockPlacement& placement) {
    if (!textBlockCurrent_)
        DrawTextBlock();
    if (placement.stretch) {
        // The whole block shrunk into the uncovered rectangle instead of cut to it.
        StretchBuffer.Fill(BackgroundColour);
        StretchNearest(TextBlock, StretchBuffer, placement.source);
        TextBlock = StretchBuffer;
        textBlockCurrent_ = false;
    }
    BlendCopy(TextBlock, Screen, placement.source, BackgroundColour, placement.alpha, placement.y,
              placement.x);
    // The place the block left is repainted along with the place it now covers.
    AddChange(LastRect);
    LastRect = SizedRect(placement.x, placement.y, placement.source.Width(), placement.source.Height());
    AddChange(LastRect);
}

void tTitleEffect::AddChange(const tMyRect& rect) {
    const tMyRect visible = Intersection(rect, {0, 0, Screen.Width(), Screen.Height()});
    if (!visible.IsEmpty())
        Changes.Add(visible);
}

void tTitleEffect::RestoreBackground(const tMyRect& rect) {
    // Apart from the block drawn last, the screen still shows the background.
    const tMyRect r = Intersection(rect, {0, 0, Screen.Width(), Screen.Height()});
    if (!r.IsEmpty())
        Screen.CopyRect(Background, r.Left, r.Top, r.Width(), r.Height(), r.Left, r.Top);
}

bool tTitleEffect::Step(Bitmap& target, bool fullRedraw, bool running, tChangesList* changed) {
    Changes.Clear();
    const int64_t now = TitleNow();
    if (!running) {
        Revealed = false;
        StartTick = now;
    }
    RestoreBackground(LastRect);
    const tMyRect settled = SettledRect();
    bool over = false;
    if (FadingOut) {
        const int64_t d = std::min<int64_t>(std::max<int64_t>(now - FadeOutTick, 0) / 3, 255);
        if (d < 255) {
            tBlockPlacement whole;
            whole.source = {0, 0, BlockWidth, BlockHeight};
            whole.x = settled.Left;
            whole.y = settled.Top;
            whole.alpha = FadeOut ? int(255 - d) : 255;
            DrawBlock(whole);
        } else {
            over = true;
            AddChange(LastRect); // the block is gone: its place shows the background again
            LastRect = {};
        }
    } else {
        const tBlockPlacement placement =
            RevealPlacement(std::max<int64_t>(now - StartTick, 0), settled.Left, settled.Top);
        if (placement.done && !Revealed) {
            Revealed = true;
            DoneTick = now;
        }
        DrawBlock(placement);
        if (Revealed && now - DoneTick > kTitleHoldMs)
            StartFadeOut();
    }

    if (fullRedraw) {
        target.CopyRect(Screen, 0, 0, Screen.Width(), Screen.Height(), 0, 0);
        if (changed)
            changed->Add({0, 0, Screen.Width(), Screen.Height()});
    } else {
        Changes.CopyChanges(Screen, target);
        if (changed)
            changed->AddAll(Changes);
    }
    return over;
}

void PrepareTitleForSong(tTitleEffect& title, const tLyrimoData& song, bool withTexts, int width,
                         int height) {
    const tSongSettings& s = song.SongSettings;
    const int charset = s.TitleFontCharset();
    QString year, artist, songName;
    if (withTexts && s.UnicodeText()) {
        year = song.WideSongYear();
        artist = song.WideArtistName();
        songName = song.WideSongName();
    } else if (withTexts) {
        const char* codePage = CodePageOfCharset(charset);
        year = DecodeText(song.SongYear(), codePage);
        artist = DecodeText(song.ArtistName(), codePage);
        songName = DecodeText(song.SongName(), codePage);
    }
    title.Prepare(s.TitleEffect(), s.TitleEffectSpeed(), s.BackgroundDuringTitle() && s.BackgroundEnabled(),
                  PathFromField(s.BackgroundFileName()), song.BackgroundStream, tColour(s.BackgroundColour()),
                  s.RightToLeft() != 0, year, artist, songName, charset, TitleFontFromRecord(s.TitleFont()),
                  s.TitleFadeOut() != 0, s.TitleFadeIn() != 0, s.MaintainBackgroundAspect() != 0,
                  s.BackgroundTile() == 1, s.PlayWidth(), height, width);
}

} // namespace lyrimo
