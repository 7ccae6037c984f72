// The outline of a medium's sound, for drawing it under the timings: the sound is cut into
// slices of kSliceMs milliseconds of media time, and each slice keeps the lowest and highest
// sample of its channels mixed to one, and its loudness. Computed step by step (a long file takes
// a moment), kept in a cache folder per media file, and searched for onsets: the places where
// the sound suddenly grows louder, where a sung syllable usually begins.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace lyrimo {

class tPcmSource;

struct tWaveformPeaks {
    static constexpr int kSliceMs = 5;

    // Per slice, in -127..127 (low, high) and 0..255 (rms), full scale at the ends.
    std::vector<int8_t> low;
    std::vector<int8_t> high;
    std::vector<uint8_t> rms;

    int Slices() const { return static_cast<int>(high.size()); }
    int64_t LengthMs() const { return int64_t{Slices()} * kSliceMs; }
    bool IsEmpty() const { return high.empty(); }

    // The stored form (see the cache); FromBytes gives false for anything damaged.
    QByteArray ToBytes() const;
    static bool FromBytes(const QByteArray& bytes, tWaveformPeaks& peaks);
};

// Works out the peaks of a medium a piece at a time, so a window can show progress and stop.
class tPeakComputation {
public:
    // Sound files through FFmpeg, MIDI files through the synthesizer; nullptr with the reason
    // when the file has no sound that can be decoded.
    static std::unique_ptr<tPeakComputation> Start(const QString& mediaFile, QString& reason);
    // Over a source already open, producing `rate` frames a second (tests, other media).
    tPeakComputation(std::unique_ptr<tPcmSource> source, int rate);
    ~tPeakComputation();

    // Decodes about half a second of sound; false once all of it has been looked at.
    bool Step();
    bool Done() const { return done_; }
    // 0 to 1, as far as the medium's length is known.
    double Progress() const;
    // The peaks found so far (all of them once Done).
    const tWaveformPeaks& Peaks() const { return peaks_; }
    tWaveformPeaks TakePeaks() { return std::move(peaks_); }

private:
    void AddFrames(const float* frames, int count);
    void CloseSlice();

    // The frame at which the slice being filled ends: slices keep to whole milliseconds of media
    // time even where a slice is not a whole number of frames.
    int64_t SliceEnd() const;

    std::unique_ptr<tPcmSource> source_;
    int rate_;
    int64_t framesRead_ = 0;
    tWaveformPeaks peaks_;
    bool done_ = false;
    // The slice being filled.
    int64_t sliceFrames_ = 0;
    float sliceLow_ = 0;
    float sliceHigh_ = 0;
    double sliceSquares_ = 0;
};

// Computes the peaks of a file in one go, or takes them from the cache when they are there for the
// file as it is now; newly computed peaks are stored there. Empty with the reason on failure.
tWaveformPeaks PeaksOfFile(const QString& mediaFile, QString& reason);

// The cache: one file per medium in the user's cache folder, named after the medium's path,
// size and time of change, so an edited medium gets new peaks.
QString PeakCacheFile(const QString& mediaFile);
bool LoadCachedPeaks(const QString& mediaFile, tWaveformPeaks& peaks);
bool StoreCachedPeaks(const QString& mediaFile, const tWaveformPeaks& peaks);

// Media times in ms where the loudness rises sharply, in order.
std::vector<int> FindOnsets(const tWaveformPeaks& peaks);
// The onset nearest to ms no further than `within` ms away; -1 when there is none.
int NearestOnset(const std::vector<int>& onsets, int ms, int within);

} // namespace lyrimo
