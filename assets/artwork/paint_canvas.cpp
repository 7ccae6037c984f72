#include "paint_canvas.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace art {

tVec Rotated(tVec a, double radians) {
    double c = std::cos(radians), s = std::sin(radians);
    return {a.x * c - a.y * s, a.x * s + a.y * c};
}

tVec Lerp(tVec a, tVec b, double t) { return a + (b - a) * t; }

tVec Polar(double radius, double radians) { return {radius * std::cos(radians), radius * std::sin(radians)}; }

tVec3 RotatedX(tVec3 v, double radians) {
    double c = std::cos(radians), s = std::sin(radians);
    return {v.x, v.y * c - v.z * s, v.y * s + v.z * c};
}

tVec3 RotatedY(tVec3 v, double radians) {
    double c = std::cos(radians), s = std::sin(radians);
    return {v.x * c + v.z * s, v.y, -v.x * s + v.z * c};
}

tVec3 RotatedZ(tVec3 v, double radians) {
    double c = std::cos(radians), s = std::sin(radians);
    return {v.x * c - v.y * s, v.x * s + v.y * c, v.z};
}

tRgb Rgb(uint32_t hex) {
    return {((hex >> 16) & 0xFF) / 255.0, ((hex >> 8) & 0xFF) / 255.0, (hex & 0xFF) / 255.0};
}

tRgb Mix(tRgb a, tRgb b, double t) { return {Lerp(a.r, b.r, t), Lerp(a.g, b.g, t), Lerp(a.b, b.b, t)}; }

tRgb Hsv(double hue, double saturation, double value) {
    double h = (hue - std::floor(hue)) * 6;
    int sector = static_cast<int>(h) % 6;
    double f = h - std::floor(h);
    double p = value * (1 - saturation), q = value * (1 - saturation * f),
           t = value * (1 - saturation * (1 - f));
    switch (sector) {
    case 0: return {value, t, p};
    case 1: return {q, value, p};
    case 2: return {p, value, t};
    case 3: return {p, q, value};
    case 4: return {t, p, value};
    default: return {value, p, q};
    }
}

lyrimo::tColour ToColour(tRgb colour) {
    auto channel = [](double v) { return static_cast<uint32_t>(std::lround(Clamp01(v) * 255)); };
    return channel(colour.b) << 16 | channel(colour.g) << 8 | channel(colour.r);
}

tBox UnionBox(tBox a, tBox b) {
    return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

tBox IntersectBox(tBox a, tBox b) {
    return {std::max(a.x0, b.x0), std::max(a.y0, b.y0), std::min(a.x1, b.x1), std::min(a.y1, b.y1)};
}

tAffine tAffine::Inverse() const {
    double det = a * d - b * c;
    tAffine inverse;
    inverse.a = d / det;
    inverse.b = -b / det;
    inverse.c = -c / det;
    inverse.d = a / det;
    inverse.e = -(inverse.a * e + inverse.b * f);
    inverse.f = -(inverse.c * e + inverse.d * f);
    return inverse;
}

double tAffine::MinScale() const {
    // Smallest singular value of the 2 × 2 part.
    double p = (a + d) / 2, q = (a - d) / 2, r = (c + b) / 2, s = (c - b) / 2;
    return std::abs(std::hypot(p, s) - std::hypot(q, r));
}

tAffine tAffine::Translate(tVec by) { return {1, 0, 0, 1, by.x, by.y}; }

tAffine tAffine::Rotate(double radians, tVec about) {
    double co = std::cos(radians), si = std::sin(radians);
    return Translate(about) * tAffine{co, -si, si, co, 0, 0} * Translate(about * -1);
}

tAffine tAffine::Scale(double sx, double sy, tVec about) {
    return Translate(about) * tAffine{sx, 0, 0, sy, 0, 0} * Translate(about * -1);
}

tAffine operator*(const tAffine& first, const tAffine& second) {
    return {
        first.a * second.a + first.b * second.c,           first.a * second.b + first.b * second.d,
        first.c * second.a + first.d * second.c,           first.c * second.b + first.d * second.d,
        first.a * second.e + first.b * second.f + first.e, first.c * second.e + first.d * second.f + first.f};
}

tBox Transformed(const tAffine& map, tBox box) {
    tVec corners[4] = {map({box.x0, box.y0}), map({box.x1, box.y0}), map({box.x0, box.y1}),
                       map({box.x1, box.y1})};
    tBox result{corners[0].x, corners[0].y, corners[0].x, corners[0].y};
    for (tVec corner : corners)
        result = UnionBox(result, {corner.x, corner.y, corner.x, corner.y});
    return result;
}

// ---- shapes

tShape Circle(tVec centre, double radius) {
    return {[=](tVec p) { return Length(p - centre) - radius; },
            {centre.x - radius, centre.y - radius, centre.x + radius, centre.y + radius}};
}

tShape Ellipse(tVec centre, double rx, double ry, double radians) {
    double reach = std::max(rx, ry);
    return {[=](tVec p) {
                tVec q = Rotated(p - centre, -radians);
                // A close estimate of the distance, exact on the axes.
                double k0 = Length({q.x / rx, q.y / ry});
                double k1 = Length({q.x / (rx * rx), q.y / (ry * ry)});
                if (k1 < 1e-12)
                    return -std::min(rx, ry);
                return k0 * (k0 - 1) / k1;
            },
            {centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach}};
}

tShape Capsule(tVec a, tVec b, double radius) { return Stroke({a, b}, radius * 2); }

tShape Polygon(std::vector<tVec> points) {
    tBox box{points[0].x, points[0].y, points[0].x, points[0].y};
    for (tVec point : points)
        box = UnionBox(box, {point.x, point.y, point.x, point.y});
    return {[points = std::move(points)](tVec p) {
                double best = Dot(p - points[0], p - points[0]);
                double sign = 1;
                for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
                    tVec edge = points[j] - points[i], w = p - points[i];
                    tVec nearest = w - edge * Clamp01(Dot(w, edge) / Dot(edge, edge));
                    best = std::min(best, Dot(nearest, nearest));
                    bool below = p.y >= points[i].y, above = p.y < points[j].y;
                    bool left = edge.x * w.y > edge.y * w.x;
                    if ((below && above && left) || (!below && !above && !left))
                        sign = -sign;
                }
                return sign * std::sqrt(best);
            },
            box};
}

