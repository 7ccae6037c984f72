#include "editor/line_timings_window.h"

#include "app/app_services.h"
#include "document/song.h"
#include "editor/song_edits.h"
#include "editor/time_spin_edit.h"
#include "fake_player.h"
#include "media/media_player.h"
#include "media_fixtures.h"
#include "test_support.h"
#include "ui/program_style.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace lyrimo {
namespace {

// Pictures of the window go to the folder named by LYRIMO_SHOTS_DIR, when it is set.
void SaveShot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("LYRIMO_SHOTS_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    window.grab().save(folder + "/" + name + ".png");
}

std::vector<std::pair<int, int>> TimingsOf(const tTimingsLineType& line) {
    std::vector<std::pair<int, int>> timings;
    for (const tTimingRecord& t : line.Timings())
        timings.emplace_back(t.Position(), t.Delta());
    return timings;
}
using tPairs = std::vector<std::pair<int, int>>;

class LineTimingsWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        services_.printMessages = false;
        SetApp(&services_);
        tLyricsData& verse = *song_.GetPart(0);
        SetPartName(verse, "Verse");
        tFontRecord font;
        font.setname("Arial");
        font.setsize(20);
        verse.PartRecord.setLyricsFont(font);
        AddLine(verse, 1000, "Twinkle twinkle", {{7, 400}, {15, 1200}});
        AddLine(verse, 3000, "little star", {});
        song_.SongSettings.setBackgroundColour(0x400000);
    }
    void TearDown() override { SetApp(nullptr); }

    static tTimingsLineType& AddLine(tLyricsData& part, int start, const char* text,
                                     std::initializer_list<std::pair<int, int>> timings) {
        tTimingsLineType& line = *part.AddLine();
        line.LineRecord.setLineStart(start);
        line.LineRecord.setText(text);
        line.LineRecord.setNormalColour(0x00FFFF);
        for (auto [position, delta] : timings)
            line.AddTiming(MakeTiming(uint8_t(position), uint16_t(delta)));
        return line;
    }

    std::unique_ptr<TLinetime> MakeWindow(int line = 0) {
        auto window = std::make_unique<TLinetime>(song_, 0, line);
        window->setStyleSheet(ProgramStyleSheet());
        window->setPalette(ProgramPalette());
        window->show();
        QApplication::processEvents();
        return window;
    }

    tTimingsLineType& Line(int i, int part = 0) { return *song_.GetPart(part)->GetLine(i); }

    tHeadlessServices services_;
    tLyrimoData song_;
};

