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

const QString kOffsetKey = "Playback/Lyrics offset (ms)";

class CalibrateCommand : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = Settings().LyricsOffsetMs;
        OpenSettingsStore()->remove(kOffsetKey);
    }
    void TearDown() override { Settings().LyricsOffsetMs = saved_; }

    static QString Run(int& rc, const QStringList& args) {
        return CapturedOutput(rc, [&] { return RunCalibrateCommand(args); });
    }
    static int StoredOffset() {
        tSettingsClass loaded;
        loaded.Load(*OpenSettingsStore());
        return loaded.LyricsOffsetMs;
    }

private:
    int saved_ = 0;
};

TEST_F(CalibrateCommand, SetsTheOffsetSavesItAndShowsIt) {
    int rc = -1;
    Settings().LyricsOffsetMs = 0;
    EXPECT_EQ(Run(rc, {}), "lyrics offset: 0 ms\n");
    EXPECT_EQ(rc, 0);

    EXPECT_EQ(Run(rc, {"--offset", "150"}), "lyrics offset: +150 ms (the lyrics are drawn later)\n");
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Settings().LyricsOffsetMs, 150);
    EXPECT_EQ(StoredOffset(), 150);

    EXPECT_EQ(Run(rc, {"--offset", "-2000"}), "lyrics offset: -2000 ms (the lyrics are drawn earlier)\n");
    EXPECT_EQ(StoredOffset(), -2000);
    EXPECT_EQ(Run(rc, {}), "lyrics offset: -2000 ms (the lyrics are drawn earlier)\n");
}

TEST_F(CalibrateCommand, RefusesWhatIsNoOffsetAndStoresNothing) {
    int rc = -1;
    Run(rc, {"--offset", "40"});
    ASSERT_EQ(rc, 0);
    const QList<QStringList> refused = {
        {"--offset", "2001"}, {"--offset", "-2001"},  {"--offset", "12.5"}, {"--offset", "soon"},
        {"--offset"},         {"--offset", "5", "6"}, {"--ofset", "5"},     {"5"}};
    for (const QStringList& args : refused) {
        EXPECT_TRUE(Run(rc, args).isEmpty()) << args.join(' ').toStdString();
        EXPECT_EQ(rc, 2) << args.join(' ').toStdString();
    }
    EXPECT_EQ(Settings().LyricsOffsetMs, 40);
    EXPECT_EQ(StoredOffset(), 40);
}

} // namespace
