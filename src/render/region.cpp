#include "render/region.h"

namespace lyrimo {
namespace {

pixman_box32_t Box(const tMyRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

} // namespace

tRegion::tRegion() { pixman_region32_init(&region_); }

tRegion::tRegion(const tMyRect& rect) {
    if (rect.IsEmpty())
        pixman_region32_init(&region_);
    else
        pixman_region32_init_rect(&region_, rect.Left, rect.Top, unsigned(rect.Width()),
                                  unsigned(rect.Height()));
}

tRegion::tRegion(const std::vector<tMyRect>& bandedRects) {
    std::vector<pixman_box32_t> boxes;
    boxes.reserve(bandedRects.size());
    for (const tMyRect& r : bandedRects) {
        if (!r.IsEmpty())
            boxes.push_back(Box(r));
    }
    if (!pixman_region32_init_rects(&region_, boxes.data(), int(boxes.size())))
        pixman_region32_init(&region_); // allocation failed: the region is left empty
}

tRegion::tRegion(const tRegion& other) {
    pixman_region32_init(&region_);
    pixman_region32_copy(&region_, &other.region_);
}

tRegion::tRegion(tRegion&& other) noexcept : tRegion() { pixman_region32_copy(&region_, &other.region_); }

tRegion& tRegion::operator=(const tRegion& other) {
    if (this != &other)
        pixman_region32_copy(&region_, &other.region_);
    return *this;
}

tRegion& tRegion::operator=(tRegion&& other) noexcept {
    if (this != &other)
        pixman_region32_copy(&region_, &other.region_);
    return *this;
}

tRegion::~tRegion() { pixman_region32_fini(&region_); }

bool tRegion::IsEmpty() const { return !pixman_region32_not_empty(&region_); }

tMyRect tRegion::Extents() const {
    if (IsEmpty())
        return {};
    const pixman_box32_t* e = pixman_region32_extents(&region_);
    return {e->x1, e->y1, e->x2, e->y2};
}

std::vector<tMyRect> tRegion::Rectangles() const {
    int count = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(&region_, &count);
    std::vector<tMyRect> rects;
    rects.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        rects.push_back({boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
    return rects;
}

bool tRegion::Contains(int x, int y) const { return pixman_region32_contains_point(&region_, x, y, nullptr); }

int64_t tRegion::Area() const {
    int64_t area = 0;
    for (const tMyRect& r : Rectangles())
        area += int64_t{r.Width()} * r.Height();
    return area;
}

void tRegion::Clear() { pixman_region32_clear(&region_); }

void tRegion::Unite(const tRegion& other) { pixman_region32_union(&region_, &region_, &other.region_); }

void tRegion::Unite(const tMyRect& rect) {
    if (!rect.IsEmpty())
        pixman_region32_union_rect(&region_, &region_, rect.Left, rect.Top, unsigned(rect.Width()),
                                   unsigned(rect.Height()));
}

void tRegion::Subtract(const tRegion& other) { pixman_region32_subtract(&region_, &region_, &other.region_); }

void tRegion::Subtract(const tMyRect& rect) { Subtract(tRegion(rect)); }

void tRegion::Intersect(const tRegion& other) {
    pixman_region32_intersect(&region_, &region_, &other.region_);
}

void tRegion::Intersect(const tMyRect& rect) {
    if (rect.IsEmpty())
        Clear();
    else
        pixman_region32_intersect_rect(&region_, &region_, rect.Left, rect.Top, unsigned(rect.Width()),
                                       unsigned(rect.Height()));
}

void tRegion::Translate(int dx, int dy) { pixman_region32_translate(&region_, dx, dy); }

bool tRegion::operator==(const tRegion& other) const {
    return pixman_region32_equal(&region_, &other.region_);
}

} // namespace lyrimo
