// The title screen shown before the lyrics: the song name, the artist and the year,
// centred over the background, brought on by one of thirteen effects, held for a second
// and then faded out. The playback window calls Step every frame until it reports the
// end; the song editor previews the same object and restarts it when an option changes.
#pragma once

#include "picture/bitmap.h"
#include "render/changes_list.h"
#include "render/font_backend.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace lyrimo {

class tLyrimoData;
class tFontRecord;

// The clock the title is timed by: TickCount() unless replaced (tests and the command
// line set a fixed clock so that pictures are reproducible). nullptr restores the tick count.
int64_t TitleNow();
void SetTitleClock(int64_t (*clock)());

// The title font as the song stores it.
struct tTitleFont {
    QString name;
    int size = 16;
    uint8_t style = 0;
    tColour colour = 0xFFFFFF;
};
// An empty name reads as "Arial" and a size below 2 as 28 when the font is applied.
tTitleFont TitleFontFromRecord(const tFontRecord& record);

// The effects in the order the song numbers them.
enum tTitleEffectKind {
    kTitleNone = 0,
    kTitleRevealFromTop,
    kTitleRevealFromBottom,
    kTitleRevealFromLeft,
    kTitleRevealFromRight,
    kTitleRevealVertically,
    kTitleRevealHorizontally,
    kTitleRevealFromCorners,
    kTitleScrollFromTop,
    kTitleScrollFromBottom,
    kTitleScrollFromLeft,
    kTitleScrollFromRight,
    kTitleStretchOut,
    kTitleEffectCount
};

// How long the title stays fully shown after the reveal, and how long the fade-out lasts.
constexpr int64_t kTitleHoldMs = 1000;
constexpr int64_t kTitleFadeOutMs = 765;

class tTitleEffect {
public:
    // The title's bitmaps are held in format; the process's working format unless given.
    explicit tTitleEffect(tPixelFormat format = WorkingPixelFormat());
    // The format of the bitmaps made from the next Prepare on.
    void SetPixelFormat(tPixelFormat format) { format_ = format; }
    tPixelFormat PixelFormat() const { return format_; }

    // Builds the images for a window of width × height. Lines that are empty are left out.
    void Prepare(int effect, int speed, bool showBackground, const QString& backgroundFileName,
                 const QByteArray& backgroundBytes, tColour backgroundColour, bool rightToLeft,
                 const QString& year, const QString& artist, const QString& songName, int charset,
                 const tTitleFont& font, bool fadeOut, bool fadeIn, bool maintainAspect, bool tile,
                 int designWidth, int height, int width);
    // Applies the font and effect settings again, lays the text block out anew and starts
    // the effect from the beginning.
    void Restart(int effect, int speed, int charset, const tTitleFont& font, bool fadeOut, bool fadeIn);
    // Draws the current state onto target (a window-sized bitmap the window presents) and
    // adds the rectangles it changed to *changed when given (everything on a full redraw).
    // While running is false the effect is held at its start. True when the title
    // sequence is over.
    bool Step(Bitmap& target, bool fullRedraw, bool running, tChangesList* changed = nullptr);
    void StartFadeOut();

    // Where the text block rests once revealed, in window coordinates.
    tMyRect SettledRect() const;
    // The effect number wrapped into 0..12.
    int EffectKind() const;

    Bitmap Screen;        // the composed title screen, window-sized
    Bitmap Background;    // the background picture fitted to the window, or the plain colour
    Bitmap TextBlock;     // the text lines on the background colour
    Bitmap StretchBuffer; // work image of "Stretch Out"
    int64_t StartTick = 0;
    int64_t FadeOutTick = 0;
    int32_t Speed = 2;
    int32_t Effect = 0;
    std::array<QString, 3> Lines; // song name, artist, year
    int32_t BlockWidth = 0;
    int32_t BlockHeight = 0;
    int32_t DesignWidth = 0;
    int64_t DoneTick = 0;
    bool FadingOut = false;
    bool FadeIn = false;
    bool FadeOut = true;
    bool Revealed = false;
    tChangesList Changes;
    tMyRect LastRect;
    bool RightToLeft = false;
    tColour BackgroundColour = 0;
    tFont Font; // the title font, scaled to the window

private:
    struct tBlockPlacement {
        tMyRect source; // part of the text block shown
        int x = 0, y = 0;
        int alpha = 255;
        bool stretch = false;
        bool done = false;
    };
    tBlockPlacement RevealPlacement(int64_t elapsed, int x0, int y0) const;
    void LayOutBlock();
    void DrawTextBlock();
    void DrawBlock(const tBlockPlacement& placement);
    void RestoreBackground(const tMyRect& rect);
    void AddChange(const tMyRect& rect);

    bool textBlockCurrent_ = false; // TextBlock holds the plain text in the current font
    tPixelFormat format_;
};

// Prepares the title as the playback window does: every setting from the song, the
// title texts only when withTexts (wide texts when the song's texts are Unicode, else
// its 8-bit texts read in the title font's character set).
void PrepareTitleForSong(tTitleEffect& title, const tLyrimoData& song, bool withTexts, int width, int height);

} // namespace lyrimo
