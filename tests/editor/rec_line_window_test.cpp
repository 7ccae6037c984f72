#include "editor/rec_line_window.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "document/song.h"
#include "fake_player.h"
#include "media/media_player.h"
#include "recorder_window_events.h"
#include "test_support.h"
#include "ui/program_style.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace lyrimo {
namespace {

using test::Key;
using test::Move;
using test::Press;
using test::Release;
using test::SaveShot;
using test::SendMouse;

const char* const kLyrics[] = {"Twinkle, twinkle, little star,", "How I wonder what you are!",
                               "Up above the world so high,", "Like a diamond in the sky."};
// Line i starts at 3000 i + 3000 and has one old timing.
int OldStart(int i) { return 3000 * i + 3000; }

class RecLineWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_.printMessages = false;
        SetApp(&services_);
        media_ = test::ScratchFolder() + "/song.wav";
        test::WriteFile(media_, "RIFF");

        while (song_.PartCount() > 0)
            song_.DeletePart(0);
        auto part = std::make_unique<tLyricsData>();
        part->PartRecord.setPartName("Verse");
        tFontRecord font;
        font.setname("Arial");
        font.setsize(20);
        part->PartRecord.setLyricsFont(font);
        for (int i = 0; i < 4; ++i) {
            tTimingsLineType* line = part->AddLine();
            line->LineRecord.setText(kLyrics[i]);
            line->LineRecord.setLineStart(OldStart(i));
            line->AddTiming(MakeTiming(4, 400));
        }
        song_.AddPart(std::move(part));
        song_.SongSettings.setUseMediaFile(1);
        song_.SongSettings.setMediaFileName(QFile::encodeName(media_));
    }

    void TearDown() override { SetApp(nullptr); }

    std::unique_ptr<TRecLine> MakeWindow(int line) {
        auto manager = std::make_unique<tMyMediaPlayer>([this](uint8_t id) -> std::unique_ptr<tPlayer> {
            if (id != 4)
                return MakeStandardPlayer(id);
            auto fake = std::make_unique<test::tFakePlayer>(id, &log_);
            fake->SetExtensions({".wav"});
            fake->opens = opens_;
            fake->openError = "the sound device is busy";
            fake->length = 95000;
            player_ = fake.get();
            return fake;
        });
        auto window = std::make_unique<TRecLine>(song_, 0, line, std::move(manager));
        window->setStyleSheet(ProgramStyleSheet());
        window->setPalette(ProgramPalette());
        return window;
    }

    // Runs the recorder modally with script acting inside it; a recorder still open after
    // 10 s is closed.
    bool Run(TRecLine& window, const std::function<void()>& script) {
        QTimer::singleShot(0, &window, script);
        QTimer::singleShot(10000, &window, [&window] {
            ADD_FAILURE() << "the recorder did not end";
            window.close();
        });
        return window.Run();
    }

    QPoint OnRow(TRecLine& window, int x) {
        return {x, window.Recorder().RowTop() + window.Recorder().RowHeight() / 2};
    }

    // Whether any pixel of the line's row within x0..x1 (exclusive) has the colour.
    bool RowHasColour(TRecLine& window, int x0, int x1, int32_t colour) {
        const Bitmap& canvas = window.Canvas();
        const int top = window.Recorder().RowTop();
        for (int y = std::max(0, top); y < std::min(canvas.Height(), top + window.Recorder().RowHeight());
             ++y)
            for (int x = std::max(0, x0); x < std::min(canvas.Width(), x1); ++x)
                if (canvas.Pixel(x, y) == tColour(colour))
                    return true;
        return false;
    }

    tTimingsLineType& Line(int i) { return *song_.GetPart(0)->GetLine(i); }
    int Glyphs(int i) { return int(QByteArray(kLyrics[i]).size()); }

    tHeadlessServices services_;
    tLyrimoData song_;
    QString media_;
    QStringList log_;
    bool opens_ = true;
    test::tFakePlayer* player_ = nullptr;
};

TEST_F(RecLineWindowTest, TheInstructionsCarryTheirTexts) {
    auto window = MakeWindow(1);
    EXPECT_EQ(window->windowTitle(), "Lyrimo - Single Line Recorder");
    QStringList texts;
    for (const QLabel* label : window->findChildren<QLabel*>())
        texts << label->text();
    for (const QPushButton* button : window->findChildren<QPushButton*>())
        texts << button->text();
    for (const char* text : {
             "Record Timings For A Single Line In A Song",
             "NOTE: Pressing \"Record\" will delete all timings for this line in the song (if any)",
             "ESC=Quit/Done (automatic when a whole line has been selected, or out of time!)",
             "by setting it to the time at the end of the previous line. If that line is blank it will try "
             "the previous.)",
             "to help)",
             "Single Line Timings Recorder",
             "Record",
             "Cancel",
         })
        EXPECT_TRUE(texts.contains(Translate(text))) << text;
    EXPECT_FALSE(window->StartChangeBox()->isChecked());
    EXPECT_FALSE(window->EndChangeBox()->isChecked());
}

