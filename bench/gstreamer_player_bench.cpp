// The GStreamer player's clock and seeks, on signal.wav, signal.mp3 and a numbered MP4 with sound.
//
// The sound goes to the fake sink the player uses when the sound is to go nowhere. That sink keeps
// to the pipeline's clock: it takes each buffer when the buffer's time comes, and then emits its
// "handoff" signal, which the benchmark listens to. Each buffer taken is logged with the steady
// time and the media time (stream time) of its first sample.
//
// True position: at an instant t, the media time of the last buffer taken before t plus the steady
// time since it was taken (at most the buffer's duration), which is what a sound output without
// latency would be playing at t. For the sound files the sound of the first buffers is located in
// the original signal, and the time stamps are shifted by what that finds (an MP3 whose decoder
// keeps the encoder's delay is stamped that much ahead of its music); the video's sine cannot be
// located, so its time stamps are taken as they are. (A real sound card adds its own latency; GStreamer's
// audio sinks take it off their position themselves, which this measure cannot see.) Clock error: GetPosition
// read at 60 Hz for 10 s of playing, against the true position at the moment of each reading: median, p99 and
// max of the absolute error, and the mean signed error (a fixed latency not taken off would show there). Seek
// accuracy: 20 seeks spread over the file. For the sound files, the first 40 ms the sink is given after Play
// are located in the original signal by correlation; for the video, the picture shown at once after the seek
// is compared with the one due at the target, and the media time of the first sound buffer with the target.
// The position reported right after each seek is compared with the target too.
#include "bench_stats.h"
#include "media/backends/gstreamer_player.h"
#include "media/video_window.h"
#include "media_fixtures.h"

#include <QDir>
#include <QTemporaryDir>

#include <gst/audio/audio.h>
#include <gst/gst.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

constexpr int kRate = 48000;
constexpr int kMsPerPicture = 1000 / kVideoPicturesPerSecond;
[[maybe_unused]] const bool kNullOutput = ::setenv("LYRIMO_AUDIO_OUTPUT", "null", 1) == 0;

using tClock = std::chrono::steady_clock;

QString Fixture(const QString& name) {
    static QTemporaryDir folder;
    return folder.filePath(name);
}

const tSignal& Signal() {
    static const tSignal signal = TestSignal(kRate, 12.0);
    return signal;
}

QString Media(const QString& name) {
    static const bool made = [] {
        tVideoFixture video;
        video.seconds = 11.0;
        return WriteSignalMedia(Fixture("signal.wav"), Signal()) &&
               WriteSignalMedia(Fixture("signal.mp3"), Signal()) &&
               WriteNumberedVideo(Fixture("numbered.mp4"), video);
    }();
    return made ? Fixture(name) : QString();
}

// What the fake sink was given, buffer by buffer.
struct tTaken {
    tClock::time_point time;
    double mediaMs;
    double durationMs;
    std::vector<float> left; // the first channel, at the buffer's own rate
};

class tSinkLog {
public:
    // Listens to the fake sink of the player's open pipeline.
    bool Attach(tGstreamerPlayer& player) {
        GstElement* sink = nullptr;
        g_object_get(player.Pipeline(), "audio-sink", &sink, nullptr);
        if (!sink)
            return false;
        g_object_set(sink, "signal-handoffs", TRUE, nullptr);
        g_signal_connect(sink, "handoff", G_CALLBACK(&tSinkLog::OnHandoff), this);
        gst_object_unref(sink);
        return true;
    }
    std::vector<tTaken> Take() {
        std::lock_guard lock(mutex_);
        return std::exchange(taken_, {});
    }
    size_t Frames() {
        std::lock_guard lock(mutex_);
        size_t frames = 0;
        for (const tTaken& t : taken_)
            frames += t.left.size();
        return frames;
    }

private:
    static void OnHandoff(GstElement*, GstBuffer* buffer, GstPad* pad, gpointer self) {
        static_cast<tSinkLog*>(self)->Log(buffer, pad);
    }

