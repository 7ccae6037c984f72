// The singer queue: whose turn it is, how long each singer waits, and keeping the queue across
// restarts and interrupted saves.
#include "playlist/singer_queue.h"

#include "test_support.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <gtest/gtest.h>

#include <set>

using namespace lyrimo;

namespace {

// The singers in the order TakeNext serves them, until nobody has a song.
std::vector<QString> ServedSingers(tSingerQueue& queue) {
    std::vector<QString> served;
    while (auto taken = queue.TakeNext())
        served.push_back(taken->singer);
    return served;
}

QString Add(tSingerQueue& queue, const QString& singer, int64_t lengthMs = 0) {
    return queue.AddEntry(singer, "/songs/" + singer + ".lym", 0, lengthMs);
}

TEST(SingerQueue, SingersTakeTurnsAndNewcomersJoinAtTheEndOfTheRound) {
    tSingerQueue queue;
    Add(queue, "Ann");
    Add(queue, "Ann");
    Add(queue, "Bob");
    ASSERT_EQ(queue.TakeNext()->singer, "Ann");
    // Cid joins after Bob, who has not sung yet this round, and before Ann comes round again.
    Add(queue, "cid");
    // The same singer, however written, is not a second one.
    Add(queue, "  BOB ");
    EXPECT_EQ(queue.Singers().size(), 3u);
    EXPECT_EQ(ServedSingers(queue), (std::vector<QString>{"Bob", "cid", "Ann", "Bob"}));
    EXPECT_FALSE(queue.TakeNext());
}

TEST(SingerQueue, EmptyAndPausedSingersArePassedOverButKeepTheirPlace) {
    tSingerQueue queue;
    queue.AddEntry("Ann", "/a.lym", 0, 0);
    const QString bobsSong = Add(queue, "Bob");
    Add(queue, "Cid");
    Add(queue, "Cid");
    queue.RemoveEntry(queue.Singers()[0].entries[0].id); // Ann has nothing now
    ASSERT_TRUE(queue.SetPaused("bob", true));
    EXPECT_EQ(queue.TakeNext()->singer, "Cid");
    EXPECT_EQ(queue.Singers().size(), 3u);
    // Both kept their places ahead of Cid, who sang last.
    queue.SetPaused("Bob", false);
    Add(queue, "Ann");
    EXPECT_EQ(queue.TakeNext()->singer, "Ann");
    EXPECT_EQ(queue.TakeNext()->entry.id, bobsSong);
    EXPECT_EQ(ServedSingers(queue), (std::vector<QString>{"Cid"}));
}

TEST(SingerQueue, RemovingTheSingerWhoSangLastKeepsTheTurns) {
    tSingerQueue queue;
    for (const char* name : {"Ann", "Bob", "Cid"})
        Add(queue, name), Add(queue, name);
    ASSERT_EQ(queue.TakeNext()->singer, "Ann");
    ASSERT_TRUE(queue.RemoveSinger("ANN"));
    Add(queue, "Dee"); // with Ann gone, the end of the round is after Cid
    EXPECT_EQ(ServedSingers(queue), (std::vector<QString>{"Bob", "Cid", "Dee", "Bob", "Cid"}));
    EXPECT_FALSE(queue.RemoveSinger("Ann"));
}

TEST(SingerQueue, HostChangesEntriesAndTurns) {
    tSingerQueue queue;
    const QString first = Add(queue, "Ann");
    const QString second = queue.AddEntry("Ann", "/b.lym", 2, 0);
    Add(queue, "Bob");
    ASSERT_TRUE(queue.MoveEntry(second, 0));
    ASSERT_TRUE(queue.MoveSinger("Bob", 0));
    EXPECT_TRUE(queue.SetKeyShift(first, -6));
    EXPECT_FALSE(queue.SetKeyShift(first, 7));
    EXPECT_FALSE(queue.MoveEntry("0123456789abcdef", 0));
    EXPECT_EQ(queue.FindEntry(first)->keyShift, -6);

    // Skipping Bob's song keeps it for his next turn; Ann sings meanwhile.
    ASSERT_TRUE(queue.SkipNext());
    auto taken = queue.TakeNext();
    EXPECT_EQ(taken->entry.id, second);
    EXPECT_EQ(taken->entry.keyShift, 2);
    EXPECT_EQ(queue.TakeNext()->singer, "Bob");
    EXPECT_EQ(queue.TakeNext()->entry.id, first);
}

TEST(SingerQueue, RejectsBadNamesAndKeysAndIssuesDistinctIds) {
    tSingerQueue queue;
    QString why;
    for (const QString& name : {QString("   "), QString(41, 'x'), QString("Ann\tB")}) {
        why.clear();
        EXPECT_TRUE(queue.AddEntry(name, "/a.lym", 0, 0, &why).isEmpty() && !why.isEmpty());
    }
    EXPECT_TRUE(queue.AddEntry("Ann", "/a.lym", -7, 0).isEmpty());
    EXPECT_TRUE(queue.Empty());
    // 40 characters fit, counted as people see them, not in UTF-16 units.
    EXPECT_FALSE(
        queue.AddEntry(" " + QString(39, 'x') + QString::fromUtf8("\xF0\x9F\x8E\xA4") + " ", "/a.lym", 0, 0)
            .isEmpty());

    std::set<QString> ids;
    for (int i = 0; i < 50; ++i)
        ids.insert(Add(queue, "Ann"));
    EXPECT_EQ(ids.size(), 50u);
    EXPECT_TRUE(QRegularExpression("^[0-9a-f]{16}$").match(*ids.begin()).hasMatch());
}

TEST(SingerQueue, WaitsAddTheSongsBeforeEachSingersNext) {
    tSingerQueue queue;
    Add(queue, "Ann", 180000);
    Add(queue, "Ann", 999999); // her second song plays after everyone's first
    Add(queue, "Bob", 0);
    Add(queue, "Cid", 200000);
    Add(queue, "Dee", 100000);
    queue.SetPaused("Cid", true);
    const std::vector<tSingerWait> waits = queue.Waits();
    ASSERT_EQ(waits.size(), 3u);
    EXPECT_EQ(waits[0].waitMs, 0);
    EXPECT_TRUE(waits[1].waitMs == 180000 && waits[1].complete);
    // Cid is paused; Bob's song has no known length.
    EXPECT_EQ(waits[2].singer, "Dee");
    EXPECT_TRUE(waits[2].songsBefore == 2 && waits[2].waitMs == 180000 && !waits[2].complete);
}

class SingerQueueFile : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = test::ScratchFolder() + "/queue-" + QString::number(++runs_) + "/singer-queue.json";
    }
    QString file_;
    static inline int runs_ = 0;
};

