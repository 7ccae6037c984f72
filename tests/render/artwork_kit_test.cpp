// The drawing kit the built-in pictures are made with.
#include "art_elements.h"
#include "paint_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace art {
namespace {

using lyrimo::Bitmap;
using lyrimo::tPixelFormat;

double Coverage(const tCanvas& canvas) {
    double sum = 0;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x)
            sum += canvas.Resolve(x, y).alpha;
    }
    return sum;
}

TEST(ArtworkKit, ShapesKnowTheirInsides) {
    tShape circle = Circle({10, 10}, 4);
    EXPECT_NEAR(circle({10, 10}), -4, 1e-9);
    EXPECT_NEAR(circle({17, 10}), 3, 1e-9);

    // A concave L, wound either way: the notch is outside.
    std::vector<tVec> l = {{0, 0}, {10, 0}, {10, 4}, {4, 4}, {4, 10}, {0, 10}};
    for (bool reversed : {false, true}) {
        std::vector<tVec> points = l;
        if (reversed)
            std::reverse(points.begin(), points.end());
        tShape shape = Polygon(points);
        EXPECT_NEAR(shape({2, 2}), -2, 1e-9);
        EXPECT_NEAR(shape({7, 7}), 3, 1e-9); // in the notch, 3 from both inner edges
        EXPECT_NEAR(shape({12, 2}), 2, 1e-9);
    }

    tShape box = RoundedBox({0, 0}, 5, 3, 1, kPi / 2); // turned a quarter: 3 wide, 5 high
    EXPECT_LT(box({0, 4.5}), 0);
    EXPECT_GT(box({4.5, 0}), 0);
    EXPECT_NEAR(Ellipse({0, 0}, 6, 2)({6, 0}), 0, 1e-9);
    EXPECT_NEAR(Ellipse({0, 0}, 6, 2)({0, 3}), 1, 0.2);
    EXPECT_LT(Ellipse({0, 0}, 6, 2, kPi / 2)({0, 5}), 0);

    tShape ring = Subtract(Circle({0, 0}, 5), Circle({0, 0}, 3));
    EXPECT_GT(ring({0, 0}), 0);
    EXPECT_LT(ring({4, 0}), 0);
    EXPECT_LT(Union(ring, Circle({0, 0}, 1))({0, 0}), 0);
    EXPECT_LT(Offset(circle, 2)({15.5, 10}), 0);
    EXPECT_GT(Offset(circle, -2)({13, 10}), 0);

    tShape star = Star({0, 0}, 5, 10, 4);
    EXPECT_LT(star({0, -9}), 0); // the top point
    EXPECT_GT(star({0, 9}), 0);  // between the two lower points
    EXPECT_LT(Heart({0, 0}, 32)({0, 0}), 0);
}

TEST(ArtworkKit, TransformsComposeAndInvert) {
    tAffine turn = tAffine::Rotate(kPi / 2, {5, 5});
    tVec p = turn({6, 5});
    EXPECT_NEAR(p.x, 5, 1e-9);
    EXPECT_NEAR(p.y, 6, 1e-9); // y down: a quarter turn takes +x to +y
    tAffine both = tAffine::Translate({3, 0}) * tAffine::Scale(2, 0.5);
    p = both({1, 4});
    EXPECT_NEAR(p.x, 5, 1e-9); // scaled first, then moved
    EXPECT_NEAR(p.y, 2, 1e-9);
    tVec back = both.Inverse()(p);
    EXPECT_NEAR(back.x, 1, 1e-9);
    EXPECT_NEAR(back.y, 4, 1e-9);
    EXPECT_NEAR(both.MinScale(), 0.5, 1e-9);
    EXPECT_NEAR((turn * tAffine::Scale(3, 3)).MinScale(), 3, 1e-9);

    tShape moved = Transformed(Circle({0, 0}, 2), both);
    EXPECT_LT(moved({3, 0}), 0);
    EXPECT_LT(moved({6.5, 0}), 0); // stretched along x
    EXPECT_GT(moved({3, 1.5}), 0); // squeezed along y
}

