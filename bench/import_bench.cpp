// Importing: a 200 KB karaoke file (four lyric tracks, a melody and an accompaniment);
// karaoke files of Central European lyrics at two sizes, in the code page that is kept as it
// is and in one that is converted, beside two peers, a plain walk over the same events and
// the encoding detection alone; an LRC file of 2,000 lines; and one of 240,000 short lines
// beside splitting the same text into lines; and a batch conversion of 50 small karaoke and
// LRC files beside saving the same songs alone.
#include "app/app_services.h"
#include "app/text_codec.h"
#include "document/import_template.h"
#include "importexport/batch_convert.h"
#include "importexport/import_dispatch.h"
#include "importexport/lrc_import.h"
#include "importexport/midi_file.h"
#include "importexport/midi_import.h"
#include "importexport/text_detect.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string_view>
#include <vector>

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

// A karaoke file of about `kilobytes`, as dense in words as a 490 KB file of 11,000 text
// events: the tags and words in one track, for every word a melody note in a second and a
// chord and a bass note in a third. The title's letters have the same bytes in both code pages.
QByteArray CodePageKaraokeFile(int kilobytes, const char* codePage) {
    const QList<QByteArray> words = CodePageWords(codePage);
    QByteArray lyrics, melody, accompaniment;
    for (const char* tag : {"@KMIDI KARAOKE FILE", "@LCZE",
                            "@TVe\xE8"
                            "rn\xED p\xEDse\xF2",
                            "@TLyrimo"}) {
        lyrics += QByteArray("\x00\xFF\x01", 3);
        AppendVariableLength(lyrics, static_cast<uint32_t>(std::strlen(tag)));
        lyrics += tag;
    }
    auto size = [&] { return lyrics.size() + melody.size() + accompaniment.size(); };
    for (int w = 0; size() < kilobytes * 1024 - 96; ++w) {
        const QByteArray& word = words[w % words.size()];
        AppendVariableLength(lyrics, w == 0 ? 0 : 120);
        lyrics += QByteArray("\xFF\x01", 2);
        AppendVariableLength(lyrics, static_cast<uint32_t>(word.size()));
        lyrics += word;

        const char key = static_cast<char>(48 + w % 24);
        AppendVariableLength(melody, w == 0 ? 0 : 60);
        melody += QByteArray("\x90", 1) + key + '\x60';
        AppendVariableLength(melody, 60);
        melody += key + QByteArray(1, '\0'); // running status

        const char root = static_cast<char>(36 + w / 8 % 12);
        AppendVariableLength(accompaniment, w == 0 ? 0 : 40);
        accompaniment += QByteArray("\x91", 1) + root + '\x50';
        accompaniment += QByteArray(1, '\0') + static_cast<char>(root + 4) + '\x50';
        accompaniment += QByteArray(1, '\0') + static_cast<char>(root + 7) + '\x50';
        accompaniment += QByteArray("\x00\x92", 2) + static_cast<char>(root - 12) + '\x70';
        AppendVariableLength(accompaniment, 80);
        accompaniment += QByteArray("\x81", 1) + root + '\x40';
        accompaniment += QByteArray(1, '\0') + static_cast<char>(root + 4) + '\x40';
        accompaniment += QByteArray(1, '\0') + static_cast<char>(root + 7) + '\x40';
        accompaniment += QByteArray("\x00\x82", 2) + static_cast<char>(root - 12) + '\x40';
    }
    QByteArray file = "MThd" + BigEndian(6, 4) + BigEndian(1, 2) + BigEndian(4, 2) + BigEndian(480, 2);
    file += Chunk(QByteArray("\x00\xFF\x51\x03\x07\xA1\x20", 7)) + Chunk(lyrics) + Chunk(melody) +
            Chunk(accompaniment);
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

// Calls textEvent(data, length) for each text and lyric event of the track, stepping over the
// other events as the importer reads them.
template <typename TextEvent>
void WalkTrack(const QByteArray& track, TextEvent textEvent) {
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
                textEvent(reinterpret_cast<const char*>(p), length);
            p += length;
        } else if (status == 0xF0 || status == 0xF7) {
            p += std::min<uint32_t>(variableLength(), static_cast<uint32_t>(end - p));
        } else {
            p += std::min<qsizetype>(status >= 0xC0 && status <= 0xDF ? 1 : 2, end - p);
        }
    }
}

