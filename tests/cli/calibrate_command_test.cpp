// `lyrimo-cli calibrate`: showing the lyrics offset, setting it, and refusing what is no offset.
#include "app/app_services.h"
#include "app/settings.h"
#include "cli/calibrate_command.h"
#include "cli_test_support.h"

#include <QSettings>

#include <gtest/gtest.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

int StoredOffset() {
    tSettingsClass loaded;
    loaded.Load(*OpenSettingsStore());
    return loaded.LyricsOffsetMs;
}

QString Calibrate(int& rc, const QStringList& args) {
    return CapturedOutput(rc, [&] { return RunCalibrateCommand(args); });
}

TEST(CalibrateCommand, SetsAndSavesTheOffsetShowsItAndRefusesWhatIsNoOffset) {
    const int saved = Settings().LyricsOffsetMs;
    int rc = -1;
    Settings().LyricsOffsetMs = 0;
    EXPECT_EQ(Calibrate(rc, {}), "lyrics offset: 0 ms\n");
    EXPECT_EQ(Calibrate(rc, {"--offset", "-2000"}),
              "lyrics offset: -2000 ms (the lyrics are drawn earlier)\n");
    EXPECT_EQ(StoredOffset(), -2000);
    EXPECT_EQ(Calibrate(rc, {"--offset", "150"}), "lyrics offset: +150 ms (the lyrics are drawn later)\n");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(StoredOffset(), 150);
    EXPECT_EQ(Calibrate(rc, {}), "lyrics offset: +150 ms (the lyrics are drawn later)\n");

    const QList<QStringList> refused = {
        {"--offset", "2001"}, {"--offset", "-2001"},  {"--offset", "12.5"}, {"--offset", "soon"},
        {"--offset"},         {"--offset", "5", "6"}, {"--ofset", "5"},     {"5"}};
    for (const QStringList& args : refused) {
        EXPECT_TRUE(Calibrate(rc, args).isEmpty()) << args.join(' ').toStdString();
        EXPECT_EQ(rc, 2) << args.join(' ').toStdString();
    }
    EXPECT_EQ(Settings().LyricsOffsetMs, 150);
    EXPECT_EQ(StoredOffset(), 150);
    Settings().LyricsOffsetMs = saved;
}

} // namespace
