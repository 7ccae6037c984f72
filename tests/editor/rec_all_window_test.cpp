#include "editor/rec_all_window.h"
#include "editor/recorder_window_parts.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "document/song.h"
#include "fake_player.h"
#include "media/media_player.h"
#include "recorder_window_events.h"
#include "test_support.h"
#include "ui/program_style.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTimer>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace lyrimo {
namespace {

const char* const kLyrics[] = {"Twinkle, twinkle, little star,", "How I wonder what you are!",
                               "Up above the world so high,",    "Like a diamond in the sky.",
                               "When the blazing sun is gone,",  "When he nothing shines upon,"};

// The fake backend with a transport that keeps its paused state.
class tPausingPlayer : public test::tFakePlayer {
public:
    using tFakePlayer::SetExtensions;
    using tFakePlayer::tFakePlayer;

    void Play() override {
        tFakePlayer::Play();
        playing = true;
        paused = false;
    }
    void PauseResume() override {
        tFakePlayer::PauseResume();
        paused = !paused;
    }
    void SetRate(double r) override {
        tFakePlayer::SetRate(r);
        rate = r;
    }
    // Plays on for a while of real time: the media time moves on by as much at the rate.
    void Elapse(int ms) { position += static_cast<int>(std::lround(ms * rate)); }
};

using test::Key;
using test::Move;
using test::Press;
using test::Release;
using test::SaveShot;
using test::SendMouse;

void Wheel(QWidget& target, int delta) {
    QWheelEvent event(QPointF(50, 50), QPointF(target.mapToGlobal(QPoint(50, 50))), QPoint(),
                      QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&target, &event);
}

// Whether any pixel of the canvas within x0..x1 (exclusive) on the rows of a line has the colour.
bool RowHasColour(TRecAll& window, int line, int x0, int x1, int32_t colour) {
    const Bitmap& canvas = window.Canvas();
    const int top = window.Recorder().RowTop(line);
    for (int y = std::max(0, top); y < std::min(canvas.Height(), top + window.Recorder().RowHeight()); ++y)
        for (int x = std::max(0, x0); x < std::min(canvas.Width(), x1); ++x)
            if (canvas.Pixel(x, y) == tColour(colour))
                return true;
    return false;
}

class RecAllWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_.printMessages = false;
        SetApp(&services_);
        OpenSettingsStore()->remove("MiscSettings/AutoPause");
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
        for (int i = 0; i < 6; ++i) {
            tTimingsLineType* line = part->AddLine();
            line->LineRecord.setText(kLyrics[i]);
            line->LineRecord.setLineStart(1000 * (i + 1));
            line->AddTiming(MakeTiming(3, 120));
        }
        song_.AddPart(std::move(part));
        song_.SongSettings.setUseMediaFile(1);
        song_.SongSettings.setMediaFileName(QFile::encodeName(media_));
    }

    void TearDown() override {
        recorder_window::ChooseSpeed(recording_speed::kNormal);
        SetApp(nullptr);
    }

    std::unique_ptr<TRecAll> MakeWindow() {
        auto manager = std::make_unique<tMyMediaPlayer>([this](uint8_t id) -> std::unique_ptr<tPlayer> {
            if (id != 4)
                return MakeStandardPlayer(id);
            auto fake = std::make_unique<tPausingPlayer>(id, &log_);
            fake->SetExtensions({".wav"});
            fake->opens = opens_;
            fake->openError = "the sound device is busy";
            fake->length = 187000;
            player_ = fake.get();
            return fake;
        });
        auto window = std::make_unique<TRecAll>(song_, 0, std::move(manager));
        window->setStyleSheet(ProgramStyleSheet());
        window->setPalette(ProgramPalette());
        return window;
    }

    // Runs the recorder modally with script acting inside it; a recorder still open after
    // 10 s is closed.
    bool Run(TRecAll& window, const std::function<void()>& script) {
        QTimer::singleShot(0, &window, script);
        QTimer::singleShot(10000, &window, [&window] {
            ADD_FAILURE() << "the recorder did not end";
            window.close();
        });
        return window.Run();
    }

    QPoint OnRow(TRecAll& window, int line, int x) {
        return {x, window.Recorder().RowTop(line) + window.Recorder().RowHeight() / 2};
    }

    // Presses at the edge of the line, moves to x with the button held and lets go.
    void SweepLine(TRecAll& window, int line, int x) {
        Press(window, OnRow(window, line, 0));
        Move(window, OnRow(window, line, x), true);
        Release(window, OnRow(window, line, x));
    }

    tTimingsLineType& Line(int i) { return *song_.GetPart(0)->GetLine(i); }
    tPartRecord& Part() { return song_.GetPart(0)->PartRecord; }

    tHeadlessServices services_;
    tLyrimoData song_;
    QString media_;
    QStringList log_;
    bool opens_ = true;
    tPausingPlayer* player_ = nullptr;
};

