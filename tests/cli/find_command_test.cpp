// `lyrimo-cli find`: the paths it prints and the options it refuses.
#include "cli/find_command.h"

#include "song_tree.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class FindCommand : public testing::Test {
protected:
    void SetUp() override {
        root_ = ScratchFolder() + "/cli-find-" + QString::number(++runs_);
        ASSERT_TRUE(
            WriteSong(root_ + "/Rock/thunder.lym", {"Thunder Road", "Bruce", "Born", {"screen door slams"}}));
        ASSERT_TRUE(WriteSong(root_ + "/Pop/rain.lym", {"Rain", "Thunder Kids", "", {"the rain falls"}}));
        ASSERT_TRUE(WriteSong(root_ + "/Pop/sun.lym", {"Sunny", "", "Road Trip", {"no thunder today"}}));
    }

    // The printed lines, sorted; rc gets the exit code.
    QStringList Run(const QStringList& args, int& rc) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        rc = RunFindCommand(args);
        const QString out = QString::fromStdString(testing::internal::GetCapturedStdout());
        errors_ = QString::fromStdString(testing::internal::GetCapturedStderr());
        QStringList lines = out.split('\n', Qt::SkipEmptyParts);
        lines.sort();
        return lines;
    }

    QString root_;
    QString errors_;
    static inline int runs_ = 0;
};

TEST_F(FindCommand, PrintsTheFullPathOfEachMatch) {
    int rc = -1;
    EXPECT_EQ(Run({"thunder", root_}, rc), QStringList({root_ + "/Rock/thunder.lym"}));
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(Run({"--in", "artist,lyrics", "thunder", root_}, rc),
              QStringList({root_ + "/Pop/rain.lym", root_ + "/Pop/sun.lym"}));
    EXPECT_EQ(Run({"--mode", "contain", "--in", "song,album", "road", root_}, rc),
              QStringList({root_ + "/Pop/sun.lym", root_ + "/Rock/thunder.lym"}));
    EXPECT_EQ(Run({"--mode", "not", "--in", "file", "un", root_}, rc),
              QStringList({root_ + "/Pop/rain.lym"}));
    EXPECT_EQ(Run({"--mode", "end", "--in", "song", "ROAD", root_}, rc),
              QStringList({root_ + "/Rock/thunder.lym"}));
    EXPECT_EQ(Run({"--mode", "start", "--", "--x", root_}, rc), QStringList());
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(errors_.isEmpty());

    // A relative folder is printed from where the search started.
    const QString here = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(root_ + "/Pop"));
    const QStringList found = Run({"rain", "."}, rc);
    QDir::setCurrent(here);
    EXPECT_EQ(found, QStringList({root_ + "/Pop/rain.lym"}));
}

TEST_F(FindCommand, BadArgumentsAreNamedAndExitWithTwo) {
    const QList<std::pair<QStringList, QString>> cases = {
        {{"--mode", "sideways", "x", root_}, "--mode needs contain, start, end or not"},
        {{"--mode"}, "--mode needs"},
        {{"--in", "title", "x", root_}, "not title"},
        {{"--in", ",", "x", root_}, "--in needs one or more"},
        {{"--fast", "x", root_}, "unknown option --fast"},
        {{"x"}, "a search text and a folder"},
        {{"x", root_, "extra"}, "a search text and a folder"},
        {{"x", root_ + "/none"}, "no folder"},
        {{"x", root_ + "/Pop/rain.lym"}, "no folder"},
    };
    for (const auto& [args, message] : cases) {
        int rc = -1;
        EXPECT_TRUE(Run(args, rc).isEmpty());
        EXPECT_EQ(rc, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(errors_.contains(message)) << errors_.toStdString();
        EXPECT_TRUE(errors_.contains("Usage: lyrimo-cli find"));
    }
}

} // namespace