    void Log(GstBuffer* buffer, GstPad* pad) {
        tTaken taken{tClock::now(), NAN, 0, {}};
        GstEvent* segmentEvent = gst_pad_get_sticky_event(pad, GST_EVENT_SEGMENT, 0);
        GstCaps* caps = gst_pad_get_current_caps(pad);
        GstAudioInfo info;
        if (segmentEvent && caps && gst_audio_info_from_caps(&info, caps) &&
            GST_BUFFER_PTS_IS_VALID(buffer)) {
            const GstSegment* segment = nullptr;
            gst_event_parse_segment(segmentEvent, &segment);
            const guint64 time = gst_segment_to_stream_time(segment, GST_FORMAT_TIME, GST_BUFFER_PTS(buffer));
            taken.mediaMs = GST_CLOCK_TIME_IS_VALID(time) ? static_cast<double>(time) / GST_MSECOND : NAN;
            taken.left = LeftChannel(buffer, info);
            taken.durationMs = 1000.0 * static_cast<double>(taken.left.size()) / GST_AUDIO_INFO_RATE(&info);
        }
        if (caps)
            gst_caps_unref(caps);
        if (segmentEvent)
            gst_event_unref(segmentEvent);
        std::lock_guard lock(mutex_);
        taken_.push_back(std::move(taken));
    }

    static std::vector<float> LeftChannel(GstBuffer* buffer, GstAudioInfo& info) {
        GstAudioBuffer audio;
        std::vector<float> left;
        if (!gst_audio_buffer_map(&audio, &info, buffer, GST_MAP_READ))
            return left;
        const bool planar = GST_AUDIO_INFO_LAYOUT(&info) == GST_AUDIO_LAYOUT_NON_INTERLEAVED;
        const size_t step = planar ? 1 : static_cast<size_t>(GST_AUDIO_INFO_CHANNELS(&info));
        left.resize(audio.n_samples);
        for (size_t i = 0; i < audio.n_samples; ++i) {
            const size_t at = i * step;
            switch (GST_AUDIO_INFO_FORMAT(&info)) {
            case GST_AUDIO_FORMAT_F32LE: left[i] = static_cast<const float*>(audio.planes[0])[at]; break;
            case GST_AUDIO_FORMAT_F64LE:
                left[i] = static_cast<float>(static_cast<const double*>(audio.planes[0])[at]);
                break;
            case GST_AUDIO_FORMAT_S16LE:
                left[i] = static_cast<const int16_t*>(audio.planes[0])[at] / 32768.f;
                break;
            case GST_AUDIO_FORMAT_S32LE:
                left[i] = static_cast<float>(static_cast<const int32_t*>(audio.planes[0])[at] / 2147483648.0);
                break;
            default: left[i] = NAN;
            }
        }
        gst_audio_buffer_unmap(&audio);
        return left;
    }

    std::mutex mutex_;
    std::vector<tTaken> taken_;
};

// The media time truly heard at `time`.
double TrueMs(const std::vector<tTaken>& taken, tClock::time_point time) {
    auto next = std::upper_bound(taken.begin(), taken.end(), time,
                                 [](tClock::time_point t, const tTaken& b) { return t < b.time; });
    if (next == taken.begin())
        return NAN;
    const tTaken& last = *(next - 1);
    const double since = std::chrono::duration<double, std::milli>(time - last.time).count();
    return last.mediaMs + std::min(since, last.durationMs);
}

// The first channel of the sound the sink was given, from its first buffer on, as BestLag wants
// it (every other sample), at most ms long.
std::vector<float> Played(const std::vector<tTaken>& taken, int ms) {
    std::vector<float> played;
    for (const tTaken& t : taken)
        for (float sample : t.left)
            played.insert(played.end(), {sample, 0.f});
    played.resize(std::min<size_t>(played.size(), 2 * static_cast<size_t>(ms) * kRate / 1000));
    return played;
}

// How far the signal heard is ahead of the sink's time stamps: nothing for a WAV; for an MP3 whose
// decoder keeps the encoder's delay, minus that delay.
double ContentShiftMs(const std::vector<tTaken>& taken) {
    if (taken.empty())
        return 0;
    const auto expected = static_cast<int64_t>(std::llround(taken.front().mediaMs * kRate / 1000));
    return static_cast<double>(BestLag(Played(taken, 40), Signal(), expected, 60 * kRate / 1000)) * 1000.0 /
           kRate;
}

