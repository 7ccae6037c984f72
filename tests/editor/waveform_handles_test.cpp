#include "editor/waveform_handles.h"

#include "document/song.h"

#include <gtest/gtest.h>

namespace lyrimo {
namespace {

class WaveformHandles : public ::testing::Test {
protected:
    void SetUp() override {
        tLyricsData& part = *song_.GetPart(0);
        AddLine(part, 1000, "Twin-kle star", {{5, 300}, {9, 700}, {13, 1500}});
        AddLine(part, 3000, "up", {});
    }
    static void AddLine(tLyricsData& part, int start, const char* text,
                        std::initializer_list<std::pair<int, int>> timings) {
        tTimingsLineType& line = *part.AddLine();
        line.LineRecord.setLineStart(start);
        line.LineRecord.setText(text);
        for (auto [position, delta] : timings)
            line.AddTiming(MakeTiming(uint8_t(position), uint16_t(delta)));
    }
    tLyrimoData song_;
};

TEST_F(WaveformHandles, EachTimingIsAHandleAtItsPartTimeWithItsSyllableAndRange) {
    tLineTimingsEdit edit(song_, 0, 0, 13);
    const std::vector<tTimingHandle> handles = TimingHandles(edit, "Twin-kle star");
    ASSERT_EQ(handles.size(), 3u);
    EXPECT_EQ(handles[0].ms, 1300);
    EXPECT_EQ(handles[0].label, "Twin-");
    EXPECT_EQ(handles[1].label, "kle");
    EXPECT_EQ(handles[2].label, "star");
    // Strictly between the neighbours; the last before the next line starts.
    EXPECT_EQ(handles[0].earliest, 1000);
    EXPECT_EQ(handles[0].latest, 1699);
    EXPECT_EQ(handles[1].earliest, 1301);
    EXPECT_EQ(handles[2].earliest, 1701);
    EXPECT_EQ(handles[2].latest, 2999);
}

TEST_F(WaveformHandles, ADragStaysInItsRangeAndSnapsToANearOnsetInside) {
    tLineTimingsEdit edit(song_, 0, 0, 13);
    const tTimingHandle handle = TimingHandles(edit, "Twin-kle star")[1]; // 1301..2499
    EXPECT_EQ(DragTarget(handle, 900, nullptr, 40), 1301);
    EXPECT_EQ(DragTarget(handle, 3000, nullptr, 40), 2499);
    const std::vector<int> onsets = {1290, 1820, 2510};
    EXPECT_EQ(DragTarget(handle, 1800, &onsets, 40), 1820);
    EXPECT_EQ(DragTarget(handle, 1700, &onsets, 40), 1700); // nothing near
    EXPECT_EQ(DragTarget(handle, 2490, &onsets, 40), 2490); // the onset lies beyond the range
    EXPECT_EQ(DragTarget(handle, 1310, &onsets, 40), 1310); // so does this one, before it
}

TEST_F(WaveformHandles, NudgesMoveATimingWithinItsLimits) {
    tLineTimingsEdit edit(song_, 0, 0, 13);
    EXPECT_TRUE(NudgeTiming(edit, 1, 100));
    EXPECT_EQ(edit.Timing(1).Delta(), 800);
    EXPECT_TRUE(NudgeTiming(edit, 1, -1000));
    EXPECT_EQ(edit.Timing(1).Delta(), 301);
    EXPECT_FALSE(NudgeTiming(edit, 1, -10)); // already at its earliest
    EXPECT_FALSE(NudgeTiming(edit, 7, 10));
    const tLineSnapshot before = edit.Snapshot();
    NudgeTiming(edit, 2, -500);
    EXPECT_NE(edit.Snapshot().timings, before.timings);
    edit.Restore(before);
    EXPECT_EQ(edit.Snapshot(), before);
}

TEST(WaveformScale, ZoomKeepsTheTimeUnderThePointer) {
    tWaveformScale scale{1000, 10.0};
    EXPECT_EQ(scale.XOf(1500), 50);
    EXPECT_EQ(scale.MsAt(50), 1500);
    scale.ZoomAround(50, 0.5);
    EXPECT_DOUBLE_EQ(scale.msPerPixel, 5.0);
    EXPECT_EQ(scale.MsAt(50), 1500);
    scale.ZoomAround(0, 1000.0);
    EXPECT_DOUBLE_EQ(scale.msPerPixel, tWaveformScale::kCoarsest);
}

} // namespace
} // namespace lyrimo