// Texts pass through the translation, which shows "=" as ": " even without a language.
TEST_F(RecAllWindowTest, TheInstructionsCarryTheirTexts) {
    auto window = MakeWindow();
    QStringList texts;
    for (const QLabel* label : window->findChildren<QLabel*>())
        texts << label->text();
    for (const QPushButton* button : window->findChildren<QPushButton*>())
        texts << button->text();
    for (const char* text : {
             "Record All Timings For Part \"Verse\"",
             "Use this screen to record all the timings for this song part.  To record the timings click the "
             "\"Record\" button.  When you click this button, the music you have selected will begin to "
             "play. ",
             "Tip: Don't click on the start of a line until it actually starts to be sung.  This will "
             "improve your "
             "results.",
             "move the mouse back to the edge of the screen.)",
             "NOTE: Pressing \"Record\" will delete all timings already setup for this song part (if any)",
             "ESC=Quit",
             "SPACE BAR=Scroll Up Lyrics",
             "BACKSPACE=Scroll Back Lyrics",
             "Record",
             "Cancel",
             "Timings Recorder",
             "Finished",
         })
        EXPECT_TRUE(texts.contains(Translate(text))) << text;
    EXPECT_EQ(window->AutoPauseBox()->text(),
              "Auto-Pause Record (If checked then when you highlight to the end of "
              "a line, the music stops until you");
    EXPECT_EQ(window->FinishedButton()->toolTip(), "Click to stop recording and close this dialog");
}

TEST_F(RecAllWindowTest, CancellingBeforeRecordLeavesThePartAlone) {
    for (bool byButton : {false, true}) {
        auto window = MakeWindow();
        EXPECT_EQ(window->windowTitle(), "Lyrimo - Record All Timings");
        const bool result = Run(*window, [&] {
            EXPECT_TRUE(window->InstructionsPanel()->isVisible());
            EXPECT_FALSE(window->ControlStrip()->isVisible());
            Press(*window, OnRow(*window, 0, 40)); // nothing is recorded yet
            if (byButton)
                window->CancelButton()->click();
            else
                Key(*window, Qt::Key_Escape);
        });
        EXPECT_FALSE(result) << byButton;
    }
    EXPECT_FALSE(log_.join(' ').contains("OpenFile"));
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Line(i).LineRecord.LineStart(), 1000 * (i + 1));
        EXPECT_EQ(Line(i).TimingCount(), 1);
    }
    EXPECT_EQ(Part().TimingsRecorded(), 0);
}