TEST_F(RecLineWindowTest, CancellingLeavesTheLineUntouched) {
    for (bool byButton : {false, true}) {
        auto window = MakeWindow(1);
        const bool result = Run(*window, [&] {
            EXPECT_TRUE(window->InstructionsPanel()->isVisible());
            EXPECT_FALSE(window->ControlStrip()->isVisible());
            Press(*window, OnRow(*window, 300)); // nothing is recorded yet
            if (byButton)
                window->CancelButton()->click();
            else
                Key(*window, Qt::Key_Escape);
        });
        EXPECT_FALSE(result) << byButton;
    }
    EXPECT_FALSE(log_.join(' ').contains("OpenFile"));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(Line(i).LineRecord.LineStart(), OldStart(i));
        EXPECT_EQ(Line(i).TimingCount(), 1);
    }
}

TEST_F(RecLineWindowTest, SweepingTheWholeLineRecordsItAndEnds) {
    auto window = MakeWindow(1); // starts at 6000, the next line at 9000
    const int32_t font = Settings().TimingsEditorFont.colour, swept = Settings().AltColor;
    const bool result = Run(*window, [&] {
        SaveShot(*window, "line-recorder-instructions");
        window->RecordButton()->click();
        ASSERT_NE(player_, nullptr);
        EXPECT_FALSE(window->InstructionsPanel()->isVisible());
        EXPECT_TRUE(window->ControlStrip()->isVisible());
        EXPECT_EQ(window->ControlStrip()->x(), window->width() - window->ControlStrip()->width());
        const QStringList started = log_.filter(QRegularExpression("SetPosition|Play"));
        EXPECT_EQ(started, (QStringList{"4 SetPosition 4000", "4 Play", "4 SetPosition 4000", "4 Play"}));
        EXPECT_EQ(Line(1).TimingCount(), 0);

        // The lead-in: the line waits dimmed, and the pointer records nothing.
        player_->position = 5000;
        window->RecordTimer();
        EXPECT_FALSE(window->Started());
        EXPECT_TRUE(RowHasColour(*window, 0, 400, PausedColour(font)));
        EXPECT_FALSE(RowHasColour(*window, 0, 400, font));
        Press(*window, OnRow(*window, 100));
        EXPECT_EQ(Line(1).TimingCount(), 0);
        SaveShot(*window, "line-recorder-waiting");

        player_->position = 6050;
        window->RecordTimer();
        EXPECT_TRUE(window->Started());
        EXPECT_TRUE(RowHasColour(*window, 0, 400, font));
        EXPECT_EQ(window->PositionReadout()->text(), "00:00:06");
        EXPECT_EQ(window->LengthReadout()->text(), "00:01:35");

        Press(*window, OnRow(*window, 0));
        player_->position = 6400;
        Move(*window, OnRow(*window, 120), true);
        ASSERT_EQ(Line(1).TimingCount(), 1);
        const int halfway = Line(1).GetTiming(0).Position();
        EXPECT_GT(halfway, 0);
        EXPECT_LT(halfway, Glyphs(1));
        EXPECT_EQ(Line(1).GetTiming(0).Delta(), 400);
        EXPECT_TRUE(RowHasColour(*window, 0, 110, swept));
        EXPECT_FALSE(RowHasColour(*window, 130, 600, swept));
        EXPECT_TRUE(RowHasColour(*window, 130, 600, font));
        SaveShot(*window, "line-recorder-recording");
        EXPECT_TRUE(window->isVisible());

        player_->position = 7300;
        Move(*window, OnRow(*window, 700), true);
        EXPECT_FALSE(window->isVisible()); // swept whole: the recorder has ended
    });
    EXPECT_TRUE(result);
    ASSERT_EQ(Line(1).TimingCount(), 2);
    EXPECT_EQ(Line(1).GetTiming(1).Position(), Glyphs(1));
    EXPECT_EQ(Line(1).GetTiming(1).Delta(), 1300);
    EXPECT_EQ(Line(1).LineRecord.LineStart(), OldStart(1));
    EXPECT_EQ(Line(2).LineRecord.LineStart(), OldStart(2));
    EXPECT_EQ(log_.filter("Stop").size(), 1);
}

