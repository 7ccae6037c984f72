#include "media_fixtures.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

namespace lyrimo::test {
namespace {

void Put16(QByteArray& out, uint16_t v) {
    out.append(static_cast<char>(v & 0xFF));
    out.append(static_cast<char>(v >> 8));
}
void Put32(QByteArray& out, uint32_t v) {
    Put16(out, static_cast<uint16_t>(v & 0xFFFF));
    Put16(out, static_cast<uint16_t>(v >> 16));
}
void PutBe32(QByteArray& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.append(static_cast<char>((v >> shift) & 0xFF));
}
void PutVarLen(std::vector<uint8_t>& out, uint32_t v) {
    uint8_t bytes[4];
    int n = 0;
    do {
        bytes[n++] = v & 0x7F;
        v >>= 7;
    } while (v && n < 4);
    while (n-- > 0)
        out.push_back(static_cast<uint8_t>(bytes[n] | (n ? 0x80 : 0)));
}

} // namespace

tSignal TestSignal(int rate, double seconds) {
    tSignal signal;
    signal.rate = rate;
    const auto frames = static_cast<int64_t>(seconds * rate);
    signal.samples.resize(static_cast<size_t>(frames * 2));
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> white(-1.0, 1.0);
    double noiseL = 0, noiseR = 0;
    constexpr double kPi = 3.14159265358979323846;
    for (int64_t i = 0; i < frames; ++i) {
        noiseL += 0.25 * (white(random) - noiseL);
        noiseR += 0.25 * (white(random) - noiseR);
        const double t = static_cast<double>(i) / rate;
        const double left = 0.3 * std::sin(2 * kPi * 440 * t) + 0.5 * noiseL;
        const double right = 0.3 * std::sin(2 * kPi * 660 * t) + 0.5 * noiseR;
        signal.samples[static_cast<size_t>(i * 2)] = static_cast<int16_t>(std::lround(left * 32767));
        signal.samples[static_cast<size_t>(i * 2 + 1)] = static_cast<int16_t>(std::lround(right * 32767));
    }
    return signal;
}

QByteArray WavBytes(const tSignal& signal) {
    const auto dataBytes = static_cast<uint32_t>(signal.samples.size() * 2);
    QByteArray out = "RIFF";
    Put32(out, 36 + dataBytes);
    out += "WAVEfmt ";
    Put32(out, 16);
    Put16(out, 1);
    Put16(out, 2);
    Put32(out, static_cast<uint32_t>(signal.rate));
    Put32(out, static_cast<uint32_t>(signal.rate * 4));
    Put16(out, 4);
    Put16(out, 16);
    out += "data";
    Put32(out, dataBytes);
    for (int16_t s : signal.samples)
        Put16(out, static_cast<uint16_t>(s));
    return out;
}

bool WriteWav(const QString& path, const tSignal& signal) {
    QFile file(path);
    const QByteArray bytes = WavBytes(signal);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool Encode(const QString& input, const QString& output, const QStringList& options) {
    return RunFfmpeg(QStringList{"-i", input} + options + QStringList{output});
}

bool RunFfmpeg(const QStringList& arguments) {
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", QStringList{"-y", "-nostdin", "-loglevel", "error"} + arguments);
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitStatus() == QProcess::NormalExit &&
           ffmpeg.exitCode() == 0;
}

bool WriteNumberedVideo(const QString& path, const tVideoFixture& fixture) {
    if (QFile::exists(path))
        return true;
    const QString seconds = QString::number(fixture.seconds);
    QStringList arguments = {"-f", "lavfi", "-i",
                             QString("color=c=black:s=64x48:r=%1:d=%2,format=yuv420p,"
                                     "geq=lum='16+mod(N\\,%3)*4':cb=128:cr=128")
                                 .arg(kVideoPicturesPerSecond)
                                 .arg(seconds)
                                 .arg(kVideoNumberCycle)};
    if (fixture.sound)
        arguments << "-f"
                  << "lavfi"
                  << "-i"
                  << "sine=frequency=440:sample_rate=48000:duration=" + seconds;
    return RunFfmpeg(arguments + fixture.codecs + QStringList{path});
}

int VideoPictureNumber(uint32_t red) {
    // Luma 16 + 4n converts to red (4n) × 255 / 219.
    return static_cast<int>(std::lround(red * 219.0 / 255.0 / 4.0));
}

bool WriteSignalMedia(const QString& path, const tSignal& signal) {
    static const std::map<QString, QStringList> kEncodings = {
        {"signal.mp3", {"-c:a", "libmp3lame", "-b:a", "192k"}},
        {"signal44.mp3", {"-ar", "44100", "-c:a", "libmp3lame", "-b:a", "192k"}},
        {"signal44.wav", {"-ar", "44100"}},
        {"signal.ogg", {"-c:a", "vorbis", "-strict", "-2", "-q:a", "8"}},
        {"signal.opus", {"-c:a", "libopus", "-b:a", "160k"}},
        {"signal.flac", {"-c:a", "flac"}},
        {"signal.m4a", {"-c:a", "aac", "-b:a", "192k"}},
        {"signal.aiff", {}},
        {"signal.au", {}},
        {"signal.mkv", {"-c:a", "flac"}},
        {"signal.webm", {"-c:a", "libopus", "-b:a", "160k"}},
        {"signal.mp4", {"-c:a", "aac", "-b:a", "192k"}},
        {"signal.wma", {"-c:a", "wmav2", "-b:a", "192k"}},
        {"signal.avi", {"-c:a", "libmp3lame", "-b:a", "192k"}},
        {"signal.mpg", {"-c:a", "mp2", "-b:a", "256k"}},
        // Half a second from 1 s on cut out, the frames after keeping their times.
        {"signal-gap.mkv", {"-af", "aselect='not(between(t,1,1.5))'", "-c:a", "flac"}},
        // From 2 s on the times go back by 0.3 s, so that frames overlap those before them.
        {"signal-overlap.mkv", {"-af", "asetpts='if(gte(T,2),PTS-0.3/TB,PTS)'", "-c:a", "flac"}},
    };
    if (QFile::exists(path))
        return true;
    const QFileInfo info(path);
    const QString wav = info.path() + "/signal.wav";
    if (!QFile::exists(wav) && !WriteWav(wav, signal))
        return false;
    const auto encoding = kEncodings.find(info.fileName());
    return info.fileName() == "signal.wav" ||
           (encoding != kEncodings.end() && Encode(wav, path, encoding->second));
}

void tMidiWriter::Tempo(int64_t tick, uint32_t us) {
    events_.push_back({tick,
                       {0xFF, 0x51, 0x03, static_cast<uint8_t>(us >> 16), static_cast<uint8_t>(us >> 8),
                        static_cast<uint8_t>(us)}});
}

void tMidiWriter::Program(int64_t tick, int channel, int program) {
    events_.push_back({tick, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(program)}});
}

void tMidiWriter::Note(int64_t tick, int64_t length, int channel, int key, int velocity) {
    events_.push_back(
        {tick,
         {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(key), static_cast<uint8_t>(velocity)}});
    events_.push_back({tick + length, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(key), 0}});
}

