// A short message over the lyrics after a playback command ("Paused", the speed, the time), in a
// rounded dark box at the bottom centre of the lyrics area. It shows for a while after it was
// set and then goes again; the frame composer draws it and reports its rectangle as changed.
#pragma once

#include "picture/bitmap.h"
#include "render/changes_list.h"
#include "render/font_backend.h"

#include <QString>

#include <cstdint>

namespace lyrimo {

// How long a message stays, in ms of the clock it was set by.
constexpr int64_t kOnScreenDisplayMs = 2000;

// The message and the clock time it was set at; an empty text shows nothing.
struct tOnScreenText {
    QString Text;
    int64_t SetAt = 0;
    bool operator==(const tOnScreenText&) const = default;
};

// Whether the message is still showing at clock time now.
bool OnScreenTextShowing(const tOnScreenText& message, int64_t now);

// Lays out and paints the box for one lyrics area; the font follows the area's height so the
// message stays readable from small windows to full-screen high definition.
class tOnScreenDisplay {
public:
    explicit tOnScreenDisplay(const tMyRect& lyricsArea);

    // Where the box for text lies (empty for an empty text).
    tMyRect BoxFor(const QString& text) const;
    // Paints the box with text onto frame and returns its rectangle.
    tMyRect Draw(Bitmap& frame, const QString& text) const;
    const tFont& Font() const { return font_; }

private:
    tMyRect area_;
    tFont font_;
    int padding_ = 0;
};

} // namespace lyrimo