TEST_F(RecLineWindowTest, RecordingEndsWhenTheNextLineIsDue) {
    auto window = MakeWindow(0); // starts at 3000, the next line at 6000
    const bool result = Run(*window, [&] {
        window->RecordButton()->click();
        EXPECT_TRUE(log_.contains("4 SetPosition 1000"));
        player_->position = 3200;
        Press(*window, OnRow(*window, 0));
        Move(*window, OnRow(*window, 90), true);
        player_->position = 5998;
        window->RecordTimer();
        EXPECT_TRUE(window->isVisible());
        player_->position = 5999;
        window->RecordTimer();
        EXPECT_FALSE(window->isVisible());
    });
    EXPECT_TRUE(result);
    ASSERT_EQ(Line(0).TimingCount(), 1);
    EXPECT_EQ(Line(0).GetTiming(0).Delta(), 200);
}

TEST_F(RecLineWindowTest, TheLastLineHasNoStopTimeAndEscKeepsItsTimings) {
    auto window = MakeWindow(3);
    const bool result = Run(*window, [&] {
        window->RecordButton()->click();
        player_->position = 12500;
        Press(*window, OnRow(*window, 60));
        player_->position = 90000;
        window->RecordTimer();
        EXPECT_TRUE(window->isVisible());
        Key(*window, Qt::Key_Escape);
    });
    EXPECT_TRUE(result);
    ASSERT_EQ(Line(3).TimingCount(), 1);
    EXPECT_EQ(Line(3).GetTiming(0).Delta(), 500);
}

TEST_F(RecLineWindowTest, TheOptionsRepairTheNeighboursAtRecord) {
    Line(2).ClearTimings();
    Line(2).AddTiming(MakeTiming(2, 700));
    Line(2).AddTiming(MakeTiming(5, 1000));
    auto window = MakeWindow(1);
    const bool result = Run(*window, [&] {
        SendMouse(*window->StartChangeLabel(), QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton,
                  Qt::LeftButton);
        EXPECT_TRUE(window->StartChangeBox()->isChecked());
        window->EndChangeBox()->click();
        SendMouse(*window->EndChangeLabel(), QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton,
                  Qt::LeftButton);
        EXPECT_FALSE(window->EndChangeBox()->isChecked());
        window->EndChangeBox()->click();
        window->RecordButton()->click();
        // The line starts after the first line's end (3000 + 400); playback from 2 s before.
        EXPECT_EQ(Line(1).LineRecord.LineStart(), 3401);
        EXPECT_TRUE(log_.contains("4 SetPosition 1401"));
        // The next line moved to its first timing.
        EXPECT_EQ(Line(2).LineRecord.LineStart(), OldStart(2) + 700);
        EXPECT_EQ(Line(2).GetTiming(0).Delta(), 0);
        EXPECT_EQ(Line(2).GetTiming(1).Delta(), 300);
        Key(*window, Qt::Key_Escape);
    });
    EXPECT_TRUE(result);
}

TEST_F(RecLineWindowTest, AMediaFailureIsToldAndLeavesTheLineCleared) {
    opens_ = false;
    auto window = MakeWindow(1);
    const bool result = Run(*window, [&] { window->RecordButton()->click(); });
    EXPECT_FALSE(result);
    EXPECT_EQ(services_.shownMessages,
              QStringList{"Error Playing Media: An error occured when attempting to play the media you have "
                          "selected: the sound device is busy"});
    EXPECT_EQ(Line(1).TimingCount(), 0);
    EXPECT_FALSE(log_.join(' ').contains("Play"));
}

TEST_F(RecLineWindowTest, RightToLeftLinesStandAtTheRightEdge) {
    song_.SongSettings.setRightToLeft(1);
    auto window = MakeWindow(2);
    const int32_t swept = Settings().AltColor;
    const bool result = Run(*window, [&] {
        window->RecordButton()->click();
        EXPECT_EQ(window->ControlStrip()->x(), 0);
        const int width = window->width();
        player_->position = 9100;
        window->RecordTimer();
        Press(*window, OnRow(*window, width));
        Move(*window, OnRow(*window, width - 80), true);
        ASSERT_EQ(Line(2).TimingCount(), 1);
        EXPECT_GT(Line(2).GetTiming(0).Position(), 0);
        EXPECT_TRUE(RowHasColour(*window, width - 80, width, swept));
        EXPECT_FALSE(RowHasColour(*window, 0, width - 90, swept));
        SaveShot(*window, "line-recorder-right-to-left");
        Move(*window, OnRow(*window, 1), true);
        EXPECT_FALSE(window->isVisible());
    });
    EXPECT_TRUE(result);
    EXPECT_EQ(Line(2).GetTiming(Line(2).TimingCount() - 1).Position(), Glyphs(2));
}

} // namespace
} // namespace lyrimo
