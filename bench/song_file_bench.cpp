// Loading and saving a song of 3 parts, 300 lines and 20 MB of embedded media.
#include "document/song.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace lyrimo;

namespace {

constexpr int kMediaBytes = 20 << 20;

QTemporaryDir& Folder() {
    static QTemporaryDir folder;
    return folder;
}

QString MediaPath() {
    static const QString path = [] {
        QString p = Folder().filePath("media.mp3");
        QFile file(p);
        file.open(QIODevice::WriteOnly);
        QByteArray chunk(1 << 20, '\0');
        for (int i = 0; i < chunk.size(); ++i)
            chunk[i] = static_cast<char>(i * 131 + 7);
        for (int i = 0; i < kMediaBytes / chunk.size(); ++i)
            file.write(chunk);
        return p;
    }();
    return path;
}

void FillSong(tLyrimoData& song) {
    song.SongSettings.setMediaFileName(QFile::encodeName(MediaPath()));
    song.SongSettings.setUseMediaFile(1);
    song.SongSettings.setEmbedMedia(1);
    for (int p = 0; p < 3; ++p) {
        tLyricsData* part =
            p == 0 ? song.GetPart(0) : song.GetPart(song.AddPart(std::make_unique<tLyricsData>()));
        for (int l = 0; l < 100; ++l) {
            tTimingsLineType& line = *part->AddLine();
            line.LineRecord.setText("Twinkle, twinkle, little star, how I wonder what you are");
            for (int t = 0; t < 12; ++t)
                line.AddTiming(MakeTiming(static_cast<uint8_t>(t * 4), static_cast<uint16_t>(t * 250)));
        }
    }
}

QString SavedSongPath() {
    static const QString path = [] {
        QString p = Folder().filePath("song.lym");
        tLyrimoData song;
        FillSong(song);
        song.SaveToFile(p);
        return p;
    }();
    return path;
}

void BM_SaveSong(benchmark::State& state) {
    tLyrimoData song;
    FillSong(song);
    const QString target = Folder().filePath("saved.lym");
    for (auto _ : state)
        benchmark::DoNotOptimize(song.SaveToFile(target));
    state.SetBytesProcessed(state.iterations() * QFile(target).size());
}
BENCHMARK(BM_SaveSong)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadSongWithMedia(benchmark::State& state) {
    const QString path = SavedSongPath();
    for (auto _ : state) {
        tLyrimoData song;
        benchmark::DoNotOptimize(song.LoadFromFile(path, true));
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_LoadSongWithMedia)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadSongWithoutMedia(benchmark::State& state) {
    const QString path = SavedSongPath();
    for (auto _ : state) {
        tLyrimoData song;
        benchmark::DoNotOptimize(song.LoadFromFile(path, false));
    }
}
BENCHMARK(BM_LoadSongWithoutMedia)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The floor: copying the same bytes with one read and one write.
void BM_PlainFileCopy(benchmark::State& state) {
    const QString path = SavedSongPath();
    const QString target = Folder().filePath("copy.bin");
    for (auto _ : state) {
        QFile in(path), out(target);
        in.open(QIODevice::ReadOnly);
        out.open(QIODevice::WriteOnly);
        out.write(in.readAll());
    }
    state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_PlainFileCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
