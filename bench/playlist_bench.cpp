// The rows of a playlist of 500 songs: each song's names and media from its settings record,
// beside reading the first 4 KB of each file (the floor) and loading each song without media
// (what the rows would cost if they loaded the songs).
#include "document/song.h"
#include "playlist/playlist_rows.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace lyrimo;

namespace {

constexpr int kSongs = 500;

const QStringList& SongFiles() {
    static QTemporaryDir folder;
    static const QStringList files = [] {
        QStringList paths;
        tLyrimoData song;
        song.SetSongName("Twinkle, twinkle");
        song.SetArtistName("Traditional");
        song.SetAlbumName("Nursery Rhymes");
        song.SongSettings.setMediaFileName("/music/twinkle.ogg");
        song.SongSettings.setUseMediaFile(1);
        for (int l = 0; l < 60; ++l) {
            tTimingsLineType& line = *song.GetPart(0)->AddLine();
            line.LineRecord.setText("Twinkle, twinkle, little star, how I wonder what you are");
            for (int t = 0; t < 12; ++t)
                line.AddTiming(MakeTiming(static_cast<uint8_t>(t * 4), static_cast<uint16_t>(t * 250)));
        }
        for (int i = 0; i < kSongs; ++i) {
            const QString path = folder.filePath(QString("song%1.lym").arg(i));
            song.SaveToFile(path);
            paths << path;
        }
        return paths;
    }();
    return files;
}

void BM_PlaylistRows(benchmark::State& state) {
    const QStringList& files = SongFiles();
    for (auto _ : state)
        for (const QString& file : files)
            benchmark::DoNotOptimize(ReadPlaylistRow(file));
    state.SetItemsProcessed(state.iterations() * files.size());
}
BENCHMARK(BM_PlaylistRows)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlaylistFileHeads(benchmark::State& state) {
    const QStringList& files = SongFiles();
    for (auto _ : state) {
        for (const QString& file : files) {
            QFile in(file);
            in.open(QIODevice::ReadOnly);
            benchmark::DoNotOptimize(in.read(4096));
        }
    }
    state.SetItemsProcessed(state.iterations() * files.size());
}
BENCHMARK(BM_PlaylistFileHeads)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PlaylistSongsLoaded(benchmark::State& state) {
    const QStringList& files = SongFiles();
    for (auto _ : state) {
        for (const QString& file : files) {
            tLyrimoData song;
            benchmark::DoNotOptimize(song.LoadFromFile(file, false));
        }
    }
    state.SetItemsProcessed(state.iterations() * files.size());
}
BENCHMARK(BM_PlaylistSongsLoaded)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
