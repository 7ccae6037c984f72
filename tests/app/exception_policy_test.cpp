#include "app/app_services.h"
#include "app/exception_policy.h"
#include "app/start_program.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

namespace lyrimo {

class tSongError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace {

struct type_error : std::logic_error {
    using std::logic_error::logic_error;
};

template <typename Error>
QString KeyOfThrown(const Error& error) {
    try {
        throw error;
    } catch (...) {
        return ErrorKey(DescribeCurrentException());
    }
}

TEST(ErrorKey, ClassNameWithoutNamespacesAndPrefixThenMessage) {
    EXPECT_EQ(KeyOfThrown(std::runtime_error("disk full")), "runtime_error: disk full");
    EXPECT_EQ(KeyOfThrown(tSongError("bad part")), "SongError: bad part");
    EXPECT_EQ(KeyOfThrown(type_error("x")), "type_error: x");
    EXPECT_EQ(KeyOfThrown(42), "int: Unknown Error");
}

TEST(ExceptionTexts, EveryPhraseTranslatedAndJoinedExactly) {
    struct : tHeadlessServices {
        QString Translate(const QString& text) override { return "<" + text + ">"; }
    } marking;
    SetApp(&marking);
    EXPECT_EQ(ProblemReportTitle(), "Lyrimo <has encountered a problem>");
    EXPECT_EQ(ProblemReportText("SongError: x"),
              "SongError: x\n\n<Press Abort to Quit> Lyrimo (<unsaved work will be lost>)\n"
              "<Retry to try to continue, or>\n<Ignore to attempt to never show this error again>");
    EXPECT_EQ(QuitQuestionTitle(), "<Warning>");
    EXPECT_EQ(QuitQuestionText(), "<Are you sure you want to quit?> <unsaved work will be lost>?");
    EXPECT_EQ(ReportQuestionTitle(), "<Report Problem?>");
    EXPECT_EQ(ReportQuestionText(), "<Would you like to report this problem to the creators of Lyrimo?>");
    SetApp(nullptr);
}

// An executable shell script in a folder of its own.
QString Script(const QString& name, const QByteArray& body) {
    const QString folder = test::ScratchFolder() + "/" + name;
    QDir().mkpath(folder);
    EXPECT_TRUE(test::WriteFile(folder + "/tool.sh", "#!/bin/sh\n" + body + "\n"));
    QFile::setPermissions(folder + "/tool.sh", QFile::ReadOwner | QFile::ExeOwner);
    return folder + "/tool.sh";
}

TEST(StartProgram, WaitsForTheEndAndRunsInTheProgramsFolder) {
    const QString program = Script("blocking", "sleep 0.2; pwd > where.txt; echo \"$1|$2\" > args.txt");
    const QString folder = QFileInfo(program).canonicalPath();
    ASSERT_TRUE(StartProgram(program, {"first arg", "second"}, true, false));
    EXPECT_EQ(test::ReadFile(folder + "/where.txt").trimmed(), folder.toUtf8());
    EXPECT_EQ(test::ReadFile(folder + "/args.txt").trimmed(), "first arg|second");
    EXPECT_FALSE(StartProgram(folder + "/missing.sh", {}, true, false));
    EXPECT_FALSE(StartProgram(folder + "/missing.sh", {}, false, false));
}

TEST(StartProgram, KeepsProcessingEventsWhileWaiting) {
    const QString program = Script("responsive", "sleep 0.3; echo done > done.txt");
    const QString done = QFileInfo(program).absolutePath() + "/done.txt";
    bool timerRanMeanwhile = false;
    QTimer::singleShot(20, [&] { timerRanMeanwhile = !QFile::exists(done); });
    ASSERT_TRUE(StartProgram(program, {}, true, true));
    EXPECT_TRUE(timerRanMeanwhile);
    EXPECT_TRUE(QFile::exists(done));
}

} // namespace
} // namespace lyrimo
