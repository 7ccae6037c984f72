// Importing a 200 KB karaoke file (four lyric tracks, a melody and an accompaniment), an
// LRC file of 2,000 lines and one of 240,000 short lines.
#include "app/app_services.h"
#include "importexport/lrc_import.h"
#include "importexport/midi_import.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace lyrimo;

namespace {

QTemporaryDir& ImportFolder() {
    static QTemporaryDir folder;
    return folder;
}

void AppendVariableLength(QByteArray& out, uint32_t value) {
    QByteArray groups(1, static_cast<char>(value & 0x7F));
    while (value >>= 7)
        groups.prepend(static_cast<char>(0x80 | (value & 0x7F)));
    out += groups;
}

QByteArray BigEndian(uint32_t value, int bytes) {
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>(value >> (8 * i));
    return out;
}

QByteArray Chunk(const QByteArray& events) {
    return "MTrk" + BigEndian(static_cast<uint32_t>(events.size() + 4), 4) + events +
           QByteArray("\x00\xFF\x2F\x00", 4);
}

QByteArray LyricTrack(int voice, int syllables) {
    static const char* const kSyllables[] = {"Twin", "kle ", "lit", "tle ", "star, ",
                                             "how ", "I ",   "won", "der "};
    QByteArray events;
    for (int s = 0; s < syllables; ++s) {
        QByteArray text = (s % 8 == 0 ? "/" : "") + QByteArray(kSyllables[(s + voice) % 9]);
        AppendVariableLength(events, 120);
        events += QByteArray("\xFF\x05", 2);
        AppendVariableLength(events, static_cast<uint32_t>(text.size()));
        events += text;
    }
    return Chunk(events);
}

QByteArray NoteTrack(int channel, int notes) {
    QByteArray events;
    for (int n = 0; n < notes; ++n) {
        AppendVariableLength(events, n == 0 ? 0 : 60);
        events += static_cast<char>(0x90 | channel);
        events += static_cast<char>(48 + n % 24);
        events += static_cast<char>(96);
        AppendVariableLength(events, 60);
        events += static_cast<char>(48 + n % 24); // running status
        events += '\0';
    }
    return Chunk(events);
}

QString KaraokePath() {
    static const QString path = [] {
        QByteArray file = "MThd" + BigEndian(6, 4) + BigEndian(1, 2) + BigEndian(7, 2) + BigEndian(480, 2);
        file += Chunk(QByteArray("\x00\xFF\x51\x03\x07\xA1\x20", 7));
        for (int voice = 0; voice < 4; ++voice)
            file += LyricTrack(voice, 3500);
        file += NoteTrack(0, 7500) + NoteTrack(1, 7500);
        const QString p = ImportFolder().filePath("bench.kar");
        QFile out(p);
        out.open(QIODevice::WriteOnly);
        out.write(file);
        return p;
    }();
    return path;
}

QString LrcPath() {
    static const QString path = [] {
        QByteArray text = "[ti:Benchmark]\n[ar:Lyrimo]\n";
        for (int line = 0; line < 2000; ++line) {
            const int centiseconds = line * 271;
            text += QString("[%1:%2.%3]Line %4 of the benchmark lyrics, sung slowly\n")
                        .arg(centiseconds / 6000, 2, 10, QChar('0'))
                        .arg(centiseconds / 100 % 60, 2, 10, QChar('0'))
                        .arg(centiseconds % 100, 2, 10, QChar('0'))
                        .arg(line)
                        .toLatin1();
        }
        const QString p = ImportFolder().filePath("bench.lrc");
        QFile out(p);
        out.open(QIODevice::WriteOnly);
        out.write(text);
        return p;
    }();
    return path;
}

void BM_ImportKaraokeFile(benchmark::State& state) {
    Settings().ShowKARImportResult = false;
    const QString path = KaraokePath();
    for (auto _ : state) {
        tLyrimoData song;
        if (!ImportMidi(path, song))
            state.SkipWithError("import failed");
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_ImportKaraokeFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImportLrcFile(benchmark::State& state) {
    Settings().ShowLRCImportResult = false;
    const QString path = LrcPath();
    for (auto _ : state) {
        tLyrimoData song;
        if (!ImportLrc(path, song))
            state.SkipWithError("import failed");
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_ImportLrcFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// An LRC as large as the importer takes: short lines of a few letters each, every whole
// second of 100 minutes given forty times over.
QString FullSizeLrcPath() {
    static const QString path = [] {
        QByteArray text;
        for (int line = 0; line < 240000; ++line) {
            const int second = (line * 7919) % 6000;
            text += QString("[%1:%2.%3]la %4\n")
                        .arg(second / 60, 2, 10, QChar('0'))
                        .arg(second % 60, 2, 10, QChar('0'))
                        .arg(line % 100, 2, 10, QChar('0'))
                        .arg(line % 1000)
                        .toLatin1();
        }
        const QString p = ImportFolder().filePath("full-size.lrc");
        QFile out(p);
        out.open(QIODevice::WriteOnly);
        out.write(text.left(4 << 20));
        return p;
    }();
    return path;
}

void BM_ImportFullSizeLrcFile(benchmark::State& state) {
    Settings().ShowLRCImportResult = false;
    const QString path = FullSizeLrcPath();
    for (auto _ : state) {
        tLyrimoData song;
        if (!ImportLrc(path, song))
            state.SkipWithError("import failed");
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_ImportFullSizeLrcFile)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
