#include "editor/line_preview_window.h"
#include "editor/recorder_window_parts.h"

#include "app/app_services.h"
#include "document/song.h"
#include "fake_player.h"
#include "media/media_player.h"
#include "test_support.h"
#include "ui/program_style.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace lyrimo {
namespace {

constexpr int32_t kBackground = 0x402000;
constexpr int32_t kSung = 0x0000FF;

void SaveShot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("LYRIMO_SHOTS_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    window.grab().save(folder + "/" + name + ".png");
}

int PixelsOf(const Bitmap& frame, tColour colour) {
    int count = 0;
    for (int y = 0; y < frame.Height(); ++y)
        for (int x = 0; x < frame.Width(); ++x)
            if (frame.Pixel(x, y) == colour)
                ++count;
    return count;
}

class LinePreviewWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_.printMessages = false;
        SetApp(&services_);
        media_ = test::ScratchFolder() + "/preview.wav";
        test::WriteFile(media_, "RIFF");
        song_.SongSettings.setUseMediaFile(1);
        song_.SongSettings.setMediaFileName(QFile::encodeName(media_));
        song_.SongSettings.setBackgroundColour(kBackground);

        tLyricsData& part = *song_.GetPart(0);
        part.PartRecord.setStartOffset(2000);
        tFontRecord font;
        font.setname("Arial");
        font.setsize(28);
        part.PartRecord.setLyricsFont(font);
        part.PartExtras.setTextMode(1); // the wipe
        const char* texts[] = {"Twinkle twinkle", "little star", "how I wonder"};
        for (int i = 0; i < 3; ++i) {
            tTimingsLineType& line = *part.AddLine();
            line.LineRecord.setText(texts[i]);
            line.LineRecord.setLineStart(10000 + 2000 * i);
            line.LineRecord.setNormalColour(0x00FFFF);
            line.LineRecord.setHighlightColour(kSung);
            line.LineRecord.setHighlightBackground(kBackground);
            line.AddTiming(MakeTiming(7, 400));
            line.AddTiming(MakeTiming(uint8_t(line.Text().size()), 1500));
        }
    }
    void TearDown() override {
        recorder_window::ChooseSpeed(recording_speed::kNormal);
        SetApp(nullptr);
    }

    std::unique_ptr<tMyMediaPlayer> MakePlayer() {
        return std::make_unique<tMyMediaPlayer>([this](uint8_t id) -> std::unique_ptr<tPlayer> {
            if (id != 4)
                return MakeStandardPlayer(id);
            auto fake = std::make_unique<test::tFakePlayer>(id, &log_);
            fake->SetExtensions({".wav"});
            fake->opens = opens_;
            fake->openError = "the sound device is busy";
            player_ = fake.get();
            return fake;
        });
    }

    std::unique_ptr<TLinePreview> MakeWindow(int line, bool editing) {
        auto window = std::make_unique<TLinePreview>(song_, 0, line, editing, MakePlayer());
        window->setStyleSheet(ProgramStyleSheet());
        window->setPalette(ProgramPalette());
        return window;
    }

    // Runs the preview modally with script acting inside it; a preview still open after 10 s
    // is closed.
    bool Run(TLinePreview& window, const std::function<void()>& script) {
        QTimer::singleShot(0, &window, [&window, script] {
            script();
            window.close();
        });
        QTimer::singleShot(10000, &window, [&window] {
            ADD_FAILURE() << "the preview did not end";
            window.close();
        });
        return window.Run();
    }

    int CountInLog(const QString& call) const { return int(log_.count("4 " + call)); }

    tHeadlessServices services_;
    tLyrimoData song_;
    QString media_;
    QStringList log_;
    bool opens_ = true;
    test::tFakePlayer* player_ = nullptr;
};

TEST_F(LinePreviewWindowTest, MediaThatCannotBePlayedEndsThePreviewUnseen) {
    opens_ = false;
    int line = 1;
    bool shown = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* window = QApplication::activeModalWidget()) {
            shown = true;
            window->close();
        }
    });
    EXPECT_FALSE(PreviewLine(song_, 0, line, true, nullptr, MakePlayer()));
    QApplication::processEvents();
    EXPECT_FALSE(shown);
    EXPECT_EQ(line, 1);
    EXPECT_EQ(services_.shownMessages,
              QStringList{"Error playing media: Unable to load/play the media that you have specified\r\n"
                          "the sound device is busy"});
}

