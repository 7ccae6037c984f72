// The file sorter: numbered names, the list rows, skipped files, and renames that never
// replace a file.
#include "tools/file_sorter.h"

#include "document/song.h"
#include "test_support.h"

#include <QDir>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class FileSorter : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ScratchFolder() + QString("/sorter-%1").arg(++runs_);
        ASSERT_TRUE(QDir().mkpath(folder_));
    }

    QString Song(const QString& name, const QByteArray& title, const QByteArray& artist = "Band",
                 const QByteArray& media = "C:\\m\\a.Mp3") {
        tLyrimoData song;
        song.SetSongName(title);
        song.SetArtistName(artist);
        song.SongSettings.setMediaFileName(media);
        song.SongSettings.setUseMediaFile(1);
        const QString path = folder_ + "/" + name;
        QDir().mkpath(QFileInfo(path).absolutePath());
        EXPECT_EQ(song.SaveToFile(path), 0);
        return path;
    }

    QStringList Names(const QString& folder) const {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    QString folder_;
    static inline int runs_ = 0;
};

TEST_F(FileSorter, NumbersHaveOneDigitMoreThanTheCountOfFiles) {
    for (int i = 0; i < 9; ++i)
        Song(QString("song %1.lym").arg(i), "Title");
    tSortRequest request;
    request.Folder = folder_;
    std::vector<tPlannedRename> plan = PlanSort(request, FindSongFiles(folder_, false));
    ASSERT_EQ(plan.size(), 9u);
    EXPECT_EQ(QFileInfo(plan.front().To).fileName(), "01LYM.lym");
    EXPECT_EQ(QFileInfo(plan.back().To).fileName(), "09LYM.lym");
    EXPECT_EQ(plan.front().Row, "\"01LYM\",\"Title\",\"Band\",\"MEDIA File: .Mp3\"");

    for (int i = 9; i < 25; ++i)
        Song(QString("song %1.lym").arg(i), "Title");
    request.Prefix = "K-";
    request.StartNumber = 7;
    request.Suffix = "";
    plan = PlanSort(request, FindSongFiles(folder_, false));
    ASSERT_EQ(plan.size(), 25u);
    EXPECT_EQ(QFileInfo(plan.front().To).fileName(), "K-007.lym");
    EXPECT_EQ(QFileInfo(plan.back().To).fileName(), "K-031.lym");
}

TEST_F(FileSorter, ForeignFilesAreSkippedWithoutUsingANumberAndCdSongsNameTheirTrack) {
    Song("a.lym", "First");
    ASSERT_TRUE(WriteFile(folder_ + "/b.LYM", "not a song file, just text of some length"));
    tLyrimoData cd;
    cd.SetSongName("Disc \"Live\"");
    cd.SetAlbumName("Best");
    cd.SongSettings.setUseMediaFile(0);
    cd.SongSettings.setCdTrack(7);
    ASSERT_EQ(cd.SaveToFile(folder_ + "/c.lym"), 0);
    Song("sub/d.lym", "Inside");

    tSortRequest request;
    std::vector<tPlannedRename> plan = PlanSort(request, FindSongFiles(folder_, false));
    ASSERT_EQ(plan.size(), 2u);
    EXPECT_EQ(QFileInfo(plan[1].To).fileName(), "02LYM.lym");
    EXPECT_EQ(plan[1].Row, "\"02LYM\",\"Disc \"\"Live\"\"\",\"\",\"CD: Best 7\"");

    EXPECT_EQ(FindSongFiles(folder_, true).size(), 4);
    ApplySort(plan);
    EXPECT_EQ(Names(folder_), QStringList({"01LYM.lym", "02LYM.lym", "b.LYM"}));
    EXPECT_EQ(Names(folder_ + "/sub"), QStringList({"d.lym"}));
}

TEST_F(FileSorter, RenamesNeverReplaceAFileAndSwappedNamesWork) {
    // Two songs that already carry each other's new names, and an unrelated file in the way.
    Song("01LYM.lym", "Second");
    Song("000.lym", "First");
    Song("zz.lym", "Third");
    ASSERT_TRUE(WriteFile(folder_ + "/03LYM.lym", "a file that is no song, with its own contents"));
    // Found in name order: 000, 01LYM, 03LYM (not a song), zz; four files give two digits.
    tSortRequest request;
    std::vector<tPlannedRename> plan = PlanSort(request, FindSongFiles(folder_, false));
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_FALSE(plan[0].Clash);
    EXPECT_FALSE(plan[1].Clash);
    EXPECT_TRUE(plan[2].Clash);

    int lastProgress = 0;
    const tSortOutcome outcome = ApplySort(plan, [&](int done, int total) {
        EXPECT_EQ(total, 3);
        lastProgress = done;
    });
    EXPECT_EQ(lastProgress, 3);
    EXPECT_EQ(outcome.Renamed.size(), 2);
    ASSERT_EQ(outcome.NotRenamed.size(), 1);
    EXPECT_TRUE(outcome.NotRenamed[0].contains("zz.lym"));
    EXPECT_EQ(Names(folder_), QStringList({"01LYM.lym", "02LYM.lym", "03LYM.lym", "zz.lym"}));
    EXPECT_EQ(ReadFile(folder_ + "/03LYM.lym"), "a file that is no song, with its own contents");
    tLyrimoData first;
    ASSERT_EQ(first.LoadFromFile(folder_ + "/01LYM.lym", false), 0);
    EXPECT_EQ(first.SongName(), "First");
    // The list names each file as it now is.
    EXPECT_TRUE(plan[2].Row.startsWith("\"zz\","));

    ASSERT_TRUE(WriteSortList(folder_ + "/list.csv", plan));
    const QByteArray list = ReadFile(folder_ + "/list.csv");
    EXPECT_TRUE(list.startsWith("\"01LYM\",\"First\",\"Band\",\"MEDIA File: .Mp3\"\r\n"));
    EXPECT_EQ(list.count("\r\n"), 3);
    EXPECT_FALSE(WriteSortList(folder_ + "/no/such/list.csv", plan));
}

} // namespace
