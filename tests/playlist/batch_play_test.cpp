// The batch play loop: the random playing order, songs that cannot be loaded, and the user
// skipping or ending the show.
#include "playlist/batch_play.h"

#include "app/app_services.h"
#include "document/song.h"
#include "playlist/playlist_file.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <set>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

TEST(BatchPlayOrder, InOrderWithoutRandom) {
    std::mt19937 random(1);
    EXPECT_EQ(PlayingOrder(4, false, random), std::vector<int>({0, 1, 2, 3}));
    EXPECT_TRUE(PlayingOrder(0, true, random).empty());
    EXPECT_EQ(PlayingOrder(1, true, random), std::vector<int>({0}));
}

TEST(BatchPlayOrder, RandomOrderCoversEverySongOnceAndNeverAppends) {
    std::mt19937 random(7);
    std::set<std::vector<int>> seen;
    for (int run = 0; run < 400; ++run) {
        const std::vector<int> order = PlayingOrder(3, true, random);
        ASSERT_EQ(std::set<int>(order.begin(), order.end()), std::set<int>({0, 1, 2}));
        // The first entry always ends up last and the second always before it.
        EXPECT_EQ(order[2], 0);
        EXPECT_EQ(order[1] == 1 || order[0] == 1, true);
        seen.insert(order);
    }
    EXPECT_EQ(seen, std::set<std::vector<int>>({{1, 2, 0}, {2, 1, 0}}));

    for (int run = 0; run < 50; ++run) {
        const std::vector<int> order = PlayingOrder(40, true, random);
        EXPECT_EQ(std::set<int>(order.begin(), order.end()).size(), 40u);
    }
}

// A playlist of songs named after their entries; the loader fails on names starting "bad".
class BatchPlay : public ::testing::Test {
protected:
    tBatchKaraokeFile playlist;
    QStringList log;
    std::deque<bool> skipAnswers;
    std::deque<int> playResults;
    std::mt19937 random{3};

    tBatchPlaySteps Steps() {
        tBatchPlaySteps steps;
        steps.random = &random;
        steps.load = [this](tLyrimoData& song, const QString& file) {
            log << "load " + file;
            if (file.startsWith("bad"))
                return -1;
            song.SetSongName(file.toLatin1());
            return 0;
        };
        steps.skipUnloadable = [this](const QString& file) {
            log << "ask " + file;
            const bool skip = skipAnswers.empty() || skipAnswers.front();
            if (!skipAnswers.empty())
                skipAnswers.pop_front();
            return skip;
        };
        steps.perform = [this](tLyrimoData& song, bool requester) {
            log << "play " + QString::fromLatin1(song.SongName()) + (requester ? " with requester" : "");
            const int result = playResults.empty() ? 0 : playResults.front();
            if (!playResults.empty())
                playResults.pop_front();
            return result;
        };
        steps.progress = [this](int position, int count) {
            log << QString("song %1 of %2").arg(position).arg(count);
        };
        return steps;
    }
};

TEST_F(BatchPlay, PlaysEverySongAndPassesTheRequesterFlag) {
    playlist.Entries = {"0one", "1two", "0three"};
    playResults = {0, 1, 0}; // a finished, a skipped and a finished song
    EXPECT_TRUE(PlayPlaylist(playlist, Steps()));
    EXPECT_EQ(log, QStringList({"song 1 of 3", "load one", "play one", "song 2 of 3", "load two",
                                "play two with requester", "song 3 of 3", "load three", "play three"}));
}

TEST_F(BatchPlay, AnUnloadableSongIsSkippedOrEndsTheBatchAsTheUserAnswers) {
    playlist.Entries = {"0one", "0bad.lym", "0three"};
    EXPECT_TRUE(PlayPlaylist(playlist, Steps()));
    EXPECT_TRUE(log.contains("ask bad.lym"));
    EXPECT_TRUE(log.contains("play three"));

    log.clear();
    skipAnswers = {false};
    EXPECT_FALSE(PlayPlaylist(playlist, Steps()));
    EXPECT_FALSE(log.contains("load three"));
}

TEST_F(BatchPlay, EndingThePresentationEndsTheBatch) {
    playlist.Entries = {"0one", "0two", "0three"};
    playResults = {0, 2};
    EXPECT_FALSE(PlayPlaylist(playlist, Steps()));
    EXPECT_TRUE(log.contains("play two"));
    EXPECT_FALSE(log.contains("load three"));
}

TEST_F(BatchPlay, RandomOrderPlaysTheFirstEntryLastAndLeavesThePlaylistAlone) {
    playlist.Entries = {"0one", "0two", "0three"};
    playlist.RandomOrder = true;
    EXPECT_TRUE(PlayPlaylist(playlist, Steps()));
    EXPECT_EQ(log.filter("play ").size(), 3);
    EXPECT_EQ(log.last(), "play one");
    EXPECT_EQ(playlist.Entries, QStringList({"0one", "0two", "0three"}));
}

TEST_F(BatchPlay, TheStandardLoaderAsksAboutAMissingSongWithItsNameOnly) {
    tHeadlessServices services;
    services.printMessages = false;
    services.scriptedAnswers = {mb::IdOk};
    SetApp(&services);
    const QString good = ScratchFolder() + "/good.lym";
    tLyrimoData song;
    song.SetSongName("Good Song");
    ASSERT_EQ(song.SaveToFile(good), 0);
    playlist.Entries = {PlaylistEntry(ScratchFolder() + "/missing.lym"), PlaylistEntry(good)};

    tBatchPlaySteps steps;
    steps.perform = [this](tLyrimoData& played, bool) {
        log << "play " + QString::fromLatin1(played.SongName());
        return 0;
    };
    EXPECT_TRUE(PlayPlaylist(playlist, steps));
    SetApp(nullptr);
    EXPECT_EQ(log, QStringList({"play Good Song"}));
    ASSERT_EQ(services.shownMessages.size(), 1);
    EXPECT_EQ(services.shownMessages[0],
              "Error: The file \"missing.lym\" could not be loaded during Batch Karaoke Playback.\r\n"
              "Do you want to skip to the next song?");
}

} // namespace
