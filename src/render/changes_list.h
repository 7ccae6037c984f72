// Changed rectangles of a frame: the renderers record what they drew, and only those
// rectangles are copied from the off-screen frame to the screen.
#pragma once

#include "picture/bitmap.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace lyrimo {

// A rectangle with exclusive right and bottom edges.
struct tMyRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const tMyRect&) const = default;
};

// The rectangle of a size at a place.
inline tMyRect SizedRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    return {x, y, x + width, y + height};
}

// What two rectangles share; the empty rectangle when they do not overlap.
inline tMyRect Intersection(const tMyRect& a, const tMyRect& b) {
    const tMyRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
                    std::min(a.Bottom, b.Bottom)};
    return r.IsEmpty() ? tMyRect{} : r;
}

class tChangesList {
public:
    // Stores the rectangle, normalised, unless a stored one already holds it. A stored
    // rectangle with the same left and right edges (or the same top and bottom edges)
    // that overlaps it grows to their union instead, so a line wiped row by row stays
    // one rectangle per row. Touching edges do not overlap.
    void Add(tMyRect rect);
    void AddSized(int32_t x, int32_t y, int32_t height, int32_t width);
    void AddAll(const tChangesList& other);
    // Copies every listed rectangle from source to the same place on target.
    void CopyChanges(const Bitmap& source, Bitmap& target) const;
    void Clear() { rects_.clear(); }
    // Every rectangle added from now on is also added to other (null: to no other list), so that
    // what one drawer added can be told apart from the rest of the list.
    void AlsoAddTo(tChangesList* other) { alsoAddTo_ = other; }

    int Count() const { return int(rects_.size()); }
    bool IsEmpty() const { return rects_.empty(); }
    const tMyRect& operator[](int i) const { return rects_[size_t(i)]; }
    std::vector<tMyRect>::const_iterator begin() const { return rects_.begin(); }
    std::vector<tMyRect>::const_iterator end() const { return rects_.end(); }

private:
    std::vector<tMyRect> rects_;
    tChangesList* alsoAddTo_ = nullptr;
};

} // namespace lyrimo
