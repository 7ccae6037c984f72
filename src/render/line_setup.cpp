#include "render/line_setup.h"

#include "app/settings.h"

#include <algorithm>

namespace lyrimo {

tLineSetup LineSetupFrom(const tSettingsClass& s) {
    tLineSetup setup;
    setup.Wipe = {s.NiceWordwrap, s.AddPixels};
    setup.Bounce = {s.Bounce, s.BounceHeightinPercent, s.TrueBounce};
    setup.Display = {s.MultiLineDisplay, s.Enabled, s.PrevDefPos, s.PrevAlign,
                     s.HalfSize,         s.BlendBG, s.FLTL,       s.FadeinPreview};
    setup.Timing = {std::max(100, s.Early), s.ShowFirstLine, s.RemoveLyricsAtSongEnd, s.SkipBlankLines};
    setup.Animation = {s.LeadIN, s.LeadOut, s.ScrollTime, s.MinTimePlay};
    setup.Margin = {s.EndEarlyMin, s.EndEarlyMax};
    return setup;
}

int32_t EndEarlyMarginFor(const tLineSetup::tMargin& margin, int32_t averagePrepTime) {
    return std::min(margin.EndEarlyMax, std::max(margin.EndEarlyMin, averagePrepTime + 10));
}

} // namespace lyrimo
