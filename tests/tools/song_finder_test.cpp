// The song finder's search: matching in its four modes, which files are looked at and in which
// order, and a search stopped or run into damaged files.
#include "tools/song_finder.h"

#include "song_tree.h"
#include "test_support.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class SongFinder : public testing::Test {
protected:
    void SetUp() override {
        root_ = ScratchFolder() + "/finder-" + QString::number(++runs_) + "/";
        ASSERT_TRUE(QDir().mkpath(root_));
    }

    void Song(const QString& relative, const tSongContent& content) {
        ASSERT_TRUE(WriteSong(root_ + relative, content));
    }

    tFindRequest Request(const QString& text, int mode = find_mode::Contain) const {
        tFindRequest request;
        request.text = text;
        request.mode = mode;
        request.folder = root_;
        return request;
    }

    // The found files, relative to the searched folder, in the order found.
    QStringList Found(const tFindRequest& request) const {
        tSongFinder finder(request);
        finder.Run();
        QStringList files;
        for (const tFoundSong& hit : finder.Hits())
            files << hit.Path().mid(root_.size());
        return files;
    }

    QString root_;
    static inline int runs_ = 0;
};

TEST(FinderMatching, ModesOnFoldedText) {
    const QByteArray key = FoldedSearchText("lo");
    EXPECT_EQ(key, "LO");
    EXPECT_TRUE(TextMatches("LOVE SONG", key, find_mode::StartWith));
    EXPECT_FALSE(TextMatches("HELLO", key, find_mode::StartWith));
    EXPECT_TRUE(TextMatches("HELLO", key, find_mode::EndWith));
    EXPECT_FALSE(TextMatches("L", key, find_mode::EndWith));
    EXPECT_FALSE(TextMatches("L", key, find_mode::StartWith));
    EXPECT_TRUE(TextMatches("SLOW", key, find_mode::Contain));
    EXPECT_FALSE(TextMatches("SLOW", key, find_mode::DontContain));
    EXPECT_TRUE(TextMatches("SOW", key, find_mode::DontContain));

    // An empty text is never contained, and every text starts and ends with it.
    for (const QByteArray text : {QByteArray(), QByteArray("ANY")}) {
        EXPECT_FALSE(TextMatches(text, "", find_mode::Contain));
        EXPECT_TRUE(TextMatches(text, "", find_mode::StartWith));
        EXPECT_TRUE(TextMatches(text, "", find_mode::EndWith));
        EXPECT_TRUE(TextMatches(text, "", find_mode::DontContain));
    }
}

TEST(FinderMatching, OnlyTheLettersAToZAreFolded) {
    // The search text goes into the system code page, where é and É are different letters.
    EXPECT_EQ(FoldedSearchText(QString::fromUtf8("café 1a")), QByteArray("CAF\xE9 1A"));
    QByteArray text("\xC9t\xE9{z}");
    FoldLetters(text);
    EXPECT_EQ(text, QByteArray("\xC9T\xE9{Z}"));
}

TEST_F(SongFinder, StartWithFindsTheSongNameThatBeginsWithTheText) {
    Song("love.lym", {"Love Song", "", "", {}});
    Song("hello.lym", {"Hello", "", "", {}});
    Song("glove.lym", {"Glove", "", "", {}});
    EXPECT_EQ(Found(Request("lo", find_mode::StartWith)), QStringList({"love.lym"}));
    QStringList ending = Found(Request("LO", find_mode::EndWith));
    EXPECT_EQ(ending, QStringList({"hello.lym"}));
    QStringList containing = Found(Request("lo"));
    containing.sort();
    EXPECT_EQ(containing, QStringList({"glove.lym", "hello.lym", "love.lym"}));
}

TEST_F(SongFinder, EmptyTextFindsNothingContainedAndEveryReadableSongOtherwise) {
    Song("one.lym", {"One", "", "", {"a line"}});
    Song("two.lym", {"", "", "", {}}); // no song name at all
    ASSERT_TRUE(WriteFile(root_ + "junk.lym", "not a song"));
    EXPECT_TRUE(Found(Request("")).isEmpty());
    for (int mode : {find_mode::StartWith, find_mode::EndWith, find_mode::DontContain}) {
        QStringList found = Found(Request("", mode));
        found.sort();
        EXPECT_EQ(found, QStringList({"one.lym", "two.lym"})) << "mode " << mode;
    }
}

