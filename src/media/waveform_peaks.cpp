#include "media/waveform_peaks.h"

#include "app/atomic_file.h"
#include "media/backends/builtin/ffmpeg_source.h"
#include "media/backends/builtin/midi_sequence.h"
#include "media/backends/builtin/midi_source.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace lyrimo {
namespace {

constexpr char kMagic[4] = {'L', 'Y', 'P', 'K'};
constexpr quint32 kFormatVersion = 1;
constexpr int kStepFrames = 8192; // frames decoded per step at most
constexpr int kStepsPerCall = 4;
// MIDI is synthesised for its outline only, so a low rate does: it is four times quicker.
constexpr int kMidiRate = 11025;
// Onsets: the loudness of a slice against the mean of the slices just before it.
constexpr int kOnsetHistory = 10;
constexpr int kOnsetMinRise = 10;
constexpr double kOnsetMinRatio = 1.6;
constexpr int kOnsetMinGapSlices = 12;

int8_t Level(float sample) { return static_cast<int8_t>(std::lround(std::clamp(sample, -1.f, 1.f) * 127.f)); }

} // namespace

QByteArray tWaveformPeaks::ToBytes() const {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData(kMagic, 4);
    out << kFormatVersion << quint32(kSliceMs) << quint32(Slices());
    out.writeRawData(reinterpret_cast<const char*>(low.data()), Slices());
    out.writeRawData(reinterpret_cast<const char*>(high.data()), Slices());
    out.writeRawData(reinterpret_cast<const char*>(rms.data()), Slices());
    return bytes;
}

bool tWaveformPeaks::FromBytes(const QByteArray& bytes, tWaveformPeaks& peaks) {
    constexpr int kHeader = 16;
    if (bytes.size() < kHeader || !bytes.startsWith(QByteArray(kMagic, 4)))
        return false;
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    in.skipRawData(4);
    quint32 version = 0, sliceMs = 0, slices = 0;
    in >> version >> sliceMs >> slices;
    if (version != kFormatVersion || sliceMs != quint32(kSliceMs) ||
        bytes.size() != kHeader + 3 * qint64(slices))
        return false;
    peaks.low.resize(slices);
    peaks.high.resize(slices);
    peaks.rms.resize(slices);
    for (quint32 i = 0; i < slices; ++i) {
        peaks.low[i] = static_cast<int8_t>(bytes[kHeader + i]);
        peaks.high[i] = static_cast<int8_t>(bytes[kHeader + slices + i]);
        peaks.rms[i] = static_cast<uint8_t>(bytes[kHeader + 2 * slices + i]);
    }
    return true;
}

std::unique_ptr<tPeakComputation> tPeakComputation::Start(const QString& mediaFile, QString& reason) {
    if (!QFileInfo(mediaFile).isFile()) {
        reason = "the file does not exist";
        return nullptr;
    }
    if (IsMidiFile(mediaFile)) {
        std::unique_ptr<tPcmSource> midi = tMidiSource::Open(mediaFile, kMidiRate, reason);
        return midi ? std::make_unique<tPeakComputation>(std::move(midi), kMidiRate) : nullptr;
    }
    std::unique_ptr<tFfmpegSource> sound = tFfmpegSource::Open(mediaFile, 0, reason);
    if (!sound)
        return nullptr;
    const int rate = sound->OutputRate();
    return std::make_unique<tPeakComputation>(std::move(sound), rate);
}

tPeakComputation::tPeakComputation(std::unique_ptr<tPcmSource> source, int rate)
    : source_(std::move(source)), rate_(std::max(rate, 1)) {
    const int64_t expected = source_->LengthFrames() * 1000 / (int64_t{rate_} * tWaveformPeaks::kSliceMs) + 1;
    peaks_.low.reserve(size_t(expected));
    peaks_.high.reserve(size_t(expected));
    peaks_.rms.reserve(size_t(expected));
}

tPeakComputation::~tPeakComputation() = default;

bool tPeakComputation::Step() {
    if (done_)
        return false;
    std::vector<float> frames(size_t(kStepFrames) * 2);
    for (int i = 0; i < kStepsPerCall; ++i) {
        const int read = source_->Read(frames.data(), kStepFrames);
        AddFrames(frames.data(), read);
        if (read == 0 && source_->Ended()) {
            if (sliceFrames_ > 0)
                CloseSlice();
            done_ = true;
            source_.reset();
            return false;
        }
    }
    return true;
}

double tPeakComputation::Progress() const {
    if (done_)
        return 1.0;
    const int64_t length = source_->LengthFrames();
    return length > 0 ? std::min(double(framesRead_) / double(length), 0.999) : 0.0;
}

