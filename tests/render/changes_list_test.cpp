#include "render/changes_list.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace lyrimo {
namespace {

std::vector<tMyRect> Stored(const tChangesList& list) { return {list.begin(), list.end()}; }

TEST(ChangesList, ContainedRectanglesAreNotAddedAndTouchingOnesStaySeparate) {
    tChangesList list;
    list.Add({0, 0, 10, 10});
    list.Add({2, 2, 5, 5});
    list.Add({0, 0, 10, 10});
    EXPECT_EQ(Stored(list), (std::vector<tMyRect>{{0, 0, 10, 10}}));

    list.Add({0, 10, 10, 20}); // shares the bottom edge only
    list.Add({10, 0, 20, 10}); // shares the right edge only
    EXPECT_EQ(Stored(list), (std::vector<tMyRect>{{0, 0, 10, 10}, {0, 10, 10, 20}, {10, 0, 20, 10}}));
}

TEST(ChangesList, OverlapsAlongSharedEdgesMergeIntoTheFirstCandidate) {
    tChangesList columns;
    columns.Add({0, 0, 10, 10});
    columns.Add({0, 5, 10, 20}); // same left and right edges
    EXPECT_EQ(Stored(columns), (std::vector<tMyRect>{{0, 0, 10, 20}}));

    tChangesList rows;
    rows.Add({0, 0, 10, 10});
    rows.Add({5, 0, 30, 10}); // same top and bottom edges
    EXPECT_EQ(Stored(rows), (std::vector<tMyRect>{{0, 0, 30, 10}}));

    // Overlapping with neither pair of edges shared (one edge alone is not enough): kept as it is.
    rows.Add({5, 5, 40, 40});
    rows.Add({0, 5, 20, 15});
    rows.Add({-5, 0, 30, 3});
    EXPECT_EQ(rows.Count(), 4);

    // Only the first stored rectangle that qualifies grows; the search stops there.
    tChangesList order;
    order.Add({0, 0, 10, 10});
    order.Add({0, 20, 10, 30});
    order.Add({0, 5, 10, 25});
    EXPECT_EQ(Stored(order), (std::vector<tMyRect>{{0, 0, 10, 25}, {0, 20, 10, 30}}));
}

TEST(ChangesList, NormalisesSizesAndCombinesLists) {
    tChangesList list;
    list.Add({10, 20, 0, 5}); // reversed corners
    EXPECT_EQ(list[0], (tMyRect{0, 5, 10, 20}));
    list.AddSized(1, 2, 3, 4); // x, y, height, width
    EXPECT_EQ(list[1], (tMyRect{1, 2, 5, 5}));

    tChangesList other;
    other.Add({2, 6, 8, 10}); // inside the first
    other.Add({50, 50, 60, 60});
    list.AddAll(other);
    list.AddAll(list);
    EXPECT_EQ(Stored(list), (std::vector<tMyRect>{{0, 5, 10, 20}, {1, 2, 5, 5}, {50, 50, 60, 60}}));
    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
}

TEST(ChangesList, CopiesOnlyTheListedRectangles) {
    Bitmap source(8, 8, tPixelFormat::Bits24), target(8, 8, tPixelFormat::Bits24);
    source.Fill(0x00FF00);
    tChangesList list;
    list.Add({1, 1, 3, 2});
    list.Add({6, 6, 100, 100});         // reaches outside: clipped
    list.Add({INT_MIN, 0, INT_MAX, 1}); // far-flung edges must not overflow
    list.CopyChanges(source, target);
    int green = 0;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            bool listed = (y == 1 && x >= 1 && x < 3) || (x >= 6 && y >= 6) || y == 0;
            EXPECT_EQ(target.Pixel(x, y), listed ? 0x00FF00u : 0u) << x << "," << y;
            green += listed;
        }
    }
    EXPECT_EQ(green, 2 + 4 + 8);
}

} // namespace
} // namespace lyrimo
