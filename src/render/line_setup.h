// What the lyrics renderers take from the program's preferences, read once when a song's
// renderers are made and then handed down, so that nothing reads the preferences while a line
// is prepared or a frame is drawn.
#pragma once

#include <cstdint>

namespace lyrimo {

class tSettingsClass;

struct tLineSetup {
    // Laying out and wiping one line.
    struct tWipe {
        bool NiceWordwrap = true; // balanced rows when a line wraps
        int32_t AddPixels = 0;    // widening of a sung range that ends at a break
        bool operator==(const tWipe&) const = default;
    };
    // The ball's path above a line; the bounce height is per mille of the window height.
    struct tBounce {
        int32_t LettersPerBounce = 8;
        int32_t HeightPerMille = 80;
        bool TrueBounce = true;
        bool operator==(const tBounce&) const = default;
    };
    // How a part shows its lines when the song leaves the choice to the program.
    struct tDisplay {
        bool MultiLine = true; // not a single line
        bool Preview = false;  // with MultiLine: a next-line preview instead of two slots
        bool PreviewBelow = true;
        int32_t PreviewAlign = 1;
        bool PreviewHalfSize = true;
        bool PreviewBlend = false;
        bool FirstLineTop = true;   // two slots: a verse starts in the top one
        bool FadeNeighbours = true; // two slots: the neighbouring lines fade
        bool operator==(const tDisplay&) const = default;
    };
    // When lines appear and give way.
    struct tTiming {
        int32_t Early = 800; // a verse's first line shows this early; at least 100
        bool ShowFirstLine = false;
        bool RemoveLyricsAtSongEnd = true;
        bool SkipBlankLines = false;
        bool operator==(const tTiming&) const = default;
    };
    // When the instrumental animation may run in a blank stretch.
    struct tAnimation {
        int32_t LeadIn = 500;
        int32_t LeadOut = 500;
        int32_t ScrollTime = 2000;
        int32_t MinTimePlay = 2000;
        bool operator==(const tAnimation&) const = default;
    };
    // The range the end-early margin is kept in.
    struct tMargin {
        int32_t EndEarlyMin = 30;
        int32_t EndEarlyMax = 50;
        bool operator==(const tMargin&) const = default;
    };

    tWipe Wipe;
    tBounce Bounce;
    tDisplay Display;
    tTiming Timing;
    tAnimation Animation;
    tMargin Margin;

    bool operator==(const tLineSetup&) const = default;
};

tLineSetup LineSetupFrom(const tSettingsClass& settings);

// The end-early margin for an average line preparation time: 10 ms more, within the range.
int32_t EndEarlyMarginFor(const tLineSetup::tMargin& margin, int32_t averagePrepTime);

} // namespace lyrimo
