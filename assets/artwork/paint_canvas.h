// A small vector-drawing kit for the built-in pictures: shapes are signed-distance
// functions (negative inside), paints give a colour for every point inside a shape, and a
// supersampled canvas turns them into anti-aliased pixels with a coverage value, which the
// keying step uses to separate a shape from the transparent background.
//
// Art coordinates are pixels of the output picture (x right, y down) unless a transform
// maps them elsewhere. Colours here are written web-style, 0xRRGGBB.
#pragma once

#include "picture/bitmap.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace art {

constexpr double kPi = 3.14159265358979323846;

inline double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }
inline double Lerp(double a, double b, double t) { return a + (b - a) * t; }
inline double SmoothStep(double edge0, double edge1, double v) {
    double t = Clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

struct tVec {
    double x = 0, y = 0;
};
inline tVec operator+(tVec a, tVec b) { return {a.x + b.x, a.y + b.y}; }
inline tVec operator-(tVec a, tVec b) { return {a.x - b.x, a.y - b.y}; }
inline tVec operator*(tVec a, double s) { return {a.x * s, a.y * s}; }
inline double Dot(tVec a, tVec b) { return a.x * b.x + a.y * b.y; }
inline double Length(tVec a) { return std::sqrt(Dot(a, a)); }
inline tVec Normalized(tVec a) {
    double length = Length(a);
    return length > 1e-12 ? a * (1 / length) : tVec{0, 0};
}
tVec Rotated(tVec a, double radians);
tVec Lerp(tVec a, tVec b, double t);
tVec Polar(double radius, double radians);

struct tVec3 {
    double x = 0, y = 0, z = 0;
};
inline tVec3 operator+(tVec3 a, tVec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline tVec3 operator*(tVec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(tVec3 a, tVec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline tVec3 Normalized(tVec3 a) {
    double length = std::sqrt(Dot(a, a));
    return length > 1e-12 ? a * (1 / length) : tVec3{0, 0, 1};
}
// Rotations of a direction about the x, y and z axes.
tVec3 RotatedX(tVec3 v, double radians);
tVec3 RotatedY(tVec3 v, double radians);
tVec3 RotatedZ(tVec3 v, double radians);

struct tRgb {
    double r = 0, g = 0, b = 0;
};
inline tRgb operator+(tRgb a, tRgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline tRgb operator*(tRgb a, double s) { return {a.r * s, a.g * s, a.b * s}; }
tRgb Rgb(uint32_t hex);
tRgb Mix(tRgb a, tRgb b, double t);
tRgb Hsv(double hue, double saturation, double value); // hue in turns (0..1)
// The colour as the program stores it, 0x00BBGGRR, each channel clamped to 0..255.
lyrimo::tColour ToColour(tRgb colour);

// Colour plus opacity (not premultiplied).
struct tRgba {
    tRgb colour;
    double alpha = 1;
};

struct tBox {
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};
tBox UnionBox(tBox a, tBox b);
tBox IntersectBox(tBox a, tBox b);
// How far p lies outside the box; 0 inside.
inline double BoxDistance(tVec p, tBox box) {
    double dx = std::max(std::max(box.x0 - p.x, p.x - box.x1), 0.0);
    double dy = std::max(std::max(box.y0 - p.y, p.y - box.y1), 0.0);
    return dx == 0 && dy == 0 ? 0 : std::sqrt(dx * dx + dy * dy);
}

// Maps x' = a x + b y + e, y' = c x + d y + f.
struct tAffine {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    tVec operator()(tVec p) const { return {a * p.x + b * p.y + e, c * p.x + d * p.y + f}; }
    tAffine Inverse() const;
    // The smallest factor by which the map stretches any length.
    double MinScale() const;
    static tAffine Translate(tVec by);
    static tAffine Rotate(double radians, tVec about = {});
    static tAffine Scale(double sx, double sy, tVec about = {});
};
// First `second`, then `first`.
tAffine operator*(const tAffine& first, const tAffine& second);
tBox Transformed(const tAffine& map, tBox box);

struct tShape {
    std::function<double(tVec)> distance;
    tBox bounds;

    double operator()(tVec p) const { return distance(p); }
    bool Contains(tVec p) const { return distance(p) <= 0; }
};

tShape Circle(tVec centre, double radius);
tShape Ellipse(tVec centre, double rx, double ry, double radians = 0);
tShape Capsule(tVec a, tVec b, double radius);
tShape Polygon(std::vector<tVec> points);
tShape RoundedBox(tVec centre, double halfWidth, double halfHeight, double cornerRadius, double radians = 0);
tShape Star(tVec centre, int points, double outer, double inner, double radians = 0);
// A heart whose width is about `size` and whose tip points down.
tShape Heart(tVec centre, double size);
tShape Union(const tShape& a, const tShape& b);
tShape Union(const std::vector<tShape>& shapes);
tShape Intersect(const tShape& a, const tShape& b);
tShape Subtract(const tShape& a, const tShape& b);
// Grown by `by` pixels (shrunk when negative), corners rounded.
tShape Offset(const tShape& shape, double by);
tShape Transformed(const tShape& shape, const tAffine& map);

// A tube along a polyline whose radius varies from point to point. Besides its shape it
// tells where across its width a point lies, for shading it as a round pipe.
class tTube {
public:
    tTube(std::vector<tVec> centre, std::vector<double> radii);
    tShape Shape() const;
    struct tSection {
        double distance = 0; // to the tube's surface, negative inside
        double across = 0;   // 0 on the centre line, 1 at the edge on the `side` side
        tVec side;           // unit vector across the tube
    };
    tSection Section(tVec p) const;

private:
    std::vector<tVec> centre_;
    std::vector<double> radii_;
    std::vector<tBox> segmentBounds_;
};

// Points along curves, ends included.
std::vector<tVec> Bezier(tVec p0, tVec p1, tVec p2, tVec p3, int segments);
std::vector<tVec> Arc(tVec centre, double rx, double ry, double from, double to, int segments);
// A stroke of round ends and joins along the points.
tShape Stroke(const std::vector<tVec>& points, double width);

using tPaint = std::function<tRgba(tVec)>;
tPaint Solid(tRgb colour, double alpha = 1);
tPaint LinearGradient(tVec from, tRgb fromColour, tVec to, tRgb toColour);

// Light falls from the upper left, in front of the picture.
tVec3 LightDirection();

// A lit sphere. `surface` gives the colour at each point of the unit sphere as seen
// (x right, y down, z towards the viewer).
struct tGloss {
    double shininess = 40;
    double strength = 0.85;
    double ambient = 0.3;
};
tPaint SphereShade(tVec centre, double radius, std::function<tRgb(tVec3)> surface, tGloss gloss = {});
// A shape with rounded, lit edges `bevel` pixels wide, as if inflated.
tPaint Puffy(const tShape& shape, tRgb colour, double bevel, double shine = 0.5);
// A round metal pipe; `metal` maps a lighting level (0 dark .. 1.2 highlight) to a colour.
tPaint TubeShade(const tTube& tube, std::function<tRgb(double)> metal);
tRgb Brass(double light);
tRgb Silver(double light);

// Smooth noise in [0, 1], the same on every run.
double ValueNoise(tVec3 p);
double FractalNoise(tVec3 p, int octaves);
// A fixed pseudo-random number in [0, 1) for an integer seed.
double HashUnit(uint32_t seed);

// A supersampled drawing surface: every output pixel holds samples × samples points.
class tCanvas {
public:
    tCanvas(int width, int height, int samples);

    int Width() const { return width_; }
    int Height() const { return height_; }

    // Maps art coordinates to output pixels; identity unless set.
    void SetTransform(const tAffine& artToPixels);
    const tAffine& Transform() const { return transform_; }

    void Fill(const tShape& shape, const tPaint& paint, double opacity = 1);
    void Fill(const tShape& shape, tRgb colour, double opacity = 1);
    // Fills `outline` in `outlineColour`, then the shape with `paint`: a drawn border.
    void FillOutlined(const tShape& shape, const tPaint& paint, tRgb outlineColour, double outlineWidth);

    // Output pixel (x, y): colour composed over black and the share of it covered.
    tRgba Resolve(int x, int y) const;

private:
    struct tSample {
        tRgb colour; // premultiplied
        double alpha = 0;
    };

    int width_, height_, samples_;
    tAffine transform_;
    std::vector<tSample> grid_;
};

// Writes the canvas into target at (dx, dy) on a transparent key colour: pixels covered
// less than `threshold` become the key, the rest are composed over `matte` and kept at
// least 12 away from the key in some channel, so that they stay distinct from it in
// every pixel format (16-bit 5-6-5 included).
void PutKeyed(const tCanvas& canvas, lyrimo::Bitmap& target, int dx, int dy, lyrimo::tColour key, tRgb matte,
              double threshold = 0.4);
lyrimo::tColour KeptFromKey(lyrimo::tColour colour, lyrimo::tColour key);

} // namespace art
