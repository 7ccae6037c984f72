#include "ball_art.h"

#include "art_elements.h"
#include "render/builtin_pictures.h"

#include <array>
#include <functional>

namespace art {
namespace {

using lyrimo::Bitmap;

constexpr int kSamples = 6;
constexpr double kRadius = 13.25;       // a ball's outer edge, its border included
constexpr double kBody = kRadius - 1.1; // inside the border
const tRgb kInk = Rgb(0x15111C);        // borders, eyes, mouths
// Edge pixels blend towards this near-black; it stays distinct from the black key.
const tRgb kMatte = Rgb(0x121212);

// A ball's art coordinates: the origin is the centre of the resting round ball, whose
// bottom touches the cell's bottom; `sx` and `sy` squash it about that bottom.
tAffine Placement(double sx, double sy) {
    return tAffine::Translate({lyrimo::kBallCellSize / 2.0, lyrimo::kBallCellSize - kRadius * sy}) *
           tAffine::Scale(sx, sy);
}

// Landing frames of the still balls: round, squashed, flatter.
constexpr double kSquashX[3] = {1.0, 1.08, 1.16};
constexpr double kSquashY[3] = {1.0, 0.84, 0.68};

using tSurface = std::function<tRgb(tVec3)>;
using tDesign = std::function<void(tCanvas&, double phase)>;

tSurface Uniform(tRgb colour) {
    return [colour](tVec3) { return colour; };
}

tRgb Rim(tRgb base) { return Mix(kInk, base, 0.3); }

void ShadedBall(tCanvas& canvas, const tSurface& surface, tRgb rim, tGloss gloss = {},
                double radius = kRadius) {
    canvas.Fill(Circle({0, 0}, radius), rim);
    double body = radius - (kRadius - kBody);
    canvas.Fill(Circle({0, 0}, body), SphereShade({0, 0}, body, surface, gloss));
}

// The soft reflection of a window across a glossy ball's top.
void WindowShine(tCanvas& canvas, double strength = 0.55) {
    const double top = -kBody + 1.2, height = 8.5;
    canvas.Fill(Ellipse({-1.0, top + height / 2}, 8.2, height / 2, -0.25), [=](tVec p) {
        return tRgba{{1, 1, 1}, strength * (1 - SmoothStep(top, top + height, p.y))};
    });
}

void GlossyBall(tCanvas& canvas, tRgb colour) {
    ShadedBall(canvas, Uniform(colour), Rim(colour));
    WindowShine(canvas);
}

// The direction a mirror at `normal` reflects the viewer's line of sight.
tVec3 Reflection(tVec3 normal) {
    return {2 * normal.z * normal.x, 2 * normal.z * normal.y, 2 * normal.z * normal.z - 1};
}

// A bright sky above a dark floor, as a shiny ball mirrors them; the horizon shows a little
// below the ball's middle.
double Surroundings(tVec3 normal) {
    tVec3 r = Reflection(normal);
    const double horizon = 0.35;
    double sky = 0.9 + 0.3 * SmoothStep(horizon, -1.0, r.y);
    double floor = 0.5 + 0.15 * SmoothStep(horizon, 1.0, r.y);
    return Lerp(sky, floor, SmoothStep(horizon - 0.12, horizon + 0.12, r.y));
}

void ChromeBall(tCanvas& canvas) {
    ShadedBall(canvas,
               [](tVec3 n) {
                   // The sky it mirrors tints it blue.
                   double sky = SmoothStep(0.4, -0.2, Reflection(n).y);
                   return Mix(Silver(Surroundings(n) * 0.9), Rgb(0x8AB8F0), 0.3 * sky);
               },
               Rgb(0x30343C), {60, 0.9, 0.62});
}

void GoldBall(tCanvas& canvas) {
    ShadedBall(canvas, [](tVec3 n) { return Brass(Surroundings(n)); }, Rgb(0x4A3008), {60, 0.8, 0.62});
}

void StripedBall(tCanvas& canvas) {
    tSurface surface = [](tVec3 n) {
        tVec3 q = RotatedZ(RotatedX(n, 0.55), -0.45);
        return std::abs(q.y) < 0.45 ? Rgb(0xE02838) : Rgb(0xF6F2EA);
    };
    ShadedBall(canvas, surface, Rgb(0x3A2026));
    WindowShine(canvas, 0.45);
}

void RainbowBall(tCanvas& canvas, double hueShift) {
    tSurface surface = [hueShift](tVec3 n) {
        tVec3 q = RotatedX(n, 0.5);
        double hue = std::atan2(q.z, q.x) / (2 * kPi) + hueShift;
        return Mix(Hsv(hue, 0.85, 1), {1, 1, 1}, SmoothStep(0.8, 0.98, std::abs(q.y)));
    };
    ShadedBall(canvas, surface, Rgb(0x2A1E3A));
    WindowShine(canvas, 0.5);
}

void PearlBall(tCanvas& canvas) {
    tSurface surface = [](tVec3 n) {
        // A faint play of colours across the pearl.
        return Mix(Rgb(0xF4EEE4), Hsv(0.6 + 0.3 * n.x + 0.2 * n.y, 0.25, 1), 0.35);
    };
    ShadedBall(canvas, surface, Rgb(0x5A5660), {25, 0.6, 0.45});
}

// Eyes and a smile drawn on a round face of radius kBody.
void SmileyFace(tCanvas& canvas, double mouthOpen) {
    canvas.Fill(Ellipse({-4.3, -3.6}, 1.7, 2.7), kInk);
    canvas.Fill(Ellipse({4.3, -3.6}, 1.7, 2.7), kInk);
    canvas.Fill(Circle({-4.8, -4.6}, 0.6), Rgb(0xFFFFFF));
    canvas.Fill(Circle({3.8, -4.6}, 0.6), Rgb(0xFFFFFF));
    canvas.Fill(Circle({-7.6, 2.6}, 2.2), Rgb(0xFF6A6A), 0.45);
    canvas.Fill(Circle({7.6, 2.6}, 2.2), Rgb(0xFF6A6A), 0.45);
    if (mouthOpen <= 0) {
        canvas.Fill(Stroke(Arc({0, 0.8}, 6.6, 5.6, 0.35, kPi - 0.35, 16), 1.8), kInk);
        return;
    }
    tShape mouth = Intersect(Ellipse({0, 3.6}, 5.2, 1.2 + mouthOpen), RoundedBox({0, 5.6}, 7, 5.6, 0.5));
    canvas.Fill(Offset(mouth, 0.7), kInk);
    canvas.Fill(mouth, Rgb(0x8A1A2A));
    canvas.Fill(Intersect(mouth, Circle({0, 4.8 + mouthOpen * 1.3}, 3.2)), Rgb(0xF0607A));
}

void Smiley(tCanvas& canvas, double mouthOpen) {
    ShadedBall(canvas, Uniform(Rgb(0xFFD22E)), Rgb(0x5A3A08), {30, 0.6, 0.4});
    SmileyFace(canvas, mouthOpen);
}

void NoteBall(tCanvas& canvas) {
    GlossyBall(canvas, Rgb(0x2F6BE8));
    tShape note = Note({-2.4, 5.0}, 6.8, tNoteKind::Eighth);
    canvas.FillOutlined(note, Puffy(note, Rgb(0xFFFFFF), 1.5, 0.3), Rgb(0x0E2050), 0.8);
}

// A shape resting on the ground line of the ball (y = kRadius), drawn as a sticker.
void StickerBall(tCanvas& canvas, const tShape& shape, tRgb colour, double bevel = 3.2) {
    tShape body = Offset(shape, -1.1);
    DrawSticker(canvas, body, colour, 1.1, Rim(colour), bevel);
}

tShape RestingStar(int points, double outer, double innerRatio, double rounding = 1.3) {
    // Rest the star on its lowest points.
    double drop = 0;
    for (int i = 0; i < points; ++i)
        drop = std::max(drop, outer * std::sin(-kPi / 2 + i * 2 * kPi / points));
    tVec centre{0, kRadius - drop};
    return Offset(Star(centre, points, outer - rounding, (outer - rounding) * innerRatio), rounding);
}

// The tip is thin, so it sinks a little into the ground line to show there.
tShape RestingHeart(double size) { return Heart({0, kRadius - size * 13.9 / 32}, size); }

tRgb TennisSurface(tVec3 n) {
    static const std::vector<tVec3> seam = [] {
        std::vector<tVec3> points;
        const double a = 0.68, b = 0.32;
        for (int i = 0; i < 160; ++i) {
            double t = 2 * kPi * i / 160;
            points.push_back(
                Normalized(tVec3{a * std::cos(t) + b * std::cos(3 * t), a * std::sin(t) - b * std::sin(3 * t),
                                 2 * std::sqrt(a * b) * std::sin(2 * t)}));
        }
        return points;
    }();
    tVec3 q = RotatedY(RotatedX(n, 0.9), 0.5);
    double nearest = -1;
    for (tVec3 point : seam)
        nearest = std::max(nearest, Dot(point, q));
    if (nearest > 0.9955)
        return Rgb(0xF4F6EA);
    double fuzz = FractalNoise(q * 9, 2);
    return Mix(Rgb(0xB8D62A), Rgb(0xE4F25A), fuzz);
}

// Where the 12 pentagons and 20 hexagons of a football are centred.
std::vector<tVec3> FootballCentres() {
    const double g = (1 + std::sqrt(5.0)) / 2;
    std::vector<tVec3> centres;
    for (int s1 : {-1, 1}) {
        for (int s2 : {-1, 1}) {
            centres.push_back(Normalized(tVec3{0, s1 * 1.0, s2 * g}));
            centres.push_back(Normalized(tVec3{s1 * 1.0, s2 * g, 0}));
            centres.push_back(Normalized(tVec3{s1 * g, 0, s2 * 1.0}));
        }
    }
    for (int s1 : {-1, 1}) {
        for (int s2 : {-1, 1}) {
            for (int s3 : {-1, 1})
                centres.push_back(Normalized(tVec3{s1 * 1.0, s2 * 1.0, s3 * 1.0}));
            centres.push_back(Normalized(tVec3{0, s1 * g, s2 / g}));
            centres.push_back(Normalized(tVec3{s1 / g, 0, s2 * g}));
            centres.push_back(Normalized(tVec3{s1 * g, s2 / g, 0}));
        }
    }
    return centres; // the first 12 are the pentagons
}

tVec3 Cross(tVec3 a, tVec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

tVec3 RotatedAbout(tVec3 v, tVec3 axis, double radians) {
    double c = std::cos(radians), s = std::sin(radians);
    return v * c + Cross(axis, v) * s + axis * (Dot(axis, v) * (1 - c));
}

// A football turned `turn` of the way round one of its pentagons, that pentagon's axis
// tilted towards the viewer.
tSurface FootballSurface(double turn) {
    std::vector<tVec3> centres = FootballCentres();
    const tVec3 pentagon = centres[0];
    const tVec3 shownAxis = Normalized(tVec3{0.35, -0.75, 0.55});
    const tVec3 alignAxis = Normalized(Cross(pentagon, shownAxis));
    const double alignAngle = std::acos(Dot(pentagon, shownAxis));
    for (tVec3& centre : centres)
        centre = RotatedAbout(RotatedAbout(centre, alignAxis, alignAngle), shownAxis, turn * 2 * kPi / 5);
    return [centres](tVec3 n) {
        double best = -2, second = -2;
        bool bestIsPentagon = false;
        for (size_t i = 0; i < centres.size(); ++i) {
            // Pentagons are the smaller faces: their edges lie 16.5 degrees from their
            // centres, against 20.9 for the hexagons.
            double score = Dot(n, centres[i]) - (i < 12 ? 0.0246 : 0.0);
            if (score > best) {
                second = best;
                best = score;
                bestIsPentagon = i < 12;
            } else if (score > second) {
                second = score;
            }
        }
        if (best - second < 0.02)
            return Rgb(0x5A5E66);
        return bestIsPentagon ? Rgb(0x24262C) : Rgb(0xF8F8F4);
    };
}

tRgb BasketballSurface(tVec3 q) {
    const double w = 0.05;
    bool seam = std::abs(q.x) < w || std::abs(q.y) < w || std::abs(std::abs(q.z) - 0.78) < w * 0.9;
    if (seam)
        return Rgb(0x2A1A10);
    double pebbles = ValueNoise(q * 14);
    return Mix(Rgb(0xD8621A), Rgb(0xF08A32), pebbles);
}

void Basketball(tCanvas& canvas, double turn) {
    tSurface surface = [turn](tVec3 n) {
        tVec3 q = RotatedY(RotatedX(n, 0.45), turn * kPi + 0.4);
        return BasketballSurface(q);
    };
    ShadedBall(canvas, surface, Rgb(0x3A1A08), {20, 0.35, 0.35});
}

void OrangeFruit(tCanvas& canvas) {
    tSurface surface = [](tVec3 n) { return Mix(Rgb(0xF07A10), Rgb(0xFFA030), ValueNoise(n * 16)); };
    ShadedBall(canvas, surface, Rgb(0x5A2A06), {25, 0.45, 0.35});
    tShape leaf = Ellipse({4.0, -11.6}, 4.6, 2.2, -0.45);
    canvas.FillOutlined(leaf, Puffy(leaf, Rgb(0x3FB83A), 1.6, 0.3), Rgb(0x123A12), 0.8);
    canvas.Fill(Circle({0.2, -11.0}, 1.4), Rgb(0x4A3010));
}

void Flower(tCanvas& canvas, double turn, int petals, tRgb petalColour, tRgb middle) {
    std::vector<tShape> shapes;
    const double length = 6.6, reach = kRadius - length;
    for (int i = 0; i < petals; ++i) {
        double angle = kPi / 2 + turn + i * 2 * kPi / petals;
        shapes.push_back(Ellipse(Polar(reach, angle), length, petals > 8 ? 2.6 : 4.6, angle));
    }
    for (const tShape& petal : shapes) {
        tShape body = Offset(petal, -1.0);
        DrawSticker(canvas, body, petalColour, 1.0, Rim(petalColour), 2.4);
    }
    double r = petals > 8 ? 6.0 : 5.0;
    canvas.Fill(Circle({0, 0}, r + 1), Rim(middle));
    canvas.Fill(Circle({0, 0}, r), SphereShade({0, 0}, r, [middle](tVec3 n) {
                    return Mix(middle, middle * 0.6, ValueNoise(n * 7 + tVec3{3, 3, 3}));
                }));
}

void Bubble(tCanvas& canvas, double sheen) {
    canvas.Fill(Circle({0, 0}, kRadius), Rgb(0x9ADCF4));
    canvas.Fill(Circle({0, 0}, kBody), [=](tVec p) {
        double r = Length(p) / kBody;
        double angle = std::atan2(p.y, p.x);
        tRgb inside = Mix(Rgb(0x0C2440), Rgb(0x1A5A8A), r * r);
        // A rainbow film shows near the rim and drifts round with `sheen`.
        tRgb film = Hsv(angle / (2 * kPi) + sheen, 0.7, 1);
        return tRgba{Mix(inside, film, SmoothStep(0.62, 1.0, r) * 0.75), 1};
    });
    tShape glint = Subtract(Circle({-2.0, -2.0}, 9.4), Circle({0.2, 0.2}, 9.6));
    canvas.Fill(glint, Rgb(0xFFFFFF), 0.85);
    canvas.Fill(Circle({-5.6, -6.2}, 1.9), Rgb(0xFFFFFF));
    canvas.Fill(Circle({6.0, 6.2}, 1.3), Rgb(0xE8F8FF), 0.8);
}

void Moon(tCanvas& canvas) {
    tShape crescent = Subtract(Circle({0, 0}, kRadius), Circle({6.0, -3.4}, 10.6));
    StickerBall(canvas, crescent, Rgb(0xFFE46A), 2.4);
    canvas.Fill(Circle({-5.0, 3.5}, 1.4), Rgb(0xE0B83A));
    canvas.Fill(Circle({-8.2, -2.0}, 1.0), Rgb(0xE0B83A));
    canvas.Fill(Stroke(Arc({-6.2, -4.8}, 1.8, 1.2, 0.2, kPi - 0.2, 8), 0.9), kInk);
    canvas.Fill(Stroke(Arc({-3.4, 6.6}, 2.8, 1.8, 0.1, kPi * 0.7, 8), 0.9), kInk);
}

void Ladybug(tCanvas& canvas) {
    tSurface surface = [](tVec3 n) {
        if (n.y < -0.55)
            return Rgb(0x26262E); // head
        if (std::abs(n.x) < 0.05)
            return Rgb(0x1E1E24); // where the wings meet
        const tVec spots[] = {{-0.45, -0.15}, {0.45, -0.15}, {-0.55, 0.4},
                              {0.55, 0.4},    {-0.2, 0.7},   {0.2, 0.7}};
        for (tVec spot : spots) {
            if (Length(tVec{n.x, n.y} - spot) < 0.17)
                return Rgb(0x1E1E24);
        }
        return Rgb(0xE82A24);
    };
    ShadedBall(canvas, surface, Rgb(0x1A0A0A), {35, 0.7, 0.35});
    canvas.Fill(Circle({-3.0, -9.2}, 1.3), Rgb(0xFFFFFF));
    canvas.Fill(Circle({3.0, -9.2}, 1.3), Rgb(0xFFFFFF));
}

void Planet(tCanvas& canvas, double turn) {
    const double r = 9.6;
    const tVec centre{0, kRadius - r};
    const double tilt = -0.32;
    tShape ringOuter = Ellipse(centre, 13.8, 4.4, tilt), ringInner = Ellipse(centre, r - 0.2, 2.6, tilt);
    tShape ring = Subtract(ringOuter, ringInner);
    auto ringPaint = [=](tVec p) {
        double d = Length(Rotated(p - centre, -tilt) * 1.0);
        double band = 0.5 + 0.5 * std::sin(d * 2.4);
        return tRgba{Mix(Rgb(0xC8A46A), Rgb(0xF2E2B4), band), 1};
    };
    // The ring's far half, then the planet, then its near half.
    tVec down = Rotated({0, 1}, tilt);
    tShape farHalf = Intersect(ring, {[=](tVec p) { return Dot(p - centre, down); }, ringOuter.bounds});
    tShape nearHalf = Intersect(ring, {[=](tVec p) { return -Dot(p - centre, down); }, ringOuter.bounds});
    canvas.Fill(Offset(farHalf, 0.8), Rgb(0x3A2A14));
    canvas.Fill(farHalf, ringPaint);
    tSurface surface = [turn](tVec3 n) {
        double swirl = FractalNoise(RotatedY(n, turn * 2 * kPi) * 3 + tVec3{5, 1, 2}, 3);
        double band = std::sin(n.y * 11 + swirl * 3);
        return Mix(Rgb(0xD88A3A), Rgb(0xF6D08A), 0.5 + 0.5 * band);
    };
    canvas.Fill(Circle(centre, r + 1), Rgb(0x3A2008));
    canvas.Fill(Circle(centre, r), SphereShade(centre, r, surface, {30, 0.4, 0.3}));
    canvas.Fill(Offset(nearHalf, 0.8), Rgb(0x3A2A14));
    canvas.Fill(nearHalf, ringPaint);
}

void Globe(tCanvas& canvas, double turn) {
    tSurface surface = [turn](tVec3 n) {
        tVec3 q = RotatedY(RotatedX(n, 0.4), turn * 2 * kPi);
        if (std::abs(q.y) > 0.9)
            return Rgb(0xF4F8FF);
        double land = FractalNoise(q * 1.7 + tVec3{11, 4, 7}, 4);
        if (land > 0.53) {
            double height = ValueNoise(q * 6);
            return Mix(Rgb(0x3C9A34), Rgb(0xB89A52), SmoothStep(0.6, 0.9, land) * 0.7 + height * 0.2);
        }
        return Mix(Rgb(0x0E3E9E), Rgb(0x2A7ADA), SmoothStep(0.3, 0.53, land));
    };
    ShadedBall(canvas, surface, Rgb(0x0A1A3A), {30, 0.5, 0.3});
    // A thin atmosphere along the lit edge.
    canvas.Fill(Subtract(Circle({0, 0}, kBody), Circle({0.6, 0.8}, kBody - 0.9)), Rgb(0x9AD8FF), 0.7);
}

void BeachBall(tCanvas& canvas, double turn) {
    const uint32_t lunes[6] = {0xE8282E, 0xF8F6F0, 0x2A62E6, 0xFFD21E, 0xF8F6F0, 0x22B24A};
    tSurface surface = [=](tVec3 n) {
        tVec3 q = RotatedY(RotatedZ(RotatedX(n, 0.75), -0.35), turn * 2 * kPi);
        if (std::abs(q.y) > 0.93)
            return Rgb(0xF8F6F0);
        double angle = std::atan2(q.z, q.x) / (2 * kPi) + 0.5;
        return Rgb(lunes[static_cast<int>(angle * 6) % 6]);
    };
    ShadedBall(canvas, surface, Rgb(0x2A1E24));
    WindowShine(canvas, 0.45);
}

void MirrorBall(tCanvas& canvas, double turn, int frame) {
    tSurface surface = [turn](tVec3 n) {
        tVec3 q = RotatedY(RotatedX(n, 0.3), turn * 2 * kPi);
        const int rows = 12;
        double latitude = std::asin(std::clamp(q.y, -1.0, 1.0));
        double row = (latitude + kPi / 2) / kPi * rows;
        int rowIndex = static_cast<int>(row);
        int columns = std::max(
            4, static_cast<int>(std::lround(2 * rows * std::cos((rowIndex + 0.5) * kPi / rows - kPi / 2))));
        double column = (std::atan2(q.z, q.x) / (2 * kPi) + 0.5) * columns;
        int columnIndex = static_cast<int>(column);
        double fx = column - columnIndex, fy = row - rowIndex;
        if (fx < 0.1 || fy < 0.1)
            return Rgb(0x2A2A34); // the gaps between the mirrors
        double shade = HashUnit(static_cast<uint32_t>(rowIndex * 977 + columnIndex * 131 + 7));
        double hue = HashUnit(static_cast<uint32_t>(rowIndex * 31 + columnIndex * 7919 + 3));
        tRgb mirror = Mix(Rgb(0x5A6070), Rgb(0xF0F4FF), shade);
        return hue > 0.85 ? Mix(mirror, Hsv(hue * 4, 0.6, 1), 0.6) : mirror;
    };
    ShadedBall(canvas, surface, Rgb(0x24242C), {50, 0.8, 0.55});
    // Two glints that flare up in turn.
    for (int i = 0; i < 2; ++i) {
        int age = (frame + i * 7) % 15;
        if (age >= 4)
            continue;
        double size = (age == 0 || age == 3) ? 3.2 : 5.0;
        tVec where = i == 0 ? tVec{-5.0, -5.5} : tVec{4.5, 2.5};
        canvas.Fill(Sparkle(where, size, 0.2), Rgb(0xFFFFFF));
    }
}

void SpinningCoin(tCanvas& canvas, double turn) {
    const double angle = turn * kPi, r = kBody, thickness = 3.0;
    const double c = std::cos(angle), s = std::sin(angle);
    const double halfWidth = std::max(r * std::abs(c), 0.01);
    const double shift = thickness / 2 * s; // the near face moves one way, the far face the other
    const tVec centre{0, kRadius - r - 1.1};
    tShape nearFace = Ellipse(centre + tVec{shift, 0}, halfWidth, r);
    tShape farFace = Ellipse(centre - tVec{shift, 0}, halfWidth, r);
    tShape edge = Union({nearFace, farFace, RoundedBox(centre, std::abs(shift), r, 0)});
    canvas.Fill(Offset(edge, 1.1), Rgb(0x3A2606));
    canvas.Fill(edge, [=](tVec p) {
        double ridges = 0.5 + 0.5 * std::cos((p.y - centre.y) * 2.6);
        return tRgba{Brass(0.35 + 0.3 * ridges + 0.2 * (1 - std::abs(p.y - centre.y) / r)), 1};
    });
    // The face: brightest when it turns towards the light.
    const double facing =
        0.55 + 0.5 * (-LightDirection().x * s * (c >= 0 ? 1 : -1) + LightDirection().z * std::abs(c));
    canvas.Fill(nearFace, [=](tVec p) {
        double across = (p.x - centre.x - shift) / halfWidth, down = (p.y - centre.y) / r;
        double sheen = 0.25 * (1 - SmoothStep(0.0, 1.0, std::abs(across * 0.7 + down * 0.7)));
        return tRgba{Brass(facing + sheen), 1};
    });
    // A raised star, squeezed with the face.
    tAffine toFace = tAffine::Translate(centre + tVec{shift, 0}) * tAffine::Scale(std::abs(c), 1);
    if (std::abs(c) > 0.12) {
        tShape rim = Transformed(Subtract(Circle({0, 0}, r - 1.2), Circle({0, 0}, r - 2.6)), toFace);
        canvas.Fill(rim, Brass(facing - 0.4));
        tShape star = Transformed(Offset(Star({0, 0.8}, 5, 7.4, 3.2), 0.5), toFace);
        canvas.Fill(Offset(star, 0.8), Brass(facing - 0.5));
        canvas.Fill(star, Puffy(star, Brass(facing + 0.3), 1.8, 0.7));
    }
}

void Sun(tCanvas& canvas, double turn) {
    const double core = 8.2;
    std::vector<tShape> rays;
    for (int i = 0; i < 12; ++i) {
        double angle = turn * kPi / 3 + i * kPi / 6;
        double length = i % 2 == 0 ? kRadius - 0.6 : kRadius - 3.2;
        tVec tip = Polar(length, angle), side = Polar(2.6, angle + kPi / 2);
        tVec base = Polar(core - 0.5, angle);
        rays.push_back(Offset(Polygon({base + side, tip, base - side}), 0.6));
    }
    tShape allRays = Union(rays);
    DrawSticker(canvas, allRays, Rgb(0xFFB21E), 1.0, Rgb(0x6A2E04), 1.6);
    canvas.Fill(Circle({0, 0}, core + 1.1), Rgb(0x6A2E04));
    canvas.Fill(
        Circle({0, 0}, core),
        SphereShade({0, 0}, core,
                    [](tVec3 n) { return Mix(Rgb(0xFFF27A), Rgb(0xFFB01E), std::min(1.0, 1.2 - n.z)); },
                    {20, 0.5, 0.55}));
    canvas.Fill(Circle({-2.8, -1.8}, 0.9), kInk);
    canvas.Fill(Circle({2.8, -1.8}, 0.9), kInk);
    canvas.Fill(Stroke(Arc({0, 0.6}, 3.6, 3.0, 0.4, kPi - 0.4, 10), 1.1), kInk);
}

void CandySwirl(tCanvas& canvas, double turn) {
    const uint32_t stripes[6] = {0xFF3A6A, 0xFFF4FA, 0x3AC8FF, 0xFFF4FA, 0xFFD23A, 0xFFF4FA};
    canvas.Fill(Circle({0, 0}, kRadius), Rgb(0x4A1A30));
    canvas.Fill(Circle({0, 0}, kBody),
                SphereShade({0, 0}, kBody,
                            [=](tVec3 n) {
                                double angle = std::atan2(n.y, n.x) / (2 * kPi) + turn / 3;
                                double spiral = angle + Length({n.x, n.y}) * 0.55;
                                double f = spiral * 6;
                                return Rgb(stripes[((static_cast<int>(std::floor(f)) % 6) + 6) % 6]);
                            },
                            {30, 0.7, 0.45}));
    WindowShine(canvas, 0.4);
}

// ---- balls 30..44: three steps of a small back-and-forth animation

void TwinklingStar(tCanvas& canvas, double step) {
    tShape star = RestingStar(5, 13.0 + step * 1.0, 0.46 - step * 0.06);
    StickerBall(canvas, star, Mix(Rgb(0xFFD21E), Rgb(0xFFF29A), step / 2));
    tShape sparkle = Sparkle({10.5, -12.0}, 2.5 + 1.0 * step, 0.3 * step);
    canvas.Fill(Offset(sparkle, 0.6), Rgb(0x5A4A10));
    canvas.Fill(sparkle, Rgb(0xFFFFFF));
}

void BeatingHeart(tCanvas& canvas, double step) {
    double size = 25.5 + 1.6 * step;
    StickerBall(canvas, RestingHeart(size), Rgb(0xF0263E), 3.0);
    canvas.Fill(Ellipse({-6.0, kRadius - size * 13.9 / 32 - 4.0}, 2.6, 1.6, -0.7), Rgb(0xFFFFFF), 0.8);
}

void GlowingOrb(tCanvas& canvas, double step) {
    const double halo = 11.5 + 0.9 * step;
    const tVec centre{0, kRadius - halo};
    canvas.Fill(Circle(centre, halo), [=](tVec p) {
        double r = Length(p - centre) / halo;
        return tRgba{Mix(Rgb(0xB8FCFF), Rgb(0x2276D0), SmoothStep(0.3, 1.0, r)), 1};
    });
    const double core = 6.6 + 0.7 * step;
    canvas.Fill(Circle(centre, core), SphereShade(centre, core, Uniform(Rgb(0xE8FFFF)), {20, 0.9, 0.8}));
}

// A flame whose tongues lick upwards; `flicker` moves them.
void Fireball(tCanvas& canvas, double flicker) {
    const tVec centre{0, kRadius - 9.4};
    // Three tongues of flame rise from a round glow; `flicker` changes their size and lean.
    auto reach = [=](double angle) {
        double r = 8.2;
        for (int k = 0; k < 3; ++k) {
            double at = -kPi / 2 + (k - 1) * 0.62 + 0.1 * std::sin(flicker * 2.0 + k);
            double height = (k == 1 ? 8.0 : 5.0) + 2.0 * std::sin(flicker * 2.1 + k * 2.0);
            double off = std::remainder(angle - at, 2 * kPi) / 0.3;
            r += height * std::exp(-off * off);
        }
        return r;
    };
    tShape flame{[=](tVec p) {
                     tVec d = p - centre;
                     return (Length(d) - reach(std::atan2(d.y, d.x))) * 0.6;
                 },
                 {-16, -18, 16, 14}};
    canvas.Fill(Offset(flame, 0.6), Rgb(0x5A0E04)); // one pixel: the field is scaled by 0.6
    canvas.Fill(flame, [=](tVec p) {
        tVec d = p - centre;
        double r = Clamp01(Length(d) / reach(std::atan2(d.y, d.x)));
        tRgb colour = r < 0.45 ? Mix(Rgb(0xFFFBD0), Rgb(0xFFD23A), r / 0.45)
                               : Mix(Rgb(0xFFB21E), Rgb(0xE8320E), (r - 0.45) / 0.55);
        return tRgba{colour, 1};
    });
}

void SparkleGem(tCanvas& canvas, double step) {
    // A cut stone seen from the side: table on top, crown, and the pavilion down to a point.
    const double bottom = kRadius, girdle = -1.0, top = -10.5;
    std::vector<tVec> outline = {{-6.5, top}, {6.5, top}, {12.8, girdle}, {0, bottom}, {-12.8, girdle}};
    tShape gem = Polygon(outline);
    canvas.Fill(Offset(gem, 1.1), Rgb(0x0E2A4A));
    // Facets: each triangle of the cut has its own shade of blue.
    const std::vector<std::array<tVec, 3>> facets = {
        {{{-6.5, top}, {6.5, top}, {0, girdle}}},       {{{6.5, top}, {12.8, girdle}, {0, girdle}}},
        {{{-6.5, top}, {0, girdle}, {-12.8, girdle}}},  {{{-12.8, girdle}, {-4.0, girdle}, {0, bottom}}},
        {{{-4.0, girdle}, {4.0, girdle}, {0, bottom}}}, {{{4.0, girdle}, {12.8, girdle}, {0, bottom}}},
    };
    const double shades[] = {0.95, 0.6, 0.8, 0.7, 0.45, 0.3};
    for (size_t i = 0; i < facets.size(); ++i) {
        double light = Clamp01(shades[i] + 0.2 * std::sin(step * 1.6 + i));
        tShape facet = Polygon({facets[i][0], facets[i][1], facets[i][2]});
        canvas.Fill(Intersect(facet, gem), Mix(Rgb(0x1A6AD8), Rgb(0xDDF6FF), light));
    }
    canvas.Fill(Stroke({{-12.8, girdle}, {12.8, girdle}}, 0.7), Rgb(0xE8FAFF), 0.8);
    const tVec glints[3] = {{-7.0, -4.5}, {0.5, -7.5}, {6.5, 2.0}};
    canvas.Fill(Sparkle(glints[static_cast<int>(step)], 5.0, 0.3), Rgb(0xFFFFFF));
}

void Eyeball(tCanvas& canvas, double step) {
    tSurface surface = [](tVec3 n) { return Mix(Rgb(0xFFFFFF), Rgb(0xFFD8D8), std::pow(1 - n.z, 3)); };
    ShadedBall(canvas, surface, Rgb(0x3A2A34), {40, 0.5, 0.55});
    tVec look{-4.0 + 4.0 * step, 0.5};
    canvas.Fill(Circle(look, 6.0), [=](tVec p) {
        double r = Length(p - look) / 6.0;
        return tRgba{Mix(Rgb(0x58C8FF), Rgb(0x1A4AA8), r), 1};
    });
    canvas.Fill(Circle(look, 2.8), kInk);
    canvas.Fill(Circle(look + tVec{-1.8, -2.0}, 1.2), Rgb(0xFFFFFF));
}

void WobblingNote(tCanvas& canvas, double step) {
    double tilt = (step - 1) * 0.22;
    tShape note = Turned(Note({-3.6, 8.2}, 9.6, tNoteKind::Eighth), tilt, {0, kRadius});
    StickerBall(canvas, Offset(note, 1.1), Rgb(0xFF4AA8), 2.2);
}

void PlasmaBall(tCanvas& canvas, double step) {
    ShadedBall(canvas, Uniform(Rgb(0x2A1450)), Rgb(0x6A5AA0), {60, 0.9, 0.55});
    canvas.Fill(Circle({0, 0}, 3.0), Rgb(0xFFE8FF));
    int seed = static_cast<int>(step) * 101 + 17;
    for (int bolt = 0; bolt < 5; ++bolt) {
        std::vector<tVec> path = {{0, 0}};
        double angle = bolt * 2 * kPi / 5 + HashUnit(seed + bolt) * 0.9;
        for (int k = 1; k <= 5; ++k) {
            double wiggle = (HashUnit(seed * 7 + bolt * 13 + k) - 0.5) * 0.9;
            path.push_back(Polar(k * (kBody - 1.0) / 5, angle + wiggle * (k < 5 ? 1 : 0.3)));
        }
        canvas.Fill(Stroke(path, 2.4), Rgb(0xC86AFF), 0.6);
        canvas.Fill(Stroke(path, 0.9), Rgb(0xFFE8FF));
    }
    WindowShine(canvas, 0.35);
}

void Snowflake(tCanvas& canvas, double step) {
    std::vector<tShape> arms = {Star({0, 0}, 6, 5.2, 3.6, step * 0.16)};
    for (int i = 0; i < 6; ++i) {
        double angle = kPi / 2 + step * 0.16 + i * kPi / 3;
        tVec tip = Polar(kRadius - 1.4, angle);
        arms.push_back(Stroke({{0, 0}, tip}, 2.2));
        tVec joint = tip * 0.64;
        arms.push_back(
            Stroke({Polar(3.4, angle + 1.0) + joint, joint, Polar(3.4, angle - 1.0) + joint}, 1.6));
    }
    tShape flake = Union(arms);
    canvas.Fill(Offset(flake, 0.8), Rgb(0x1A3A6A));
    canvas.Fill(flake, Puffy(flake, Rgb(0xD8F2FF), 1.0, 0.5));
    canvas.Fill(Circle({0, 0}, 2.6), Rgb(0xFFFFFF));
}

// A bell swinging from the top of its cell, its clapper lagging behind.
void SwingingBell(tCanvas& canvas, double step) {
    const tVec pivot{0, -15.5};
    const double swing = (step - 1) * 0.17;
    std::vector<tVec> outline = Bezier({-4.0, -11.5}, {-9.0, -10.0}, {-7.5, 4.0}, {-11.0, 9.5}, 12);
    std::vector<tVec> right = Bezier({11.0, 9.5}, {7.5, 4.0}, {9.0, -10.0}, {4.0, -11.5}, 12);
    outline.insert(outline.end(), right.begin(), right.end());
    tShape body = Offset(Polygon(outline), 1.0);
    tShape lip = RoundedBox({0, 9.6}, 11.6, 1.9, 1.8);
    tShape bell = Turned(Union(body, lip), swing, pivot);
    const tVec clapperCentre = pivot + Rotated({0, 24.6}, swing * 0.4);
    tShape clapper = Circle(clapperCentre, 3.0);
    tShape knob = Turned(Circle({0, -13.0}, 2.4), swing, pivot);
    canvas.FillOutlined(clapper, SphereShade(clapperCentre, 3.0, Uniform(Rgb(0xC08A20)), {20, 0.6, 0.4}),
                        Rgb(0x3A2606), 1.0);
    canvas.Fill(Offset(knob, 0.9), Rgb(0x3A2606));
    canvas.Fill(knob, Brass(0.8));
    canvas.Fill(Offset(bell, 1.1), Rgb(0x3A2606));
    canvas.Fill(bell, [=](tVec p) {
        // Shade across the bell as across a metal cylinder.
        tVec local = Rotated(p - pivot, -swing);
        double across = Clamp01((local.x + 11.5) / 23.0);
        double light = 0.35 + 0.75 * std::sin(across * kPi) * (1.1 - across * 0.6);
        return tRgba{Brass(light), 1};
    });
    canvas.Fill(Turned(RoundedBox({0, 9.6}, 11.6, 0.5, 0.5), swing, pivot), Brass(0.35));
}

void GlitterBall(tCanvas& canvas, double step) {
    tSurface surface = [](tVec3 n) { return Mix(Rgb(0xC8209A), Rgb(0xFF62C8), ValueNoise(n * 12)); };
    ShadedBall(canvas, surface, Rgb(0x4A0A34), {30, 0.6, 0.4});
    for (int i = 0; i < 5; ++i) {
        uint32_t seed = static_cast<uint32_t>(i * 41 + static_cast<int>(step) * 977 + 5);
        tVec at = Polar(kBody * 0.75 * std::sqrt(HashUnit(seed)), HashUnit(seed + 1) * 2 * kPi);
        canvas.Fill(Sparkle(at, 1.8 + 2.2 * HashUnit(seed + 2), 0.2), Rgb(0xFFFFFF));
    }
}

// ---- the designs in ball order

// Balls 0..29 take no step (they only squash); balls 30..44 take the step 0, 1 or 2.
std::vector<tDesign> Balls1Designs() {
    std::vector<tDesign> designs;
    for (uint32_t colour : {0xE8202Au, 0xFF8A1Cu, 0xFFD81Eu, 0x9BE22Au, 0x22B04Au, 0x19C2B0u, 0x2EA8F5u,
                            0x2A52E0u, 0x7A3CE0u, 0xF0409Au})
        designs.push_back([colour](tCanvas& c, double) { GlossyBall(c, Rgb(colour)); });
    designs.push_back([](tCanvas& c, double) { PearlBall(c); });
    designs.push_back([](tCanvas& c, double) { ChromeBall(c); });
    designs.push_back([](tCanvas& c, double) { GoldBall(c); });
    designs.push_back([](tCanvas& c, double) { StripedBall(c); });
    designs.push_back([](tCanvas& c, double) { RainbowBall(c, 0); });

    designs.push_back([](tCanvas& c, double) { StickerBall(c, RestingStar(5, 14.2, 0.47), Rgb(0xFFCC1A)); });
    designs.push_back([](tCanvas& c, double) { StickerBall(c, RestingHeart(28), Rgb(0xEE2236)); });
    designs.push_back([](tCanvas& c, double) { Smiley(c, 0); });
    designs.push_back([](tCanvas& c, double) { NoteBall(c); });
    designs.push_back([](tCanvas& c, double) { StickerBall(c, RestingHeart(28), Rgb(0xFF6AC8)); });
    designs.push_back([](tCanvas& c, double) {
        ShadedBall(c, TennisSurface, Rgb(0x3A4A0A), {18, 0.3, 0.35});
    });
    designs.push_back([](tCanvas& c, double) {
        ShadedBall(c, FootballSurface(0.1), Rgb(0x1A1A1E), {30, 0.5, 0.4});
    });
    designs.push_back([](tCanvas& c, double) { OrangeFruit(c); });
    designs.push_back([](tCanvas& c, double) { StickerBall(c, RestingStar(6, 14.0, 0.55), Rgb(0x4A9AFF)); });
    designs.push_back([](tCanvas& c, double) { Flower(c, 0, 5, Rgb(0xFF7AB8), Rgb(0xFFC81E)); });
    designs.push_back([](tCanvas& c, double) { Bubble(c, 0); });
    designs.push_back([](tCanvas& c, double) { Moon(c); });
    designs.push_back([](tCanvas& c, double) { Ladybug(c); });
    designs.push_back([](tCanvas& c, double) { Planet(c, 0); });
    designs.push_back([](tCanvas& c, double) { Basketball(c, 0.1); });

    designs.push_back(TwinklingStar);
    designs.push_back(BeatingHeart);
    designs.push_back([](tCanvas& c, double step) { Smiley(c, step * 1.7); });
    designs.push_back(GlowingOrb);
    designs.push_back([](tCanvas& c, double step) { Fireball(c, step); });
    designs.push_back([](tCanvas& c, double step) { RainbowBall(c, step * 0.06); });
    designs.push_back(SparkleGem);
    designs.push_back(Eyeball);
    designs.push_back(WobblingNote);
    designs.push_back(PlasmaBall);
    designs.push_back(
        [](tCanvas& c, double step) { Flower(c, step * 0.12, 12, Rgb(0xFFCC1A), Rgb(0x7A4A1A)); });
    designs.push_back(Snowflake);
    designs.push_back([](tCanvas& c, double step) { Bubble(c, step * 0.12); });
    designs.push_back(SwingingBell);
    designs.push_back(GlitterBall);
    return designs;
}

// One turn of each loop takes the 15 frames.
std::vector<std::function<void(tCanvas&, double turn, int frame)>> Balls2Designs() {
    return {
        [](tCanvas& c, double turn, int) { Globe(c, turn); },
        [](tCanvas& c, double turn, int) { BeachBall(c, turn); },
        [](tCanvas& c, double turn, int frame) { MirrorBall(c, turn, frame); },
        [](tCanvas& c, double turn, int) { SpinningCoin(c, turn); },
        [](tCanvas& c, double turn, int) { Sun(c, turn); },
        [](tCanvas& c, double turn, int) { Basketball(c, turn); },
        [](tCanvas& c, double turn, int) { Planet(c, turn); },
        [](tCanvas& c, double turn, int) { CandySwirl(c, turn); },
    };
}

void PutBall(Bitmap& picture, int ball, int frame, const std::function<void(tCanvas&)>& draw,
             tAffine placement) {
    tCanvas canvas(lyrimo::kBallCellSize, lyrimo::kBallCellSize, kSamples);
    canvas.SetTransform(placement);
    draw(canvas);
    std::optional<lyrimo::tBallCell> cell = lyrimo::BuiltInBallCell(ball, frame);
    PutKeyed(canvas, picture, cell->x, cell->y, 0, kMatte);
}

Bitmap BlankPicture(lyrimo::tBuiltInPicture which) {
    const lyrimo::tBuiltInPictureLayout& layout = lyrimo::LayoutOf(which);
    return Bitmap(layout.width, layout.height, lyrimo::tPixelFormat::Bits32);
}

constexpr int kStillBalls = 30;

} // namespace

Bitmap DrawBalls1() {
    Bitmap picture = BlankPicture(lyrimo::tBuiltInPicture::Balls1);
    std::vector<tDesign> designs = Balls1Designs();
    for (int ball = 0; ball < lyrimo::kSimpleBallCount; ++ball) {
        for (int frame = 0; frame < 3; ++frame) {
            bool still = ball < kStillBalls;
            tAffine placement = still ? Placement(kSquashX[frame], kSquashY[frame]) : Placement(1, 1);
            double step = still ? 0 : frame;
            PutBall(
                picture, ball, frame, [&](tCanvas& c) { designs[ball](c, step); }, placement);
        }
    }
    return picture;
}

Bitmap DrawBalls2() {
    Bitmap picture = BlankPicture(lyrimo::tBuiltInPicture::Balls2);
    auto designs = Balls2Designs();
    for (int i = 0; i < static_cast<int>(designs.size()); ++i) {
        for (int frame = 0; frame < 15; ++frame) {
            PutBall(
                picture, lyrimo::kAnimatedBallFirst + i, frame,
                [&](tCanvas& c) { designs[i](c, frame / 15.0, frame); }, Placement(1, 1));
        }
    }
    return picture;
}

Bitmap DrawBalls3() {
    Bitmap picture = BlankPicture(lyrimo::tBuiltInPicture::Balls3);
    const int rows = lyrimo::BuiltInBallFrameRows(lyrimo::kRollingBall);
    for (int frame = 0; frame < rows; ++frame) {
        // One fifth of a turn (the football's symmetry) in 15 frames; later rows go on turning.
        double turn = frame / 15.0;
        PutBall(
            picture, lyrimo::kRollingBall, frame,
            [&](tCanvas& c) {
                ShadedBall(c, FootballSurface(turn), Rgb(0x1A1A1E), {30, 0.5, 0.4});
            },
            Placement(1, 1));
    }
    return picture;
}

} // namespace art
