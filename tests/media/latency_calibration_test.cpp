// Measuring the lyrics offset: where the click track's clicks are, which taps pair with which
// click, and the robust median that becomes the offset.
#include "app/app_services.h"
#include "app/temp_files.h"
#include "media/latency_calibration.h"
#include "media/player_presence.h"
#include "test_support.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace lyrimo;

namespace {

uint32_t LittleEndian(const QByteArray& bytes, int at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | uint8_t(bytes[at + i]);
    return value;
}

// Where each burst of sound starts, in ms, for mono 16-bit samples: the first loud sample after
// at least 100 ms of silence.
std::vector<double> BurstStarts(const QByteArray& samples, int rate) {
    std::vector<double> starts;
    const int quietFrames = rate / 10;
    int quiet = quietFrames;
    for (int n = 0; n < samples.size() / 2; ++n) {
        const int value = int16_t(LittleEndian(samples, 2 * n, 2));
        if (std::abs(value) < 300) {
            ++quiet;
            continue;
        }
        if (quiet >= quietFrames)
            starts.push_back(n * 1000.0 / rate);
        quiet = 0;
    }
    return starts;
}

TEST(ClickTrack, TheFileHoldsShortClicksWhereTheTimesSay) {
    const std::vector<int> clicks = ClickTimes();
    ASSERT_GE(clicks.size(), size_t(kMinCalibrationTaps + 4));
    QString path;
    {
        const int trackedBefore = TrackedTempFileCount();
        tClickTrackFile track;
        path = track.Path();
        EXPECT_TRUE(QFileInfo(path).fileName().startsWith('~') && path.endsWith(".wav"))
            << path.toStdString();
        EXPECT_EQ(TrackedTempFileCount(), trackedBefore + 1);

        // Mono 16-bit integer samples, the data chunk right after the format.
        const QByteArray wave = test::ReadFile(path);
        ASSERT_EQ(wave.left(16) + wave.mid(36, 4), "RIFF" + wave.mid(4, 4) + "WAVEfmt data");
        EXPECT_EQ(LittleEndian(wave, 20, 4), 0x10001u);
        EXPECT_EQ(LittleEndian(wave, 34, 2), 16u);
        const int rate = int(LittleEndian(wave, 24, 4));
        const QByteArray samples = wave.mid(44);
        ASSERT_EQ(int(LittleEndian(wave, 40, 4)), samples.size());

        const std::vector<double> starts = BurstStarts(samples, rate);
        ASSERT_EQ(starts.size(), clicks.size());
        for (size_t i = 0; i < clicks.size(); ++i)
            EXPECT_NEAR(starts[i], clicks[i], 0.5) << "click " << i;
        // Each click is a short tick: silent again 12 ms after it began.
        const int after = int((clicks[3] + 12) * int64_t(rate) / 1000);
        for (int n = after; n < after + rate / 100; ++n)
            ASSERT_EQ(int16_t(LittleEndian(samples, 2 * n, 2)), 0) << "frame " << n;
    }
    EXPECT_FALSE(QFileInfo::exists(path));
}

TEST(CalibrationTaps, TapsPairWithTheNearestClickOnceAndFarTapsAreDropped) {
    const std::vector<int> clicks = ClickTimes();
    const int half = (clicks[1] - clicks[0]) / 2;
    EXPECT_EQ(NearestClick(clicks, clicks[0] - half), 0);
    EXPECT_EQ(NearestClick(clicks, clicks[0] - half - 1), std::nullopt);
    EXPECT_EQ(NearestClick(clicks, clicks[4] + half + 1), 5);
    EXPECT_EQ(NearestClick(clicks, clicks.back() + half + 1), std::nullopt);

    tLatencyCalibration taps;
    EXPECT_FALSE(taps.AddTap(0)); // before the first click: not paired
    EXPECT_TRUE(taps.AddTap(clicks[2] + 90));
    EXPECT_FALSE(taps.AddTap(clicks[2] + 200)); // a second tap on the same click
    EXPECT_TRUE(taps.AddTap(clicks[3] - 20));
    EXPECT_EQ(taps.TapsCounted(), 4);
    EXPECT_EQ(taps.TapsPaired(), 2);
}

TEST(CalibrationTaps, TheOffsetIsTheMedianWithoutOutliersOnceSixteenTapsAreKept) {
    const tOffsetEstimate spread = EstimateOffset({100, 102, 98, 101, 99, 360, -250});
    EXPECT_EQ(spread.kept, 5);
    EXPECT_EQ(spread.median, 100);
    // Taps that agree closely still keep everything within the 40 ms floor.
    EXPECT_EQ(EstimateOffset({100, 100, 100, 130, 70}).kept, 5);
    EXPECT_EQ(EstimateOffset({100, 100, 100, 141}).kept, 3);

    const std::vector<int> clicks = ClickTimes();
    tLatencyCalibration taps;
    const int jitter[] = {-12, 8, 3, -5, 15, -9, 0, 6, -3, 11, -14, 2, 9, -7, 4};
    for (int i = 0; i < 15; ++i)
        taps.AddTap(clicks[size_t(i)] + 180 + jitter[i]);
    taps.AddTap(clicks[15] - 300); // a slip, paired but far from the others
    EXPECT_EQ(taps.TapsPaired(), 16);
    EXPECT_EQ(taps.TapsKept(), 15);
    EXPECT_EQ(taps.Result(), std::nullopt);
    EXPECT_EQ(taps.SoFar(), 182);
    taps.AddTap(clicks[16] + 180);
    EXPECT_EQ(taps.TapsKept(), 16);
    EXPECT_EQ(taps.Result(), 181);
}

TEST(CalibrationPlayers, ThoseThatCanPlayTheClickTrackComeInTheOrderOfThePreferences) {
    const tSettingsClass saved = Settings();
    Settings() = tSettingsClass();
    OverridePlayerPresence([](uint8_t id) { return id != player::QuickTime && id != player::DirectShow; });
    // External (off), GStreamer (missing, no ".wav"), mpv, VLC (missing), built-in.
    Settings().Player2Order = DecodePlayerOrder("15324");
    Settings().UseWindowsMediaPlayer = true;
    EXPECT_EQ(CalibrationPlayers(), (std::vector<uint8_t>{player::WindowsMediaPlayer, player::Mci}));
    // An order that leaves mpv out still offers it, after those in the order.
    Settings().Player2Order = DecodePlayerOrder("x52");
    Settings().UseFileExtensionsMCI = ".mp3";
    EXPECT_EQ(CalibrationPlayers(), (std::vector<uint8_t>{player::WindowsMediaPlayer}));
    OverridePlayerPresence({});
    Settings() = saved;
}

} // namespace
