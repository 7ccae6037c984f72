// Slowed playback that keeps the pitch: the built-in player's speed stage at half speed with its
// time stretcher, beside the same stage resampling (the pitch moving) as the floor. And a key
// change: the sound of a 1080p video decoded and moved up three semitones, beside decoding it
// alone as the floor. The figure that matters is core_share: processor time spent per second of
// sound played, as a share of one core.
#include "media/backends/builtin/audio_engine.h"
#include "media/backends/builtin/ffmpeg_source.h"
#include "media/backends/builtin/time_stretcher.h"
#include "media_fixtures.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int kRate = 48000;
constexpr int kSeconds = 30;
constexpr int kBuffer = 1024;

// A voice over chords and a beat of noise bursts, all in memory.
class tSongLikeSource : public lyrimo::tPcmSource {
public:
    tSongLikeSource() : frames_(static_cast<size_t>(kRate) * kSeconds * 2) {
        std::mt19937 random(1);
        std::uniform_real_distribution<float> noise(-1.f, 1.f);
        for (size_t i = 0; i < frames_.size() / 2; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double voice = 0.3 * std::sin(2 * M_PI * (330 + 20 * std::sin(2 * M_PI * 5 * t)) * t);
            const double chord = 0.1 * (std::sin(2 * M_PI * 110 * t) + std::sin(2 * M_PI * 165 * t));
            const double beat = std::fmod(t, 0.5) < 0.03 ? 0.3 * noise(random) : 0.0;
            frames_[i * 2] = static_cast<float>(voice + chord + beat);
            frames_[i * 2 + 1] = static_cast<float>(voice + 0.8 * chord + beat);
        }
    }
    int64_t LengthFrames() const override { return static_cast<int64_t>(frames_.size() / 2); }
    bool Seek(int64_t frame) override {
        next_ = frame;
        return true;
    }
    int Read(float* out, int frames) override {
        int made = 0;
        for (; made < frames && next_ < LengthFrames(); ++made, ++next_) {
            out[made * 2] = frames_[static_cast<size_t>(next_) * 2];
            out[made * 2 + 1] = frames_[static_cast<size_t>(next_) * 2 + 1];
        }
        return made;
    }
    bool Ended() const override { return next_ >= LengthFrames(); }

private:
    std::vector<float> frames_;
    int64_t next_ = 0;
};

void PlayAtHalfSpeed(benchmark::State& state, bool keepPitch) {
    tSongLikeSource source;
    std::vector<float> out(kBuffer * 2);
    int64_t played = 0;
    for (auto _ : state) {
        source.Seek(0);
        lyrimo::tRateStage stage;
        if (keepPitch)
            stage.SetStretcher(std::make_unique<lyrimo::tTimeStretcher>(kRate));
        stage.Reset(0);
        int made = 0;
        do {
            made = stage.Produce(source, out.data(), kBuffer, 0.5);
            played += made;
            benchmark::DoNotOptimize(out.data());
        } while (made == kBuffer);
    }
    // Seconds played per processor second, inverted: processor seconds per second played.
    state.counters["core_share"] = benchmark::Counter(
        static_cast<double>(played) / kRate, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_HalfSpeedKeepingPitch(benchmark::State& state) { PlayAtHalfSpeed(state, true); }
void BM_HalfSpeedResampled(benchmark::State& state) { PlayAtHalfSpeed(state, false); }
BENCHMARK(BM_HalfSpeedKeepingPitch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HalfSpeedResampled)->Unit(benchmark::kMillisecond);

} // namespace

namespace {

constexpr int kVideoSeconds = 20;

// A 1920 × 1080 H.264 video whose AAC sound is a song-like mix of a gliding tone and noise.
QString HdVideoWithSound() {
    static QTemporaryDir folder;
    static const QString path = folder.filePath("hd-song.mp4");
    static const bool made = lyrimo::test::RunFfmpeg(
        {"-f", "lavfi", "-i", QString("testsrc2=size=1920x1080:rate=30:duration=%1").arg(kVideoSeconds), "-f",
         "lavfi", "-i",
         QString("aevalsrc=0.3*sin(2*PI*(330+20*sin(2*PI*5*t))*t)+0.1*sin(2*PI*110*t)+0.05*random(0)|"
                 "0.3*sin(2*PI*(330+20*sin(2*PI*5*t))*t)+0.08*sin(2*PI*165*t):s=48000:d=%1")
             .arg(kVideoSeconds),
         "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-shortest", path});
    return made ? path : QString();
}

void PlayVideoSound(benchmark::State& state, int semitones) {
    const QString file = HdVideoWithSound();
    if (file.isEmpty()) {
        state.SkipWithError("the video could not be made with the ffmpeg program");
        return;
    }
    std::vector<float> out(kBuffer * 2);
    int64_t played = 0;
    for (auto _ : state) {
        QString reason;
        auto source = lyrimo::tFfmpegSource::Open(file, kRate, reason);
        if (!source) {
            state.SkipWithError(reason.toStdString().c_str());
            return;
        }
        lyrimo::tRateStage stage;
        if (semitones != 0)
            stage.SetStretcher(std::make_unique<lyrimo::tTimeStretcher>(kRate));
        stage.Reset(0);
        const double pitch = std::exp2(semitones / 12.0);
        int made = 0;
        do {
            made = stage.Produce(*source, out.data(), kBuffer, 1.0, pitch);
            played += made;
            benchmark::DoNotOptimize(out.data());
        } while (made == kBuffer);
    }
    state.counters["core_share"] = benchmark::Counter(
        static_cast<double>(played) / kRate, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_VideoSoundThreeSemitonesUp(benchmark::State& state) { PlayVideoSound(state, 3); }
void BM_VideoSoundDecodedOnly(benchmark::State& state) { PlayVideoSound(state, 0); }
BENCHMARK(BM_VideoSoundThreeSemitonesUp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VideoSoundDecodedOnly)->Unit(benchmark::kMillisecond);

} // namespace
