#include "render/changes_list.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace lyrimo {
namespace {

bool Inside(const tMyRect& r, const tMyRect& s) {
    return r.Left >= s.Left && r.Top >= s.Top && r.Right <= s.Right && r.Bottom <= s.Bottom;
}

// A non-empty intersection; rectangles that only touch do not overlap.
bool Overlap(const tMyRect& a, const tMyRect& b) {
    return std::max(a.Left, b.Left) < std::min(a.Right, b.Right) &&
           std::max(a.Top, b.Top) < std::min(a.Bottom, b.Bottom);
}

tMyRect Union(const tMyRect& a, const tMyRect& b) {
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

} // namespace

void tChangesList::Add(tMyRect r) {
    if (alsoAddTo_)
        alsoAddTo_->Add(r);
    if (r.Right < r.Left)
        std::swap(r.Left, r.Right);
    if (r.Bottom < r.Top)
        std::swap(r.Top, r.Bottom);
    for (tMyRect& s : rects_) {
        if (Inside(r, s))
            return;
        bool sameColumns = r.Left == s.Left && r.Right == s.Right;
        bool sameRows = r.Top == s.Top && r.Bottom == s.Bottom;
        if ((sameColumns || sameRows) && Overlap(r, s)) {
            s = Union(r, s);
            return;
        }
    }
    rects_.push_back(r);
}

void tChangesList::AddSized(int32_t x, int32_t y, int32_t height, int32_t width) {
    Add(SizedRect(x, y, width, height));
}

void tChangesList::AddAll(const tChangesList& other) {
    if (&other == this)
        return; // every rectangle is already inside itself
    for (const tMyRect& r : other.rects_)
        Add(r);
}

void tChangesList::CopyChanges(const Bitmap& source, Bitmap& target) const {
    // Clipped to the bitmaps first, so that far-flung edges cannot overflow a size.
    const int32_t width = std::min(source.Width(), target.Width()),
                  height = std::min(source.Height(), target.Height());
    for (const tMyRect& r : rects_) {
        int32_t left = std::max(r.Left, 0), top = std::max(r.Top, 0);
        int32_t right = std::min(r.Right, width), bottom = std::min(r.Bottom, height);
        if (left < right && top < bottom)
            target.CopyRect(source, left, top, right - left, bottom - top, left, top);
    }
}

} // namespace lyrimo
