// The file selector on a folder of 2,000 songs: from opening the window to its first painted list,
// and the listing alone, beside two peers measured in the same run: reading the 2,000 settings
// records, and listing the folder's names. Run with QT_QPA_PLATFORM=offscreen (the default here).
#include "app/app_services.h"
#include "document/song.h"
#include "playlist/file_selector.h"
#include "playlist/song_listing.h"

#include <QApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

namespace lyrimo {
namespace {

constexpr int kSongCount = 2000;

// Mean milliseconds per iteration of each benchmark, for the ratios printed at the end.
std::map<std::string, double>& Means() {
    static std::map<std::string, double> means;
    return means;
}

struct tSongFolder {
    QTemporaryDir dir;
    QString folder;
    QStringList files;

    tSongFolder() {
        folder = FolderPath(dir.path());
        const char* artists[] = {"ABBA", "abba", "Beatles", "Queen", "Adele", "Bee Gees", "Madonna", "Toto"};
        for (int i = 0; i < kSongCount; ++i) {
            tLyrimoData song;
            song.SetSongName(QByteArray("Song number ") + QByteArray::number((i * 7919) % kSongCount));
            song.SetArtistName(artists[i % 8]);
            song.SongSettings.setUseMediaFile(1);
            song.SongSettings.setMediaFileName("/music/track.mp3");
            const QString file = folder + QString("song%1.lym").arg(i, 4, 10, QChar('0'));
            if (song.SaveToFile(file) != 0)
                std::fprintf(stderr, "could not write %s\n", qPrintable(file));
            files << file;
        }
    }
};

tSongFolder& Songs() {
    static tSongFolder songs;
    return songs;
}

void Record(benchmark::State& state, const std::string& name, double totalMs) {
    Means()[name] = totalMs / double(state.iterations());
    state.counters["ms"] = Means()[name];
}

void BM_SelectorFirstPaint(benchmark::State& state) {
    Settings().FileSelPath = Songs().folder;
    double total = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        TFileSelector selector({});
        selector.resize(1600, 1000);
        selector.ShowCurrentPath();
        const QPixmap painted = selector.grab();
        total += timer.nsecsElapsed() / 1e6;
        benchmark::DoNotOptimize(painted.width());
        if (selector.Entries().size() != kSongCount + 1)
            state.SkipWithError("the selector did not list every song");
    }
    Record(state, "first paint", total);
}
BENCHMARK(BM_SelectorFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_ListAndSort(benchmark::State& state) {
    double total = 0;
    tFileList list;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        ReadFolder(Songs().folder, list);
        SortFileList(list, true);
        total += timer.nsecsElapsed() / 1e6;
    }
    Record(state, "listing", total);
}
BENCHMARK(BM_ListAndSort)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Peer: only the settings records of the same files, read one after another.
void BM_ReadSettingsRecords(benchmark::State& state) {
    double total = 0;
    const QStringList files = Songs().files;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        tSongSettings settings;
        int read = 0;
        for (const QString& file : files)
            read += ReadSettingsRecord(file, settings) ? 1 : 0;
        total += timer.nsecsElapsed() / 1e6;
        benchmark::DoNotOptimize(read);
    }
    Record(state, "settings records", total);
}
BENCHMARK(BM_ReadSettingsRecords)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Peer: the folder's names and kinds, as a plain file listing would show them.
void BM_PlainDirectoryListing(benchmark::State& state) {
    double total = 0;
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        int count = 0;
        QDirIterator it(Songs().folder, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot);
        while (it.hasNext())
            count += it.nextFileInfo().isDir() ? 0 : 1;
        total += timer.nsecsElapsed() / 1e6;
        benchmark::DoNotOptimize(count);
    }
    Record(state, "plain listing", total);
}
BENCHMARK(BM_PlainDirectoryListing)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void PrintRatios() {
    const auto& m = Means();
    auto ratio = [&m](const char* a, const char* b) {
        if (m.count(a) && m.count(b) && m.at(b) > 0)
            std::printf("%-12s / %-17s = %6.2f  (%.2f ms / %.2f ms)\n", a, b, m.at(a) / m.at(b), m.at(a),
                        m.at(b));
    };
    ratio("first paint", "settings records");
    ratio("listing", "settings records");
    ratio("listing", "plain listing");
    if (m.count("first paint"))
        std::printf("first painted list of %d songs: %.1f ms (goal: under 300 ms)\n", kSongCount,
                    m.at("first paint"));
}

} // namespace
} // namespace lyrimo

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    lyrimo::Songs(); // written before any timing starts
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    lyrimo::PrintRatios();
    return 0;
}