TEST(ArtworkKit, TubesTellWhereAcrossAPointLies) {
    tTube tube({{0, 0}, {10, 0}}, {2, 4});
    EXPECT_LT(tube.Section({5, 0}).distance, 0);
    EXPECT_NEAR(tube.Section({5, 0}).across, 0, 1e-9);
    EXPECT_NEAR(tube.Section({10, 3.9}).across, 3.9 / 4, 1e-9);
    EXPECT_NEAR(tube.Section({10, -3.9}).across, -3.9 / 4, 1e-9);
    EXPECT_GT(tube.Section({0, 2.5}).distance, 0);  // narrow end
    EXPECT_LT(tube.Section({10, 3.5}).distance, 0); // wide end

    // A bent tube: the part nearest the point decides, wherever it lies in the list.
    tTube bent({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, {1, 1, 1, 1});
    EXPECT_NEAR(bent.Section({0, -0.5}).across, -0.5, 1e-9);
    EXPECT_NEAR(bent.Section({0, 9.5}).across, 0.5, 1e-9);
    EXPECT_NEAR(bent.Section({0, 10.5}).across, -0.5, 1e-9);
    EXPECT_GT(bent.Section({5, 5}).distance, 0);
    // Where parts overlap, the one whose centre line is nearest decides, even when an
    // earlier part holds the point too.
    tTube folded({{0, 0}, {10, 0}, {10, 0.5}, {0, 0.5}}, {1, 1, 1, 1});
    EXPECT_NEAR(folded.Section({5, 0.5}).distance, -1, 1e-9);
    EXPECT_NEAR(folded.Section({5, 0.5}).across, 0, 1e-9);
    EXPECT_LT(Stroke({{0, 0}, {10, 0}}, 1)({5, 0.4}), 0);
}

TEST(ArtworkKit, CanvasCoverageMatchesTheArea) {
    tCanvas canvas(24, 24, 6);
    canvas.Fill(Circle({10.3, 11.7}, 6), Rgb(0xFF0000));
    EXPECT_NEAR(Coverage(canvas), kPi * 36, kPi * 36 * 0.01);
    EXPECT_DOUBLE_EQ(canvas.Resolve(10, 11).alpha, 1);
    EXPECT_DOUBLE_EQ(canvas.Resolve(10, 11).colour.r, 1);
    EXPECT_DOUBLE_EQ(canvas.Resolve(22, 22).alpha, 0);

    // A line thinner than a pixel still shows, with its share of each pixel.
    tCanvas thin(20, 6, 8);
    thin.Fill(Stroke({{2, 3}, {18, 3}}, 0.25), Rgb(0xFFFFFF));
    EXPECT_NEAR(Coverage(thin), 16 * 0.25 + kPi * 0.125 * 0.125, 0.5);

    // Through a transform: art at the origin lands where the transform puts it.
    tCanvas moved(30, 30, 4);
    moved.SetTransform(tAffine::Translate({20, 20}) * tAffine::Scale(2, 2));
    moved.Fill(Circle({0, 0}, 3), Rgb(0x00FF00));
    EXPECT_DOUBLE_EQ(moved.Resolve(20, 20).alpha, 1);
    EXPECT_DOUBLE_EQ(moved.Resolve(3, 3).alpha, 0);
    EXPECT_NEAR(Coverage(moved), kPi * 36, kPi * 36 * 0.02);

    // Half-transparent paint over an opaque one mixes them.
    tCanvas layered(4, 4, 2);
    layered.Fill(Circle({2, 2}, 10), Rgb(0xFF0000));
    layered.Fill(Circle({2, 2}, 10), Rgb(0x0000FF), 0.25);
    tRgba mixed = layered.Resolve(1, 1);
    EXPECT_DOUBLE_EQ(mixed.alpha, 1);
    EXPECT_NEAR(mixed.colour.r, 0.75, 1e-9);
    EXPECT_NEAR(mixed.colour.b, 0.25, 1e-9);
}

TEST(ArtworkKit, KeyingKeepsDrawnPixelsApartFromTheKey) {
    EXPECT_EQ(ToColour(Rgb(0x123456)), 0x563412u); // the program's 0x00BBGGRR
    EXPECT_EQ(ToColour(Hsv(0, 1, 1)), 0x0000FFu);
    EXPECT_EQ(ToColour(Hsv(1.0 / 3, 1, 1)), 0x00FF00u);
    EXPECT_EQ(ToColour(Hsv(2.0 / 3 + 1, 1, 1)), 0xFF0000u); // whole turns wrap

    EXPECT_EQ(KeptFromKey(0x050302, 0), 0x0C0C0Cu);
    EXPECT_EQ(KeptFromKey(0x0C0000, 0), 0x0C0000u); // far enough in one channel
    EXPECT_EQ(KeptFromKey(0xF804F5, 0xFF00FF), 0xF30CF3u);
    EXPECT_EQ(KeptFromKey(0x808080, 0xFF00FF), 0x808080u);

    // A circle keyed onto black: the rim's faint pixels become the key, the rest are
    // composed over the matte and never black, in 16-bit pixels too.
    tCanvas canvas(16, 16, 4);
    canvas.Fill(Circle({8, 8}, 6), Rgb(0x000000));
    Bitmap target(18, 18, tPixelFormat::Bits32);
    target.Fill(0x777777);
    PutKeyed(canvas, target, 1, 1, 0, Rgb(0x000000));
    EXPECT_EQ(target.Pixel(0, 0), 0x777777u); // outside the canvas: untouched
    EXPECT_EQ(target.Pixel(1, 1), 0u);        // not covered: the key
    EXPECT_EQ(target.Pixel(9, 9), 0x0C0C0Cu); // drawn black, kept from the key
    Bitmap narrow = target;
    narrow.SetFormat(tPixelFormat::Bits16);
    int keyed = 0, keyedNarrow = 0;
    for (int y = 1; y < 17; ++y) {
        for (int x = 1; x < 17; ++x) {
            keyed += target.Pixel(x, y) == 0;
            keyedNarrow += narrow.Pixel(x, y) == 0;
            double cover = canvas.Resolve(x - 1, y - 1).alpha;
            EXPECT_EQ(target.Pixel(x, y) == 0, cover < 0.4) << x << "," << y;
        }
    }
    EXPECT_EQ(keyed, keyedNarrow);
}

TEST(ArtworkKit, NotesStandOnTheirHeads) {
    const tVec head{20, 40};
    for (tNoteKind kind : {tNoteKind::Quarter, tNoteKind::Eighth, tNoteKind::Sixteenth}) {
        tShape note = Note(head, 10, kind);
        EXPECT_LT(note(head), 0);
        EXPECT_LT(note({head.x + 5.6, head.y - 15}), 0); // the stem
        EXPECT_GT(note({head.x - 5, head.y - 15}), 0);
        EXPECT_EQ(note({head.x + 9.7, head.y - 12.5}) < 0, kind != tNoteKind::Quarter) << "the flag";
    }
    tShape pair = BeamedNotes(head, head + tVec{20, 0}, 10);
    EXPECT_LT(pair({head.x + 15, head.y - 17}), 0); // under the beam's top edge
    EXPECT_GT(pair({head.x + 15, head.y - 8}), 0);
    EXPECT_LT(Sparkle({0, 0}, 5)({0, -4.5}), 0);
    EXPECT_GT(Sparkle({0, 0}, 5)({3, 3}), 0);
}

} // namespace
} // namespace art