TEST_F(RecAllWindowTest, RecordingBySweepingAndFinishing) {
    auto window = MakeWindow();
    const bool result = Run(*window, [&] {
        SaveShot(*window, "recorder-instructions");
        window->RecordButton()->click();
        ASSERT_NE(player_, nullptr);
        EXPECT_FALSE(window->InstructionsPanel()->isVisible());
        EXPECT_TRUE(window->ControlStrip()->isVisible());
        EXPECT_EQ(window->ControlStrip()->x(), window->width() - window->ControlStrip()->width());
        EXPECT_TRUE(log_.contains("4 Play"));
        EXPECT_EQ(Line(0).TimingCount(), 0);
        EXPECT_EQ(Line(5).LineRecord.LineStart(), 0);

        // The first line: started at the edge, then half of it, then to its end.
        player_->position = 2000;
        Press(*window, OnRow(*window, 0, 0));
        EXPECT_EQ(Line(0).LineRecord.LineStart(), 2000);
        player_->position = 2300;
        Move(*window, OnRow(*window, 0, 90), true);
        ASSERT_EQ(Line(0).TimingCount(), 1);
        EXPECT_GT(Line(0).GetTiming(0).Position(), 0);
        EXPECT_EQ(Line(0).GetTiming(0).Delta(), 300);
        player_->position = 2900;
        Move(*window, OnRow(*window, 0, 700), true);
        Release(*window, OnRow(*window, 0, 700));
        ASSERT_EQ(Line(0).TimingCount(), 2);
        EXPECT_EQ(Line(0).GetTiming(1).Position(), QByteArray(kLyrics[0]).size());
        EXPECT_EQ(Line(0).GetTiming(1).Delta(), 900);

        // The line's end paused the music: every colour is dimmed and nothing is recorded.
        EXPECT_TRUE(player_->paused);
        EXPECT_TRUE(RowHasColour(*window, 0, 0, 400, PausedColour(Settings().TimingsEditorFont.colour)));
        EXPECT_FALSE(RowHasColour(*window, 0, 0, 400, Settings().TimingsEditorFont.colour));
        EXPECT_TRUE(RowHasColour(*window, 1, 0, 400, PausedColour(Settings().AltColor)));
        EXPECT_FALSE(RowHasColour(*window, 1, 0, 400, Settings().AltColor));
        Press(*window, OnRow(*window, 1, 60));
        Release(*window, OnRow(*window, 1, 60));
        EXPECT_EQ(Line(1).LineRecord.LineStart(), 0);

        // Back at the edge the music resumes; the second line is sung whole, the third half.
        Move(*window, OnRow(*window, 1, 0), false);
        EXPECT_FALSE(player_->paused);
        player_->position = 3500;
        SweepLine(*window, 1, 700);
        EXPECT_EQ(Line(1).LineRecord.LineStart(), 3500);
        Move(*window, OnRow(*window, 2, 0), false);
        player_->position = 4200;
        SweepLine(*window, 2, 150);
        EXPECT_EQ(Line(2).LineRecord.LineStart(), 4200);
        EXPECT_EQ(Line(2).TimingCount(), 1);
        EXPECT_FALSE(player_->paused);

        const int32_t sung = Settings().TimingsEditorFont.colour, unsung = Settings().AltColor;
        EXPECT_TRUE(RowHasColour(*window, 1, 0, 400, sung));
        EXPECT_FALSE(RowHasColour(*window, 1, 0, 400, unsung));
        EXPECT_TRUE(RowHasColour(*window, 2, 0, 150, sung));
        EXPECT_TRUE(RowHasColour(*window, 2, 150, 500, unsung));
        EXPECT_TRUE(RowHasColour(*window, 3, 0, 400, unsung));
        EXPECT_FALSE(RowHasColour(*window, 3, 0, 400, sung));

        player_->position = 4321;
        window->ReadoutTimer();
        EXPECT_EQ(window->PositionReadout()->text(), "00:00:04");
        EXPECT_EQ(window->LengthReadout()->text(), "00:03:07");
        SaveShot(*window, "recorder-recording");
        window->FinishedButton()->click();
    });
    EXPECT_TRUE(result);
    EXPECT_EQ(Part().TimingsRecorded(), 1);
    EXPECT_EQ(song_.SongSettings.PreferredPlayer(), 4);
    EXPECT_EQ(log_.last(), "4 Close");
    for (int i = 3; i < 6; ++i) {
        EXPECT_EQ(Line(i).TimingCount(), 0) << i;
        EXPECT_EQ(Line(i).LineRecord.LineStart(), 0) << i;
    }
}

TEST_F(RecAllWindowTest, TappingTimesWordsAndBlocksByKeys) {
    song_.SongSettings.setExtraBreakChar('k'); // "Twin|k|le," is a block before the comma's word end
    auto window = MakeWindow();
    Run(*window, [&] {
        window->RecordButton()->click();
        player_->position = 1000;
        Key(*window, Qt::Key_W);
        EXPECT_EQ(Line(0).LineRecord.LineStart(), 1000);
        EXPECT_EQ(Line(0).TimingCount(), 0);
        player_->position = 1400;
        Key(*window, Qt::Key_W);
        player_->position = 1700;
        Key(*window, Qt::Key_W);
        player_->position = 2600;
        Key(*window, Qt::Key_L);
        ASSERT_EQ(Line(0).TimingCount(), 3);
        EXPECT_EQ(Line(0).GetTiming(0).Position(), 5); // "Twink"
        EXPECT_EQ(Line(0).GetTiming(0).Delta(), 400);
        EXPECT_EQ(Line(0).GetTiming(1).Position(), 9); // "le, "
        EXPECT_EQ(Line(0).GetTiming(2).Position(), QByteArray(kLyrics[0]).size());
        EXPECT_EQ(Line(0).GetTiming(2).Delta(), 1600);
        EXPECT_TRUE(player_->paused);
        Key(*window, Qt::Key_W); // resumes only
        EXPECT_FALSE(player_->paused);
        player_->position = 3000;
        Key(*window, Qt::Key_W);
        EXPECT_EQ(window->Recorder().CurrentLine(), 1);
        EXPECT_EQ(Line(1).LineRecord.LineStart(), 3000);
        Key(*window, Qt::Key_Escape);
    });
    const QList<QLabel*> labels = window->findChildren<QLabel*>("RecKeys");
    QStringList help;
    for (const QLabel* label : labels)
        help << label->text();
    EXPECT_TRUE(help.contains(Translate("W=Time The Next Word"))) << help.join(" | ").toStdString();
    EXPECT_TRUE(help.contains(Translate("L=Time The Rest Of The Line")));
}

