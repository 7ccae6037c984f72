#include "render/on_screen_display.h"

#include "document/song_records.h"

#include <algorithm>
#include <cmath>

namespace lyrimo {

namespace {

constexpr tColour kBoxColour = 0x202020;
constexpr tColour kTextColour = 0xF0F0F0;

} // namespace

bool OnScreenTextShowing(const tOnScreenText& message, int64_t now) {
    return !message.Text.isEmpty() && now >= message.SetAt && now - message.SetAt < kOnScreenDisplayMs;
}

tOnScreenDisplay::tOnScreenDisplay(const tMyRect& lyricsArea) : area_(lyricsArea) {
    // About a twentieth of the area's height: 13 points at 360 lines, 40 at 1080.
    const int points = std::clamp(area_.Height() * 3 / 80, 9, 72);
    font_ = tFont(QStringLiteral("DejaVu Sans"), points, kFontBold);
    font_.SetColour(kTextColour);
    font_.SetAntiAliased(true);
    padding_ = std::max(4, font_.Height() / 3);
}

tMyRect tOnScreenDisplay::BoxFor(const QString& text) const {
    if (text.isEmpty() || area_.IsEmpty())
        return {};
    const int height = font_.Height() + 2 * padding_;
    const int width = std::min(font_.TextWidth(text) + 4 * padding_, area_.Width());
    const int left = area_.Left + (area_.Width() - width) / 2;
    const int bottom = std::max(area_.Top + height, area_.Bottom - font_.Height());
    return tMyRect{left, bottom - height, left + width, bottom};
}

tMyRect tOnScreenDisplay::Draw(Bitmap& frame, const QString& text) const {
    const tMyRect box = BoxFor(text);
    if (box.IsEmpty())
        return box;
    // The corners are quarter circles of the padding's radius; each row is inset by how far the
    // circle stays inside the box at that row.
    const int radius = std::min(padding_, box.Height() / 2);
    for (int row = 0; row < box.Height(); ++row) {
        const int fromEdge = std::min(row, box.Height() - 1 - row);
        int inset = 0;
        if (fromEdge < radius) {
            const double dy = radius - fromEdge - 0.5;
            inset = radius - int(std::lround(std::sqrt(std::max(0.0, double(radius) * radius - dy * dy))));
        }
        frame.FillRect(box.Left + inset, box.Top + row, box.Width() - 2 * inset, 1, kBoxColour);
    }
    const int textWidth = font_.TextWidth(text);
    const int x = box.Left + (box.Width() - textWidth) / 2;
    DrawText(frame, font_, x, box.Top + padding_, text, false, &box);
    return box;
}

} // namespace lyrimo