QByteArray tMidiWriter::Bytes() const {
    std::vector<tEvent> sorted = events_;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const tEvent& a, const tEvent& b) { return a.tick < b.tick; });
    std::vector<uint8_t> track;
    int64_t last = 0;
    for (const tEvent& e : sorted) {
        PutVarLen(track, static_cast<uint32_t>(e.tick - last));
        track.insert(track.end(), e.bytes.begin(), e.bytes.end());
        last = e.tick;
    }
    PutVarLen(track, 0);
    track.insert(track.end(), {0xFF, 0x2F, 0x00});
    QByteArray out = "MThd";
    PutBe32(out, 6);
    out += QByteArray::fromHex("00000001");
    out.append(static_cast<char>(division_ >> 8));
    out.append(static_cast<char>(division_ & 0xFF));
    out += "MTrk";
    PutBe32(out, static_cast<uint32_t>(track.size()));
    out.append(reinterpret_cast<const char*>(track.data()), static_cast<qsizetype>(track.size()));
    return out;
}

int64_t BestLag(const std::vector<float>& played, const tSignal& signal, int64_t expected, int range) {
    const auto frames = static_cast<int64_t>(played.size() / 2);
    int64_t best = 0;
    double bestScore = -1e30;
    for (int lag = -range; lag <= range; ++lag) {
        double dot = 0, energy = 1e-12;
        for (int64_t i = 0; i < frames; ++i) {
            const int64_t s = expected + lag + i;
            if (s < 0 || s >= signal.Frames())
                continue;
            const double reference = signal.At(s, 0);
            dot += played[static_cast<size_t>(i * 2)] * reference;
            energy += reference * reference;
        }
        const double score = dot / std::sqrt(energy);
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    return best;
}

int64_t FirstSound(const std::vector<float>& frames, float threshold) {
    for (size_t i = 0; i < frames.size(); ++i)
        if (std::fabs(frames[i]) > threshold)
            return static_cast<int64_t>(i / 2);
    return -1;
}

QString OneSecondWav(const QString& folder) {
    const QString path = folder + "/one-second.wav";
    if (QFile::exists(path))
        return path;
    QDir().mkpath(folder);
    return WriteWav(path, TestSignal(48000, 1.0)) ? path : QString();
}

} // namespace lyrimo::test