TEST_F(RecAllWindowTest, SlowedDownTheTimingsAreStillMediaTimes) {
    auto window = MakeWindow();
    auto other = std::make_unique<TRecAll>(song_, 0, std::make_unique<tMyMediaPlayer>());
    QComboBox* speed = window->SpeedChoice();
    speed->setCurrentIndex(speed->findText("50%"));
    Run(*window, [&] {
        window->RecordButton()->click();
        EXPECT_TRUE(log_.contains("4 SetRate 0.5"));
        EXPECT_EQ(window->SpeedReadout()->text(), "50%");
        player_->Elapse(2000);
        Key(*window, Qt::Key_W);
        player_->Elapse(1600);
        Key(*window, Qt::Key_W);
        EXPECT_EQ(Line(0).LineRecord.LineStart(), 1000)
            << "two seconds heard at half speed are one of the song";
        ASSERT_EQ(Line(0).TimingCount(), 1);
        EXPECT_EQ(Line(0).GetTiming(0).Delta(), 800);

        Key(*window, Qt::Key_S);
        EXPECT_EQ(window->SpeedReadout()->text(), "50%") << "never slower than half";
        Key(*window, Qt::Key_F);
        EXPECT_TRUE(log_.contains("4 SetRate 0.55"));
        for (int i = 0; i < 12; ++i)
            Key(*window, Qt::Key_F);
        EXPECT_EQ(window->SpeedReadout()->text(), "100%") << "never faster than normal";
        Key(*window, Qt::Key_S);
        player_->Elapse(500);
        Key(*window, Qt::Key_L);
        EXPECT_EQ(Line(0).GetTiming(1).Delta(), 1275);
        Key(*window, Qt::Key_Escape);
    });
    EXPECT_EQ(other->SpeedChoice()->currentText(), "95%") << "every window offers the speed last chosen";
}

TEST_F(RecAllWindowTest, EscWhileRecordingKeepsTheTimings) {
    auto window = MakeWindow();
    const bool result = Run(*window, [&] {
        window->RecordButton()->click();
        player_->position = 800;
        SweepLine(*window, 0, 60);
        Key(*window, Qt::Key_Escape);
    });
    EXPECT_TRUE(result);
    EXPECT_EQ(Line(0).LineRecord.LineStart(), 800);
    EXPECT_EQ(Line(0).TimingCount(), 1);
}

TEST_F(RecAllWindowTest, AMediaFailureEndsWithTheMessageAndAClearedPart) {
    opens_ = false;
    song_.SongSettings.setPreferredPlayer(0);
    auto window = MakeWindow();
    const bool result = Run(*window, [&] { window->RecordButton()->click(); });
    EXPECT_FALSE(result);
    EXPECT_EQ(services_.shownMessages,
              QStringList{"Error Playing Media: An error occured when attempting to play the media you have "
                          "selected: the sound device is busy"});
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Line(i).TimingCount(), 0);
        EXPECT_EQ(Line(i).LineRecord.LineStart(), 0);
    }
    EXPECT_EQ(Part().TimingsRecorded(), 0);
    EXPECT_EQ(song_.SongSettings.PreferredPlayer(), 0);
}

TEST_F(RecAllWindowTest, AutoPauseIsReadFromTheStoreAndWrittenAtOnce) {
    {
        auto window = MakeWindow();
        EXPECT_TRUE(window->AutoPauseBox()->isChecked()); // on when the store has no value
        window->AutoPauseBox()->click();
        EXPECT_FALSE(window->Recorder().AutoPause());
        EXPECT_FALSE(Settings().AutoPause);
        EXPECT_EQ(OpenSettingsStore()->value("MiscSettings/AutoPause").toInt(), 0);
        SendMouse(*window->AutoPauseLabel(), QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton,
                  Qt::LeftButton);
        EXPECT_TRUE(window->AutoPauseBox()->isChecked());
        EXPECT_EQ(OpenSettingsStore()->value("MiscSettings/AutoPause").toInt(), 1);
    }
    OpenSettingsStore()->setValue("MiscSettings/AutoPause", 0);
    Settings().AutoPause = true;
    auto window = MakeWindow();
    EXPECT_FALSE(window->AutoPauseBox()->isChecked());
    EXPECT_FALSE(window->Recorder().AutoPause());
    EXPECT_FALSE(Settings().AutoPause);
}

