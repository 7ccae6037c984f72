#include "media/latency_calibration.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "app/temp_files.h"
#include "document/song_loading.h"
#include "media/player_catalog.h"
#include "media/player_presence.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <algorithm>
#include <cmath>

namespace lyrimo {
namespace {

using namespace click_track;

const QString kLyricsOffsetKey = "Playback/Lyrics offset (ms)";

// The click's loudness falls by e every this many milliseconds, so it is a short tick, not a tone.
constexpr double kDecayMs = 2.5;
constexpr double kClickLevel = 0.8;

void AppendLittleEndian(QByteArray& bytes, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
}

QByteArray MonoWaveHeader(uint32_t dataBytes) {
    QByteArray header = "RIFF";
    AppendLittleEndian(header, 36 + dataBytes, 4);
    header += "WAVEfmt ";
    AppendLittleEndian(header, 16, 4);
    AppendLittleEndian(header, 1, 2); // integer samples
    AppendLittleEndian(header, 1, 2); // one channel
    AppendLittleEndian(header, kSampleRate, 4);
    AppendLittleEndian(header, kSampleRate * 2, 4);
    AppendLittleEndian(header, 2, 2);
    AppendLittleEndian(header, 16, 2);
    header += "data";
    AppendLittleEndian(header, dataBytes, 4);
    return header;
}

int64_t FrameAt(int ms) { return int64_t(ms) * kSampleRate / 1000; }

void AddClick(std::vector<int16_t>& samples, int startMs) {
    const int64_t first = FrameAt(startMs);
    const int64_t frames = FrameAt(kClickMs);
    for (int64_t n = 0; n < frames && first + n < int64_t(samples.size()); ++n) {
        const double seconds = double(n) / kSampleRate;
        const double envelope = std::exp(-seconds * 1000.0 / kDecayMs);
        const double wave = std::sin(2 * M_PI * kToneHz * seconds);
        samples[size_t(first + n)] = static_cast<int16_t>(std::lround(32767 * kClickLevel * envelope * wave));
    }
}

int Median(std::vector<int> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    if (values.size() % 2 == 1)
        return values[middle];
    return int(std::lround((double(values[middle - 1]) + values[middle]) / 2.0));
}

bool PlaysClickTrack(uint8_t id) { return id != player::None && ExpectedPlayer(kExtension, id) == id; }

} // namespace

std::vector<int> ClickTimes() {
    std::vector<int> times;
    for (int n = 0; n < kClickCount; ++n)
        times.push_back(kFirstClickMs + n * kBeatMs);
    return times;
}

int ClickTrackLengthMs() { return ClickTimes().back() + kClickMs + kTailMs; }

QByteArray ClickTrackWave() {
    std::vector<int16_t> samples(size_t(FrameAt(ClickTrackLengthMs())), 0);
    for (int time : ClickTimes())
        AddClick(samples, time);
    QByteArray wave = MonoWaveHeader(uint32_t(samples.size() * 2));
    for (int16_t sample : samples)
        AppendLittleEndian(wave, uint16_t(sample), 2);
    return wave;
}

tClickTrackFile::tClickTrackFile() {
    int fd = -1;
    path_ = CreateTempMediaFile(QDir::tempPath(), kExtension, &fd);
    if (fd < 0)
        return;
    QFile file;
    const QByteArray wave = ClickTrackWave();
    const bool written = file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) &&
                         file.write(wave) == wave.size() && file.flush();
    file.close();
    if (!written) {
        QFile::remove(path_);
        ForgetTempFile(path_);
        path_.clear();
    }
}

tClickTrackFile::~tClickTrackFile() {
    if (path_.isEmpty())
        return;
    QFile::remove(path_);
    ForgetTempFile(path_);
}

std::optional<int> NearestClick(const std::vector<int>& clicks, int tapMs) {
    if (clicks.empty())
        return std::nullopt;
    const auto later = std::lower_bound(clicks.begin(), clicks.end(), tapMs);
    auto nearest = later;
    if (later == clicks.end() || (later != clicks.begin() && tapMs - *(later - 1) <= *later - tapMs))
        nearest = later - 1;
    if (std::abs(tapMs - *nearest) * 2 > kBeatMs)
        return std::nullopt;
    return int(nearest - clicks.begin());
}

tOffsetEstimate EstimateOffset(std::vector<int> delays) {
    if (delays.empty())
        return {};
    const int median = Median(delays);
    std::vector<int> deviations;
    for (int delay : delays)
        deviations.push_back(std::abs(delay - median));
    const int limit = std::max(3 * Median(deviations), kOutlierFloorMs);
    std::erase_if(delays, [&](int delay) { return std::abs(delay - median) > limit; });
    return {int(delays.size()), Median(delays)};
}

tLatencyCalibration::tLatencyCalibration() : clicks_(ClickTimes()), delays_(clicks_.size()) {}

bool tLatencyCalibration::AddTap(int mediaMs) {
    ++counted_;
    const std::optional<int> click = NearestClick(clicks_, mediaMs);
    if (!click || delays_[size_t(*click)])
        return false;
    delays_[size_t(*click)] = mediaMs - clicks_[size_t(*click)];
    std::vector<int> delays;
    for (const std::optional<int>& delay : delays_)
        if (delay)
            delays.push_back(*delay);
    estimate_ = EstimateOffset(std::move(delays));
    return true;
}

void tLatencyCalibration::Clear() {
    std::fill(delays_.begin(), delays_.end(), std::nullopt);
    counted_ = 0;
    estimate_ = {};
}

int tLatencyCalibration::TapsPaired() const {
    return int(
        std::count_if(delays_.begin(), delays_.end(), [](const auto& delay) { return delay.has_value(); }));
}

std::optional<int> tLatencyCalibration::Result() const {
    if (estimate_.kept < kMinCalibrationTaps || !estimate_.median)
        return std::nullopt;
    return std::clamp(*estimate_.median, -kMaxLyricsOffsetMs, kMaxLyricsOffsetMs);
}

std::vector<uint8_t> CalibrationPlayers() {
    std::vector<uint8_t> players;
    auto add = [&](uint8_t id) {
        if (PlaysClickTrack(id) && std::find(players.begin(), players.end(), id) == players.end())
            players.push_back(id);
    };
    for (uint8_t id : Settings().Player2Order)
        add(id);
    // An order with gaps leaves players out that can still be asked for by name.
    for (uint8_t id : kFilterOrder)
        add(id);
    return players;
}

bool StoreLyricsOffset(int ms) {
    Settings().LyricsOffsetMs = std::clamp(ms, -kMaxLyricsOffsetMs, kMaxLyricsOffsetMs);
    // Only this value is written: saving the whole record would also run the after-save steps
    // and, from lyrimo-cli, store the companion as the program the remote control starts.
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    store->setValue(kLyricsOffsetKey, Settings().LyricsOffsetMs);
    store->sync();
    return store->status() == QSettings::NoError;
}

} // namespace lyrimo
