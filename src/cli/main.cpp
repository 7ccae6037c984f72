// lyrimo-cli: the headless companion of Lyrimo, for people and for other tools.
#include "app/app_services.h"
#include "app/command_line.h"
#include "app/settings.h"
#include "app/temp_files.h"
#include "cli/balls_command.h"
#include "cli/calibrate_command.h"
#include "cli/cli_support.h"
#include "cli/config_command.h"
#include "cli/find_command.h"
#include "cli/import_commands.h"
#include "cli/info_command.h"
#include "cli/play_command.h"
#include "cli/playlist_command.h"
#include "cli/queue_command.h"
#include "cli/render_command.h"
#include "cli/render_line_command.h"
#include "cli/song_json.h"
#include "cli/style_command.h"
#include "cli/template_commands.h"
#include "cli/text_command.h"
#include "cli/tool_commands.h"
#include "document/song.h"
#include "media/player_presence.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStringList>

#include <cstdio>

using namespace lyrimo;

namespace {

constexpr const char* kUsage =
    "Usage:\n"
    "  lyrimo-cli dump [--no-media] [--display WxH] FILE   describe a song as JSON\n"
    "  lyrimo-cli resave [--display WxH] IN.lym OUT.lym    load a song with its media and save it again\n"
    "  lyrimo-cli settings FILE                            read only a song's settings record\n"
    "  lyrimo-cli config list | get KEY | set KEY VALUE    show or change the preferences\n"
    "  lyrimo-cli convert IN OUT.lym [--display WxH]       import a .lym, .mid, .midi, .kar, .rmi, .lrc or "
    ".kok\n"
    "                                                      file and save it as a song\n"
    "  lyrimo-cli export-lrc IN.lym OUT.lrc [--part N]     write part N (default 0) as an LRC file\n"
    "  lyrimo-cli template list | save NAME SONG.lym | apply NAME SONG.lym | delete NAME\n"
    "                                                      keep a song's look as an import template, or use "
    "one\n"
    "  lyrimo-cli batch-convert [--template NAME]... [--out DIR] FILE|FOLDER...\n"
    "                                                      convert many files, each with one of the "
    "templates\n"
    "  lyrimo-cli play MEDIA [--from MS] [--for MS] [--player N]\n"
    "                                                      play a media file or a song's media, printing the "
    "clock\n"
    "  lyrimo-cli players                                  list the players, whether each is here, and its "
    "file types\n"
    "  lyrimo-cli calibrate [--offset MS]                  show the lyrics offset, or set it (-2000 to "
    "2000;\n"
    "                                                      positive draws the lyrics later)\n"
    "  lyrimo-cli render SONG.lym --time MS [--size WxH] OUT.png\n"
    "                                                      draw the frame a performance shows at a media "
    "time\n"
    "  lyrimo-cli render SONG.lym --from MS --to MS --fps N [--size WxH] [--title] OUTDIR\n"
    "                                                      draw a performance frame by frame "
    "(frame_00000.png ...)\n"
    "  lyrimo-cli render-line SONG.lym --part P --line L --time MS [--size WxH] OUT.png\n"
    "                                                      draw one lyrics line as it looks at a media time\n"
    "  lyrimo-cli text [--font NAME] [--size PT] [--rtl] [--width PX] TEXT OUT.png\n"
    "                                                      draw a text wrapped and laid out as lyrics are\n"
    "  lyrimo-cli style SONG.lym [--ball N] [--text-mode M] [--lyrics-size PT] [--display D]\n"
    "                                                      change how every part is shown; saves in place\n"
    "  lyrimo-cli find [--mode contain|start|end|not] [--in song,artist,album,lyrics,file] TEXT DIR\n"
    "                                                      list the songs under DIR whose song names\n"
    "                                                      (or the texts chosen with --in) match TEXT\n"
    "  lyrimo-cli playlist show FILE.lpl                   list a playlist's flags and songs\n"
    "  lyrimo-cli playlist add FILE.lpl [--requester] [--random 0|1] SONG.lym...\n"
    "                                                      append songs (the playlist is made when missing)\n"
    "  lyrimo-cli playlist remove FILE.lpl INDEX|SONG...   remove entries by number (from 1) or song path\n"
    "  lyrimo-cli queue show                               the singer queue: singers in turn order, their\n"
    "                                                      songs and how long each waits\n"
    "  lyrimo-cli queue add NAME SONG.lym [--key N]        request a song for a singer (key change -6 to "
    "+6);\n"
    "                                                      prints the entry's id\n"
    "  lyrimo-cli queue next                               take the next song in rotation and print it\n"
    "  lyrimo-cli balls OUT.png                            draw every built-in ball and instrumental "
    "animation,\n"
    "                                                      frame by frame, on one sheet\n"
    "  lyrimo-cli info SONG.lym                            a song's details, as its file properties show "
    "them\n"
    "  lyrimo-cli thumbnail SONG.lym OUT.png [--size N]    the song's title screen as a picture N pixels "
    "wide\n"
    "  lyrimo-cli voice-suppress IN OUT.wav [--reduction N] [--treble-cut L] [--reverb L] [--delay D]\n"
    "             [--recursive 0|1]                        take the centre voice out of a stereo sound file\n"
    "                                                      (a mono WAVE file)\n"
    "  lyrimo-cli sort-files DIR [--subfolders] [--list OUT.csv] [--dry-run] [--prefix P] [--start N]\n"
    "             [--suffix S]                             give song files numbered names and list them\n"
    "\n"
    "--display WxH sets the lyrics display size for new songs and for songs that have none\n"
    "(1024x768 when not given).\n";

int UsageError(const QString& problem) {
    std::fprintf(stderr, "lyrimo-cli: %s\n\n%s", qUtf8Printable(problem), kUsage);
    return 2;
}

void PrintJson(const QByteArray& json) {
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
    std::fputc('\n', stdout);
}

struct tOptions {
    bool loadMedia = true;
    QStringList files;
};

// Takes the options every command shares; false (with a message printed) on a bad one.
bool ParseOptions(const QStringList& args, tOptions& options, QString& problem) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--no-media") {
            options.loadMedia = false;
        } else if (arg == "--display") {
            if (i + 1 >= args.size() || !ParseDisplaySize(args[i + 1])) {
                problem = "--display needs a size such as 1920x1080";
                return false;
            }
            ++i;
        } else if (arg.startsWith("--")) {
            problem = "unknown option " + arg;
            return false;
        } else {
            options.files << arg;
        }
    }
    return true;
}