// The plain peer of the import: reading the same file into tracks and stepping over every
// event, adding up the bytes of the text events.
void BM_WalkCodePageKaraokeFile(benchmark::State& state) {
    const QString path = CodePageKaraokePath(state);
    int64_t textEvents = 0;
    for (auto _ : state) {
        const MidiType midi = ReadMidiFile(path);
        int64_t textBytes = 0;
        textEvents = 0;
        for (const QByteArray& track : midi.Tracks) {
            WalkTrack(track, [&](const char*, uint32_t length) {
                textBytes += length;
                ++textEvents;
            });
        }
        if (textBytes == 0)
            state.SkipWithError("no text events");
        benchmark::DoNotOptimize(textBytes);
    }
    state.counters["text_events"] = static_cast<double>(textEvents);
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_WalkCodePageKaraokeFile)
    ->ArgsProduct({{125, 500}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The part of the import no file can avoid: telling the code page from the text events, each
// given to the detector as it comes.
void BM_DetectCodePageOfKaraokeFile(benchmark::State& state) {
    QList<QByteArray> texts;
    for (const QByteArray& track : ReadMidiFile(CodePageKaraokePath(state)).Tracks)
        WalkTrack(track, [&](const char* data, uint32_t length) { texts << QByteArray(data, length); });
    for (auto _ : state) {
        tEncodingDetector detector;
        for (const QByteArray& text : texts)
            detector.Add(text);
        if (detector.Result().charset != 238)
            state.SkipWithError("the lyrics were not read as Central European text");
    }
}
BENCHMARK(BM_DetectCodePageOfKaraokeFile)
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

// The peer of the full-size import: reading the same file and splitting it into lines with a
// plain loop.
void BM_SplitFullSizeLrcFile(benchmark::State& state) {
    const QString path = FullSizeLrcPath();
    for (auto _ : state) {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        std::vector<std::string_view> lines;
        const char* start = bytes.constData();
        const char* end = start + bytes.size();
        for (const char* p = start; p < end; ++p) {
            if (*p == '\n') {
                lines.emplace_back(start, static_cast<size_t>(p - start));
                start = p + 1;
            }
        }
        if (start < end)
            lines.emplace_back(start, static_cast<size_t>(end - start));
        benchmark::DoNotOptimize(lines.data());
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_SplitFullSizeLrcFile)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

namespace {

void WriteBenchFile(const QString& path, const QByteArray& bytes) {
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
}

// 25 karaoke files of a song's size (80 lines, a melody) and 25 LRC files of 40 lines.
QStringList SmallSongFiles() {
    static const QStringList files = [] {
        QStringList made;
        const QString folder = ImportFolder().filePath("batch-in");
        QDir().mkpath(folder);
        for (int i = 0; i < 25; ++i) {
            QByteArray kar = "MThd" + BigEndian(6, 4) + BigEndian(1, 2) + BigEndian(3, 2) + BigEndian(480, 2);
            kar += Chunk(QByteArray("\x00\xFF\x51\x03\x07\xA1\x20", 7)) + LyricTrack(i % 4, 400) +
                   NoteTrack(0, 600);
            made << folder + QString("/song%1.kar").arg(i);
            WriteBenchFile(made.back(), kar);
        }
        for (int i = 0; i < 25; ++i) {
            QByteArray lrc = "[ti:Batch]\n";
            for (int line = 0; line < 40; ++line)
                lrc += QString("[00:%1.00]Line %2 of song %3, sung slowly\n")
                           .arg(line, 2, 10, QChar('0'))
                           .arg(line)
                           .arg(i)
                           .toLatin1();
            made << folder + QString("/song%1.lrc").arg(i);
            WriteBenchFile(made.back(), lrc);
        }
        return made;
    }();
    return files;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Each iteration converts the 50 files into an empty folder with a template; the peer saves
// the same songs, imported and stamped beforehand, into another empty folder.
void BM_BatchConvertSmallFiles(benchmark::State& state) {
    const QStringList files = SmallSongFiles();
    QSettings store(ImportFolder().filePath("batch.ini"), QSettings::IniFormat);
    tLyrimoData look;
    look.SongSettings.setBackgroundColour(0x202020);
    SaveTemplate(store, "Bench", look);
    const std::vector<tChosenTemplate> templates = ReadChosenTemplates(store, {"Bench"});

    std::vector<std::unique_ptr<tLyrimoData>> songs;
    for (const QString& file : files) {
        songs.push_back(std::make_unique<tLyrimoData>());
        ImportByExtension(file, *songs.back());
        ApplyTemplateValue(templates[0].value, *songs.back());
    }

    double convertSeconds = 0, saveSeconds = 0;
    int run = 0;
    for (auto _ : state) {
        const QString out = ImportFolder().filePath(QString("batch-out-%1/").arg(++run));
        const QString peer = ImportFolder().filePath(QString("save-out-%1/").arg(run));
        QDir().mkpath(out);
        QDir().mkpath(peer);

        auto start = std::chrono::steady_clock::now();
        tBatchConverter converter(files, templates, out);
        while (converter.Step()) {
        }
        const double converting = SecondsSince(start);
        if (converter.ConvertedCount() != files.size())
            state.SkipWithError(qPrintable(converter.Summary()));

        start = std::chrono::steady_clock::now();
        for (int i = 0; i < files.size(); ++i)
            songs[i]->SaveToFile(peer + QString("song%1.lym").arg(i));
        saveSeconds += SecondsSince(start);

        convertSeconds += converting;
        state.SetIterationTime(converting);
        QDir(out).removeRecursively();
        QDir(peer).removeRecursively();
    }
    const double perFile = 1000 * convertSeconds / (state.iterations() * files.size());
    state.counters["ms_per_file"] = perFile;
    state.counters["save_ms_per_file"] = 1000 * saveSeconds / (state.iterations() * files.size());
    state.counters["ratio_to_save"] = saveSeconds > 0 ? convertSeconds / saveSeconds : 0;
}
BENCHMARK(BM_BatchConvertSmallFiles)->Unit(benchmark::kMillisecond)->UseManualTime();

} // namespace