TEST_F(SongFinder, EachCheckedTextIsSearchedAndAMatchListedOnce) {
    Song("moon river.lym", {"Moon River", "Andy Williams", "Moon Album", {"wider than a mile"}});
    Song("other.lym", {"Other", "Moonlighters", "", {"the moon is high"}});
    tFindRequest request = Request("moon");
    request.songNames = false;
    EXPECT_TRUE(Found(request).isEmpty()); // nothing checked, nothing found

    request.fileName = true;
    EXPECT_EQ(Found(request), QStringList({"moon river.lym"}));
    request.songNames = true; // the same song again, through its name
    request.albumNames = true;
    EXPECT_EQ(Found(request), QStringList({"moon river.lym"}));

    request = Request("moon");
    request.songNames = false;
    request.artists = true;
    EXPECT_EQ(Found(request), QStringList({"other.lym"}));
    request.artists = false;
    request.lyrics = true;
    EXPECT_EQ(Found(request), QStringList({"other.lym"}));
    request.songNames = true; // lyrics or song name
    QStringList both = Found(request);
    both.sort();
    EXPECT_EQ(both, QStringList({"moon river.lym", "other.lym"}));
}

TEST_F(SongFinder, DontContainWithLyricsMeansNoLineContainsTheText) {
    Song("clean.lym", {"Clean", "", "", {"sunny day", "blue sky"}});
    Song("rain.lym", {"Rain", "", "", {"sunny day", "then RAIN came", "blue sky"}});
    Song("empty.lym", {"Empty", "", "", {}});
    tFindRequest request = Request("rain", find_mode::DontContain);
    request.songNames = false;
    request.lyrics = true;
    QStringList found = Found(request);
    found.sort();
    EXPECT_EQ(found, QStringList({"clean.lym", "empty.lym"}));

    request.mode = find_mode::StartWith; // one line is enough
    EXPECT_EQ(Found(Request("x", find_mode::StartWith)), QStringList());
    request.text = "then";
    EXPECT_EQ(Found(request), QStringList({"rain.lym"}));
    request.mode = find_mode::EndWith;
    request.text = "sky";
    found = Found(request);
    found.sort();
    EXPECT_EQ(found, QStringList({"clean.lym", "rain.lym"}));
}

TEST_F(SongFinder, WideSongsAreComparedInTheSystemCodePageAndShownWide) {
    Song("wide.lym", {QString::fromUtf8("Déjà Vu"),
                      QString::fromUtf8("Zoë"),
                      "",
                      {QString::fromUtf8("naïve line")},
                      true});
    tFindRequest request = Request(QString::fromUtf8("DéJà"), find_mode::StartWith);
    tSongFinder finder(request);
    finder.Run();
    ASSERT_EQ(finder.Hits().size(), 1u);
    EXPECT_EQ(finder.Hits()[0].songName, QString::fromUtf8("Déjà Vu"));
    EXPECT_EQ(finder.Hits()[0].artist, QString::fromUtf8("Zoë"));
    EXPECT_EQ(finder.Hits()[0].folder, root_);
    EXPECT_EQ(finder.Hits()[0].file, "wide.lym");

    request = Request(QString::fromUtf8("ïve"));
    request.songNames = false;
    request.lyrics = true;
    EXPECT_EQ(Found(request), QStringList({"wide.lym"}));
    request.text = QString::fromUtf8("ÏVE"); // not one of the folded letters
    EXPECT_TRUE(Found(request).isEmpty());
}

