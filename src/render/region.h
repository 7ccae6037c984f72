// Regions: sets of pixels described by rectangles, as the shapes of drawn text and of
// windows cut to it. A thin owner of a pixman region.
#pragma once

#include "render/changes_list.h"

#include <pixman.h>

#include <vector>

namespace lyrimo {

class tRegion {
public:
    tRegion();
    explicit tRegion(const tMyRect& rect);
    // Rectangles in rows from top to bottom, each row's from left to right, none overlapping.
    explicit tRegion(const std::vector<tMyRect>& bandedRects);
    tRegion(const tRegion& other);
    tRegion(tRegion&& other) noexcept;
    tRegion& operator=(const tRegion& other);
    tRegion& operator=(tRegion&& other) noexcept;
    ~tRegion();

    bool IsEmpty() const;
    tMyRect Extents() const;
    std::vector<tMyRect> Rectangles() const;
    bool Contains(int x, int y) const;
    int64_t Area() const;

    void Clear();
    void Unite(const tRegion& other);
    void Unite(const tMyRect& rect);
    void Subtract(const tRegion& other);
    void Subtract(const tMyRect& rect);
    void Intersect(const tRegion& other);
    void Intersect(const tMyRect& rect);
    void Translate(int dx, int dy);

    bool operator==(const tRegion& other) const;

    const pixman_region32_t* Handle() const { return &region_; }

private:
    pixman_region32_t region_;
};

} // namespace lyrimo