TEST_F(LinePreviewWindowTest, TheFirstTickPlaysFromASecondBeforeTheLine) {
    auto window = MakeWindow(0, false);
    EXPECT_EQ(window->windowTitle(), "Lyrimo Line Preview");
    const bool changed = Run(*window, [&] {
        EXPECT_FALSE(window->Started());
        window->DisplayTick();
        EXPECT_TRUE(window->Started());
        EXPECT_TRUE(window->Playing());
        // Line start 10000 in part time is 8000 of media time; one second earlier.
        EXPECT_EQ(CountInLog("SetPosition 7000"), 1);
        EXPECT_EQ(log_.indexOf("4 Stop") < log_.indexOf("4 SetPosition 7000"), true);
        EXPECT_FALSE(window->PrevButton()->isVisible());
        EXPECT_FALSE(window->NextButton()->isVisible());
        EXPECT_FALSE(window->EditButton()->isVisible());
        EXPECT_FALSE(window->VideoPanel()->isVisible()); // the song has no video
        SaveShot(*window, "line-preview-plain");
    });
    EXPECT_FALSE(changed);
    EXPECT_GT(log_.lastIndexOf("4 Close"), log_.lastIndexOf("4 SetPosition 7000"));
}

TEST_F(LinePreviewWindowTest, TheLinePlaysAtTheSpeedChosen) {
    auto window = MakeWindow(1, false);
    window->SpeedChoice()->setCurrentIndex(window->SpeedChoice()->findText("75%"));
    Run(*window, [&] {
        window->DisplayTick();
        const int slowed = int(log_.indexOf("4 SetRate 0.75"));
        EXPECT_GE(slowed, 0);
        EXPECT_LT(slowed, log_.lastIndexOf("4 Play"));
        player_->playing = true;
        window->SpeedChoice()->setCurrentIndex(window->SpeedChoice()->findText("60%"));
        EXPECT_TRUE(log_.contains("4 SetRate 0.6")) << "a new speed is heard at once";
    });
}

TEST_F(LinePreviewWindowTest, TheTimerDrawsTheLineAtThePlayersTime) {
    auto window = MakeWindow(0, false);
    Run(*window, [&] {
        // Left to its timer, the window starts playing on its own.
        QEventLoop wait;
        QTimer::singleShot(300, &wait, &QEventLoop::quit);
        wait.exec();
        ASSERT_TRUE(window->Started());

        player_->position = 7500; // part time 9500: before the line
        wait.processEvents();
        QTimer::singleShot(150, &wait, &QEventLoop::quit);
        wait.exec();
        const Bitmap before = window->Frame();
        EXPECT_EQ(PixelsOf(before, kSung), 0);
        EXPECT_GT(PixelsOf(before, 0x00FFFF), 100);

        player_->position = 8400; // part time 10400: "Twinkle" sung
        QTimer::singleShot(150, &wait, &QEventLoop::quit);
        wait.exec();
        const Bitmap halfway = window->Frame();
        const int sungHalfway = PixelsOf(halfway, kSung);
        EXPECT_GT(sungHalfway, 100);
        SaveShot(*window, "line-preview-halfway");

        player_->position = 8900; // part time 10900: further on
        window->DisplayTick();
        EXPECT_GT(PixelsOf(window->Frame(), kSung), sungHalfway);
    });
}

TEST_F(LinePreviewWindowTest, WithoutEditingTheLineEndsThePreview) {
    auto window = MakeWindow(0, false);
    Run(*window, [&] {
        window->DisplayTick();
        player_->position = 8000 + 1500; // past the last timing
        window->DisplayTick();
        EXPECT_FALSE(window->Playing());
        EXPECT_EQ(window->LineIndex(), 0);
    });
    EXPECT_EQ(CountInLog("Stop"), 3); // Play's, the line's end and the closing's
}

