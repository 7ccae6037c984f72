#include "app/app_services.h"
#include "media/player_presence.h"

#include <gtest/gtest.h>

#include <set>

using namespace lyrimo;

namespace {

class PlayerPresence : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = Settings();
        Settings().Player2Order = DecodePlayerOrder("15324"); // 1, 5, 3, 4, 2
        OverridePlayerPresence([this](uint8_t id) { return present.count(id) > 0; });
    }
    void TearDown() override {
        OverridePlayerPresence({});
        Settings() = saved_;
    }

    std::set<uint8_t> present = {player::External, player::DirectShow, player::WindowsMediaPlayer,
                                 player::Mci, player::QuickTime};

private:
    tSettingsClass saved_;
};

TEST_F(PlayerPresence, TheExpectedPlayerIsThePreferredOneOrTheFirstInOrderThatCanPlayHere) {
    Settings().UseWinamp = true;
    Settings().UseFileExtensions = ".mp3";
    Settings().UseFileExtensionsDS = ".avi";
    Settings().UseFileExtensionsMCI = ".mp3|.avi";
    EXPECT_EQ(ExpectedPlayer(".MP3", player::None), player::External);
    EXPECT_EQ(ExpectedPlayer(".mp3", player::Mci), player::Mci);
    EXPECT_EQ(ExpectedPlayer(".avi", player::None), player::DirectShow);
    // A preferred player that does not list the type, is off or is missing gives way to the order.
    EXPECT_EQ(ExpectedPlayer(".avi", player::External), player::DirectShow);
    present.erase(player::External);
    EXPECT_EQ(ExpectedPlayer(".mp3", player::External), player::Mci);
    Settings().UseMediaPlayer = false;
    EXPECT_EQ(ExpectedPlayer(".mp3", player::None), player::None);
}

TEST_F(PlayerPresence, TheSummaryNamesThePresentPlayersThenTheMissingOnes) {
    present = {player::Mci, player::DirectShow};
    EXPECT_EQ(PlayerPresenceSummary(),
              "Built-in player, GStreamer (not found here: mpv, VLC, External player (MPRIS))");
    present.clear();
    EXPECT_TRUE(PlayerPresenceSummary().startsWith("no player"));
}

TEST(PlayerPresenceOfTheMachine, UnknownIdentifiersAreNeverPresent) {
    EXPECT_FALSE(PlayerPresent(player::None));
    EXPECT_FALSE(PlayerPresent(6));
}

} // namespace
