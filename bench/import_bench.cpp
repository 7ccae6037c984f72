// Importing a 200 KB karaoke file (four lyric tracks, a melody and an accompaniment), karaoke
// files of Central European lyrics at two sizes, in the code page that is kept as it is and in
// one that is converted, beside a plain walk over the same files' events, an LRC file of 2,000 lines and one
// of 240,000 short lines.
#include "app/app_services.h"
#include "app/text_codec.h"
#include "importexport/lrc_import.h"
#include "importexport/midi_file.h"
#include "importexport/midi_import.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>

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

// Karaoke text events as such files have them: tags first, then one event a word, a backslash
// before each verse and a slash before each other line.
const char* const kCzechLines[] = {
    "Příliš žluťoučký kůň úpěl ďábelské ódy",   "Večer se nad řekou snáší tichá mlha",
    "Zpívej se mnou, až půjdeme domů",          "Hvězdy nad střechami svítí jen pro nás",
    "Čas běží, léto končí, ještě jednou tanči", "Na mostě stojí dívka v šátku modrém",
};

QList<QByteArray> CodePageWords(const char* codePage) {
    QList<QByteArray> words;
    for (int line = 0; line < 8; ++line) {
        QString marker = line % 4 == 0 ? "\\" : "/";
        for (const QString& word : QString::fromUtf8(kCzechLines[line % 6]).split(' ')) {
            words << EncodeText(marker + word + ' ', codePage);
            marker.clear();
        }
    }
    return words;
}

// Windows-1250 is the code page of Central European fonts; ISO-8859-2 text is converted to it.
const char* const kCodePages[] = {"WINDOWS-1250", "ISO-8859-2"};

// A karaoke file of about `kilobytes`: the tags and words in one track, a note for every word
// in a second. The title's letters have the same bytes in both code pages.
QByteArray CodePageKaraokeFile(int kilobytes, const char* codePage) {
    const QList<QByteArray> words = CodePageWords(codePage);
    QByteArray lyrics, notes;
    for (const char* tag : {"@KMIDI KARAOKE FILE", "@LCZE",
                            "@TVe\xE8"
                            "rn\xED p\xEDse\xF2",
                            "@TLyrimo"}) {
        lyrics += QByteArray("\x00\xFF\x01", 3);
        AppendVariableLength(lyrics, static_cast<uint32_t>(std::strlen(tag)));
        lyrics += tag;
    }
    for (int w = 0; lyrics.size() + notes.size() < kilobytes * 1024 - 64; ++w) {
        const QByteArray& word = words[w % words.size()];
        AppendVariableLength(lyrics, w == 0 ? 0 : 120);
        lyrics += QByteArray("\xFF\x01", 2);
        AppendVariableLength(lyrics, static_cast<uint32_t>(word.size()));
        lyrics += word;
        AppendVariableLength(notes, w == 0 ? 0 : 60);
        notes += QByteArray("\x90", 1) + static_cast<char>(48 + w % 24) + '\x60';
        AppendVariableLength(notes, 60);
        notes += static_cast<char>(48 + w % 24) + QByteArray(1, '\0'); // running status
    }
    QByteArray file = "MThd" + BigEndian(6, 4) + BigEndian(1, 2) + BigEndian(3, 2) + BigEndian(480, 2);
    file += Chunk(QByteArray("\x00\xFF\x51\x03\x07\xA1\x20", 7)) + Chunk(lyrics) + Chunk(notes);
    return file;
}

// range(0) is the size in kilobytes, range(1) the index of the code page.
QString CodePageKaraokePath(const benchmark::State& state) {
    const int kilobytes = static_cast<int>(state.range(0));
    const char* codePage = kCodePages[state.range(1)];
    const QString path = ImportFolder().filePath(QString("%1-%2.kar").arg(codePage).arg(kilobytes));
    if (!QFile::exists(path)) {
        QFile out(path);
        out.open(QIODevice::WriteOnly);
        out.write(CodePageKaraokeFile(kilobytes, codePage));
    }
    return path;
}

void BM_ImportCodePageKaraokeFile(benchmark::State& state) {
    Settings().ShowKARImportResult = false;
    const QString path = CodePageKaraokePath(state);
    for (auto _ : state) {
        tLyrimoData song;
        if (!ImportMidi(path, song))
            state.SkipWithError("import failed");
        else if (song.GetPart(0)->PartExtras.FontCharset() != 238)
            state.SkipWithError("the lyrics were not read as Central European text");
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_ImportCodePageKaraokeFile)
    ->ArgsProduct({{125, 500}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The peer of the import: reading the same file into tracks and stepping over every event,
// adding up the bytes of the text events.
int64_t TextBytesOfTrack(const QByteArray& track) {
    const auto* p = reinterpret_cast<const uint8_t*>(track.constData());
    const auto* end = p + track.size();
    auto variableLength = [&p, end] {
        uint32_t value = 0;
        while (p < end) {
            const uint8_t b = *p++;
            value = value << 7 | (b & 0x7F);
            if (!(b & 0x80))
                break;
        }
        return value;
    };
    int64_t textBytes = 0;
    uint8_t runningStatus = 0;
    while (end - p >= 2) {
        variableLength();
        uint8_t status = *p;
        if (status < 0x80)
            status = runningStatus;
        else
            runningStatus = *p++;
        if (status == 0xFF) {
            const uint8_t type = p < end ? *p++ : 0;
            const uint32_t length = std::min<uint32_t>(variableLength(), static_cast<uint32_t>(end - p));
            if (type == 0x01 || type == 0x05)
                textBytes += length;
            p += length;
        } else if (status == 0xF0 || status == 0xF7) {
            p += std::min<uint32_t>(variableLength(), static_cast<uint32_t>(end - p));
        } else {
            p += std::min<qsizetype>(status >= 0xC0 && status <= 0xDF ? 1 : 2, end - p);
        }
    }
    return textBytes;
}

void BM_WalkCodePageKaraokeFile(benchmark::State& state) {
    const QString path = CodePageKaraokePath(state);
    for (auto _ : state) {
        const MidiType midi = ReadMidiFile(path);
        int64_t textBytes = 0;
        for (const QByteArray& track : midi.Tracks)
            textBytes += TextBytesOfTrack(track);
        if (textBytes == 0)
            state.SkipWithError("no text events");
        benchmark::DoNotOptimize(textBytes);
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_WalkCodePageKaraokeFile)
    ->ArgsProduct({{125, 500}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

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
