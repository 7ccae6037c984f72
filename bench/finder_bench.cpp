// The song finder over 10,000 small songs in 40 folders, against the time `cat` takes to read
// every one of them: `find DIR -name '*.lym' -exec cat {} + > /dev/null`, spawned in the same
// iteration, so both see the same warm cache. Reported as the counters title_ratio and
// lyrics_ratio (search time over cat time). A stricter floor is measured too: the same walk
// and whole-file reads done in this process (read_ratio counters), with no programs started.
#include "song_tree.h"
#include "tools/song_finder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

constexpr int kSongs = 10000;
constexpr int kVariants = 100;
constexpr int kFolders = 40;

const QStringList kWords = {"night", "river", "heart", "summer", "dance", "rain", "fire", "dream"};

// Songs of 4 to 7 lyric lines; a hundred different ones, copied to make up the tree.
QString Tree() {
    static QTemporaryDir folder;
    static const QString root = [] {
        const QString variants = folder.filePath("variants");
        QList<QByteArray> songs;
        for (int v = 0; v < kVariants; ++v) {
            tSongContent content;
            content.songName = kWords[v % 8] + " " + kWords[(v / 8) % 8] + " " + QString::number(v);
            content.artist = "Artist " + QString::number(v % 17);
            content.album = "Album " + QString::number(v % 11);
            for (int l = 0; l < 4 + v % 4; ++l)
                content.lyrics << "oh the " + kWords[(v + l) % 8] + " and the " + kWords[(v * 3 + l) % 8] +
                                      " tonight";
            const QString path = variants + "/" + QString::number(v) + ".lym";
            if (!WriteSong(path, content))
                std::abort();
            QFile file(path);
            file.open(QIODevice::ReadOnly);
            songs << file.readAll();
        }
        const QString tree = folder.filePath("tree");
        for (int i = 0; i < kSongs; ++i) {
            // Two levels: ten groups of four folders.
            const int f = i % kFolders;
            const QString dir = tree + QString("/group%1/folder%2").arg(f / 4).arg(f);
            QDir().mkpath(dir);
            QFile file(dir + QString("/song%1.lym").arg(i));
            if (!file.open(QIODevice::WriteOnly) || file.write(songs[i % kVariants]) < 0)
                std::abort();
        }
        return tree;
    }();
    return root;
}

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Reads every .lym file below the folder to its end; returns how many.
int ReadEveryFile(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return 0;
    int files = 0;
    char buffer[16384];
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name[0] == '.')
            continue;
        const std::string path = folder + "/" + name;
        if (entry->d_type == DT_DIR) {
            files += ReadEveryFile(path);
        } else if (name.size() > 4 && name.compare(name.size() - 4, 4, ".lym") == 0) {
            const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
            while (fd >= 0 && read(fd, buffer, sizeof buffer) > 0) {
            }
            if (fd >= 0)
                close(fd);
            ++files;
        }
    }
    closedir(dir);
    return files;
}

size_t Search(const QString& root, const QString& text, bool lyrics) {
    tFindRequest request;
    request.text = text;
    request.folder = root;
    request.songNames = !lyrics;
    request.artists = !lyrics;
    request.lyrics = lyrics;
    tSongFinder finder(request);
    finder.Run();
    if (finder.SongsLookedAt() != kSongs)
        std::abort();
    return finder.Hits().size();
}

void BM_FinderAgainstCat(benchmark::State& state) {
    const QString root = Tree();
    const std::string cat = "find '" + root.toStdString() + "' -name '*.lym' -exec cat {} + > /dev/null";
    if (std::system(cat.c_str()) != 0) // warms the cache for both
        std::abort();
    double catTime = 0, readTime = 0, titleTime = 0, lyricsTime = 0;
    size_t titleHits = 0, lyricsHits = 0;
    for (auto _ : state) {
        catTime += Seconds([&] {
            if (std::system(cat.c_str()) != 0)
                std::abort();
        });
        readTime += Seconds([&] {
            if (ReadEveryFile(root.toStdString()) != kSongs)
                std::abort();
        });
        titleTime += Seconds([&] { titleHits = Search(root, "river", false); });
        lyricsTime += Seconds([&] { lyricsHits = Search(root, "summer and", true); });
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["cat_ms"] = catTime / n * 1000;
    state.counters["read_ms"] = readTime / n * 1000;
    state.counters["title_read_ratio"] = titleTime / readTime;
    state.counters["lyrics_read_ratio"] = lyricsTime / readTime;
    state.counters["title_ms"] = titleTime / n * 1000;
    state.counters["lyrics_ms"] = lyricsTime / n * 1000;
    state.counters["title_ratio"] = titleTime / catTime;
    state.counters["lyrics_ratio"] = lyricsTime / catTime;
    state.counters["title_hits"] = static_cast<double>(titleHits);
    state.counters["lyrics_hits"] = static_cast<double>(lyricsHits);
}
BENCHMARK(BM_FinderAgainstCat)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
