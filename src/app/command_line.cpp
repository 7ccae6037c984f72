#include "app/command_line.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

#ifndef LYRIMO_VERSION_MAJOR
#define LYRIMO_VERSION_MAJOR -1
#define LYRIMO_VERSION_MINOR -1
#define LYRIMO_VERSION_PATCH -1
#endif

namespace lyrimo {
namespace {

QString Argument(const QStringList& arguments, int index) {
    return index < arguments.size() ? arguments[index].trimmed() : QString();
}

struct tLongOption {
    const char* name;
    tEntryMode mode;
    bool takesFile;
};

constexpr tLongOption kLongOptions[] = {
    {"--play", tEntryMode::PlaySong, true},        {"--edit", tEntryMode::EditSong, true},
    {"--show", tEntryMode::PlayPlaylist, true},    {"--batch", tEntryMode::BatchPlaySetup, true},
    {"--find", tEntryMode::FindSongs, false},      {"--help", tEntryMode::ShowHelp, false},
    {"--version", tEntryMode::ShowVersion, false},
};

tStartRequest Problem(const QString& text) { return {tEntryMode::UsageError, {}, text}; }

// "--play FILE" or "--play=FILE"; first is the first argument, already known to start with "--".
tStartRequest ParseLongOption(const QStringList& arguments, const QString& first) {
    const qsizetype equals = first.indexOf('=');
    const QString name = equals < 0 ? first : first.left(equals);
    for (const tLongOption& option : kLongOptions) {
        if (name != QLatin1String(option.name))
            continue;
        if (!option.takesFile) {
            if (equals >= 0)
                return Problem(name + " takes no value");
            return {option.mode, {}, {}};
        }
        const QString file = equals >= 0 ? first.mid(equals + 1).trimmed() : Argument(arguments, 1);
        if (file.isEmpty())
            return Problem(name + " needs a file");
        return {option.mode, file, {}};
    }
    return Problem("unknown option " + name);
}

} // namespace

tStartRequest ParseCommandLine(const QStringList& arguments) {
    const QString file = Argument(arguments, 0);
    if (file.startsWith("--"))
        return ParseLongOption(arguments, file);

    const QString option = Argument(arguments, 1).toUpper();
    if (option == "/SHOW")
        return {tEntryMode::PlayPlaylist, file, {}};
    if (option == "/BATCH")
        return {tEntryMode::BatchPlaySetup, file, {}};
    // Exactly as the desktop's find extension passes it: "/find" opens the menu.
    if (file == "/FIND")
        return {tEntryMode::FindSongs, {}, {}};
    if (option == "/VIEW" || option == "/PLAY")
        return {tEntryMode::PlaySong, file, {}};
    if (option == "/IMPORT" || option == "/EDIT")
        return {tEntryMode::EditSong, file, {}};
    return {};
}

QString UsageText() {
    return "Usage:\n"
           "  lyrimo                     open the main menu\n"
           "  lyrimo FILE /PLAY          play a song (also /VIEW)\n"
           "  lyrimo FILE /EDIT          open a song or an importable file in the song editor (also "
           "/IMPORT)\n"
           "  lyrimo FILE /SHOW          play a playlist\n"
           "  lyrimo FILE /BATCH         open a playlist in the batch-play window\n"
           "  lyrimo /FIND               search folders for songs\n"
           "\n"
           "  --play FILE, --edit FILE, --show FILE, --batch FILE, --find\n"
           "                             the same, in the long form\n"
           "  --help                     show this text\n"
           "  --version                  show the program's version\n";
}

QString VersionNumberText(int major, int minor) {
    if (major < 0 || minor < 0)
        return "???";
    return QString::number(major) + "." + QString::number(minor).rightJustified(2, '0');
}

tProgramVersion ProgramVersion() {
    return {LYRIMO_VERSION_MAJOR, LYRIMO_VERSION_MINOR, LYRIMO_VERSION_PATCH};
}

bool IsPreRelease(const tProgramVersion& version) { return version.major == 0; }

QString VersionBanner() {
    const tProgramVersion version = ProgramVersion();
    return "Lyrimo " + VersionNumberText(version.major, version.minor);
}

namespace {

bool IsUtf8Name(const QByteArray& name) { return QFile::encodeName(QFile::decodeName(name)) == name; }

// A name as text: UTF-8 when it is, else one character per byte, which is how the Latin-1
// names of old karaoke collections read.
QString ReadableName(const QByteArray& name) {
    return IsUtf8Name(name) ? QFile::decodeName(name) : QString::fromLatin1(name);
}

// Qt opens files by names it writes as UTF-8, so a file whose name is not UTF-8 is reached
// through a link of the same readable name, one folder per argument, in a folder of this
// run that goes when the program ends. Empty when no link could be made.
QString LinkWithUtf8Name(const QByteArray& raw) {
    static QTemporaryDir links(QDir::tempPath() + "/lyrimo-names-XXXXXX");
    static int count = 0;
    if (!links.isValid())
        return {};
    QByteArray target = raw;
    if (!target.startsWith('/')) {
        char cwd[PATH_MAX];
        if (!::getcwd(cwd, sizeof cwd))
            return {};
        target = QByteArray(cwd) + '/' + raw;
    }
    const QString folder = links.path() + '/' + QString::number(count++);
    const QString link = folder + '/' + ReadableName(raw.mid(raw.lastIndexOf('/') + 1));
    if (!QDir().mkdir(folder) || ::symlink(target.constData(), QFile::encodeName(link).constData()) != 0)
        return {};
    return link;
}

} // namespace

QString ArgumentFromSystem(const char* raw) {
    const QByteArray bytes(raw);
    if (IsUtf8Name(bytes))
        return QFile::decodeName(bytes);
    struct stat st {};
    if (::stat(raw, &st) == 0) {
        if (const QString link = LinkWithUtf8Name(bytes); !link.isEmpty())
            return link;
    }
    return ReadableName(bytes);
}

QStringList ArgumentsFromSystem(int argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << ArgumentFromSystem(argv[i]);
    return arguments;
}

} // namespace lyrimo
