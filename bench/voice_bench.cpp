// The voice suppressor on a 4-minute 44.1 kHz 16-bit stereo WAVE file, and sox's own centre
// removal ("oops") on the same file in the same run as the peer.
#include "tools/voice_suppressor.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>

namespace {

constexpr int kRate = 44100;
constexpr int kSeconds = 240;

void PutU32(QByteArray& bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xff);
}

// A voice-like tone in the centre over two instruments panned apart.
const QString& FourMinuteWave() {
    static QTemporaryDir folder;
    static const QString path = [] {
        const QString file = folder.path() + "/song.wav";
        const int frames = kRate * kSeconds;
        QByteArray data(static_cast<qsizetype>(frames) * 4, '\0');
        for (int i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double voice = 6000 * std::sin(2 * M_PI * 330 * t);
            const auto left = static_cast<int16_t>(voice + 5000 * std::sin(2 * M_PI * 110 * t));
            const auto right = static_cast<int16_t>(voice + 5000 * std::sin(2 * M_PI * 147 * t));
            for (int b = 0; b < 2; ++b) {
                data[4 * i + b] = static_cast<char>((left >> (8 * b)) & 0xff);
                data[4 * i + 2 + b] = static_cast<char>((right >> (8 * b)) & 0xff);
            }
        }
        QByteArray header = "RIFF";
        PutU32(header, 36 + data.size());
        header += "WAVEfmt ";
        PutU32(header, 16);
        header += QByteArray("\x01\x00\x02\x00", 4);
        PutU32(header, kRate);
        PutU32(header, kRate * 4);
        header += QByteArray("\x04\x00\x10\x00", 4);
        header += "data";
        PutU32(header, data.size());
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(header + data) != header.size() + data.size())
            return QString();
        return file;
    }();
    return path;
}

QString OutputBeside(const QString& input, const char* name) { return QFileInfo(input).path() + "/" + name; }

void BM_VoiceSuppressor4Min(benchmark::State& state) {
    const QString input = FourMinuteWave();
    lyrimo::tVoiceRemSettings settings; // the defaults: reverb and one treble-cut pass
    for (auto _ : state) {
        lyrimo::tVoiceSuppression run;
        if (!run.Begin(input, OutputBeside(input, "ours.wav"), settings).isEmpty()) {
            state.SkipWithError("the suppressor refused the file");
            return;
        }
        while (run.Step()) {
        }
        if (!run.Finish().isEmpty()) {
            state.SkipWithError("the output could not be written");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kRate} * kSeconds * 4);
}
BENCHMARK(BM_VoiceSuppressor4Min)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SoxOops4Min(benchmark::State& state) {
    const QString input = FourMinuteWave();
    for (auto _ : state) {
        if (QProcess::execute("sox", {input, OutputBeside(input, "sox.wav"), "oops"}) != 0) {
            state.SkipWithError("sox is not installed or failed");
            return;
        }
    }
    state.SetBytesProcessed(state.iterations() * int64_t{kRate} * kSeconds * 4);
}
BENCHMARK(BM_SoxOops4Min)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
