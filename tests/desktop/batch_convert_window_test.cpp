#include "app/settings.h"
#include "desktop/batch_convert_window.h"
#include "desktop/main_menu.h"
#include "desktop_test_support.h"
#include "document/import_template.h"
#include "importexport/import_common.h"
#include "smf_builder.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

namespace lyrimo {
namespace {

using test::tShellTest;

QByteArray SmallKaraoke() {
    test::tSmfTrack words;
    words.Text(0, "@TTitle").Lyric(10, "one").Lyric(10, "/two").End();
    return test::Smf({words});
}

class BatchConvertWindow : public tShellTest {
protected:
    void SetUp() override {
        tShellTest::SetUp();
        output_ = folder_ + "/out";
        QDir().mkpath(output_);
    }
    void TearDown() override {
        const std::unique_ptr<QSettings> store = OpenSettingsStore();
        for (const QString& name : ListTemplates(*store, false))
            DeleteTemplate(*store, name);
        tShellTest::TearDown();
    }

    QString Karaoke(const QString& name) {
        const QString path = folder_ + "/" + name;
        EXPECT_TRUE(test::WriteFile(path, SmallKaraoke()));
        return path;
    }
    QString Junk(const QString& name) {
        const QString path = folder_ + "/" + name;
        EXPECT_TRUE(test::WriteFile(path, "this is no midi file at all"));
        return path;
    }
    QString Output(const QString& name) const { return output_ + "/" + name; }

    static void SaveLook(const QString& name, int32_t background) {
        tLyrimoData look;
        look.SongSettings.setBackgroundColour(background);
        const std::unique_ptr<QSettings> store = OpenSettingsStore();
        ASSERT_TRUE(SaveTemplate(*store, name, look));
        store->sync();
    }

    static int32_t BackgroundOf(const QString& songFile) {
        tLyrimoData song;
        EXPECT_EQ(song.LoadFromFile(songFile, false), 0) << songFile.toStdString();
        return song.SongSettings.BackgroundColour();
    }

    // Ticks by hand until the run is over; false when it does not end.
    static bool RunToTheEnd(TBatchConvertWindow& window) {
        for (int ticks = 0; window.Converting() && ticks < 100; ++ticks)
            window.Tick();
        return !window.Converting();
    }

    static void Drop(QWidget& target, const QStringList& files) { test::DropFiles(target, files); }

    QString output_;
};

TEST_F(BatchConvertWindow, ConvertsOnItsTimerAndKeepsTheFailedFileListedWithItsReason) {
    const QString a = Karaoke("a.kar"), b = Junk("b.kar"), c = Karaoke("c.kar");
    TBatchConvertWindow window;
    EXPECT_EQ(window.windowTitle(), "Lyrimo - Batch File Converter");
    window.SetOutputFolder(output_);
    window.AddFiles({a, b, c});
    window.show();
    ASSERT_TRUE(window.ConvertButton()->isEnabled());
    EXPECT_EQ(window.ConvertButton()->text(), "C&onvert Now...");

    window.ConvertButton()->click();
    EXPECT_TRUE(window.Converting());
    EXPECT_EQ(window.ConvertButton()->text(), "STOP!");
    EXPECT_TRUE(window.ProgressPanel()->isVisible());
    EXPECT_EQ(window.QueueBar()->maximum(), 3);

    QStringList filesShown;
    QElapsedTimer clock;
    clock.start();
    while (window.Converting() && clock.elapsed() < 30000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!window.CurrentFileText().isEmpty() && !filesShown.contains(window.CurrentFileText()))
            filesShown << window.CurrentFileText();
    }
    ASSERT_FALSE(window.Converting());
    EXPECT_EQ(filesShown, QStringList({a, b, c}));

    EXPECT_TRUE(QFileInfo::exists(Output("a.lym")));
    EXPECT_TRUE(QFileInfo::exists(Output("c.lym")));
    EXPECT_FALSE(QFileInfo::exists(Output("b.lym")));
    tLyrimoData converted;
    ASSERT_EQ(converted.LoadFromFile(Output("c.lym"), false), 0);
    EXPECT_EQ(converted.SongName(), "Title");

