#include "cli/info_command.h"

#include "cli/cli_support.h"

#include "document/song.h"
#include "picture/bitmap_png.h"
#include "render/fit_picture.h"
#include "render/title_effect.h"

#include <QFileInfo>

#include <cstdio>

namespace lyrimo {
namespace {

constexpr const char* kInfoUsage = "info SONG.lym";
constexpr const char* kThumbnailUsage = "thumbnail SONG.lym OUT.png [--size 16..1024]";
constexpr int kTitleWidth = 640, kTitleHeight = 480;
constexpr int64_t kLongestTitleMs = 10000;
constexpr int kTitleStepMs = 250;

// Loads the song without its media; false, said on standard error, when it is none.
bool LoadSong(const QString& file, tLyrimoData& song) {
    if (const int result = song.LoadFromFile(file, false); result != 0) {
        PrintError(file + ": " + LoadResultText(result));
        return false;
    }
    ReportDamage(file, song);
    return true;
}

void PrintField(const char* name, const QString& value) {
    if (!value.isEmpty())
        std::printf("%s: %s\n", name, qUtf8Printable(value));
}

int64_t g_titleClock = 0;
int64_t TitleClock() { return g_titleClock; }

// The title screen once its texts have come in, as a performance shows it before the music.
Bitmap FinishedTitle(const tLyrimoData& song) {
    tTitleEffect title;
    SetTitleClock(&TitleClock);
    g_titleClock = 0;
    PrepareTitleForSong(title, song, true, kTitleWidth, kTitleHeight);
    Bitmap screen(kTitleWidth, kTitleHeight, WorkingPixelFormat());
    for (bool first = true; g_titleClock <= kLongestTitleMs; g_titleClock += kTitleStepMs, first = false) {
        if (title.Step(screen, first, true) || title.Revealed)
            break;
    }
    SetTitleClock(nullptr);
    return screen;
}

} // namespace

int RunInfoCommand(const QStringList& args) {
    if (args.size() != 1)
        return UsageError("give one song file", kInfoUsage);
    tLyrimoData song;
    if (!LoadSong(args[0], song))
        return 1;
    const tSongSettings& s = song.SongSettings;
    PrintField("Song", ShownText(s, s.SongName(), s.SongNameHigh()));
    PrintField("Artist", ShownText(s, s.ArtistName(), s.ArtistNameHigh()));
    PrintField("Album", ShownText(s, s.AlbumName(), s.AlbumNameHigh()));
    PrintField("Year", ShownText(s, s.SongYear(), s.SongYearHigh()));
    PrintField("Contents", SongSummary(song));
    PrintField("Text", s.UnicodeText() ? QString("Unicode") : QString("8-bit"));
    PrintField("Reading", s.RightToLeft() ? QString("right to left") : QString("left to right"));
    PrintField(
        "File format",
        QString("version %1.%2").arg(song.FileVersion / 100).arg(song.FileVersion % 100, 2, 10, QChar('0')));
    PrintField("File size", QString::number(QFileInfo(args[0]).size()) + " bytes");
    return 0;
}

int RunThumbnailCommand(const QStringList& args) {
    int size = 256;
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--size") {
            if (!ReadIntArgument(args, i, 16, 1024, size))
                return UsageError("--size needs a size from 16 to 1024 pixels", kThumbnailUsage);
        } else {
            files << args[i];
        }
    }
    if (files.size() != 2)
        return UsageError("give one song file and one picture file", kThumbnailUsage);
    tLyrimoData song;
    if (!LoadSong(files[0], song))
        return 1;
    const Bitmap title = FinishedTitle(song);
    Bitmap thumbnail(size, size * kTitleHeight / kTitleWidth, WorkingPixelFormat());
    StretchPicture(title, thumbnail, tMyRect{0, 0, thumbnail.Width(), thumbnail.Height()});
    if (!SavePng(thumbnail, files[1], tPngCompression::Fast)) {
        PrintError(files[1] + ": the picture cannot be written");
        return 1;
    }
    return 0;
}

} // namespace lyrimo