int Dump(const tOptions& options) {
    if (options.files.size() != 1)
        return UsageError("dump takes one song file");
    tLyrimoData song;
    int result = song.LoadFromFile(options.files[0], options.loadMedia);
    PrintJson(SongToJson(song, result));
    if (result != 0)
        std::fprintf(stderr, "lyrimo-cli: %s: %s\n", qUtf8Printable(options.files[0]),
                     qUtf8Printable(LoadResultText(result)));
    ReportDamage(options.files[0], song);
    return result == 0 ? 0 : 1;
}

int Resave(const tOptions& options) {
    if (options.files.size() != 2)
        return UsageError("resave takes a song file to read and one to write");
    tLyrimoData song;
    if (int result = song.LoadFromFile(options.files[0], true)) {
        std::fprintf(stderr, "lyrimo-cli: cannot load %s: %s\n", qUtf8Printable(options.files[0]),
                     qUtf8Printable(LoadResultText(result)));
        return 1;
    }
    ReportDamage(options.files[0], song);
    if (int result = song.SaveToFile(options.files[1])) {
        const QString why = SaveResultText(result);
        std::fprintf(stderr, "lyrimo-cli: cannot save %s: %s\n", qUtf8Printable(options.files[1]),
                     qUtf8Printable(why));
        return 1;
    }
    return 0;
}

int ReadSettings(const tOptions& options) {
    if (options.files.size() != 1)
        return UsageError("settings takes one song file");
    tSongSettings settings;
    bool ok = ReadSettingsRecord(options.files[0], settings);
    PrintJson(SettingsRecordToJson(ok, settings));
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    RemoveTempFilesOnSignals();
    QStringList args = ArgumentsFromSystem(argc, argv);
    if (args.isEmpty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, args.isEmpty() ? stderr : stdout);
        return args.isEmpty() ? 2 : 0;
    }
    const QString command = args.takeFirst();
    if (command == "config")
        return RunConfigCommand(args);

    EnableBuiltEnginesByDefault();
    Settings().Load(*OpenSettingsStore());
    if (command == "convert")
        return RunConvertCommand(args);
    if (command == "template")
        return RunTemplateCommand(args);
    if (command == "batch-convert")
        return RunBatchConvertCommand(args);
    if (command == "export-lrc")
        return RunExportLrcCommand(args);
    if (command == "play")
        return RunPlayCommand(args);
    if (command == "players")
        return RunPlayersCommand(args);
    if (command == "text")
        return RunTextCommand(args);
    if (command == "info")
        return RunInfoCommand(args);
    if (command == "thumbnail")
        return RunThumbnailCommand(args);
    if (command == "voice-suppress")
        return RunVoiceSuppressCommand(args);
    if (command == "sort-files")
        return RunSortFilesCommand(args);
    if (command == "render")
        return RunRenderCommand(args);
    if (command == "render-line")
        return RunRenderLineCommand(args);
    if (command == "style")
        return RunStyleCommand(args);
    if (command == "balls")
        return RunBallsCommand(args);
    if (command == "find")
        return RunFindCommand(args);
    if (command == "playlist")
        return RunPlaylistCommand(args);
    if (command == "queue")
        return RunQueueCommand(args);
    if (command == "calibrate")
        return RunCalibrateCommand(args);
    tOptions options;
    QString problem;
    if (!ParseOptions(args, options, problem))
        return UsageError(problem);

    if (command == "dump")
        return Dump(options);
    if (command == "resave")
        return Resave(options);
    if (command == "settings")
        return ReadSettings(options);
    return UsageError("unknown command " + command);
}
