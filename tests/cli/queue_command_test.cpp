// `lyrimo-cli queue`: adding songs for singers, showing the turns and taking the next song, and
// storing nothing on bad input.
#include "cli/queue_command.h"

#include "cli_test_support.h"
#include "document/song.h"
#include "playlist/singer_queue.h"

#include <QFile>

using namespace lyrimo;

namespace {

class QueueCommand : public test::tFolderTest {
protected:
    QueueCommand() : tFolderTest("cli-queue") {}
    void SetUp() override {
        tFolderTest::SetUp();
        QFile::remove(SingerQueueFile());
    }

    QString Song(const QString& name) {
        tLyrimoData song;
        song.SetSongName(name.toUtf8());
        const QString path = folder_ + "/" + name;
        EXPECT_EQ(song.SaveToFile(path), 0);
        return path;
    }

    QString Run(int& rc, const QStringList& args) {
        return test::CapturedOutput(rc, [&] { return RunQueueCommand(args); });
    }
};

TEST_F(QueueCommand, AddShowAndNextFollowTheTurns) {
    const QString a = Song("a.lym"), b = Song("b.lym");
    int rc = -1;
    const QString annsId = Run(rc, {"add", "Ann", a, "--key", "+2"}).trimmed();
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(annsId.size(), 16);
    Run(rc, {"add", "Bob", b});
    Run(rc, {"add", "ann", b, "--key", "-6"});
    EXPECT_EQ(rc, 0);

    const QString shown = Run(rc, {"show"});
    EXPECT_EQ(rc, 0);
    const tSingerQueue stored = LoadSingerQueue(SingerQueueFile());
    ASSERT_EQ(stored.Singers().size(), 2u);
    const QString bobsId = stored.Singers()[1].entries[0].id;
    const QString annsSecond = stored.Singers()[0].entries[1].id;
    EXPECT_EQ(shown, "singers: 2\n"
                     "1\tAnn\tsings next\n"
                     "\t" +
                         annsId + "\tkey +2\t?\t" + a +
                         "\n"
                         "\t" +
                         annsSecond + "\tkey -6\t?\t" + b +
                         "\n"
                         "2\tBob\tafter 1 song\n"
                         "\t" +
                         bobsId + "\tkey 0\t?\t" + b + "\n");

    EXPECT_EQ(Run(rc, {"next"}), "Ann\t" + annsId + "\tkey +2\t" + a + "\n");
    EXPECT_TRUE(Run(rc, {"next"}).startsWith("Bob\t" + bobsId));
    EXPECT_TRUE(Run(rc, {"next"}).startsWith("Ann\t" + annsSecond));
    EXPECT_EQ(Run(rc, {"next"}), "");
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(Run(rc, {"show"}), "singers: 2\n1\tBob\tnothing requested\n2\tAnn\tnothing requested\n");
}

TEST_F(QueueCommand, BadInputIsRefusedWithNothingStored) {
    const QString a = Song("a.lym");
    const QString notSong = folder_ + "/notes.lym";
    ASSERT_TRUE(test::WriteFile(notSong, "just notes"));
    int rc = -1;
    Run(rc, {"add", "Ann", a});
    ASSERT_EQ(rc, 0);
    const QByteArray before = test::ReadFile(SingerQueueFile());

    for (const QStringList& args : {QStringList{"add", QString(41, 'n'), a},
                                    {"add", "  ", a},
                                    {"add", "Bob", folder_ + "/missing.lym"},
                                    {"add", "Bob", notSong},
                                    {"add", "Bob", a, "--key", "7"},
                                    {"add", "Bob"},
                                    {"dance"}}) {
        EXPECT_EQ(Run(rc, args), "") << args.join(' ').toStdString();
        EXPECT_EQ(rc, 2) << args.join(' ').toStdString();
    }
    EXPECT_EQ(test::ReadFile(SingerQueueFile()), before);
}

} // namespace