TEST_F(LinePreviewWindowTest, SteppingBetweenLines) {
    auto window = MakeWindow(0, true);
    Run(*window, [&] {
        EXPECT_TRUE(window->PrevButton()->isVisible());
        EXPECT_TRUE(window->EditButton()->isVisible());
        EXPECT_FALSE(window->PrevButton()->isEnabled());
        EXPECT_TRUE(window->NextButton()->isEnabled());
        SaveShot(*window, "line-preview-editing");

        // Stopped, Next shows the next line and leaves the media alone.
        window->NextButton()->click();
        EXPECT_EQ(window->LineIndex(), 1);
        EXPECT_TRUE(window->PrevButton()->isEnabled());
        EXPECT_FALSE(window->Playing());
        EXPECT_EQ(CountInLog("Play"), 0);
        EXPECT_EQ(CountInLog("SetPosition 9000"), 0);

        // Playing, Next starts the new line with its lead-in.
        window->DisplayTick(); // the first tick plays line 1: 12000 - 2000 - 1000
        EXPECT_EQ(CountInLog("SetPosition 9000"), 1);
        window->NextButton()->click();
        EXPECT_EQ(window->LineIndex(), 2);
        EXPECT_FALSE(window->NextButton()->isEnabled());
        EXPECT_EQ(CountInLog("SetPosition 11000"), 1);
        window->PrevButton()->click();
        EXPECT_EQ(window->LineIndex(), 1);
        EXPECT_EQ(CountInLog("SetPosition 9000"), 2);

        // The line's end runs on into the next one without a seek.
        const int seeks = int(log_.filter("SetPosition").size());
        player_->position = 12000 - 2000 + 1500;
        window->DisplayTick();
        EXPECT_EQ(window->LineIndex(), 2);
        EXPECT_TRUE(window->Playing());
        EXPECT_EQ(log_.filter("SetPosition").size(), seeks);
        EXPECT_FALSE(window->NextButton()->isEnabled());

        // The last line's end stops the preview.
        player_->position = 14000 - 2000 + 1500;
        window->DisplayTick();
        EXPECT_EQ(window->LineIndex(), 2);
        EXPECT_FALSE(window->Playing());
    });
}

TEST_F(LinePreviewWindowTest, PreviewLineWritesBackTheLineOnlyWhenEditing) {
    for (bool editing : {false, true}) {
        int line = 0;
        QTimer::singleShot(0, [] {
            auto* window = qobject_cast<TLinePreview*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            window->NextClicked();
            window->close();
        });
        EXPECT_FALSE(PreviewLine(song_, 0, line, editing, nullptr, MakePlayer()));
        EXPECT_EQ(line, editing ? 1 : 0) << editing;
    }
}

TEST_F(LinePreviewWindowTest, EditingStopsTheMediaAndOpensItAgain) {
    auto window = MakeWindow(1, true);
    int edited = -1;
    window->editLine = [&](tLyrimoData& song, int part, int line, QWidget*) {
        EXPECT_EQ(&song, &song_);
        EXPECT_EQ(part, 0);
        EXPECT_FALSE(window->DisplayTimer().isActive());
        edited = line;
        song.GetPart(0)->GetLine(line)->LineRecord.setLineStart(13000);
        return true;
    };
    const bool changed = Run(*window, [&] {
        window->DisplayTick();
        window->EditButton()->click();
        EXPECT_EQ(edited, 1);
        EXPECT_FALSE(window->Playing());
        EXPECT_TRUE(window->DisplayTimer().isActive());
        EXPECT_EQ(log_.filter("OpenFile").size(), 2);
        window->PlayClicked(); // from the line's new start
        EXPECT_EQ(CountInLog("SetPosition 10000"), 1);
    });
    EXPECT_TRUE(changed);
}

TEST_F(LinePreviewWindowTest, MediaLostAfterEditingClosesThePreview) {
    auto window = MakeWindow(0, true);
    window->editLine = [&](tLyrimoData&, int, int, QWidget*) {
        player_->opens = false;
        return true;
    };
    bool closed = false;
    const bool changed = Run(*window, [&] {
        window->EditClicked();
        closed = !window->isVisible();
    });
    EXPECT_TRUE(closed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(services_.shownMessages.size(), 1);
    EXPECT_TRUE(services_.shownMessages.value(0).startsWith("Error playing media: "));
}

TEST_F(LinePreviewWindowTest, TheVideoPanelShowsForVideoSongs) {
    song_.SongSettings.setHasVideo(1);
    auto window = MakeWindow(0, true);
    Run(*window, [&] {
        EXPECT_TRUE(window->VideoPanel()->isVisible());
        EXPECT_GE(window->PrevButton()->x(), window->VideoPanel()->geometry().right());
    });
    EXPECT_TRUE(log_.join(' ').contains("SetDisplayRect"));
}

} // namespace
} // namespace lyrimo
