#include "cli/cli_support.h"

#include "app/app_services.h"
#include "document/song.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>

#include <cstdio>
#include <cstring>

namespace lyrimo {

bool ReadIntArgument(const QStringList& args, int& i, int low, int high, int& value) {
    bool ok = false;
    if (i + 1 < args.size())
        value = args[++i].toInt(&ok);
    return ok && value >= low && value <= high;
}

bool ReadSizeArgument(const QStringList& args, int& i, int& width, int& height) {
    static const QRegularExpression size("^(\\d{1,5})[xX](\\d{1,5})$");
    const QRegularExpressionMatch match =
        i + 1 < args.size() ? size.match(args[++i]) : QRegularExpressionMatch();
    width = match.hasMatch() ? match.captured(1).toInt() : 0;
    height = match.hasMatch() ? match.captured(2).toInt() : 0;
    return width >= 16 && height >= 16 && width <= 8192 && height <= 8192;
}

void PrintError(const QString& text) { std::fprintf(stderr, "lyrimo-cli: %s\n", qUtf8Printable(text)); }

int UsageError(const QString& problem, const char* usage) {
    PrintError(problem);
    std::fprintf(stderr, "Usage: lyrimo-cli %s\n", usage);
    return 2;
}

int RunAction(const QStringList& args, const char* command, std::initializer_list<tCliAction> actions,
              const char* usage) {
    QStringList names;
    for (const tCliAction& action : actions) {
        if (!args.isEmpty() && args[0] == action.name)
            return action.run(args.mid(1));
        names << action.name;
    }
    if (!args.isEmpty())
        return UsageError(QString("unknown %1 action %2").arg(command, args[0]), usage);
    const QString last = names.takeLast();
    return UsageError(QString("%1 needs %2 or %3").arg(command, names.join(", "), last), usage);
}

bool ParseDisplaySize(const QString& text) {
    static const QRegularExpression size("^(\\d{1,5})[xX](\\d{1,5})$");
    const QRegularExpressionMatch match = size.match(text);
    if (!match.hasMatch() || match.captured(1).toInt() < 1 || match.captured(2).toInt() < 1)
        return false;
    App().displaySize = {match.captured(1).toInt(), match.captured(2).toInt()};
    return true;
}

QString LoadResultText(int result) {
    if (result == -1)
        return "not a Lyrimo song file";
    if (result < 0)
        return QString("unknown error (%1)").arg(result);
    return QString::fromLocal8Bit(std::strerror(result));
}

bool ReportDamage(const QString& file, const tLyrimoData& song) {
    if (song.LoadDamage.isEmpty())
        return false;
    std::fprintf(stderr, "lyrimo-cli: %s: %s\n", qUtf8Printable(file), qUtf8Printable(DamageReport(song)));
    return true;
}

namespace {

QString Counted(qsizetype n, const char* one, const char* many) {
    return QLocale(QLocale::English).toString(n) + " " + (n == 1 ? one : many);
}

QString MediaSummary(const tLyrimoData& song) {
    const tSongSettings& s = song.SongSettings;
    if (!s.UseMediaFile())
        return QString("audio CD track %1").arg(s.CdTrack());
    const QString file = QFile::decodeName(s.MediaFileName());
    if (file.isEmpty())
        return "none";
    if (!s.EmbedMedia())
        return file;
    const QString suffix = QFileInfo(file).suffix().toLower();
    const bool midi = QStringList({"mid", "midi", "kar", "rmi"}).contains(suffix);
    const QString kind = midi ? QString("MIDI") : suffix.toUpper();
    // Without its media loaded a song knows only the kind of what it carries.
    if (!QFileInfo(file).isFile())
        return "embedded " + kind;
    return "embedded " + kind + " (" + Counted(QFileInfo(file).size(), "byte", "bytes") + ")";
}

} // namespace

QString SongSummary(const tLyrimoData& song) {
    qsizetype lines = 0, timings = 0;
    for (int p = 0; p < song.PartCount(); ++p) {
        const tLyricsData& part = *song.GetPart(p);
        lines += part.LineCount();
        for (int l = 0; l < part.LineCount(); ++l)
            timings += part.GetLine(l)->TimingCount();
    }
    return Counted(lines, "line", "lines") + ", " + Counted(song.PartCount(), "part", "parts") + ", " +
           Counted(timings, "timing", "timings") + ", media: " + MediaSummary(song);
}

QString SaveResultText(int result) {
    return result == -1 ? QString("writing failed; nothing was replaced") : LoadResultText(result);
}

} // namespace lyrimo