TEST_F(RecAllWindowTest, KeysWheelAndScrollBarScroll) {
    auto window = MakeWindow();
    Run(*window, [&] {
        window->RecordButton()->click();
        tTimingRecorder& recorder = window->Recorder();
        QScrollBar& bar = *window->ScrollBar();
        const int half = window->height() / 2;
        EXPECT_EQ(bar.maximum(), 6 * recorder.RowHeight() + half);
        EXPECT_EQ(bar.value(), -10);

        Key(*window, Qt::Key_Space);
        EXPECT_EQ(recorder.ScrollOffset(), half - 10);
        EXPECT_EQ(bar.value(), half - 10);
        Key(*window, Qt::Key_Backspace);
        Key(*window, Qt::Key_Backspace);
        EXPECT_EQ(recorder.ScrollOffset(), -10);

        Wheel(*window, -120);
        EXPECT_EQ(recorder.ScrollOffset(), recorder.RowHeight() - 10);
        Wheel(*window, 120);
        Wheel(*window, 120); // stops at the top of the bar
        EXPECT_EQ(recorder.ScrollOffset(), -10);

        bar.setValue(5);
        EXPECT_EQ(recorder.ScrollOffset(), 5);
        player_->position = 600;
        Press(*window, {30, recorder.RowTop(1) + 2}); // the rows moved up with the offset
        EXPECT_EQ(recorder.CurrentLine(), 1);
        window->FinishedButton()->click();
    });
}

TEST_F(RecAllWindowTest, RightToLeftSongsStandAtTheRightEdge) {
    song_.SongSettings.setRightToLeft(1);
    auto window = MakeWindow();
    Run(*window, [&] {
        window->RecordButton()->click();
        EXPECT_EQ(window->ControlStrip()->x(), 0);
        const int width = window->width();
        player_->position = 1500;
        Press(*window, OnRow(*window, 0, width)); // the right edge: where the line starts
        EXPECT_EQ(Line(0).LineRecord.LineStart(), 1500);
        EXPECT_EQ(Line(0).TimingCount(), 0);
        Move(*window, OnRow(*window, 0, width - 80), true);
        ASSERT_EQ(Line(0).TimingCount(), 1);
        const int32_t sung = Settings().TimingsEditorFont.colour, unsung = Settings().AltColor;
        EXPECT_TRUE(RowHasColour(*window, 0, width - 80, width, sung));
        EXPECT_FALSE(RowHasColour(*window, 0, 0, width - 90, sung));
        EXPECT_TRUE(RowHasColour(*window, 0, width / 2, width - 80, unsung));
        EXPECT_TRUE(RowHasColour(*window, 1, width / 2, width, unsung));
        EXPECT_FALSE(RowHasColour(*window, 1, 0, width / 3, unsung));
        SaveShot(*window, "recorder-right-to-left");

        // Sung to its end at the left, the line pauses the music; the window's left edge, under
        // the control strip, resumes it.
        Move(*window, OnRow(*window, 0, 1), true);
        EXPECT_TRUE(player_->paused);
        Move(*window->ControlStrip(), {0, 300}, false);
        EXPECT_FALSE(player_->paused);
        window->FinishedButton()->click();
    });
}

TEST_F(RecAllWindowTest, APartWithoutLinesPlaysAndRecordsNothing) {
    song_.GetPart(0)->ClearLines();
    auto window = MakeWindow();
    const bool result = Run(*window, [&] {
        window->RecordButton()->click();
        EXPECT_TRUE(log_.contains("4 Play"));
        EXPECT_EQ(window->ScrollBar()->maximum(), window->height() / 2);
        Press(*window, {40, 20});
        EXPECT_EQ(window->Recorder().CurrentLine(), -1);
        Key(*window, Qt::Key_Escape);
    });
    EXPECT_TRUE(result);
    EXPECT_EQ(Part().TimingsRecorded(), 1);
}

} // namespace
} // namespace lyrimo