tShape RoundedBox(tVec centre, double halfWidth, double halfHeight, double cornerRadius, double radians) {
    double reach = std::hypot(halfWidth, halfHeight);
    return {[=](tVec p) {
                tVec q = Rotated(p - centre, -radians);
                double qx = std::abs(q.x) - halfWidth + cornerRadius;
                double qy = std::abs(q.y) - halfHeight + cornerRadius;
                double outside = Length({std::max(qx, 0.0), std::max(qy, 0.0)});
                return outside + std::min(std::max(qx, qy), 0.0) - cornerRadius;
            },
            {centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach}};
}

tShape Star(tVec centre, int points, double outer, double inner, double radians) {
    std::vector<tVec> corners;
    for (int i = 0; i < points * 2; ++i) {
        double angle = radians - kPi / 2 + i * kPi / points;
        corners.push_back(centre + Polar(i % 2 == 0 ? outer : inner, angle));
    }
    return Polygon(std::move(corners));
}

tShape Heart(tVec centre, double size) {
    std::vector<tVec> outline;
    const double scale = size / 32;
    for (int i = 0; i < 96; ++i) {
        double t = 2 * kPi * i / 96;
        double x = 16 * std::pow(std::sin(t), 3);
        double y = -(13 * std::cos(t) - 5 * std::cos(2 * t) - 2 * std::cos(3 * t) - std::cos(4 * t));
        outline.push_back(centre + tVec{x, y - 2.5} * scale);
    }
    return Polygon(std::move(outline));
}

tShape Union(const tShape& a, const tShape& b) { return Union(std::vector<tShape>{a, b}); }

tShape Union(const std::vector<tShape>& shapes) {
    tBox box = shapes.front().bounds;
    for (const tShape& shape : shapes)
        box = UnionBox(box, shape.bounds);
    return {[shapes](tVec p) {
                // A part whose box lies further away than the nearest part so far cannot be
                // nearer; a part whose box holds p may lie deeper inside.
                double best = std::numeric_limits<double>::max();
                for (const tShape& shape : shapes) {
                    double outside = BoxDistance(p, shape.bounds);
                    if (outside == 0 || outside < best)
                        best = std::min(best, shape(p));
                }
                return best;
            },
            box};
}

tShape Intersect(const tShape& a, const tShape& b) {
    return {[a, b](tVec p) { return std::max(a(p), b(p)); }, IntersectBox(a.bounds, b.bounds)};
}

tShape Subtract(const tShape& a, const tShape& b) {
    return {[a, b](tVec p) { return std::max(a(p), -b(p)); }, a.bounds};
}