TEST_F(LineTimingsWindowTest, OpensWithTheLineAndItsTimingsAndTheFieldsDisabled) {
    auto window = MakeWindow();
    EXPECT_EQ(window->windowTitle(), "Lyrimo - Detailed Timings Editor");
    EXPECT_EQ(window->LineLabel()->text(), "Twinkle twinkle");
    EXPECT_EQ(window->LineLabel()->palette().color(QPalette::WindowText), QColor(255, 255, 0));
    QStringList labels;
    for (const QLabel* label : window->findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(
        labels.contains("This window allows you to modify the individual timings on one single line of "
                        "the song.  Most of the time you will not need to edit these directly."));
    EXPECT_TRUE(labels.contains("&Characters displayed:"));
    EXPECT_TRUE(labels.contains("Time &Next Line Starts At:"));
    EXPECT_EQ(window->List()->headerItem()->text(0), "Time Next Line Starts At");
    EXPECT_EQ(window->List()->headerItem()->text(1), "Text displayed so far");
    EXPECT_EQ(window->List()->topLevelItemCount(), 2);
    EXPECT_FALSE(window->PositionField()->isEnabled());
    EXPECT_FALSE(window->DeltaField()->isEnabled());
    EXPECT_TRUE(window->ReRecordButton()->isEnabled()); // the single-line recorder
    window->SetReRecord({});
    EXPECT_FALSE(window->ReRecordButton()->isEnabled());
    EXPECT_EQ(window->Edit().GlyphCount(), 15);
    SaveShot(*window, "line-timings-editor");
}

TEST_F(LineTimingsWindowTest, SelectingARowLoadsItsValuesWithinItsLimits) {
    auto window = MakeWindow();
    window->SelectRow(1);
    SaveShot(*window, "line-timings-selected");
    ASSERT_TRUE(window->PositionField()->isEnabled());
    EXPECT_EQ(window->PositionField()->value(), 15);
    EXPECT_EQ(window->PositionField()->minimum(), 8);
    EXPECT_EQ(window->PositionField()->maximum(), 15);
    EXPECT_EQ(window->DeltaField()->Value(), 1200);
    EXPECT_EQ(window->DeltaField()->Minimum(), 401);
    EXPECT_EQ(window->DeltaField()->Maximum(), 1999); // the next line starts 2000 ms later

    // Editing the time moves only the time, and never past the next line's start.
    window->DeltaField()->SetValue(5000);
    EXPECT_EQ(TimingsOf(Line(0)), (tPairs{{7, 400}, {15, 1999}}));
    window->PositionField()->setValue(10);
    EXPECT_EQ(TimingsOf(Line(0)), (tPairs{{7, 400}, {10, 1999}}));
    EXPECT_TRUE(window->Changed());

    // The first timing's range now ends before the edited one.
    window->SelectRow(0);
    EXPECT_EQ(window->PositionField()->maximum(), 9);
    EXPECT_EQ(window->DeltaField()->Maximum(), 1998);

    window->SelectRow(-1);
    EXPECT_FALSE(window->PositionField()->isEnabled());
    EXPECT_FALSE(window->DeltaField()->isEnabled());
}

TEST_F(LineTimingsWindowTest, SelectingALineWithoutChangesLeavesItUnchanged) {
    auto window = MakeWindow();
    window->SelectRow(0);
    window->SelectRow(1);
    EXPECT_FALSE(window->Changed());
    EXPECT_EQ(TimingsOf(Line(0)), (tPairs{{7, 400}, {15, 1200}}));
}

TEST_F(LineTimingsWindowTest, InsertingAndDeletingThroughTheButtons) {
    auto window = MakeWindow();
    window->InsertButton()->click(); // nothing selected
    EXPECT_EQ(services_.shownMessages,
              QStringList{"Error: You must first select where to insert the timing..."});
    window->SelectRow(1);
    window->InsertButton()->click();
    EXPECT_EQ(TimingsOf(Line(0)), (tPairs{{7, 400}, {11, 800}, {15, 1200}}));
    EXPECT_EQ(window->SelectedRow(), 1);
    EXPECT_EQ(window->List()->topLevelItemCount(), 3);
    EXPECT_EQ(window->PositionField()->value(), 11);

    services_.scriptedAnswers = {mb::IdCancel, mb::IdOk};
    window->DeleteButton()->click(); // cancelled
    EXPECT_EQ(Line(0).TimingCount(), 3);
    window->DeleteButton()->click();
    EXPECT_EQ(TimingsOf(Line(0)), (tPairs{{7, 400}, {15, 1200}}));
    EXPECT_EQ(window->SelectedRow(), 1); // the timing that took its place
    EXPECT_EQ(window->DeltaField()->Value(), 1200);
    EXPECT_EQ(services_.shownMessages.last(), "Delete Request: Delete this timing? Really?");
    EXPECT_TRUE(window->Changed());
}

TEST_F(LineTimingsWindowTest, TheDeleteKeyDeletesTheSelectedTiming) {
    auto window = MakeWindow();
    window->SelectRow(1);
    window->List()->setFocus();
    services_.scriptedAnswers = {mb::IdOk};
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(window->List(), &press);
    QApplication::sendEvent(window->List(), &release);
    EXPECT_EQ(TimingsOf(Line(0)), (tPairs{{7, 400}}));
    EXPECT_EQ(window->SelectedRow(), 0);
}

TEST_F(LineTimingsWindowTest, RemovingAllTimingsAsksFirst) {
    auto window = MakeWindow();
    window->SelectRow(0);
    services_.scriptedAnswers = {mb::IdCancel, mb::IdOk};
    window->DeleteAllButton()->click();
    EXPECT_EQ(Line(0).TimingCount(), 2);
    EXPECT_FALSE(window->Changed());
    window->DeleteAllButton()->click();
    EXPECT_EQ(Line(0).TimingCount(), 0);
    EXPECT_EQ(window->List()->topLevelItemCount(), 0);
    EXPECT_FALSE(window->PositionField()->isEnabled());
    EXPECT_EQ(services_.shownMessages.last(),
              "Delete Timings Request: Delete ALL timings for this line? Really?");

    // A line with text takes a first timing without a selection.
    window->InsertButton()->click();
    EXPECT_EQ(TimingsOf(Line(0)), (tPairs{{1, 0}}));
    EXPECT_EQ(window->List()->topLevelItemCount(), 1);
}

TEST_F(LineTimingsWindowTest, CopyFromWithoutAnotherTimedPartChangesNothing) {
    song_.AddPart(std::make_unique<tLyricsData>()); // untimed
    song_.GetPart(0)->PartRecord.setTimingsRecorded(1);
    auto window = MakeWindow();
    window->CopyButton()->click();
    EXPECT_EQ(services_.shownMessages,
              QStringList{"Error: There are no other song parts that have timings recorded available."});
    EXPECT_FALSE(window->Changed());
    EXPECT_EQ(TimingsOf(Line(0)), (tPairs{{7, 400}, {15, 1200}}));
}

TEST_F(LineTimingsWindowTest, CopyFromTakesTheChosenLinesTimings) {
    auto chorus = std::make_unique<tLyricsData>();
    AddLine(*chorus, 500, "Up above the world so high", {{2, 100}, {9, 300}, {26, 900}});
    song_.AddPart(std::move(chorus));
    auto window = MakeWindow(1);
    window->selectSource = [](const tLyrimoData&, int partIndex, QWidget*) -> std::optional<tCopySource> {
        EXPECT_EQ(partIndex, 0);
        return tCopySource{1, 0, false};
    };
    window->CopyButton()->click();
    EXPECT_EQ(TimingsOf(Line(1)), (tPairs{{2, 100}, {9, 300}, {26, 900}}));
    EXPECT_EQ(Line(1).LineRecord.LineStart(), 3000);
    EXPECT_EQ(window->List()->topLevelItemCount(), 3);
    EXPECT_TRUE(window->Changed());
}

TEST_F(LineTimingsWindowTest, TheCopySourceListOffersTheOtherTimedParts) {
    for (const char* name : {"Chorus", "Bridge", "Outro"}) {
        auto part = std::make_unique<tLyricsData>();
        SetPartName(*part, name);
        AddLine(*part, 0, name, {{1, 10}});
        AddLine(*part, 100, "second", {{1, 10}});
        song_.AddPart(std::move(part));
    }
    song_.GetPart(0)->PartRecord.setTimingsRecorded(1);
    song_.GetPart(1)->PartRecord.setTimingsRecorded(1);
    song_.GetPart(3)->PartRecord.setTimingsRecorded(1);
    TSelectLine select(song_, CopySourceParts(song_, 0));
    select.setStyleSheet(ProgramStyleSheet());
    select.setPalette(ProgramPalette());
    SaveShot(select, "copy-timings-from");
    EXPECT_EQ(select.windowTitle(), "Copy Timings From");
    ASSERT_EQ(select.Tabs()->count(), 2);
    EXPECT_EQ(select.Tabs()->tabText(0), "Chorus");
    EXPECT_EQ(select.Tabs()->tabText(1), "Outro");
    EXPECT_EQ(select.Lines()->item(0)->text(), "Chorus");
    EXPECT_TRUE(select.CopyStartBox()->isChecked());

    select.OkClicked(); // no line selected
    EXPECT_EQ(services_.shownMessages, QStringList{"Error: You have not selected a line."});
    EXPECT_FALSE(select.Choice());

    select.Tabs()->setCurrentIndex(1);
    EXPECT_EQ(select.Lines()->item(0)->text(), "Outro");
    select.Lines()->setCurrentRow(1);
    select.CopyStartBox()->setChecked(false);
    select.OkClicked();
    ASSERT_TRUE(select.Choice());
    EXPECT_EQ(select.Choice()->partIndex, 3);
    EXPECT_EQ(select.Choice()->lineIndex, 1);
    EXPECT_FALSE(select.Choice()->copyStart);
}

TEST_F(LineTimingsWindowTest, ReRecordAndPreviewReportTheirChanges) {
    auto window = MakeWindow();
    int recorded = -1;
    window->SetReRecord([&](tLyrimoData& song, int part, int line, QWidget*) {
        EXPECT_EQ(&song, &song_);
        EXPECT_EQ(part, 0);
        recorded = line;
        song.GetPart(0)->GetLine(0)->AddTiming(MakeTiming(15, 1500));
        return false;
    });
    ASSERT_TRUE(window->ReRecordButton()->isEnabled());
    window->ReRecordButton()->click();
    EXPECT_EQ(recorded, 0);
    EXPECT_FALSE(window->Changed());
    EXPECT_EQ(window->List()->topLevelItemCount(), 3); // refreshed all the same

    bool previewChanges = false;
    int previewed = -1;
    window->preview = [&](tLyrimoData&, int, int& line, QWidget*) {
        previewed = line;
        return previewChanges;
    };
    window->PreviewButton()->click();
    EXPECT_EQ(previewed, 0);
    EXPECT_FALSE(window->Changed());
    previewChanges = true;
    window->PreviewButton()->click();
    EXPECT_TRUE(window->Changed());
}

// How many pixels of a cell of the list are not its background: the text's.
int TextPixels(const QImage& image, const QRect& cell, const QColor& background) {
    int count = 0;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
        for (int x = cell.left(); x <= cell.right(); ++x)
            if (image.pixelColor(x, y) != background)
                ++count;
    return count;
}

TEST_F(LineTimingsWindowTest, TheSecondColumnShowsTheTextSungSoFar) {
    auto window = MakeWindow();
    QTreeWidget* list = window->List();
    const QImage image = list->viewport()->grab().toImage();
    const int left = list->header()->sectionPosition(1) + 1;
    const int width = list->header()->sectionSize(1);
    auto cell = [&](int row) {
        const QRect rect = list->visualItemRect(list->topLevelItem(row));
        return QRect(left, rect.top() + 1, width - 2, rect.height() - 2); // inside the focus frame
    };
    // The far end of the cell is background.
    const QColor background = image.pixelColor(cell(0).right() - 1, cell(0).center().y());
    const int seven = TextPixels(image, cell(0), background);
    const int fifteen = TextPixels(image, cell(1), background);
    EXPECT_GT(seven, 20);
    EXPECT_GT(fifteen, seven + 20); // "Twinkle" against "Twinkle twinkle"
    // The text starts at the column's left edge.
    const QRect first = cell(0);
    EXPECT_EQ(
        TextPixels(image,
                   QRect(first.left() + first.width() / 2, first.top(), first.width() / 2, first.height()),
                   background),
        0);
}

} // namespace
} // namespace lyrimo

