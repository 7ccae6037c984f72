#include "app/app_services.h"
#include "test_support.h"
#include "ui/exception_handler.h"

#include <QCoreApplication>
#include <QSettings>

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <utility>

namespace lyrimo {
namespace {

// Handlers whose report box, clock, reporter and ending are recorded instead of shown or done;
// their questions go to scripted headless services.
class ExceptionHandler : public ::testing::Test {
protected:
    QSettings store{test::ScratchFolder() + "/handler.ini", QSettings::IniFormat};
    tHeadlessServices questions;
    tExHandler handler{&store};
    std::deque<int> reportAnswers;
    QStringList reportTexts;
    int64_t now = 100000;
    std::optional<int> exitCode;
    QStringList reporterCall;

    void SetUp() override {
        SetApp(&questions);
        questions.printMessages = false;
        Record(handler);
    }
    void TearDown() override { SetApp(nullptr); }

    void Record(tExHandler& h) {
        h.reportProgram.clear();
        h.reportBox = [this](const QString&, const QString& text) {
            reportTexts << text;
            const int answer = reportAnswers.empty() ? mb::IdRetry : reportAnswers.front();
            if (!reportAnswers.empty())
                reportAnswers.pop_front();
            return answer;
        };
        h.clockMs = [this] { return now; };
        h.endApplication = [this](int code) { exitCode = code; };
        h.startReporter = [this](const QString& program, const QStringList& arguments) {
            return reporterCall = QStringList{program} + arguments, true;
        };
    }
};

TEST_F(ExceptionHandler, ABurstOfErrorsShowsOnceAndErrorsDuringTheReportAreNotStacked) {
    handler.reportBox = [this, record = handler.reportBox, once = true](const QString& title,
                                                                        const QString& text) mutable {
        if (std::exchange(once, false))
            handler.Handle({"logic_error", "raised by a timer meanwhile"});
        return record(title, text);
    };
    handler.Handle({"tSongError", "the third verse is damaged"});
    ASSERT_EQ(reportTexts.size(), 1);
    EXPECT_TRUE(
        reportTexts[0].startsWith("SongError: the third verse is damaged\n\nPress Abort to Quit Lyrimo ("));
    now += 499;
    handler.Handle({"tSongError", "the third verse is damaged"});
    EXPECT_EQ(reportTexts.size(), 1);
    now += 1;
    handler.Handle({"tSongError", "the third verse is damaged"});
    EXPECT_EQ(reportTexts.size(), 2);
    EXPECT_FALSE(exitCode);
}

TEST_F(ExceptionHandler, IgnoreSilencesThatErrorOnlyAndSurvivesARestart) {
    tExHandler real; // the user's own settings file
    Record(real);
    reportAnswers = {mb::IdIgnore};
    real.Handle({"tSongError", "cannot read C:\\songs/a.lym"});
    tExHandler restarted;
    Record(restarted);
    restarted.Handle({"tSongError", "cannot read C:\\songs/a.lym"});
    EXPECT_EQ(reportTexts.size(), 1);
    restarted.Handle({"tSongError", "cannot read C:\\songs//a.lym"});
    EXPECT_EQ(reportTexts.size(), 2);
}

TEST_F(ExceptionHandler, AbortThenCancelReturnsAtOnce) {
    handler.reportProgram = QCoreApplication::applicationFilePath();
    reportAnswers = {mb::IdAbort};
    questions.scriptedAnswers = {mb::IdCancel};
    handler.Handle({"runtime_error", "x"});
    EXPECT_EQ(questions.shownMessages,
              QStringList({"Warning: Are you sure you want to quit? unsaved work will be lost?"}));
    EXPECT_FALSE(exitCode);
}

TEST_F(ExceptionHandler, AbortThenOkOffersTheReportWhenThereIsAReporterAndEndsWithCodeOne) {
    handler.Handle({"runtime_error", "no reporter"});
    EXPECT_TRUE(questions.shownMessages.isEmpty());
    now += 1000;
    handler.reportProgram = QCoreApplication::applicationFilePath();
    reportAnswers = {mb::IdAbort};
    questions.scriptedAnswers = {mb::IdOk, mb::IdOk};
    handler.Handle({"runtime_error", "disk full"});
    ASSERT_EQ(questions.shownMessages.size(), 2);
    EXPECT_EQ(questions.shownMessages[1],
              "Report Problem?: Would you like to report this problem to the creators of Lyrimo?");
    EXPECT_EQ(reporterCall.value(0), handler.reportProgram);
    EXPECT_TRUE(reporterCall.contains("disk full") && reporterCall.contains("runtime_error"));
    EXPECT_EQ(exitCode, 1);
}

TEST(ExceptionDelivery, EscapingExceptionsReachTheInstalledHandler) {
    auto handler = std::make_unique<tExHandler>();
    QStringList texts;
    handler->reportBox = [&](const QString&, const QString& text) { return texts << text, mb::IdRetry; };
    handler->reportProgram.clear();
    InstallExceptionHandler(std::move(handler));
    EXPECT_FALSE(DeliverGuarded([]() -> bool { throw std::out_of_range("line 7 of 6"); }));
    ASSERT_EQ(texts.size(), 1);
    EXPECT_TRUE(texts[0].startsWith("out_of_range: line 7 of 6\n\n"));
    RemoveExceptionHandler();
    EXPECT_THROW(DeliverGuarded([]() -> bool { throw 7; }), int);
}

} // namespace
} // namespace lyrimo
