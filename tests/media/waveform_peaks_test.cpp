#include "media/waveform_peaks.h"
#include "media_fixtures.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cmath>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

// Silence with 440 Hz bursts of half amplitude starting at the given times, each 300 ms long.
tSignal Bursts(std::initializer_list<int> startsMs, double seconds = 3.0, int rate = 44100) {
    tSignal signal;
    signal.rate = rate;
    signal.samples.assign(size_t(seconds * rate) * 2, 0);
    for (int start : startsMs) {
        const int64_t first = int64_t{start} * rate / 1000;
        for (int64_t i = 0; i < rate * 3 / 10; ++i) {
            const auto value = int16_t(16384 * std::sin(2 * M_PI * 440 * double(i) / rate));
            signal.samples[size_t(first + i) * 2] = signal.samples[size_t(first + i) * 2 + 1] = value;
        }
    }
    return signal;
}

class WaveformPeaks : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ScratchFolder() + "/peaks";
        ASSERT_TRUE(QDir().mkpath(folder_));
    }
    tWaveformPeaks Compute(const QString& file) {
        QString reason;
        std::unique_ptr<tPeakComputation> computation = tPeakComputation::Start(file, reason);
        EXPECT_TRUE(computation) << reason.toStdString();
        if (!computation)
            return {};
        double progress = 0;
        while (computation->Step()) {
            EXPECT_GE(computation->Progress(), progress);
            progress = computation->Progress();
        }
        EXPECT_DOUBLE_EQ(computation->Progress(), 1.0);
        return computation->TakePeaks();
    }
    QString folder_;
};

TEST_F(WaveformPeaks, ABurstShowsItsPeakAndItsOnsetWhereItStarts) {
    const QString wav = folder_ + "/bursts.wav";
    ASSERT_TRUE(WriteWav(wav, Bursts({1000, 2302})));
    const tWaveformPeaks peaks = Compute(wav);
    ASSERT_EQ(peaks.LengthMs(), 3000);
    EXPECT_EQ(peaks.high[100], 0); // 0.5 s: silence
    EXPECT_NEAR(peaks.high[210], 64, 2);
    EXPECT_NEAR(peaks.low[210], -64, 2);
    EXPECT_NEAR(peaks.rms[210], 255 * 0.5 / std::sqrt(2.0), 3);
    const std::vector<int> onsets = FindOnsets(peaks);
    ASSERT_EQ(onsets.size(), 2u);
    EXPECT_NEAR(onsets[0], 1000, 5);
    EXPECT_NEAR(onsets[1], 2302, 5);
}

TEST_F(WaveformPeaks, CompressedSoundAndMidiAreMeasuredInMediaTime) {
    const QString mp3 = folder_ + "/signal.mp3";
    ASSERT_TRUE(WriteWav(folder_ + "/signal.wav", Bursts({1500}, 2.5, 48000)));
    ASSERT_TRUE(Encode(folder_ + "/signal.wav", mp3, {"-c:a", "libmp3lame", "-b:a", "128k"}));
    const std::vector<int> mp3Onsets = FindOnsets(Compute(mp3));
    ASSERT_EQ(mp3Onsets.size(), 1u);
    EXPECT_NEAR(mp3Onsets[0], 1500, 10); // the encoder's delay is not counted

    const QString mid = folder_ + "/note.mid";
    tMidiWriter midi; // 120 beats a minute: a quarter is 500 ms
    midi.Note(960, 480, 0, 72, 120);
    ASSERT_TRUE(WriteFile(mid, midi.Bytes()));
    const std::vector<int> midiOnsets = FindOnsets(Compute(mid));
    ASSERT_FALSE(midiOnsets.empty());
    EXPECT_NEAR(midiOnsets[0], 1000, 30);
}

TEST_F(WaveformPeaks, PeaksAreCachedPerFileAsItIsNow) {
    const QString wav = folder_ + "/cached.wav";
    ASSERT_TRUE(WriteWav(wav, Bursts({500}, 1.0)));
    QString reason;
    const tWaveformPeaks first = PeaksOfFile(wav, reason);
    ASSERT_EQ(first.Slices(), 200) << reason.toStdString();
    ASSERT_TRUE(QFileInfo(PeakCacheFile(wav)).isFile());
    tWaveformPeaks cached;
    ASSERT_TRUE(LoadCachedPeaks(wav, cached));
    EXPECT_EQ(cached.high, first.high);
    EXPECT_EQ(cached.low, first.low);
    EXPECT_EQ(cached.rms, first.rms);

    // Another file in the same place is another entry; a damaged entry is not taken.
    const QString before = PeakCacheFile(wav);
    ASSERT_TRUE(WriteWav(wav, Bursts({200}, 2.0)));
    EXPECT_NE(PeakCacheFile(wav), before);
    QByteArray bytes = first.ToBytes();
    bytes.chop(1);
    EXPECT_FALSE(tWaveformPeaks::FromBytes(bytes, cached));
    EXPECT_FALSE(tWaveformPeaks::FromBytes("LYPK", cached));

    EXPECT_TRUE(PeaksOfFile(folder_ + "/missing.wav", reason).IsEmpty());
    EXPECT_FALSE(reason.isEmpty());
}

TEST(WaveformOnsets, TheNearestOnsetIsTakenOnlyWithinReach) {
    const std::vector<int> onsets = {1000, 1400, 3000};
    EXPECT_EQ(NearestOnset(onsets, 1190, 250), 1000);
    EXPECT_EQ(NearestOnset(onsets, 1210, 250), 1400);
    EXPECT_EQ(NearestOnset(onsets, 2000, 250), -1);
    EXPECT_EQ(NearestOnset(onsets, 3100, 250), 3000);
    EXPECT_EQ(NearestOnset({}, 3100, 250), -1);
}

} // namespace
