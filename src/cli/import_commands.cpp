#include "cli/import_commands.h"

#include "cli/cli_support.h"

#include "app/app_services.h"
#include "document/song.h"
#include "importexport/import_dispatch.h"
#include "importexport/lrc_export.h"

#include <QFileInfo>

#include <cstdio>

namespace lyrimo {
namespace {} // namespace

int RunConvertCommand(const QStringList& args) {
    constexpr const char* kUsage = "convert IN OUT.lym [--display WxH]";
    QStringList files;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--display") {
            if (i + 1 >= args.size() || !ParseDisplaySize(args[i + 1]))
                return UsageError("--display needs a size such as 1920x1080", kUsage);
            ++i;
        } else if (args[i].startsWith("--")) {
            return UsageError("unknown option " + args[i], kUsage);
        } else {
            files << args[i];
        }
    }
    if (files.size() != 2)
        return UsageError("convert takes a file to import and a song file to write", kUsage);

    const QString& in = files[0];
    const QString extension = QFileInfo(in).suffix().toUpper();
    if (!ImportableExtensions().contains(extension)) {
        PrintError(in + ": not a file type that can be imported (" + ImportableExtensions().join(", ") + ")");
        return 1;
    }
    tLyrimoData song;
    // With a progress callback the importers report their errors, here on stderr; result
    // windows are recorded by the headless services and never shown.
    auto quietProgress = [](QObject*, tLyrimoData&, int, int, int, int) {};
    if (!ImportByExtension(in, song, quietProgress)) {
        if (extension == "LYM") {
            const int result = song.LoadFromFile(in, false);
            PrintError("cannot load " + in + ": " + LoadResultText(result == 0 ? -1 : result));
        } else {
            PrintError(ImportFailureText(in) + ": " + in);
        }
        return 1;
    }
    ReportDamage(in, song);
    if (int result = song.SaveToFile(files[1])) {
        PrintError("cannot save " + files[1] + ": " + SaveResultText(result));
        return 1;
    }
    std::printf("%s: %s\n", qUtf8Printable(files[1]), qUtf8Printable(SongSummary(song)));
    return 0;
}

int RunExportLrcCommand(const QStringList& args) {
    constexpr const char* kUsage = "export-lrc IN.lym OUT.lrc [--part N]";
    QStringList files;
    int partIndex = 0;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--part") {
            if (!ReadIntArgument(args, i, 0, 65535, partIndex))
                return UsageError("--part needs a part number (0 is the first part)", kUsage);
        } else if (args[i].startsWith("--")) {
            return UsageError("unknown option " + args[i], kUsage);
        } else {
            files << args[i];
        }
    }
    if (files.size() != 2)
        return UsageError("export-lrc takes a song file to read and an LRC file to write", kUsage);

    tLyrimoData song;
    if (int result = song.LoadFromFile(files[0], false)) {
        PrintError("cannot load " + files[0] + ": " + LoadResultText(result));
        return 1;
    }
    ReportDamage(files[0], song);
    if (!song.GetPart(partIndex)) {
        PrintError(
            QString("%1 has no part %2 (it has %3)").arg(files[0]).arg(partIndex).arg(song.PartCount()));
        return 1;
    }
    if (!ExportLrc(files[1], song, partIndex)) {
        PrintError(Translate("Error exporting song as .LRC file") + ": " + files[1]);
        return 1;
    }
    return 0;
}

} // namespace lyrimo