TEST_F(SingerQueueFile, ARestartFindsTheQueueAsItWasSaved) {
    tSingerQueue queue;
    Add(queue, "Ann", 1000);
    queue.AddEntry("Bob", "/songs/ö ü.lym", -3, 0);
    Add(queue, "Cid");
    queue.TakeNext();
    queue.SetPaused("Cid", true);
    ASSERT_TRUE(SaveSingerQueue(queue, file_));

    QStringList problems;
    tSingerQueue loaded = LoadSingerQueue(file_, &problems);
    EXPECT_TRUE(problems.isEmpty()) << problems.join("; ").toStdString();
    EXPECT_EQ(loaded.ToJson(), queue.ToJson());
    // The singer who sang last is still last: a newcomer sings before Ann again.
    Add(loaded, "Dee");
    Add(loaded, "Ann");
    EXPECT_EQ(ServedSingers(loaded), (std::vector<QString>{"Bob", "Dee", "Ann"}));
}

TEST_F(SingerQueueFile, AnInterruptedSaveLeavesThePreviousQueue) {
    tSingerQueue queue;
    Add(queue, "Ann");
    ASSERT_TRUE(SaveSingerQueue(queue, file_));
    const QByteArray saved = test::ReadFile(file_);
    {
        // A save that never got to commit, as when the program dies half-way.
        QSaveFile file(file_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(saved.left(saved.size() / 2));
    }
    EXPECT_EQ(test::ReadFile(file_), saved);
    EXPECT_EQ(LoadSingerQueue(file_).ToJson(), queue.ToJson());
    EXPECT_EQ(QDir(QFileInfo(file_).absolutePath()).entryList(QDir::Files),
              QStringList({"singer-queue.json"}));
}

TEST_F(SingerQueueFile, ADamagedFileGivesWhatCanBeReadWithTheReasons) {
    tSingerQueue queue;
    Add(queue, "Ann");
    Add(queue, "Bob");
    const QByteArray whole = queue.ToJson();

    QStringList problems;
    EXPECT_TRUE(tSingerQueue::FromJson(whole.left(whole.size() / 2), &problems).Empty());
    EXPECT_EQ(problems.size(), 1);

    // A malformed id, a key out of range and a name too long each lose only their own part.
    QByteArray damaged = whole;
    damaged.replace(queue.Singers()[0].entries[0].id.toUtf8(), "not-an-id");
    damaged.replace("\"Bob\"", "\"" + QByteArray(41, 'b') + "\"");
    problems.clear();
    tSingerQueue partial = tSingerQueue::FromJson(damaged, &problems);
    EXPECT_EQ(problems.size(), 2);
    ASSERT_EQ(partial.Singers().size(), 1u);
    EXPECT_EQ(partial.Singers()[0].name, "Ann");
    EXPECT_TRUE(partial.Singers()[0].entries.empty());
}

} // namespace
