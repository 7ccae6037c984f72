#include "tools/voice_suppressor.h"

#include "media/backends/builtin/ffmpeg_source.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace lyrimo {

// Left and right samples, signed, at the input's width.
class tStereoInput {
public:
    virtual ~tStereoInput() = default;
    // Up to frames frames into samples (left, right, ...); fewer only at the end.
    virtual int Read(int* samples, int frames) = 0;
    virtual int64_t FrameCount() const = 0;
};

namespace {

constexpr int kBufferBytes = 8192;

// The samples of a plain WAVE file, read through one buffer. A data chunk that claims more than
// the file holds ends where the file does.
class tWaveInput : public tStereoInput {
public:
    tWaveInput(std::unique_ptr<QFile> file, const tWaveFormat& format)
        : file_(std::move(file)), format_(format) {
        const int64_t available = std::max<int64_t>(0, file_->size() - format.DataOffset);
        frames_ = std::min<int64_t>(format.DataSize, available) / FrameBytes();
    }

    int Read(int* samples, int frames) override {
        const int wanted = static_cast<int>(std::min<int64_t>(frames, frames_ - read_));
        const int bytes = FrameBytes();
        int done = 0;
        while (done < wanted && (end_ - position_ >= bytes || Fill())) {
            const int count = std::min(static_cast<int>((end_ - position_) / bytes), wanted - done);
            Unpack(buffer_.data() + position_, count, samples + 2 * done);
            position_ += count * bytes;
            done += count;
        }
        read_ += done;
        return done;
    }

    int64_t FrameCount() const override { return frames_; }

private:
    int FrameBytes() const { return format_.EightBit() ? 2 : 4; }

    void Unpack(const char* bytes, int frames, int* samples) const {
        auto byte = [bytes](int at) { return static_cast<int>(static_cast<uint8_t>(bytes[at])); };
        if (format_.EightBit()) {
            for (int i = 0; i < 2 * frames; ++i)
                samples[i] = byte(i) - 128;
            return;
        }
        for (int i = 0; i < 2 * frames; ++i)
            samples[i] = static_cast<int16_t>(byte(2 * i) | byte(2 * i + 1) << 8);
    }

    // Moves what is left to the front and reads more after it; false when not one more whole
    // frame could be had.
    bool Fill() {
        const int left = end_ - position_;
        std::memmove(buffer_.data(), buffer_.data() + position_, static_cast<size_t>(left));
        const qint64 got = file_->read(buffer_.data() + left, kBufferBytes - left);
        position_ = 0;
        end_ = left + static_cast<int>(std::max<qint64>(got, 0));
        return end_ >= FrameBytes();
    }

    std::unique_ptr<QFile> file_;
    tWaveFormat format_;
    std::array<char, kBufferBytes> buffer_{};
    int position_ = 0;
    int end_ = 0;
    int64_t frames_ = 0;
    int64_t read_ = 0;
};

// Any other sound file, decoded by FFmpeg at its own rate to 16-bit stereo.
class tDecodedInput : public tStereoInput {
public:
    explicit tDecodedInput(std::unique_ptr<tFfmpegSource> source) : source_(std::move(source)) {}

    int Read(int* samples, int frames) override {
        floats_.resize(static_cast<size_t>(frames) * 2);
        int done = 0;
        while (done < frames) {
            const int got = source_->Read(floats_.data() + 2 * done, frames - done);
            if (got <= 0)
                break;
            done += got;
        }
        for (int i = 0; i < 2 * done; ++i)
            samples[i] = static_cast<int>(std::lround(std::clamp(floats_[i], -1.0f, 1.0f) * 32767.0f));
        return done;
    }

    int64_t FrameCount() const override { return source_->LengthFrames(); }

private:
    std::unique_ptr<tFfmpegSource> source_;
    std::vector<float> floats_;
};

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo first(a), second(b);
    if (QDir::cleanPath(first.absoluteFilePath())
            .compare(QDir::cleanPath(second.absoluteFilePath()), Qt::CaseInsensitive) == 0)
        return true;
    return second.exists() && first.canonicalFilePath() == second.canonicalFilePath();
}

// Whether FFmpeg may have better luck with a file the WAVE reader refused: it refused the file's
// layout, not what the file says of its sound.
bool RefusedLayout(const QString& reason) {
    return reason != "Input file MUST be stereo" && reason != "Wave file contains no sound data";
}

} // namespace

tVoiceSuppression::tVoiceSuppression() = default;
tVoiceSuppression::~tVoiceSuppression() = default;

