// Media made by code for the player tests and benchmarks: a test signal written as WAV and
// encoded to other formats with the ffmpeg program, MIDI files, and the measures that find where
// in the signal a piece of played sound came from.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace lyrimo::test {

// Stereo 16-bit samples, interleaved.
struct tSignal {
    int rate = 48000;
    std::vector<int16_t> samples;

    int64_t Frames() const { return static_cast<int64_t>(samples.size() / 2); }
    float At(int64_t frame, int channel) const {
        return samples[static_cast<size_t>(frame * 2 + channel)] / 32768.f;
    }
};

// A 440 Hz sine in the left channel and a 660 Hz one in the right, each with low-passed noise
// mixed in, so that every stretch of it is unlike every other (for locating played sound).
tSignal TestSignal(int rate, double seconds);

QByteArray WavBytes(const tSignal& signal);
bool WriteWav(const QString& path, const tSignal& signal);
// folder/one-second.wav, one second of the test signal at 48 kHz, written when missing; empty
// when it could not be written.
QString OneSecondWav(const QString& folder);

// Encodes with the ffmpeg program; false when it failed.
bool Encode(const QString& input, const QString& output, const QStringList& options);

// The signal in the format the file name at `path` names: signal.wav, signal44.wav (44.1 kHz),
// signal.mp3, signal44.mp3, signal.ogg, signal.opus, signal.flac, signal.m4a, signal.aiff,
// signal.au, or in a video's container: signal.mkv, signal.webm, signal.mp4, signal.wma,
// signal.avi, signal.mpg; signal-gap.mkv is FLAC with 1 s to 1.5 s cut out and a gap in its
// times there. Encoded from a signal.wav beside it, which is written first when missing; a file
// already there is kept. False for another name or when the encoding failed.
bool WriteSignalMedia(const QString& path, const tSignal& signal);

// Runs the ffmpeg program with these arguments (after -y -nostdin -loglevel error); false when it
// failed.
bool RunFfmpeg(const QStringList& arguments);

// A video of 64 × 48 grey pictures at 25 per second whose brightness tells their number, for
// checking which picture is shown: picture n has luma 16 + 4 × (n mod 50), read back from the
// red of a converted pixel by VideoPictureNumber. Written when missing to `path` (the
// extension picks the container) with the ffmpeg options given for the codecs; with sound,
// a 4 s sine of 440 Hz goes with it.
struct tVideoFixture {
    double seconds = 4.0;
    bool sound = true;
    QStringList codecs = {"-c:v", "libx264", "-preset", "ultrafast", "-qp", "0", "-c:a", "aac"};
};
bool WriteNumberedVideo(const QString& path, const tVideoFixture& fixture = {});
constexpr int kVideoPicturesPerSecond = 25;
constexpr int kVideoNumberCycle = 50;
// The picture number (mod 50) a red value of a numbered picture stands for.
int VideoPictureNumber(uint32_t red);

// A standard MIDI file under construction: events in ticks, one track.
class tMidiWriter {
public:
    explicit tMidiWriter(int division = 480) : division_(division) {}
    void Tempo(int64_t tick, uint32_t microsecondsPerQuarter);
    void Program(int64_t tick, int channel, int program);
    void Note(int64_t tick, int64_t length, int channel, int key, int velocity = 100);
    QByteArray Bytes() const;

private:
    struct tEvent {
        int64_t tick;
        std::vector<uint8_t> bytes;
    };
    int division_;
    std::vector<tEvent> events_;
};

// The offset (in frames, within ±range) at which `played` best matches the left channel of the
// signal when its first frame is taken as signal frame `expected`.
int64_t BestLag(const std::vector<float>& played, const tSignal& signal, int64_t expected, int range);

// The first frame whose left or right sample exceeds the threshold; -1 when none does.
int64_t FirstSound(const std::vector<float>& frames, float threshold = 1e-3f);

} // namespace lyrimo::test