TEST_F(SongFinder, EverySubfolderIsSearchedButHiddenOnesAndOtherFilesAreNot) {
    const tSongContent star{"Star", "", "", {}};
    Song("top.lym", star);
    Song("a/UPPER.LYM", star);
    Song("a/b/c/deep.Lym", star);
    Song("b/song.lym", star);
    Song(".hidden.lym", star);
    Song(".secret/inside.lym", star);
    Song("a/star.lym.bak", star);
    ASSERT_TRUE(QDir().mkpath(root_ + "folder.lym"));
    Song("folder.lym/in.lym", star);
    // A link back up the tree is entered once, not forever; a dangling link is passed over.
    ASSERT_EQ(symlink(root_.toLocal8Bit().constData(), (root_ + "a/b/loop").toLocal8Bit().constData()), 0);
    ASSERT_EQ(symlink("/nonexistent/x.lym", (root_ + "dangling.lym").toLocal8Bit().constData()), 0);

    tSongFinder finder(Request("star"));
    finder.Run();
    QStringList found;
    for (const tFoundSong& hit : finder.Hits())
        found << hit.Path().mid(root_.size());
    // A folder's own songs come before its subfolders', and subfolders go in name order.
    EXPECT_EQ(found,
              QStringList({"top.lym", "a/UPPER.LYM", "a/b/c/deep.Lym", "b/song.lym", "folder.lym/in.lym"}));
    EXPECT_EQ(finder.SongsLookedAt(), 5);
    EXPECT_EQ(finder.FoldersLookedAt(), 6); // root, a, a/b, a/b/c, b, folder.lym
    EXPECT_TRUE(finder.Finished());
    EXPECT_FALSE(finder.Aborted());
}

TEST_F(SongFinder, DamagedAndUnreadableFilesAreSkippedAndTheSearchGoesOn) {
    Song("a/first.lym", {"Hit One", "", "", {"hit"}});
    Song("b/cut.lym", {"Hit Cut", "", "", {"hit", "more"}});
    ASSERT_TRUE(WriteFile(root_ + "b/broken.lym", QByteArray("LYM\0\1", 5)));
    const QByteArray whole = ReadFile(root_ + "b/cut.lym");
    ASSERT_TRUE(WriteFile(root_ + "b/cut.lym", whole.left(whole.size() - 20)));
    Song("b/locked.lym", {"Hit Locked", "", "", {"hit"}});
    ASSERT_TRUE(QFile::setPermissions(root_ + "b/locked.lym", QFileDevice::WriteOwner));
    Song("c/last.lym", {"Hit Last", "", "", {"hit"}});
    const bool rootReadsAnyway = getuid() == 0;

    for (bool lyrics : {false, true}) {
        tFindRequest request = Request("hit");
        request.songNames = !lyrics;
        request.lyrics = lyrics;
        QStringList found = Found(request);
        EXPECT_TRUE(found.startsWith("a/first.lym"));
        EXPECT_TRUE(found.endsWith("c/last.lym"));
        EXPECT_FALSE(found.contains("b/broken.lym"));
        EXPECT_EQ(found.contains("b/locked.lym"), rootReadsAnyway);
        // What a cut-off song still holds is searched.
        EXPECT_TRUE(found.contains("b/cut.lym")) << "lyrics " << lyrics;
    }
}

TEST_F(SongFinder, StepsOneEntryAtATimeAndStopsWhenAborted) {
    for (int i = 0; i < 6; ++i)
        Song(QString("f%1/song%2.lym").arg(i % 2).arg(i), {"Same", "", "", {}});
    tSongFinder finder(Request("same"));
    int steps = 0;
    while (finder.Hits().size() < 2 && finder.Step())
        ++steps;
    ASSERT_EQ(finder.Hits().size(), 2u);
    EXPECT_GE(steps, 4); // the root's entries, the folder's "." and "..", at least one song each
    EXPECT_FALSE(finder.CurrentFolder().isEmpty());
    EXPECT_TRUE(finder.CurrentFolder().startsWith(root_ + "f"));
    finder.Abort();
    EXPECT_FALSE(finder.Step());
    EXPECT_TRUE(finder.Aborted());
    EXPECT_TRUE(finder.Finished());
    EXPECT_EQ(finder.Hits().size(), 2u);

    tSongFinder whole(Request("same"));
    whole.Run();
    EXPECT_EQ(whole.Hits().size(), 6u);
    EXPECT_EQ(whole.SongsLookedAt(), 6);
}

TEST_F(SongFinder, MissingFolderFindsNothing) {
    tFindRequest request = Request("");
    request.folder = root_ + "nowhere";
    request.mode = find_mode::DontContain;
    tSongFinder finder(request);
    finder.Run();
    EXPECT_TRUE(finder.Hits().empty());
    EXPECT_EQ(finder.FoldersLookedAt(), 0);
}

} // namespace