namespace lyrimo {
namespace {

// Silence with a loud 440 Hz burst from burstMs on.
bool WriteBurst(const QString& path, int burstMs) {
    test::tSignal signal;
    signal.rate = 22050;
    signal.samples.assign(size_t(signal.rate) * 4 * 2, 0);
    for (size_t i = size_t(burstMs) * 22050 / 1000; i < signal.samples.size() / 2; ++i)
        signal.samples[2 * i] = signal.samples[2 * i + 1] =
            int16_t(12000 * std::sin(i * 2 * M_PI * 440 / 22050));
    return test::WriteWav(path, signal);
}

void Mouse(QWidget& target, QEvent::Type type, int x, Qt::MouseButtons buttons) {
    const QPointF at(x, target.height() / 2);
    QMouseEvent event(type, at, target.mapToGlobal(at),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
}

class LineTimingsWaveformTest : public LineTimingsWindowTest {
protected:
    void SetUp() override {
        LineTimingsWindowTest::SetUp();
        media_ = test::ScratchFolder() + "/burst-" + QString::number(++files_) + ".wav";
        ASSERT_TRUE(WriteBurst(media_, 1600));
        song_.SongSettings.setUseMediaFile(1);
        song_.SongSettings.setMediaFileName(QFile::encodeName(media_));
    }
    std::unique_ptr<TLinetime> MakeWaveformWindow() {
        auto window = MakeWindow();
        window->Sound()->makePlayer = [this] {
            return std::make_unique<tMyMediaPlayer>([this](uint8_t id) -> std::unique_ptr<tPlayer> {
                auto fake = std::make_unique<test::tFakePlayer>(id, &log_);
                fake->SetExtensions({".wav"});
                fake->enabled = id == player::Mci;
                fake->length = 4000;
                fake->playing = true;
                return fake;
            });
        };
        EXPECT_TRUE(window->Sound()->FinishPeaks());
        return window;
    }
    int XOf(TLinetime& window, int ms) { return window.Sound()->View()->Scale().XOf(ms); }

    QString media_;
    QStringList log_;
    static inline int files_ = 0;
};

TEST_F(LineTimingsWaveformTest, DraggingAHandleOntoTheSoundMovesItsTimingAndUndoTakesItBack) {
    auto window = MakeWaveformWindow();
    TWaveformView& view = *window->Sound()->View();
    ASSERT_EQ(view.Handles().size(), 2u);
    EXPECT_EQ(view.Handles()[0].label, "Twinkle");
    ASSERT_FALSE(view.Onsets().empty());
    EXPECT_NEAR(view.Onsets()[0], 1600, 5);

    // The first timing (1400 ms of part time) dragged to near the burst lands on its onset.
    Mouse(view, QEvent::MouseButtonPress, XOf(*window, 1400), Qt::LeftButton);
    Mouse(view, QEvent::MouseMove, XOf(*window, 1590), Qt::LeftButton);
    Mouse(view, QEvent::MouseButtonRelease, XOf(*window, 1590), Qt::NoButton);
    EXPECT_NEAR(Line(0).GetTiming(0).Delta(), 600, 5);
    EXPECT_EQ(window->SelectedRow(), 0);
    EXPECT_TRUE(window->Changed());

    // Without snapping it goes where it is let go, but never past the next timing.
    window->Sound()->SnapBox()->setChecked(false);
    Mouse(view, QEvent::MouseButtonPress, XOf(*window, Line(0).GetTiming(0).Delta() + 1000), Qt::LeftButton);
    Mouse(view, QEvent::MouseMove, XOf(*window, 3500), Qt::LeftButton);
    Mouse(view, QEvent::MouseButtonRelease, XOf(*window, 3500), Qt::NoButton);
    EXPECT_EQ(Line(0).GetTiming(0).Delta(), 1199);
    SaveShot(*window, "line-timings-waveform");

    EXPECT_TRUE(window->UndoLast());
    EXPECT_NEAR(Line(0).GetTiming(0).Delta(), 600, 5);
    EXPECT_TRUE(window->UndoLast());
    EXPECT_EQ(TimingsOf(Line(0)), (tPairs{{7, 400}, {15, 1200}}));
    EXPECT_FALSE(window->UndoLast());
}

TEST_F(LineTimingsWaveformTest, KeysNudgeTheSelectedTimingAndAClickListensFromJustBefore) {
    auto window = MakeWaveformWindow();
    window->activateWindow();
    window->SelectRow(1);
    window->List()->setFocus();
    for (const QString key : {"]", "}", "["}) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, key);
        QApplication::sendEvent(window->List(), &press);
    }
    EXPECT_EQ(Line(0).GetTiming(1).Delta(), 1300);
    window->NudgeSelected(-100);
    EXPECT_EQ(Line(0).GetTiming(1).Delta(), 1200);
    EXPECT_TRUE(window->UndoLast());
    EXPECT_EQ(Line(0).GetTiming(1).Delta(), 1300);

    // A click on the second handle (at 2300 ms) plays from half a second before it.
    TWaveformView& view = *window->Sound()->View();
    Mouse(view, QEvent::MouseButtonPress, XOf(*window, 2300), Qt::LeftButton);
    Mouse(view, QEvent::MouseButtonRelease, XOf(*window, 2300), Qt::NoButton);
    EXPECT_TRUE(log_.contains("4 SetPosition 1800")) << log_.join(", ").toStdString();
    EXPECT_TRUE(log_.contains("4 Play"));
    EXPECT_TRUE(window->Sound()->Playing());
    window->Sound()->StopPlaying();
    EXPECT_FALSE(window->Sound()->Playing());
    EXPECT_EQ(Line(0).GetTiming(1).Delta(), 1300); // a click moves nothing
}

TEST_F(LineTimingsWaveformTest, TheOutlineIsReadOnceAndThenTakenFromTheCache) {
    { auto first = MakeWaveformWindow(); }
    tWaveformPeaks cached;
    EXPECT_TRUE(LoadCachedPeaks(media_, cached));
    auto second = MakeWindow();
    EXPECT_FALSE(second->Sound()->View()->Peaks().IsEmpty()); // at once, without reading the sound
}

} // namespace
} // namespace lyrimo
