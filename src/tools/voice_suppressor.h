// One run of the voice suppressor: a stereo sound file in, a mono WAVE file out, computed step
// by step so that a window can show progress and stop it between steps. The output is written to
// a temporary file beside the chosen one and takes its name only once it is complete, so a
// stopped or failed run leaves nothing under that name and never touches the input.
#pragma once

#include "tools/voice_filter.h"
#include "tools/wave_file.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class QSaveFile;

namespace lyrimo {

class tStereoInput;

class tVoiceSuppression {
public:
    tVoiceSuppression();
    ~tVoiceSuppression();
    tVoiceSuppression(const tVoiceSuppression&) = delete;
    tVoiceSuppression& operator=(const tVoiceSuppression&) = delete;

    static constexpr int kFramesPerStep = 4096;
    static constexpr int kFramesPerProgressUnit = 65536;

    // Checks the files and reads the input's header. A WAVE file of 8- or 16-bit samples is read
    // as it is; any other sound file FFmpeg can decode (MP3, Ogg, FLAC, M4A, other WAVE kinds) is
    // decoded to 16-bit stereo. Returns "" or the untranslated reason the run cannot begin.
    QString Begin(const QString& inputFile, const QString& outputFile, const tVoiceRemSettings& settings);

    // Processes up to kFramesPerStep frames; false once every frame is done or the run stopped.
    bool Step();
    // Asks the run to stop; the next step ends it without finishing the output.
    void Stop() { stopRequested_ = true; }
    bool StopRequested() const { return stopRequested_; }
    bool Done() const;

    // Writes the rest and gives the output its name; "" or the untranslated reason it failed.
    // Without it (stopped, failed, or the run dropped) the partial output is removed.
    QString Finish();

    int64_t FramesDone() const { return framesDone_; }
    // The frames to process (an estimate for compressed input until it ends).
    int64_t FrameCount() const;
    // The progress bar counts units of 65536 frames.
    int ProgressMaximum() const { return static_cast<int>(FrameCount() / kFramesPerProgressUnit); }
    int ProgressPosition() const { return static_cast<int>(framesDone_ / kFramesPerProgressUnit); }
    // Whether the input was decoded by FFmpeg rather than read as a plain WAVE file.
    bool Decoded() const { return decoded_; }

private:
    QString OpenInput(const QString& inputFile);
    bool Flush();
    void Put(int sample);

    tVoiceRemSettings settings_;
    tWaveFormat format_;
    std::unique_ptr<tStereoInput> input_;
    std::unique_ptr<QSaveFile> output_;
    std::optional<tVoiceFilter> filter_;
    static constexpr int kBufferBytes = 8192;
    std::array<char, kBufferBytes> buffer_{};
    int filled_ = 0;
    int64_t framesDone_ = 0;
    bool stopRequested_ = false;
    bool decoded_ = false;
    bool failed_ = false;
    bool ended_ = false;
};

// The time left, from the share done and the time taken so far, as "mm:ss"; a new estimate is
// shown only when it is below the last one shown or more than 4 seconds above it, so the label
// does not flicker.
class tRemainingTime {
public:
    // The text to show now, or nothing when the label should stay as it is.
    std::optional<QString> Update(int64_t done, int64_t total, int64_t elapsedMs);
    static QString Text(int64_t ms);

private:
    std::optional<int64_t> shownMs_;
};

} // namespace lyrimo
