#include "cli/play_command.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "document/binary_file.h"
#include "document/song.h"
#include "document/song_loading.h"
#include "media/media_player.h"
#include "media/player_catalog.h"
#include "media/player_presence.h"
#include "media/video_window.h"

#include <chrono>
#include <climits>
#include <cstdio>
#include <optional>
#include <thread>

namespace lyrimo {
namespace {

constexpr const char* kPlayUsage =
    "Usage:\n"
    "  lyrimo-cli play MEDIA [--from MS] [--for MS] [--player N]\n"
    "\n"
    "Plays MEDIA (a sound, video or MIDI file, or a song whose media is played) and prints the\n"
    "position every 100 ms with the player in use; for a video, how many of its pictures were\n"
    "decoded, shown and dropped. --from starts at a position, --for stops after that much media\n"
    "time, --player N plays with player N only (1 external, 2 VLC, 3 mpv, 4 built-in,\n"
    "5 GStreamer), whatever its list of file types says.\n";

constexpr auto kPrintInterval = std::chrono::milliseconds(100);
constexpr auto kRefreshInterval = std::chrono::milliseconds(5);

struct tPlayOptions {
    QString media;
    int from = 0;
    std::optional<int> duration;
    uint8_t player = 0;
};

int Usage(const QString& problem) {
    std::fprintf(stderr, "lyrimo-cli: %s\n\n%s", qUtf8Printable(problem), kPlayUsage);
    return 2;
}

std::optional<int> Number(const QStringList& args, int index, int min, int max) {
    bool ok = false;
    const int value = args.value(index).toInt(&ok);
    return ok && value >= min && value <= max ? std::optional<int>(value) : std::nullopt;
}

bool Parse(const QStringList& args, tPlayOptions& options, QString& problem) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--from" || arg == "--for" || arg == "--player") {
            const bool player = arg == "--player";
            const std::optional<int> value = Number(args, ++i, player ? 1 : 0, player ? 5 : INT_MAX);
            if (!value) {
                problem = arg + (player ? " needs a player number from 1 to 5" : " needs milliseconds");
                return false;
            }
            if (arg == "--from")
                options.from = *value;
            else if (arg == "--for")
                options.duration = *value;
            else
                options.player = static_cast<uint8_t>(*value);
        } else if (arg.startsWith("--")) {
            problem = "unknown option " + arg;
            return false;
        } else if (options.media.isEmpty()) {
            options.media = arg;
        } else {
            problem = "play takes one media file";
            return false;
        }
    }
    if (options.media.isEmpty())
        problem = "play needs a media file";
    return !options.media.isEmpty();
}

// Only the chosen player is tried, even when it is switched off, and it takes the file's type
// even when its list lacks it.
void ForcePlayer(uint8_t id, const QString& mediaFile) {
    Settings().Player2Order = {id, 0, 0, 0, 0};
    const tPlayerInfo* info = PlayerInfo(id);
    Settings().*info->enabled = true;
    QString& list = Settings().*info->extensions;
    const QString extension = MediaExtension(mediaFile);
    if (!BackendExtensions(list).contains(extension, Qt::CaseInsensitive))
        list += (list.isEmpty() ? "" : "|") + extension;
}

void PrintPosition(tMyMediaPlayer& media, const QString& playerName) {
    std::printf("%8d ms / %d ms  %s\n", media.GetPosition(), media.GetLength(), qUtf8Printable(playerName));
    std::fflush(stdout);
}

void PrintVideoCounts(const tVideoWindow& video) {
    const tVideoCounts& c = video.Counts();
    std::printf("video pictures: %lld decoded, %lld shown, %lld dropped\n", static_cast<long long>(c.decoded),
                static_cast<long long>(c.shown), static_cast<long long>(c.dropped));
}

// The video's pictures are taken as a playback window would, many times a second, so that the
// counts tell whether decoding keeps up.
int Play(tMyMediaPlayer& media, const tPlayOptions& options, const tVideoWindow& video) {
    const QString playerName = PlayerName(media.PlayerID());
    media.Play();
    if (options.from > 0) {
        media.SetPosition(options.from);
        media.Play();
    }
    auto nextPrint = std::chrono::steady_clock::now();
    while (true) {
        media.RefreshDisplay();
        if (std::chrono::steady_clock::now() >= nextPrint) {
            PrintPosition(media, playerName);
            nextPrint += kPrintInterval;
        }
        if (!media.IsPlaying())
            break;
        if (options.duration && media.GetPosition() >= options.from + *options.duration)
            break;
        std::this_thread::sleep_for(kRefreshInterval);
    }
    PrintPosition(media, playerName);
    if (media.VideoWidth() > 0)
        PrintVideoCounts(video);
    media.CloseCurrent();
    return 0;
}

void PrintPlayerRow(uint8_t id) {
    const tPlayerInfo* info = PlayerInfo(id);
    const tSettingsClass& settings = Settings();
    const QString types = BackendExtensions(settings.*info->extensions).join(' ');
    std::printf("%d  %-24s %-9s %-8s %s\n", id, qUtf8Printable(PlayerName(id)),
                PlayerPresent(id) ? "here" : "not here", settings.*info->enabled ? "enabled" : "off",
                qUtf8Printable(types));
}

} // namespace

int RunPlayersCommand(const QStringList& args) {
    if (!args.isEmpty()) {
        std::fprintf(stderr, "lyrimo-cli: players takes no arguments\n");
        return 2;
    }
    std::printf("%s  %-24s %-9s %-8s %s\n", "N", "player", "engine", "use", "file types");
    for (uint8_t id = player::External; id <= player::DirectShow; ++id)
        PrintPlayerRow(id);
    return 0;
}

int RunPlayCommand(const QStringList& args) {
    tPlayOptions options;
    QString problem;
    if (!Parse(args, options, problem))
        return Usage(problem);

    tLyrimoData song;
    tSongSettings songSettings;
    const bool isSong = ReadSettingsRecord(options.media, songSettings);
    if (isSong) {
        if (const int result = song.LoadFromFile(options.media, true)) {
            std::fprintf(stderr, "lyrimo-cli: cannot load %s: %s\n", qUtf8Printable(options.media),
                         qUtf8Printable(ErrorText(result)));
            return 1;
        }
        if (options.player)
            song.SongSettings.setPreferredPlayer(options.player);
    }
    if (options.player)
        ForcePlayer(options.player,
                    isSong ? PathFromField(song.SongSettings.MediaFileName()) : options.media);

    tVideoWindow video;
    tMyMediaPlayer media;
    media.ForcedPlayer = options.player;
    const bool opened = isSong ? media.OpenSongMedia(song, &video) : media.OpenFile(options.media, &video, 0);
    if (!opened) {
        const QString error = media.TakeLastError();
        std::fprintf(stderr, "lyrimo-cli: cannot play %s: %s\n", qUtf8Printable(options.media),
                     qUtf8Printable(error));
        if (error.startsWith(Translate("Unable to find a suitable player for files of type")))
            std::fputs(
                "lyrimo-cli: no enabled player lists this type; --player 4 plays it with the built-in one\n",
                stderr);
        return 1;
    }
    return Play(media, options, video);
}

} // namespace lyrimo