tShape Offset(const tShape& shape, double by) {
    double grow = std::max(by, 0.0);
    tBox box{shape.bounds.x0 - grow, shape.bounds.y0 - grow, shape.bounds.x1 + grow, shape.bounds.y1 + grow};
    return {[shape, by](tVec p) { return shape(p) - by; }, box};
}

tShape Transformed(const tShape& shape, const tAffine& map) {
    tAffine inverse = map.Inverse();
    double scale = map.MinScale();
    return {[shape, inverse, scale](tVec p) { return shape(inverse(p)) * scale; },
            Transformed(map, shape.bounds)};
}

// ---- tubes and curves

tTube::tTube(std::vector<tVec> centre, std::vector<double> radii)
    : centre_(std::move(centre)), radii_(std::move(radii)) {
    for (size_t i = 0; i + 1 < centre_.size(); ++i) {
        double reach = std::max(radii_[i], radii_[i + 1]);
        tVec a = centre_[i], b = centre_[i + 1];
        segmentBounds_.push_back({std::min(a.x, b.x) - reach, std::min(a.y, b.y) - reach,
                                  std::max(a.x, b.x) + reach, std::max(a.y, b.y) + reach});
    }
}

tTube::tSection tTube::Section(tVec p) const {
    tSection best;
    best.distance = std::numeric_limits<double>::max();
    for (size_t i = 0; i + 1 < centre_.size(); ++i) {
        double outside = BoxDistance(p, segmentBounds_[i]);
        if (outside > 0 && outside > best.distance)
            continue; // this piece of the tube lies further away than the nearest so far
        tVec a = centre_[i], edge = centre_[i + 1] - a;
        double t = Clamp01(Dot(p - a, edge) / std::max(Dot(edge, edge), 1e-12));
        tVec offset = p - (a + edge * t);
        double radius = Lerp(radii_[i], radii_[i + 1], t);
        double distance = Length(offset) - radius;
        if (distance < best.distance) {
            tVec side = Normalized(tVec{-edge.y, edge.x});
            best = {distance, std::clamp(Dot(offset, side) / radius, -1.0, 1.0), side};
        }
    }
    return best;
}

tShape tTube::Shape() const {
    double reach = *std::max_element(radii_.begin(), radii_.end());
    tBox box{centre_[0].x, centre_[0].y, centre_[0].x, centre_[0].y};
    for (tVec point : centre_)
        box = UnionBox(box, {point.x - reach, point.y - reach, point.x + reach, point.y + reach});
    tTube copy = *this;
    return {[copy](tVec p) { return copy.Section(p).distance; }, box};
}

std::vector<tVec> Bezier(tVec p0, tVec p1, tVec p2, tVec p3, int segments) {
    std::vector<tVec> points;
    for (int i = 0; i <= segments; ++i) {
        double t = static_cast<double>(i) / segments, u = 1 - t;
        points.push_back(p0 * (u * u * u) + p1 * (3 * u * u * t) + p2 * (3 * u * t * t) + p3 * (t * t * t));
    }
    return points;
}

std::vector<tVec> Arc(tVec centre, double rx, double ry, double from, double to, int segments) {
    std::vector<tVec> points;
    for (int i = 0; i <= segments; ++i) {
        double angle = Lerp(from, to, static_cast<double>(i) / segments);
        points.push_back(centre + tVec{rx * std::cos(angle), ry * std::sin(angle)});
    }
    return points;
}

tShape Stroke(const std::vector<tVec>& points, double width) {
    return tTube(points, std::vector<double>(points.size(), width / 2)).Shape();
}

// ---- paints

tPaint Solid(tRgb colour, double alpha) {
    return [=](tVec) { return tRgba{colour, alpha}; };
}

tPaint LinearGradient(tVec from, tRgb fromColour, tVec to, tRgb toColour) {
    tVec along = to - from;
    double span = std::max(Dot(along, along), 1e-12);
    return [=](tVec p) { return tRgba{Mix(fromColour, toColour, Clamp01(Dot(p - from, along) / span)), 1}; };
}

tVec3 LightDirection() { return Normalized(tVec3{-0.55, -0.7, 0.75}); }

namespace {

double Specular(tVec3 normal, double shininess) {
    tVec3 halfway = Normalized(LightDirection() + tVec3{0, 0, 1});
    return std::pow(std::max(0.0, Dot(normal, halfway)), shininess);
}

tRgb Ramp(const std::vector<std::pair<double, uint32_t>>& stops, double v) {
    if (v <= stops.front().first)
        return Rgb(stops.front().second);
    for (size_t i = 1; i < stops.size(); ++i) {
        if (v <= stops[i].first) {
            double t = (v - stops[i - 1].first) / (stops[i].first - stops[i - 1].first);
            return Mix(Rgb(stops[i - 1].second), Rgb(stops[i].second), t);
        }
    }
    return Rgb(stops.back().second);
}

} // namespace