    EXPECT_EQ(window.InputFiles(), QStringList({b}));
    const QString reason = window.FailureOf(b);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(window.SummaryText(), "2 converted, 1 failed: b.kar (" + reason + ")");
    EXPECT_FALSE(window.ProgressPanel()->isVisible());
    EXPECT_EQ(window.ConvertButton()->text(), "C&onvert Now...");
    // Unattended: neither the importers nor the window asked anything.
    EXPECT_TRUE(ui_.shownMessages.isEmpty());
    EXPECT_TRUE(ui_.shownImportResults.isEmpty());
    EXPECT_FALSE(Status().Quiet);
}

TEST_F(BatchConvertWindow, TheImportBarsFollowTheImportersStages) {
    TBatchConvertWindow window;
    window.SetOutputFolder(output_);
    window.AddFiles({Karaoke("one.kar")});
    window.ConvertClicked();
    window.Tick();
    // A successful MIDI import ends on its last stage with its step done.
    EXPECT_EQ(window.StageBar()->maximum(), 4);
    EXPECT_EQ(window.StageBar()->value(), 4);
    EXPECT_EQ(window.PositionBar()->value(), window.PositionBar()->maximum());
    EXPECT_EQ(window.QueueBar()->value(), 1);

    const tImportBars lines = ImportBarsFor(1, 9, 4, import_kind::Lrc);
    EXPECT_EQ(lines.stage, 1);
    EXPECT_EQ(lines.stageMaximum, 3);
    EXPECT_EQ(lines.position, 4);
    EXPECT_EQ(lines.positionMaximum, 9);
    // A stage of a single step (maximum 0, one line) is full, not empty or divided by zero.
    const tImportBars single = ImportBarsFor(1, 0, 0, import_kind::Kok);
    EXPECT_EQ(single.position, single.positionMaximum);
    EXPECT_EQ(single.stageMaximum, 2);
    // Stages beyond the known ones widen the bar instead of overflowing it.
    const tImportBars unknown = ImportBarsFor(6, 3, 9, 0);
    EXPECT_EQ(unknown.stage, 6);
    EXPECT_EQ(unknown.stageMaximum, 6);
    EXPECT_EQ(unknown.position, 3);
}

TEST_F(BatchConvertWindow, StopPutsTheUnconvertedFilesBackEvenWhenPressedDuringAFile) {
    const QString a = Karaoke("a.kar"), b = Karaoke("b.kar"), c = Karaoke("c.kar");
    TBatchConvertWindow window;
    window.SetOutputFolder(output_);
    window.AddFiles({a, b, c});
    window.show();
    window.ConvertClicked();

    // Pressed while the first file is being converted: it finishes, then the run stops.
    QTimer::singleShot(0, window.ConvertButton(), &QPushButton::click);
    window.Tick();
    EXPECT_FALSE(window.Converting());
    EXPECT_TRUE(QFileInfo::exists(Output("a.lym")));
    EXPECT_FALSE(QFileInfo::exists(Output("b.lym")));
    EXPECT_EQ(window.InputFiles(), QStringList({b, c}));
    EXPECT_EQ(window.SummaryText(), "1 converted, 0 failed");
    EXPECT_EQ(window.ConvertButton()->text(), "C&onvert Now...");

    // Pressed between files; the next run starts from what was put back.
    window.ConvertClicked();
    window.Tick();
    window.ConvertButton()->click();
    EXPECT_EQ(window.InputFiles(), QStringList({c}));
    window.ConvertClicked();
    ASSERT_TRUE(RunToTheEnd(window));
    EXPECT_TRUE(window.InputFiles().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(Output("c.lym")));
}

TEST_F(BatchConvertWindow, ConvertNeedsAFileAndACheckedTemplate) {
    SaveLook("Autumn", 0x102030);
    TBatchConvertWindow window;
    EXPECT_EQ(window.TemplateNames(), QStringList({kDefaultTemplateName, "Autumn"}));
    EXPECT_EQ(window.CheckedTemplates(), QStringList({kDefaultTemplateName}));
    EXPECT_FALSE(window.ConvertButton()->isEnabled());

    window.AddFiles({Karaoke("song.kar")});
    EXPECT_TRUE(window.ConvertButton()->isEnabled());
    window.CheckTemplate(kDefaultTemplateName, false);
    EXPECT_FALSE(window.ConvertButton()->isEnabled());
    window.ConvertClicked(); // refused while disabled
    EXPECT_FALSE(window.Converting());
    window.CheckTemplate("Autumn", true);
    EXPECT_TRUE(window.ConvertButton()->isEnabled());

    EXPECT_FALSE(window.RemoveButton()->isEnabled()); // nothing selected
    window.InputList()->selectAll();
    EXPECT_EQ(window.RemoveButton()->text(), "Remo&ve Files...");
    window.RemoveButton()->click();
    EXPECT_TRUE(window.InputFiles().isEmpty());
    EXPECT_FALSE(window.ConvertButton()->isEnabled());

    window.resize(100, 100);
    EXPECT_GE(window.width(), TBatchConvertWindow::kMinimumWidth);
    EXPECT_GE(window.height(), TBatchConvertWindow::kMinimumHeight);
}

TEST_F(BatchConvertWindow, DropsTakeOnlyConvertibleFilesOnce) {
    const QString song = Karaoke("loud.KAR");
    const QString lyrics = folder_ + "/words.lrc";
    ASSERT_TRUE(test::WriteFile(lyrics, "[00:01.00]hello"));
    TBatchConvertWindow window;
    window.show();
    Drop(window, {TextFile("notes.txt")});
    EXPECT_TRUE(window.InputFiles().isEmpty());
    EXPECT_FALSE(window.ConvertButton()->isEnabled());

    Drop(window, {song, TextFile("readme.txt"), lyrics, song});
    EXPECT_EQ(window.InputFiles(), QStringList({song, lyrics}));
    window.AddFiles({lyrics});
    EXPECT_EQ(window.InputFiles(), QStringList({song, lyrics}));

    // Nothing is added while a run goes on.
    window.SetOutputFolder(output_);
    window.ConvertClicked();
    Drop(window, {Karaoke("late.kar")});
    EXPECT_EQ(window.InputFiles(), QStringList({song, lyrics}));
    ASSERT_TRUE(RunToTheEnd(window));
}

TEST_F(BatchConvertWindow, MarkedTemplatesAreShownWithoutTheirMarkAndUsedWithIt) {
    const QString marked = QChar(0x01) + QString("Hidden look");
    SaveLook(marked, 0x00445566);
    const QString file = Karaoke("song.kar");
    // A song of the same name already there is kept; the new one is numbered.
    ASSERT_TRUE(test::WriteFile(Output("song.lym"), "keep me"));

    TBatchConvertWindow window;
    EXPECT_EQ(window.TemplateNames(), QStringList({kDefaultTemplateName, "Hidden look"}));
    window.CheckTemplate(kDefaultTemplateName, false);
    window.CheckTemplate("Hidden look", true);
    EXPECT_EQ(window.CheckedTemplates(), QStringList({marked}));
    window.SetOutputFolder(output_);
    window.AddFiles({file});
    window.ConvertClicked();
    window.Tick();
    EXPECT_EQ(window.CurrentTemplateText(), "Hidden look");
    ASSERT_TRUE(RunToTheEnd(window));
    EXPECT_EQ(test::ReadFile(Output("song.lym")), "keep me");
    EXPECT_EQ(BackgroundOf(Output("song1.lym")), 0x00445566);
}

TEST_F(BatchConvertWindow, ClosingWhileConvertingAsksAndCancelKeepsConverting) {
    TBatchConvertWindow window;
    window.SetOutputFolder(output_);
    const QString last = Karaoke("d.kar");
    window.AddFiles({Karaoke("a.kar"), Karaoke("b.kar"), Karaoke("c.kar"), last});
    window.show();
    window.ConvertClicked();

    ui_.scriptedAnswers = {mb::IdCancel};
    window.CloseButton()->click();
    EXPECT_EQ(ui_.shownMessages, QStringList({"Stop process?: Abort conversion in progress?"}));
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.Converting());