int64_t tPeakComputation::SliceEnd() const {
    const int64_t slice = int64_t(peaks_.high.size()) + 1;
    return (slice * rate_ * tWaveformPeaks::kSliceMs + 500) / 1000;
}

void tPeakComputation::AddFrames(const float* frames, int count) {
    int64_t sliceEnd = SliceEnd();
    for (int i = 0; i < count; ++i) {
        const float mixed = 0.5f * (frames[2 * i] + frames[2 * i + 1]);
        if (sliceFrames_ == 0)
            sliceLow_ = sliceHigh_ = mixed;
        sliceLow_ = std::min(sliceLow_, mixed);
        sliceHigh_ = std::max(sliceHigh_, mixed);
        sliceSquares_ += double(mixed) * mixed;
        ++sliceFrames_;
        if (++framesRead_ >= sliceEnd) {
            CloseSlice();
            sliceEnd = SliceEnd();
        }
    }
}

void tPeakComputation::CloseSlice() {
    peaks_.low.push_back(Level(sliceLow_));
    peaks_.high.push_back(Level(sliceHigh_));
    const double rms = std::sqrt(sliceSquares_ / double(sliceFrames_));
    peaks_.rms.push_back(static_cast<uint8_t>(std::lround(std::clamp(rms, 0.0, 1.0) * 255.0)));
    sliceFrames_ = 0;
    sliceSquares_ = 0;
}

QString PeakCacheFile(const QString& mediaFile) {
    const QFileInfo info(mediaFile);
    const QByteArray identity = info.absoluteFilePath().toUtf8() + '\n' + QByteArray::number(info.size()) +
                                '\n' + QByteArray::number(info.lastModified().toMSecsSinceEpoch());
    const QString name = QCryptographicHash::hash(identity, QCryptographicHash::Sha1).toHex() + ".peaks";
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + "/lyrimo/peaks/" + name;
}

bool LoadCachedPeaks(const QString& mediaFile, tWaveformPeaks& peaks) {
    QFile file(PeakCacheFile(mediaFile));
    return file.open(QIODevice::ReadOnly) && tWaveformPeaks::FromBytes(file.readAll(), peaks);
}

bool StoreCachedPeaks(const QString& mediaFile, const tWaveformPeaks& peaks) {
    const QString path = PeakCacheFile(mediaFile);
    return QDir().mkpath(QFileInfo(path).path()) && WriteFileAtomically(path, peaks.ToBytes());
}

tWaveformPeaks PeaksOfFile(const QString& mediaFile, QString& reason) {
    tWaveformPeaks peaks;
    if (LoadCachedPeaks(mediaFile, peaks))
        return peaks;
    std::unique_ptr<tPeakComputation> computation = tPeakComputation::Start(mediaFile, reason);
    if (!computation)
        return {};
    while (computation->Step()) {
    }
    peaks = computation->TakePeaks();
    StoreCachedPeaks(mediaFile, peaks);
    return peaks;
}

std::vector<int> FindOnsets(const tWaveformPeaks& peaks) {
    const int n = peaks.Slices();
    std::vector<double> rise(size_t(std::max(n, 0)), 0.0);
    double window = 0; // the sum of the kOnsetHistory slices before i
    for (int i = 0; i < n; ++i) {
        const double before = i >= kOnsetHistory ? window / kOnsetHistory : (i > 0 ? window / i : 0.0);
        const double now = peaks.rms[size_t(i)];
        if (now - before >= kOnsetMinRise && now >= before * kOnsetMinRatio)
            rise[size_t(i)] = now - before;
        window += now;
        if (i >= kOnsetHistory)
            window -= peaks.rms[size_t(i - kOnsetHistory)];
    }
    std::vector<int> onsets;
    int last = -kOnsetMinGapSlices;
    for (int i = 0; i < n; ++i) {
        if (rise[size_t(i)] <= 0)
            continue;
        // The steepest slice of a rising run stands for the onset.
        int best = i;
        while (i + 1 < n && rise[size_t(i + 1)] > 0)
            if (rise[size_t(++i)] > rise[size_t(best)])
                best = i;
        if (best - last >= kOnsetMinGapSlices) {
            onsets.push_back(best * tWaveformPeaks::kSliceMs);
            last = best;
        }
    }
    return onsets;
}

int NearestOnset(const std::vector<int>& onsets, int ms, int within) {
    const auto after = std::lower_bound(onsets.begin(), onsets.end(), ms);
    int best = -1;
    int bestDistance = within + 1;
    for (auto it : {after, after == onsets.begin() ? onsets.end() : after - 1}) {
        if (it == onsets.end())
            continue;
        const int distance = std::abs(*it - ms);
        if (distance < bestDistance) {
            best = *it;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace lyrimo
