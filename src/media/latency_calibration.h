// Measuring how much later the listener hears the sound than the player's clock says (Bluetooth
// speakers, mixers and receivers add delay no player can see), so the lyrics can be drawn that
// much later.
//
// A click track plays through the player to measure; the listener taps on every click they hear.
// Each tap, read on the player's clock, is paired with its click, and the median of
// (tap − click) over the taps that agree with each other is the lyrics offset.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace lyrimo {

namespace click_track {
constexpr int kSampleRate = 44100;
constexpr int kClickCount = 24;
constexpr int kFirstClickMs = 1000;
constexpr int kBeatMs = 750;
constexpr int kClickMs = 10;
constexpr int kToneHz = 1000;
constexpr int kTailMs = 1000; // silence after the last click
constexpr const char* kExtension = ".wav";
} // namespace click_track

// The media times the clicks start at, in order.
std::vector<int> ClickTimes();
int ClickTrackLengthMs();
// The click track as a mono 16-bit WAVE file.
QByteArray ClickTrackWave();

// The click track written to the program's temporary folder, removed again with this object.
class tClickTrackFile {
public:
    tClickTrackFile();
    ~tClickTrackFile();
    tClickTrackFile(const tClickTrackFile&) = delete;
    tClickTrackFile& operator=(const tClickTrackFile&) = delete;

    // Empty when the file could not be written.
    const QString& Path() const { return path_; }

private:
    QString path_;
};

// The click a tap at tapMs belongs to: the index of the nearest click, or nothing when the tap
// is further than half a beat from every click.
std::optional<int> NearestClick(const std::vector<int>& clicks, int tapMs);

constexpr int kMinCalibrationTaps = 16;
// Delays further from their median than three median absolute deviations, and never less than
// this, are taken for slips and left out.
constexpr int kOutlierFloorMs = 40;

struct tOffsetEstimate {
    int kept = 0;              // delays left once the outliers are out
    std::optional<int> median; // of the kept delays; nothing while there are none
};
// The median of the delays after the outliers are dropped.
tOffsetEstimate EstimateOffset(std::vector<int> delays);

// The taps of one run of the click track.
class tLatencyCalibration {
public:
    tLatencyCalibration();

    // A tap at the player's (uncorrected) media time; true when it was paired with a click no
    // earlier tap took.
    bool AddTap(int mediaMs);
    void Clear();

    int TapsCounted() const { return counted_; }
    int TapsPaired() const;
    int TapsKept() const { return estimate_.kept; }
    // The median of the kept delays, shown while the taps come in.
    std::optional<int> SoFar() const { return estimate_.median; }
    // The offset measured, within the offset's bounds, once kMinCalibrationTaps taps are kept.
    std::optional<int> Result() const;

    const std::vector<int>& Clicks() const { return clicks_; }

private:
    std::vector<int> clicks_;
    std::vector<std::optional<int>> delays_; // per click: tap − click of its first tap
    int counted_ = 0;
    tOffsetEstimate estimate_;
};

// The players that can play the click track here (present, enabled, listing ".wav"), in the
// order of the preferences; the first is the one to measure by default.
std::vector<uint8_t> CalibrationPlayers();

// Puts the lyrics offset, bounded, into the program's settings and writes it to the settings
// store at once; false when the store could not be written.
bool StoreLyricsOffset(int ms);

} // namespace lyrimo
