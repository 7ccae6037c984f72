// The voice suppressor's and the file sorter's windows: runs started, stopped and closed from the
// window, the messages the user sees, and the preview before any file is renamed.
#include "desktop/file_sorter_window.h"
#include "desktop/voice_suppressor_window.h"
#include "desktop_test_support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QTreeWidget>

#include <cmath>

namespace lyrimo {
namespace {

// A stereo WAVE file of a tone, seconds long at 44.1 kHz.
QByteArray ToneWave(double seconds) {
    const int frames = static_cast<int>(seconds * 44100);
    QByteArray data;
    data.reserve(frames * 4);
    for (int i = 0; i < frames; ++i) {
        const auto value = static_cast<int16_t>(8000 * std::sin(2 * M_PI * 440 * i / 44100.0));
        for (int channel = 0; channel < 2; ++channel) {
            data += static_cast<char>(value & 0xff);
            data += static_cast<char>((value >> 8) & 0xff);
        }
    }
    auto u32 = [](uint32_t v) {
        QByteArray b;
        for (int i = 0; i < 4; ++i)
            b += static_cast<char>((v >> (8 * i)) & 0xff);
        return b;
    };
    QByteArray format = u32(16).left(4);
    format +=
        QByteArray("\x01\x00\x02\x00", 4) + u32(44100) + u32(44100 * 4) + QByteArray("\x04\x00\x10\x00", 4);
    return "RIFF" + u32(36 + data.size()) + "WAVEfmt " + format + "data" + u32(data.size()) + data;
}

bool RunEvents(const std::function<bool()>& until, int timeoutMs = 60000) {
    QElapsedTimer timer;
    timer.start();
    while (!until()) {
        if (timer.hasExpired(timeoutMs))
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

class VoiceWindow : public test::tShellTest {
protected:
    QString Input(double seconds) {
        const QString path = folder_ + "/song.wav";
        EXPECT_TRUE(test::WriteFile(path, ToneWave(seconds)));
        return path;
    }
    QString Output() const { return folder_ + "/karaoke.wav"; }
};

TEST_F(VoiceWindow, ARunGoesToTheEndWithProgressAndSaysSo) {
    Settings().ReducePos = 77;
    Settings().ReverbLevel = 0;
    TVoiceRem window;
    EXPECT_EQ(window.ChosenSettings().Reduction, 77);
    EXPECT_EQ(window.RemainingText(), "--:--");
    window.SetFiles(Input(3), Output());
    window.Begin();
    ASSERT_TRUE(window.Running());
    EXPECT_EQ(window.BeginButton()->text(), "&STOP!");
    ASSERT_TRUE(RunEvents([&] { return !window.Running(); }));
    EXPECT_EQ(ui_.shownMessages, QStringList({"Finished!: Voice Supression completed sucessfully"}));
    EXPECT_EQ(QFileInfo(Output()).size(), 44 + 2 * 3 * 44100);
    EXPECT_EQ(window.RemainingText(), "??:??");
    EXPECT_EQ(window.BeginButton()->text(), "&Begin VoiceSupressor");

    tVoiceRemSettings changed = window.ChosenSettings();
    changed.TrebleCut = 4;
    window.SetChosenSettings(changed);
    window.reject();
    EXPECT_EQ(Settings().BassBoostLevel, 4);
}

TEST_F(VoiceWindow, StoppingOrClosingMidRunLeavesNoOutput) {
    const QString input = Input(60);
    {
        TVoiceRem window;
        window.SetFiles(input, Output());
        window.Begin();
        QApplication::processEvents();
        window.Stop();
        ASSERT_TRUE(RunEvents([&] { return !window.Running(); }));
        ASSERT_EQ(ui_.shownMessages.size(), 1);
        EXPECT_TRUE(ui_.shownMessages[0].startsWith("Stopped: Voice removal process was not complete"));
    }
    EXPECT_FALSE(QFileInfo::exists(Output()));

    ui_.shownMessages.clear();
    ui_.scriptedAnswers = {mb::IdCancel, mb::IdOk};
    TVoiceRem window;
    window.SetFiles(input, Output());
    window.show();
    window.Begin();
    QApplication::processEvents();
    window.reject(); // Cancel: the run goes on
    EXPECT_TRUE(window.Running());
    EXPECT_TRUE(window.isVisible());
    window.reject(); // OK: it stops and the window closes once it has
    ASSERT_TRUE(RunEvents([&] { return !window.isVisible(); }));
    EXPECT_FALSE(window.Running());
    EXPECT_EQ(ui_.shownMessages, QStringList({"Well?: Processing is in progress, stop and exit?",
                                              "Well?: Processing is in progress, stop and exit?"}));
    EXPECT_FALSE(QFileInfo::exists(Output()));
    EXPECT_EQ(QDir(folder_).entryList(QDir::Files), QStringList({"song.wav"}));
}

TEST_F(VoiceWindow, UnusableFilesAreRefusedWithTheirReason) {
    TVoiceRem window;
    window.SetFiles(folder_ + "/none.wav", Output());
    window.Begin();
    EXPECT_FALSE(window.Running());
    const QString input = Input(1);
    window.SetFiles(input, input);
    window.Begin();
    EXPECT_EQ(ui_.shownMessages, QStringList({"Error: Input file cannot be found",
                                              "Error: Input file cannot be the same as the output file"}));
}

class SorterWindow : public test::tShellTest {};

TEST_F(SorterWindow, RenamesOnlyAfterThePreviewIsAgreedTo) {
    SongFile("b.lym", "Bee");
    SongFile("a.lym", "Ay");
    TFileSorterWindow window;
    tSortRequest request;
    request.Folder = folder_;
    window.SetRequest(request, folder_ + "/list.csv");

    ui_.scriptedAnswers = {mb::IdCancel};
    window.Start();
    EXPECT_EQ(window.PreviewList()->topLevelItemCount(), 2);
    EXPECT_EQ(window.PreviewList()->topLevelItem(0)->text(2), "01LYM.lym");
    EXPECT_EQ(window.PreviewList()->topLevelItem(0)->text(1), "Ay");
    EXPECT_TRUE(QFileInfo::exists(folder_ + "/a.lym"));
    EXPECT_FALSE(QFileInfo::exists(folder_ + "/list.csv"));

    ui_.scriptedAnswers = {mb::IdOk, mb::IdOk};
    window.Start();
    EXPECT_TRUE(QFileInfo::exists(folder_ + "/01LYM.lym"));
    EXPECT_TRUE(QFileInfo::exists(folder_ + "/02LYM.lym"));
    EXPECT_TRUE(test::ReadFile(folder_ + "/list.csv").startsWith("\"01LYM\",\"Ay\""));
    EXPECT_EQ(window.PreviewList()->topLevelItem(1)->text(3), "Renamed");
    EXPECT_EQ(ui_.shownMessages.last(), "Lyrimo: Processing Complete!");
    EXPECT_EQ(window.StatusText(), " Ready...");
}

} // namespace
} // namespace lyrimo