QString tVoiceSuppression::Begin(const QString& inputFile, const QString& outputFile,
                                 const tVoiceRemSettings& settings) {
    settings_ = settings.Bounded();
    if (!QFileInfo(inputFile).isFile())
        return "Input file cannot be found";
    if (SameFile(inputFile, outputFile))
        return "Input file cannot be the same as the output file";
    output_ = std::make_unique<QSaveFile>(outputFile);
    if (const QString problem = OpenInput(inputFile); !problem.isEmpty())
        return problem;
    if (!output_->open(QIODevice::WriteOnly) || output_->write(MonoWaveHeader(format_, 0)) != 44)
        return "Error creating output file";
    filter_.emplace(settings_, format_.EightBit());
    return {};
}

QString tVoiceSuppression::OpenInput(const QString& inputFile) {
    auto file = std::make_unique<QFile>(inputFile);
    if (!file->open(QIODevice::ReadOnly))
        return "Error opening input file";
    const QString refusal = ReadWaveHeader(*file, format_);
    if (refusal.isEmpty() && format_.PlainPcm()) {
        input_ = std::make_unique<tWaveInput>(std::move(file), format_);
        return {};
    }
    if (!refusal.isEmpty() && !RefusedLayout(refusal))
        return refusal;
    file.reset();
    QString reason;
    auto source = tFfmpegSource::Open(inputFile, 0, reason);
    if (!source)
        return refusal.isEmpty() ? QString("Input file is not a RIFF wave file") : refusal;
    if (source->SourceChannels() != 2)
        return "Input file MUST be stereo";
    format_ = {};
    format_.Channels = 2;
    format_.SampleRate = static_cast<uint32_t>(source->OutputRate());
    format_.BitsPerSample = 16;
    format_.BlockAlign = 4;
    format_.ByteRate = format_.SampleRate * 4;
    input_ = std::make_unique<tDecodedInput>(std::move(source));
    decoded_ = true;
    return {};
}

int64_t tVoiceSuppression::FrameCount() const {
    if (!input_)
        return 0;
    return Done() ? framesDone_ : std::max(input_->FrameCount(), framesDone_);
}

bool tVoiceSuppression::Done() const { return ended_; }

void tVoiceSuppression::Put(int sample) {
    // The buffer goes out whenever the next sample would take it past its last byte.
    if (filled_ + 2 > kBufferBytes - 1)
        Flush();
    if (format_.EightBit()) {
        buffer_[filled_++] = static_cast<char>(sample + 128);
    } else {
        buffer_[filled_++] = static_cast<char>(sample & 0xff);
        buffer_[filled_++] = static_cast<char>((sample >> 8) & 0xff);
    }
}

bool tVoiceSuppression::Flush() {
    if (filled_ > 0 && output_->write(buffer_.data(), filled_) != filled_)
        failed_ = true;
    filled_ = 0;
    return !failed_;
}

bool tVoiceSuppression::Step() {
    if (!input_ || ended_ || stopRequested_ || failed_)
        return false;
    int samples[2 * kFramesPerStep];
    const int frames = input_->Read(samples, kFramesPerStep);
    for (int i = 0; i < frames; ++i)
        Put(filter_->Filter(samples[2 * i], samples[2 * i + 1]));
    framesDone_ += frames;
    if (frames < kFramesPerStep)
        ended_ = true;
    return !ended_ && !failed_;
}

QString tVoiceSuppression::Finish() {
    if (!input_ || !ended_ || stopRequested_)
        return "Voice removal process was not complete";
    const int64_t dataBytes = framesDone_ * (format_.EightBit() ? 1 : 2);
    if (dataBytes > 0xffffffffLL - 36)
        return "The sound is too long for a WAVE file";
    if (!Flush() || !output_->seek(0) ||
        output_->write(MonoWaveHeader(format_, static_cast<uint32_t>(dataBytes))) != 44 || !output_->commit())
        return "Error writing output file";
    return {};
}

std::optional<QString> tRemainingTime::Update(int64_t done, int64_t total, int64_t elapsedMs) {
    const int64_t percent = std::max<int64_t>(1, total > 0 ? done * 100 / total : 1);
    const int64_t remaining = std::max<int64_t>(0, (100 - percent) * elapsedMs / percent);
    if (shownMs_ && remaining >= *shownMs_ && remaining <= *shownMs_ + 4000)
        return std::nullopt;
    shownMs_ = remaining;
    return Text(remaining);
}

QString tRemainingTime::Text(int64_t ms) {
    const int64_t seconds = ms / 1000;
    return QString("%1:%2").arg(seconds / 60, 2, 10, QChar('0')).arg(seconds % 60, 2, 10, QChar('0'));
}

} // namespace lyrimo