    // Asked while a file is being imported, when the importer's messages are being gathered:
    // the question waits for the file, and is really asked.
    ui_.scriptedAnswers = {mb::IdCancel};
    QTimer::singleShot(0, &window, [&window] { window.close(); });
    window.Tick();
    EXPECT_EQ(ui_.shownMessages.size(), 2);
    EXPECT_TRUE(window.Converting());
    EXPECT_TRUE(window.isVisible());
    window.Tick();
    EXPECT_TRUE(QFileInfo::exists(Output("b.lym")));

    // OK during a file lets that file finish, then stops and closes.
    ui_.scriptedAnswers = {mb::IdOk};
    QTimer::singleShot(0, &window, [&window] { window.close(); });
    window.Tick();
    EXPECT_EQ(ui_.shownMessages.size(), 3);
    EXPECT_TRUE(QFileInfo::exists(Output("c.lym")));
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(window.Converting());
    EXPECT_EQ(window.InputFiles(), QStringList({last}));
}

TEST_F(BatchConvertWindow, TheMainMenuOpensTheConverterFromKeyFour) {
    TMainMenu menu(log_.Steps());
    QString opened;
    QTimer::singleShot(50, [&opened] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* converter = qobject_cast<TBatchConvertWindow*>(modal)) {
            opened = converter->windowTitle();
            converter->CloseButton()->click();
        } else if (modal) {
            modal->close();
        }
    });
    menu.show();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_4, Qt::NoModifier);
    QApplication::sendEvent(&menu, &press);
    EXPECT_EQ(opened, "Lyrimo - Batch File Converter");
}

} // namespace
} // namespace lyrimo