void BM_GstreamerClockError(benchmark::State& state, const char* name) {
    tVideoWindow window; // outlives the player, which clears it when it closes
    tGstreamerPlayer player;
    const bool video = QString(name).endsWith(".mp4");
    if (!player.OpenFile(Media(name), video ? &window : nullptr, 0)) {
        state.SkipWithError(qUtf8Printable(player.LastError()));
        return;
    }
    tSinkLog log;
    if (!log.Attach(player)) {
        state.SkipWithError("no sink to listen to");
        return;
    }
    std::vector<double> errors;
    double signedSum = 0;
    for (auto _ : state) {
        struct tReading {
            tClock::time_point time;
            int reported;
        };
        std::vector<tReading> readings;
        player.Play();
        const auto start = tClock::now();
        for (int i = 1; i <= 600; ++i) {
            std::this_thread::sleep_until(start + std::chrono::microseconds(i * 16667));
            player.RefreshDisplay();
            readings.push_back({tClock::now(), player.GetPosition()});
        }
        player.Close();
        const std::vector<tTaken> taken = log.Take();
        const double shift = video ? 0 : ContentShiftMs(taken);
        state.counters["content_shift_ms"] = shift;
        for (const tReading& r : readings) {
            const double truth = TrueMs(taken, r.time) + shift;
            if (std::isnan(truth))
                continue;
            errors.push_back(std::fabs(r.reported - truth));
            signedSum += r.reported - truth;
        }
    }
    state.counters["median_ms"] = Percentile(errors, 0.5);
    state.counters["p99_ms"] = Percentile(errors, 0.99);
    state.counters["max_ms"] = errors.empty() ? NAN : *std::max_element(errors.begin(), errors.end());
    state.counters["mean_signed_ms"] = signedSum / static_cast<double>(errors.size());
    state.counters["readings"] = static_cast<double>(errors.size());
}
BENCHMARK_CAPTURE(BM_GstreamerClockError, wav, "signal.wav")
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_GstreamerClockError, mp3, "signal.mp3")
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_GstreamerClockError, mp4, "numbered.mp4")
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

int ShownNumber(const tVideoWindow& window) {
    const Bitmap& frame = window.Frame();
    return VideoPictureNumber(frame.Pixel(frame.Width() / 2, frame.Height() / 2) & 0xFF);
}

// Plays on from a seek until the sink was given ms of sound, then pauses; what it was given.
std::vector<tTaken> PlayBriefly(tGstreamerPlayer& player, tSinkLog& log, int ms) {
    log.Take();
    player.Play();
    const auto deadline = tClock::now() + std::chrono::seconds(2);
    while (log.Frames() < static_cast<size_t>(ms * kRate / 1000) && tClock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    player.PauseResume();
    return log.Take();
}

void BM_GstreamerSeekAccuracy(benchmark::State& state, const char* name) {
    tVideoWindow window; // outlives the player, which clears it when it closes
    tGstreamerPlayer player;
    const bool video = QString(name).endsWith(".mp4");
    tSinkLog log;
    if (!player.OpenFile(Media(name), video ? &window : nullptr, 0) || !log.Attach(player)) {
        state.SkipWithError(qUtf8Printable(player.LastError()));
        return;
    }
    double worstSound = 0, worstFirstBuffer = 0, worstReported = 0, seekMs = 0;
    int wrongPictures = 0;
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i) {
            const int target = 150 + i * 487; // spread over the file, off any frame grid
            const auto before = tClock::now();
            player.SetPosition(target);
            seekMs =
                std::max(seekMs, std::chrono::duration<double, std::milli>(tClock::now() - before).count());
            worstReported = std::max(worstReported, std::fabs(player.GetPosition() - target));
            if (video &&
                (!window.HasFrame() || ShownNumber(window) != (target / kMsPerPicture) % kVideoNumberCycle))
                ++wrongPictures;
            const std::vector<tTaken> taken = PlayBriefly(player, log, 40);
            if (taken.empty())
                continue;
            if (video) {
                worstFirstBuffer = std::max(worstFirstBuffer, std::fabs(taken.front().mediaMs - target));
                continue;
            }
            const std::vector<float> played = Played(taken, 40);
            const int64_t lag =
                BestLag(played, Signal(), static_cast<int64_t>(target) * kRate / 1000, 60 * kRate / 1000);
            worstSound = std::max(worstSound, std::fabs(static_cast<double>(lag)) * 1000.0 / kRate);
        }
    }
    if (!video) {
        state.counters["sound_max_error_ms"] = worstSound;
    } else {
        state.counters["wrong_pictures"] = wrongPictures;
        state.counters["first_buffer_max_error_ms"] = worstFirstBuffer;
    }
    state.counters["reported_max_error_ms"] = worstReported;
    state.counters["seek_max_ms"] = seekMs;
}
BENCHMARK_CAPTURE(BM_GstreamerSeekAccuracy, wav, "signal.wav")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GstreamerSeekAccuracy, mp3, "signal.mp3")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_GstreamerSeekAccuracy, mp4, "numbered.mp4")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
