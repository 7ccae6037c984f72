#include "cli/tool_commands.h"

#include "cli/cli_support.h"

#include "tools/file_sorter.h"
#include "tools/voice_suppressor.h"

#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace lyrimo {
namespace {

constexpr const char* kVoiceUsage =
    "voice-suppress IN OUT.wav [--reduction 50..100] [--treble-cut 0..5] [--reverb 0..5] [--delay 0..9]\n"
    "                          [--recursive 0|1]";
constexpr const char* kSortUsage =
    "sort-files DIR [--subfolders] [--list OUT.csv] [--dry-run] [--prefix TEXT] [--start 0..32767]\n"
    "                      [--suffix TEXT]";

bool ParseVoiceOptions(const QStringList& args, tVoiceRemSettings& s, QStringList& files, QString& problem) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        int recursive = 1;
        if (arg == "--reduction") {
            if (!ReadIntArgument(args, i, 50, 100, s.Reduction))
                return problem = "--reduction needs a share from 50 to 100", false;
        } else if (arg == "--treble-cut") {
            if (!ReadIntArgument(args, i, 0, 5, s.TrebleCut))
                return problem = "--treble-cut needs a level from 0 to 5", false;
        } else if (arg == "--reverb") {
            if (!ReadIntArgument(args, i, 0, 5, s.ReverbLevel))
                return problem = "--reverb needs a level from 0 to 5", false;
        } else if (arg == "--delay") {
            if (!ReadIntArgument(args, i, 0, 9, s.ReverbDelay))
                return problem = "--delay needs a delay from 0 to 9", false;
        } else if (arg == "--recursive") {
            if (!ReadIntArgument(args, i, 0, 1, recursive))
                return problem = "--recursive needs 0 or 1", false;
            s.RecursiveReverb = recursive == 1;
        } else if (arg.startsWith("--")) {
            return problem = "unknown option " + arg, false;
        } else {
            files << arg;
        }
    }
    if (files.size() != 2)
        return problem = "give one input file and one output file", false;
    return true;
}

} // namespace

int RunVoiceSuppressCommand(const QStringList& args) {
    tVoiceRemSettings settings;
    QStringList files;
    QString problem;
    if (!ParseVoiceOptions(args, settings, files, problem))
        return UsageError(problem, kVoiceUsage);
    tVoiceSuppression run;
    if (const QString refusal = run.Begin(files[0], files[1], settings); !refusal.isEmpty()) {
        PrintError(files[0] + ": " + refusal);
        return 1;
    }
    const bool showProgress = isatty(fileno(stderr));
    int shownPercent = -1;
    while (run.Step()) {
        const int percent =
            run.FrameCount() > 0 ? static_cast<int>(run.FramesDone() * 100 / run.FrameCount()) : 0;
        if (showProgress && percent != shownPercent) {
            std::fprintf(stderr, "\r%3d%%", percent);
            shownPercent = percent;
        }
    }
    if (showProgress)
        std::fputs("\r    \r", stderr);
    if (const QString failure = run.Finish(); !failure.isEmpty()) {
        PrintError(files[1] + ": " + failure);
        return 1;
    }
    std::printf("%s: %lld frames\n", qUtf8Printable(files[1]), static_cast<long long>(run.FramesDone()));
    return 0;
}

int RunSortFilesCommand(const QStringList& args) {
    tSortRequest request;
    QString listFile;
    bool dryRun = false;
    QStringList folders;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--subfolders")
            request.Subfolders = true;
        else if (arg == "--dry-run")
            dryRun = true;
        else if ((arg == "--list" || arg == "--prefix" || arg == "--suffix") && i + 1 < args.size())
            (arg == "--list" ? listFile : arg == "--prefix" ? request.Prefix : request.Suffix) = args[++i];
        else if (arg == "--start") {
            if (!ReadIntArgument(args, i, 0, 32767, request.StartNumber))
                return UsageError("--start needs a number from 0 to 32767", kSortUsage);
        } else if (arg.startsWith("--"))
            return UsageError("unknown option " + arg, kSortUsage);
        else
            folders << arg;
    }
    if (folders.size() != 1 || !QFileInfo(folders[0]).isDir())
        return UsageError("give one folder to sort", kSortUsage);
    request.Folder = folders[0];
    std::vector<tPlannedRename> plan = PlanSort(request, FindSongFiles(request.Folder, request.Subfolders));
    if (dryRun) {
        for (const tPlannedRename& rename : plan)
            std::printf("%s -> %s%s\n", qUtf8Printable(rename.From), qUtf8Printable(rename.To),
                        rename.Clash ? " (another file has that name: kept)" : "");
        return 0;
    }
    const tSortOutcome outcome = ApplySort(plan);
    for (const QString& line : outcome.Renamed)
        std::printf("%s\n", qUtf8Printable(QString(line).replace(" → ", " -> ")));
    for (const QString& line : outcome.NotRenamed)
        PrintError(line);
    bool listWritten = true;
    if (!listFile.isEmpty() && !(listWritten = WriteSortList(listFile, plan)))
        PrintError(listFile + ": the list could not be written");
    return outcome.NotRenamed.isEmpty() && listWritten ? 0 : 1;
}

} // namespace lyrimo