tPaint SphereShade(tVec centre, double radius, std::function<tRgb(tVec3)> surface, tGloss gloss) {
    return [=](tVec p) {
        tVec u = (p - centre) * (1 / radius);
        double z = std::sqrt(std::max(0.0, 1 - Dot(u, u)));
        tVec3 normal = Normalized(tVec3{u.x, u.y, z});
        tRgb base = surface(normal);
        double diffuse = std::max(0.0, Dot(normal, LightDirection()));
        // Light thrown back from the floor brightens the lower rim a little.
        double bounce = 0.22 * std::max(0.0, normal.y) * (1 - z);
        tRgb lit = base * (gloss.ambient + 0.85 * diffuse + bounce);
        double shine = gloss.strength * Specular(normal, gloss.shininess);
        return tRgba{lit + tRgb{1, 1, 1} * shine, 1};
    };
}

tPaint Puffy(const tShape& shape, tRgb colour, double bevel, double shine) {
    return [=](tVec p) {
        const double e = 0.3;
        const double here = shape(p);
        tVec outward = Normalized(tVec{shape({p.x + e, p.y}) - here, shape({p.x, p.y + e}) - here});
        double depth = Clamp01(-here / bevel);
        // A quarter-circle profile: steep at the rim, flat once `bevel` inside.
        double rise = 1 - depth;
        double slope = std::min(rise / std::sqrt(std::max(1e-6, 1 - rise * rise)), 3.0);
        tVec3 normal = Normalized(tVec3{outward.x * slope, outward.y * slope, 1});
        double diffuse = std::max(0.0, Dot(normal, LightDirection()));
        tRgb lit = colour * (0.42 + 0.78 * diffuse) + tRgb{1, 1, 1} * (shine * Specular(normal, 22));
        return tRgba{lit, 1};
    };
}

tPaint TubeShade(const tTube& tube, std::function<tRgb(double)> metal) {
    return [=](tVec p) {
        tTube::tSection section = tube.Section(p);
        double u = section.across;
        tVec3 normal =
            Normalized(tVec3{section.side.x * u, section.side.y * u, std::sqrt(std::max(0.0, 1 - u * u))});
        double light = 0.2 + 0.75 * std::max(0.0, Dot(normal, LightDirection())) + 0.6 * Specular(normal, 30);
        return tRgba{metal(light), 1};
    };
}

tRgb Brass(double light) {
    return Ramp({{0.0, 0x3E2606},
                 {0.3, 0x8A5A10},
                 {0.6, 0xD29A26},
                 {0.85, 0xF6CC52},
                 {1.05, 0xFFEDA8},
                 {1.3, 0xFFFFF4}},
                light);
}

tRgb Silver(double light) {
    return Ramp({{0.0, 0x30343C}, {0.35, 0x767C88}, {0.7, 0xC0C6D0}, {0.95, 0xE8ECF2}, {1.2, 0xFFFFFF}},
                light);
}

// ---- noise

double HashUnit(uint32_t seed) {
    seed ^= seed >> 16;
    seed *= 0x7FEB352Du;
    seed ^= seed >> 15;
    seed *= 0x846CA68Bu;
    seed ^= seed >> 16;
    return (seed >> 8) / 16777216.0;
}

namespace {

double LatticeValue(int x, int y, int z) {
    uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u ^
                 static_cast<uint32_t>(z) * 83492791u;
    return HashUnit(h);
}

} // namespace

double ValueNoise(tVec3 p) {
    int x0 = static_cast<int>(std::floor(p.x)), y0 = static_cast<int>(std::floor(p.y)),
        z0 = static_cast<int>(std::floor(p.z));
    double fx = p.x - x0, fy = p.y - y0, fz = p.z - z0;
    auto smooth = [](double t) { return t * t * (3 - 2 * t); };
    double sx = smooth(fx), sy = smooth(fy), sz = smooth(fz);
    double layers[2];
    for (int dz = 0; dz < 2; ++dz) {
        double bottom = Lerp(LatticeValue(x0, y0, z0 + dz), LatticeValue(x0 + 1, y0, z0 + dz), sx);
        double top = Lerp(LatticeValue(x0, y0 + 1, z0 + dz), LatticeValue(x0 + 1, y0 + 1, z0 + dz), sx);
        layers[dz] = Lerp(bottom, top, sy);
    }
    return Lerp(layers[0], layers[1], sz);
}

