#include "instrument_art.h"

#include "art_elements.h"
#include "render/builtin_pictures.h"

#include <algorithm>
#include <functional>

namespace art {
namespace {

using lyrimo::Bitmap;

constexpr int kSamples = 4;
const tRgb kInk = Rgb(0x1C1228);
// Edge pixels blend towards this dark tone, the colour of the borders.
const tRgb kMatte = Rgb(0x1C1228);

double Turn(int frame, int frames) { return 2 * kPi * frame / frames; }

void NoteSticker(tCanvas& canvas, const tShape& note, tRgb colour) {
    DrawSticker(canvas, note, colour, 2.0, Mix(kInk, colour, 0.2), 3.4);
}

// ---- dancing notes: three notes hopping in turn, leaning as they fly and squashing as they land

void DancingNotes(tCanvas& canvas, int frame, int frames) {
    const double ground = 120, size = 18, s = size / 2;
    struct tDancer {
        double x;
        tRgb colour;
        std::function<tShape(tVec head)> shape;
    };
    const tDancer dancers[3] = {
        {20, Rgb(0x38D4FF), [=](tVec head) { return Note(head, size, tNoteKind::Quarter); }},
        {46, Rgb(0xFFC82A),
         [=](tVec head) {
             return BeamedNotes(head, head + tVec{24, -5}, size);
         }},
        {93, Rgb(0xFF52A8), [=](tVec head) { return Note(head, size, tNoteKind::Eighth); }},
    };
    for (int i = 0; i < 3; ++i) {
        double phase = Turn(frame, frames) + i * kPi / 3;
        double lift = std::abs(std::sin(phase)); // two hops a loop
        double hop = 32 * lift;
        tVec head{dancers[i].x, ground - 0.92 * s - hop};
        tVec feet{dancers[i].x + 4, ground - hop};
        double lean = 0.22 * std::cos(phase) * lift;
        double squash = 1 - 0.16 * (1 - SmoothStep(0, 0.35, lift));
        tAffine pose = tAffine::Rotate(lean, feet) * tAffine::Scale(2 - squash, squash, feet);
        tShape note = Transformed(dancers[i].shape(head), pose);
        NoteSticker(canvas, note, dancers[i].colour);
    }
    // Glints that come and go above the dancers.
    const tVec glints[4] = {{28, 22}, {68, 14}, {106, 26}, {50, 36}};
    for (int i = 0; i < 4; ++i) {
        double glow = std::sin(Turn(frame, frames) * 2 + i * 1.7);
        if (glow <= 0.1)
            continue;
        canvas.Fill(Offset(Sparkle(glints[i], 3 + 5 * glow, 0.2), 1.2), kInk);
        canvas.Fill(Sparkle(glints[i], 3 + 5 * glow, 0.2), Rgb(0xFFF6B0));
    }
}

// ---- a big note singing while small notes circle round it; a small note's colour and size
// follow its place on the circle, so the loop is seamless once each has moved on to the
// place of the next

void SingingFace(tCanvas& canvas, tVec head, double s, double tilt, double mouth) {
    tVec right = Rotated({1, 0}, tilt), down = Rotated({0, 1}, tilt);
    auto at = [&](double x, double y) { return head + right * (x * s) + down * (y * s); };
    for (double x : {-0.55, 0.3}) {
        canvas.Fill(Ellipse(at(x, -0.3), 0.16 * s, 0.26 * s, tilt), kInk);
        canvas.Fill(Circle(at(x - 0.05, -0.4), 0.06 * s), Rgb(0xFFFFFF));
    }
    canvas.Fill(Circle(at(-0.95, 0.1), 0.2 * s), Rgb(0xFF8AA0), 0.6);
    canvas.Fill(Circle(at(0.75, 0.0), 0.2 * s), Rgb(0xFF8AA0), 0.6);
    tVec mouthAt = at(-0.1, 0.38);
    double open = (0.1 + 0.22 * mouth) * s;
    canvas.Fill(Ellipse(mouthAt, 0.24 * s + 1.0, open + 1.0, tilt), kInk);
    canvas.Fill(Ellipse(mouthAt, 0.24 * s, open, tilt), Rgb(0x8A1028));
    canvas.Fill(Intersect(Ellipse(mouthAt, 0.24 * s, open, tilt), Circle(mouthAt + down * open, open * 0.9)),
                Rgb(0xFF6A88));
}

void OrbitingNotes(tCanvas& canvas, int frame, int frames, bool front) {
    const int count = 3;
    const tVec centre{60, 72};
    for (int k = 0; k < count; ++k) {
        double angle = 2 * kPi * k / count + 2 * kPi / count * frame / frames;
        double depth = std::sin(angle);
        if ((depth >= 0) != front)
            continue;
        double nearness = (depth + 1) / 2;
        tVec head = centre + Rotated({45 * std::cos(angle), 20 * depth}, -0.2);
        double size = 10 + 5 * nearness;
        tShape note = Turned(Note(head, size, tNoteKind::Eighth), 0.3 * std::cos(angle), head);
        tRgb colour = Mix(Hsv(0.15 + angle / (2 * kPi), 0.7, 1), Rgb(0x9A8AB8), 0.3 * (1 - nearness));
        DrawSticker(canvas, note, colour, 1.8, Mix(kInk, colour, 0.2), 2.6);
    }
}

void SingingNote(tCanvas& canvas, int frame, int frames) {
    const double turn = Turn(frame, frames);
    OrbitingNotes(canvas, frame, frames, false);
    const tVec head{50, 100}, foot{52, 116};
    const double size = 30, lean = 0.1 * std::sin(turn), stretch = 1 + 0.05 * std::sin(2 * turn);
    tAffine pose = tAffine::Rotate(lean, foot) * tAffine::Scale(1 / std::sqrt(stretch), stretch, foot);
    tShape note = Transformed(Note(head, size, tNoteKind::Eighth), pose);
    NoteSticker(canvas, note, Rgb(0xFF5AA8));
    SingingFace(canvas, pose(head), size / 2, lean, 0.5 + 0.5 * std::sin(2 * turn + 0.6));
    OrbitingNotes(canvas, frame, frames, true);
}

// ---- notes puffed out of an instrument: `count` notes spaced evenly along `path`, each
// a little further on in every frame; they grow as they leave and shrink as they fade

void PuffedNotes(tCanvas& canvas, const std::vector<tVec>& path, int frame, int frames, int count,
                 double size) {
    for (int k = 0; k < count; ++k) {
        // After `frames` frames every note has reached the place of the one ahead of it.
        double u =
            std::fmod(static_cast<double>(k) / count + static_cast<double>(frame) / (frames * count), 1.0);
        double position = u * (path.size() - 1);
        size_t i = std::min(static_cast<size_t>(position), path.size() - 2);
        tVec head = Lerp(path[i], path[i + 1], position - i);
        double grow = SmoothStep(0.0, 0.25, u) * (1 - SmoothStep(0.75, 1.0, u));
        if (grow < 0.15)
            continue;
        double tilt = 0.35 * std::sin(u * 2 * kPi * 1.5);
        tShape note = Turned(Note(head, size * grow, tNoteKind::Eighth), tilt, head);
        // The colour runs round the colour wheel as the note travels, gold to pink to blue.
        NoteSticker(canvas, note, Hsv(0.14 - 0.62 * u, 0.68, 1));
    }
}

// ---- the saxophone

struct tSaxophone {
    tTube body{{}, {}};
    tVec rimCentre;
    double rimWidth = 0, rimHeight = 0, rimTilt = 0;
};

tSaxophone SaxophoneShape() {
    std::vector<tVec> centre;
    std::vector<double> radii;
    auto add = [&](const std::vector<tVec>& points, double from, double to) {
        for (size_t i = centre.empty() ? 0 : 1; i < points.size(); ++i) {
            centre.push_back(points[i]);
            radii.push_back(Lerp(from, to, static_cast<double>(i) / (points.size() - 1)));
        }
    };
    add(Bezier({50, 42}, {70, 40}, {86, 50}, {88, 72}, 8), 4.2, 6.5);         // neck
    add(Bezier({88, 72}, {89, 110}, {84, 150}, {84, 186}, 10), 7.5, 14.5);    // body
    add(Arc({108, 186}, 24, 26, kPi, 0, 14), 14.5, 16.5);                     // the bow
    add(Bezier({132, 186}, {133, 160}, {134, 138}, {136, 120}, 8), 16.5, 20); // up to the bell
    add({{136, 120}, {137.5, 112}, {139, 106}, {141, 100}}, 20, 34);          // the flare
    tSaxophone sax;
    // The flare widens fastest at the rim.
    radii[radii.size() - 2] = 25;
    sax.body = tTube(centre, radii);
    sax.rimCentre = {141, 99};
    sax.rimWidth = 34;
    sax.rimHeight = 10;
    sax.rimTilt = -0.1;
    return sax;
}

void DrawSaxophone(tCanvas& canvas) {
    const tRgb edge = Rgb(0x3A2206);
    tSaxophone sax = SaxophoneShape();
    tShape body = sax.body.Shape();
    tShape rim = Ellipse(sax.rimCentre, sax.rimWidth, sax.rimHeight, sax.rimTilt);
    // Mouthpiece and reed.
    tTube mouthpiece({{30, 36}, {40, 39}, {52, 42}}, {2.6, 3.8, 4.4});
    canvas.Fill(Offset(mouthpiece.Shape(), 1.6), edge);
    canvas.Fill(Offset(Union(body, rim), 1.8), edge);
    canvas.Fill(mouthpiece.Shape(), TubeShade(mouthpiece, [](double light) { return Silver(light) * 0.35; }));
    canvas.Fill(Capsule({46, 38}, {48, 46}, 1.6), Silver(0.9));
    canvas.Fill(body, TubeShade(sax.body, Brass));
    // The bell's mouth: a bright rim around a deep inside.
    canvas.Fill(rim, Brass(1.0));
    tShape inside = Ellipse(sax.rimCentre + tVec{0, 1}, sax.rimWidth - 3.5, sax.rimHeight - 2.6, sax.rimTilt);
    canvas.Fill(inside, LinearGradient(sax.rimCentre + tVec{0, -8}, Brass(0.15), sax.rimCentre + tVec{0, 8},
                                       Brass(0.55)));
    // Keys: pearl buttons in two stacks on the front, pad cups and a rod down the side.
    canvas.Fill(Stroke({{96, 92}, {95, 132}, {92, 176}}, 1.6), Silver(0.85));
    for (double y : {92.0, 106.0, 120.0, 142.0, 156.0, 170.0}) {
        double x = 88 - (y - 92) * 0.03;
        tVec at{x - 2, y};
        canvas.Fill(Circle(at, 5.4), Brass(0.45));
        canvas.Fill(Circle(at, 4.2),
                    SphereShade(at, 4.2, [](tVec3) { return Rgb(0xFFF6E4); }, {20, 0.7, 0.55}));
    }
    for (tVec at : {tVec{100, 114}, tVec{98, 162}, tVec{124, 200}, tVec{142, 150}}) {
        canvas.Fill(Circle(at, 5.6), edge);
        canvas.Fill(Circle(at, 4.6),
                    SphereShade(at, 4.6, [](tVec3 n) { return Brass(0.5 + 0.6 * n.z); }, {30, 0.8, 0.4}));
    }
    canvas.Fill(Stroke(Bezier({76, 48}, {84, 54}, {94, 60}, {97, 80}, 8), 1.8), Silver(0.8)); // octave key
}

void Saxophone(tCanvas& canvas, int frame, int frames) {
    double turn = Turn(frame, frames);
    // Sways about its foot and nods a little on the beat.
    canvas.SetTransform(tAffine::Rotate(0.07 * std::sin(turn), {100, 232}) *
                        tAffine::Translate({0, 2.5 * std::sin(2 * turn)}) *
                        tAffine::Scale(0.86, 0.86, {14, 238}));
    DrawSaxophone(canvas);
    canvas.SetTransform({});
    std::vector<tVec> path = Bezier({133, 104}, {150, 70}, {205, 95}, {198, 56}, 20);
    std::vector<tVec> more = Bezier({198, 56}, {192, 30}, {150, 30}, {128, 44}, 20);
    path.insert(path.end(), more.begin() + 1, more.end());
    PuffedNotes(canvas, path, frame, frames, 3, 17);
}

// ---- the trumpet

void DrawTrumpet(tCanvas& canvas, double flare, int pressedValve) {
    const tRgb edge = Rgb(0x3A2206);
    const double line = 96;
    // The bell widens fastest at its mouth; `flare` opens it wider.
    std::vector<tVec> bellLine;
    std::vector<double> bellRadii;
    for (int i = 0; i <= 12; ++i) {
        double t = i / 12.0;
        bellLine.push_back({196 + 50 * t, line});
        bellRadii.push_back(6.5 + (26 * flare - 6.5) * std::pow(t, 2.6));
    }
    tTube leadpipe({{40, line}, {94, line}}, {3.6, 4.4});
    tTube bellPipe({{140, line}, {196, line}}, {5, 6.5});
    tTube bell(bellLine, bellRadii);
    tTube backLoop({{100, 124}, {100, 140}, {96, 146}, {60, 146}, {52, 138}, {52, 120}, {60, 112}, {94, 112}},
                   std::vector<double>(8, 4.2));
    tTube frontLoop({{136, 124}, {136, 140}, {140, 146}, {182, 146}, {190, 138}, {190, 104}, {186, 99}},
                    std::vector<double>(7, 4.2));
    const double valveX[3] = {100, 118, 136};

    std::vector<tShape> brass = {leadpipe.Shape(), bellPipe.Shape(), bell.Shape(), backLoop.Shape(),
                                 frontLoop.Shape()};
    for (double x : valveX)
        brass.push_back(RoundedBox({x, 104}, 7.5, 27, 2.5));
    tTube mouthpiece({{16, line}, {22, line}, {40, line}}, {7.5, 3.2, 3.0});
    canvas.Fill(Offset(Union(brass), 1.8), edge);
    canvas.Fill(Offset(mouthpiece.Shape(), 1.6), Rgb(0x2A2E36));
    canvas.Fill(mouthpiece.Shape(), TubeShade(mouthpiece, Silver));
    for (const tTube* tube : {&backLoop, &frontLoop, &leadpipe, &bellPipe, &bell})
        canvas.Fill(tube->Shape(), TubeShade(*tube, Brass));
    // The bell's mouth, seen a little from the front: a bright rim round the dark inside.
    double mouth = bellRadii.back(), depth = 0.3 * mouth;
    tVec rimCentre{246, line};
    canvas.Fill(Offset(Ellipse(rimCentre, depth, mouth), 1.8), edge);
    canvas.Fill(Ellipse(rimCentre, depth, mouth), Brass(1.05));
    tVec insideCentre = rimCentre + tVec{1.2, 0};
    double insideWidth = depth - 2.6, insideHeight = mouth - 3.2;
    canvas.Fill(Ellipse(insideCentre, insideWidth, insideHeight), [=](tVec p) {
        double r = Length({(p.x - insideCentre.x) / insideWidth, (p.y - insideCentre.y) / insideHeight});
        return tRgba{Brass(0.1 + 0.55 * r * r), 1};
    });
    // Valves: casings, caps, stems and pearl buttons; one valve is pressed down.
    for (int v = 0; v < 3; ++v) {
        double x = valveX[v], press = v == pressedValve ? 5 : 0;
        tTube casing({{x, 80}, {x, 128}}, {7.5, 7.5});
        canvas.Fill(RoundedBox({x, 104}, 7.5, 27, 2.5), TubeShade(casing, Brass));
        canvas.Fill(Offset(RoundedBox({x, 78}, 9, 3, 1.2), 1.2), edge);
        canvas.Fill(RoundedBox({x, 78}, 9, 3, 1.2), Brass(0.95));
        canvas.Fill(Offset(RoundedBox({x, 130}, 8.5, 3, 1.2), 1.2), edge);
        canvas.Fill(RoundedBox({x, 130}, 8.5, 3, 1.2), Brass(0.6));
        tVec button{x, 62 + press};
        canvas.Fill(Offset(Capsule(button, {x, 76}, 1.8), 1.0), edge);
        canvas.Fill(Capsule(button, {x, 76}, 1.8), Silver(0.85));
        canvas.Fill(Offset(Ellipse(button, 7, 3.4), 1.3), edge);
        canvas.Fill(Ellipse(button, 7, 3.4),
                    SphereShade(button, 7, [](tVec3) { return Rgb(0xFFF6E4); }, {20, 0.7, 0.6}));
    }
}

void Trumpet(tCanvas& canvas, int frame, int frames) {
    double turn = Turn(frame, frames);
    double flare = 1 + 0.22 * (0.5 + 0.5 * std::cos(turn));
    canvas.SetTransform(tAffine::Rotate(-0.04 + 0.04 * std::sin(turn), {110, 120}) *
                        tAffine::Translate({0, 2 * std::sin(2 * turn)}) *
                        tAffine::Scale(0.86, 0.86, {10, 170}));
    DrawTrumpet(canvas, flare, frame % 3);
    canvas.SetTransform({});
    std::vector<tVec> path = Bezier({216, 104}, {250, 106}, {262, 78}, {250, 56}, 20);
    std::vector<tVec> more = Bezier({250, 56}, {238, 36}, {200, 32}, {172, 46}, 20);
    path.insert(path.end(), more.begin() + 1, more.end());
    PuffedNotes(canvas, path, frame, frames, 3, 18);
}

using tFrameArt = std::function<void(tCanvas&, int frame, int frames)>;

} // namespace

Bitmap DrawInstrument(int index) {
    std::optional<lyrimo::tBuiltInPicture> which = lyrimo::InstrumentPicture(index);
    if (!which)
        return {};
    const lyrimo::tBuiltInPictureLayout& layout = lyrimo::LayoutOf(*which);
    const tFrameArt art[4] = {DancingNotes, SingingNote, Saxophone, Trumpet};
    const int frames = lyrimo::InstrumentFrameCount(index);
    Bitmap strip(layout.width, layout.height, lyrimo::tPixelFormat::Bits32);
    for (int frame = 0; frame < frames; ++frame) {
        tCanvas canvas(layout.frameWidth, layout.frameHeight, kSamples);
        art[index](canvas, frame, frames);
        PutKeyed(canvas, strip, frame * layout.frameWidth, 0, kInstrumentKey, kMatte);
    }
    return strip;
}

} // namespace art
