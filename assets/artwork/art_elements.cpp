#include "art_elements.h"

namespace art {
namespace {

// Head half-height s; the stem stands on the head's right side and is 3.7 s tall.
constexpr double kStemOffset = 1.12, kStemHeight = 3.7, kStemHalfWidth = 0.17;

tVec StemTop(tVec head, double s) { return {head.x + kStemOffset * s, head.y - kStemHeight * s}; }

tShape Head(tVec head, double s) { return Ellipse(head, 1.32 * s, 0.92 * s, -0.38); }

tShape Stem(tVec head, double s) {
    tVec top = StemTop(head, s);
    return Capsule({top.x, head.y - 0.2 * s}, top, kStemHalfWidth * s);
}

tShape Flag(tVec top, double s, double length) {
    std::vector<tVec> centre =
        Bezier(top, top + tVec{0.1, 1.1 * length} * s, top + tVec{1.75, 1.15 * length} * s,
               top + tVec{1.0, 2.9 * length} * s, 28);
    std::vector<double> radii;
    for (size_t i = 0; i < centre.size(); ++i)
        radii.push_back(Lerp(0.38, 0.12, static_cast<double>(i) / (centre.size() - 1)) * s);
    return tTube(centre, radii).Shape();
}

} // namespace

tShape Note(tVec head, double size, tNoteKind kind) {
    double s = size / 2;
    std::vector<tShape> parts = {Head(head, s), Stem(head, s)};
    tVec top = StemTop(head, s);
    if (kind != tNoteKind::Quarter)
        parts.push_back(Flag(top, s, 1.0));
    if (kind == tNoteKind::Sixteenth)
        parts.push_back(Flag(top + tVec{0, 0.95 * s}, s, 0.85));
    return Union(parts);
}

tShape BeamedNotes(tVec firstHead, tVec secondHead, double size, int beams) {
    double s = size / 2;
    std::vector<tShape> parts = {Head(firstHead, s), Stem(firstHead, s), Head(secondHead, s),
                                 Stem(secondHead, s)};
    tVec a = StemTop(firstHead, s), b = StemTop(secondHead, s);
    double w = kStemHalfWidth * s, thickness = 0.78 * s;
    for (int i = 0; i < beams; ++i) {
        double down = i * 1.25 * s;
        parts.push_back(Polygon({{a.x - w, a.y + down},
                                 {b.x + w, b.y + down},
                                 {b.x + w, b.y + down + thickness},
                                 {a.x - w, a.y + down + thickness}}));
    }
    return Union(parts);
}

tShape Sparkle(tVec centre, double radius, double radians) {
    return Star(centre, 4, radius, radius * 0.26, radians);
}

void DrawSticker(tCanvas& canvas, const tShape& shape, tRgb colour, double outline, tRgb outlineColour,
                 double bevel) {
    canvas.FillOutlined(shape, Puffy(shape, colour, bevel), outlineColour, outline);
}

tShape Turned(const tShape& shape, double radians, tVec pivot) {
    return Transformed(shape, tAffine::Rotate(radians, pivot));
}

} // namespace art
