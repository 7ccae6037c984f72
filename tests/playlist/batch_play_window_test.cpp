// Batch play on the screen: each song in the playback window, Space going on to the next one,
// Escape ending the batch, and the controls telling which song of how many is playing.
#include "playlist/batch_play_window.h"

#include "app/app_services.h"
#include "media_fixtures.h"
#include "playback/monitors.h"
#include "playback/playback_controls.h"
#include "playback/playback_window.h"
#include "playback_fakes.h"
#include "playlist/playlist_file.h"
#include "render/title_effect.h"
#include "test_support.h"

#include <QApplication>
#include <QKeyEvent>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ostream>

static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace lyrimo {
namespace {

int64_t FastClock() {
    using namespace std::chrono;
    return 8 * duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

class BatchPlayOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("SDL_AUDIODRIVER", "dummy", 0);
        services_.printMessages = false;
        SetApp(&services_);
        media_ = test::ScratchFolder() + "/batch-song.wav";
        test::WriteFile(media_, "RIFF");
        SetMediaPlayerFactory([this] {
            return std::make_unique<tMyMediaPlayer>([this](uint8_t id) -> std::unique_ptr<tPlayer> {
                if (id != 4)
                    return MakeStandardPlayer(id);
                auto fake = std::make_unique<test::tScriptedPlayer>(&log_);
                fake->length = 60000; // never ends by itself within a test
                return fake;
            });
        });
        SetPlaybackClock(&FastClock);
        SetTitleClock(&FastClock);
        SetMonitorsForTesting(
            {{"\\\\.\\Display0", {0, 0, 640, 480}, {}, 0}, {"SIDE", {640, 0, 1280, 480}, {}, 0}});
        Settings().CtrlMon = "SIDE";
        for (const char* name : {"a.lym", "b.lym", "c.lym"}) {
            const QString path = test::ScratchFolder() + "/batch-" + name;
            EXPECT_EQ(test::MakeSong({3}, media_)->SaveToFile(path), 0);
            playlist_.Entries << PlaylistEntry(path);
        }
    }

    void TearDown() override {
        SetPlaybackWindowHook({});
        SetMediaPlayerFactory({});
        SetPlaybackClock(nullptr);
        SetTitleClock(nullptr);
        UseRealMonitors();
        Settings().CtrlMon.clear();
        SetApp(nullptr);
    }

    // Plays the playlist; in the n-th song, once it plays, keys[n] is pressed and the controls'
    // batch line is noted.
    bool Play(const std::vector<int>& keys) {
        int windows = 0;
        SetPlaybackWindowHook([&](TPlaybackWnd& window) {
            const int song = windows++;
            window.OnYield = [&window, &keys, song, this, pressed = false]() mutable {
                if (pressed || window.State() != tPlaybackState::Playing)
                    return;
                pressed = true;
                shown_ << window.Controls().BatchText();
                QKeyEvent press(QEvent::KeyPress, song < int(keys.size()) ? keys[song] : Qt::Key_Escape,
                                Qt::NoModifier);
                QApplication::sendEvent(&window, &press);
            };
        });
        return PlayPlaylistOnScreen(playlist_);
    }

    tHeadlessServices services_;
    tBatchKaraokeFile playlist_;
    QString media_;
    QStringList log_;
    QStringList shown_;
};

TEST_F(BatchPlayOnScreen, SpaceGoesOnToTheNextSongAndEscapeEndsTheBatch) {
    EXPECT_FALSE(Play({Qt::Key_Space, Qt::Key_Escape, Qt::Key_Space}));
    EXPECT_EQ(shown_, QStringList({"Song 1 of 3", "Song 2 of 3"}));
    EXPECT_EQ(Status().BatchPosition, 0);
    EXPECT_EQ(Status().BatchCount, 0);

    shown_.clear();
    EXPECT_TRUE(Play({Qt::Key_Space, Qt::Key_Space, Qt::Key_Space}));
    EXPECT_EQ(shown_, QStringList({"Song 1 of 3", "Song 2 of 3", "Song 3 of 3"}));
    EXPECT_EQ(Status().BatchCount, 0);
    EXPECT_FALSE(Status().Playing);
}

} // namespace
} // namespace lyrimo