double FractalNoise(tVec3 p, int octaves) {
    double sum = 0, weight = 1, total = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += ValueNoise(p) * weight;
        total += weight;
        weight *= 0.5;
        p = p * 2.03;
    }
    return sum / total;
}

// ---- canvas

tCanvas::tCanvas(int width, int height, int samples)
    : width_(width), height_(height), samples_(samples),
      grid_(static_cast<size_t>(width) * height * samples * samples) {}

void tCanvas::SetTransform(const tAffine& artToPixels) { transform_ = artToPixels; }

void tCanvas::Fill(const tShape& shape, const tPaint& paint, double opacity) {
    tBox box = Transformed(transform_, shape.bounds);
    int x0 = std::max(0, static_cast<int>(std::floor(box.x0)));
    int y0 = std::max(0, static_cast<int>(std::floor(box.y0)));
    int x1 = std::min(width_, static_cast<int>(std::ceil(box.x1)) + 1);
    int y1 = std::min(height_, static_cast<int>(std::ceil(box.y1)) + 1);
    const tAffine toArt = transform_.Inverse();
    // Further than this from a pixel's centre, in art units, lies outside the pixel.
    const double pixelReach = 1.0 / transform_.MinScale();
    const int gridWidth = width_ * samples_;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            double centre = shape(toArt({x + 0.5, y + 0.5}));
            if (centre > pixelReach)
                continue;
            const bool wholly = centre < -pixelReach;
            for (int j = 0; j < samples_; ++j) {
                for (int i = 0; i < samples_; ++i) {
                    int gx = x * samples_ + i, gy = y * samples_ + j;
                    tVec p = toArt({(gx + 0.5) / samples_, (gy + 0.5) / samples_});
                    if (!wholly && !shape.Contains(p))
                        continue;
                    tRgba colour = paint(p);
                    double a = Clamp01(colour.alpha * opacity);
                    tSample& sample = grid_[static_cast<size_t>(gy) * gridWidth + gx];
                    sample.colour = colour.colour * a + sample.colour * (1 - a);
                    sample.alpha = a + sample.alpha * (1 - a);
                }
            }
        }
    }
}

void tCanvas::Fill(const tShape& shape, tRgb colour, double opacity) { Fill(shape, Solid(colour), opacity); }

void tCanvas::FillOutlined(const tShape& shape, const tPaint& paint, tRgb outlineColour,
                           double outlineWidth) {
    Fill(Offset(shape, outlineWidth), outlineColour);
    Fill(shape, paint);
}

tRgba tCanvas::Resolve(int x, int y) const {
    const int gridWidth = width_ * samples_;
    tRgb colour;
    double alpha = 0;
    for (int j = 0; j < samples_; ++j) {
        for (int i = 0; i < samples_; ++i) {
            const tSample& sample =
                grid_[static_cast<size_t>(y * samples_ + j) * gridWidth + x * samples_ + i];
            colour = colour + sample.colour;
            alpha += sample.alpha;
        }
    }
    double count = samples_ * samples_;
    return {colour * (1 / count), alpha / count};
}

lyrimo::tColour KeptFromKey(lyrimo::tColour colour, lyrimo::tColour key) {
    const int minimum = 12;
    bool near = true;
    for (int shift = 0; shift < 24; shift += 8) {
        int difference = static_cast<int>((colour >> shift) & 0xFF) - static_cast<int>((key >> shift) & 0xFF);
        near = near && std::abs(difference) < minimum;
    }
    if (!near)
        return colour;
    lyrimo::tColour moved = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        int k = static_cast<int>((key >> shift) & 0xFF);
        moved |= static_cast<lyrimo::tColour>(k < 128 ? k + minimum : k - minimum) << shift;
    }
    return moved;
}

void PutKeyed(const tCanvas& canvas, lyrimo::Bitmap& target, int dx, int dy, lyrimo::tColour key, tRgb matte,
              double threshold) {
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            tRgba pixel = canvas.Resolve(x, y);
            if (pixel.alpha < threshold) {
                target.SetPixel(dx + x, dy + y, key);
                continue;
            }
            tRgb composed = pixel.colour + matte * (1 - pixel.alpha);
            target.SetPixel(dx + x, dy + y, KeptFromKey(ToColour(composed), key));
        }
    }
}

} // namespace art
