#include "cli/calibrate_command.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "cli/cli_support.h"
#include "media/latency_calibration.h"

#include <cstdio>

namespace lyrimo {
namespace {

constexpr const char* kCalibrateUsage = "calibrate [--offset MS]";

QString OffsetText(int ms) {
    if (ms == 0)
        return "lyrics offset: 0 ms";
    return QString("lyrics offset: %1%2 ms (the lyrics are drawn %3)")
        .arg(ms > 0 ? "+" : "")
        .arg(ms)
        .arg(ms > 0 ? "later" : "earlier");
}

void PrintOffset(int ms) { std::printf("%s\n", qUtf8Printable(OffsetText(ms))); }

} // namespace

int RunCalibrateCommand(const QStringList& args) {
    if (args.isEmpty()) {
        PrintOffset(Settings().LyricsOffsetMs);
        return 0;
    }
    if (args[0] != "--offset")
        return UsageError("unknown argument " + args[0], kCalibrateUsage);
    int i = 0;
    int offset = 0;
    if (!ReadIntArgument(args, i, -kMaxLyricsOffsetMs, kMaxLyricsOffsetMs, offset))
        return UsageError(QString("--offset needs a whole number of milliseconds from %1 to %2")
                              .arg(-kMaxLyricsOffsetMs)
                              .arg(kMaxLyricsOffsetMs),
                          kCalibrateUsage);
    if (args.size() > 2)
        return UsageError("unexpected " + args[2], kCalibrateUsage);
    if (!StoreLyricsOffset(offset)) {
        PrintError("the settings could not be written");
        return 1;
    }
    PrintOffset(Settings().LyricsOffsetMs);
    return 0;
}

} // namespace lyrimo
