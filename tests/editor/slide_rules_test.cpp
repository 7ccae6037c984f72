// The slide show page's list rows, sorting, picture deletion and preview timing.
#include "editor/slide_rules.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <QFile>

using namespace lyrimo;

namespace {

void AddPicture(tLyrimoData& song, const char* name, const QString& file = {}, int embedded = 0) {
    tPictureRecord record;
    record.setName(name);
    record.setFileName(file.toLatin1());
    record.setEmbeddedSize(embedded);
    song.Pictures.AddPicture(record);
}

void AddSlide(tLyrimoData& song, int picture, int show, int remove = 0, bool leaveOn = false,
              int transition = 0) {
    tSlideRecord slide;
    slide.setPicture(static_cast<uint16_t>(picture));
    slide.setShowTime(show);
    slide.setRemoveTime(remove);
    slide.setLeaveUntilRemoved(leaveOn);
    slide.setTransition(static_cast<uint8_t>(transition));
    song.Slides.AddSlide(slide);
}

std::vector<int> Pictures(const tLyrimoData& song) {
    std::vector<int> shown;
    for (int i = 0; i < song.Slides.Count(); ++i)
        shown.push_back(song.Slides.GetSlide(i).Picture());
    return shown;
}

} // namespace

TEST(SlideRules, PictureRowsShowTheFileNameAndWhetherThePictureCanBeShown) {
    QTemporaryDir dir;
    const QString existing = dir.filePath("sunset.png");
    QFile(existing).open(QIODevice::WriteOnly);
    tPictureRecord record;
    record.setName("Sunset");
    record.setFileName(existing.toLatin1());
    EXPECT_EQ(PictureRowTexts(record, false), QStringList({"sunset.png", "Sunset", "Ok"}));

    record.setFileName("C:\\Pictures\\gone.jpg");
    EXPECT_EQ(PictureRowTexts(record, false)[0], "gone.jpg");
    EXPECT_EQ(PictureRowTexts(record, false)[2], "File Not Found");
    record.setEmbeddedSize(1200);
    EXPECT_EQ(PictureRowTexts(record, true)[2], "Ok");
    EXPECT_EQ(PictureRowTexts(record, false)[2], "File Not Found"); // the bytes count only when embedding
}

TEST(SlideRules, SlideRowsNameThePictureOrItsIndexWhenThereIsNone) {
    tLyrimoData song;
    AddPicture(song, "Beach");
    AddSlide(song, 0, 65250, 70000, false, 1);
    AddSlide(song, 3, 1000, 0, true);
    EXPECT_EQ(SlideRowTexts(song, song.Slides.GetSlide(0)),
              QStringList({"Beach", "00:01:05.250", "00:01:10.000", "Cross-Fade"}));
    EXPECT_EQ(SlideRowTexts(song, song.Slides.GetSlide(1)),
              QStringList({"3", "00:00:01.000", "and leave on", "No Transition"}));
}

TEST(SlideRules, SortingByDisplayEndPutsLeaveOnSlidesFirstThenLast) {
    tLyrimoData song;
    AddPicture(song, "a");
    AddSlide(song, 0, 100, 9000);
    AddSlide(song, 0, 200, 0, true);
    AddSlide(song, 0, 300, 4000);
    AddSlide(song, 0, 50, 0, true);
    tListSort sort{1, true};
    EXPECT_EQ(SortedSlides(song, sort), std::vector<int>({3, 0, 1, 2}));
    sort.Click(2);
    EXPECT_TRUE(sort.ascending);
    EXPECT_EQ(SortedSlides(song, sort), std::vector<int>({1, 3, 2, 0}));
    sort.Click(2);
    EXPECT_FALSE(sort.ascending);
    EXPECT_EQ(SortedSlides(song, sort), std::vector<int>({0, 2, 1, 3}));
}

TEST(SlideRules, PicturesAndSlideNamesSortIgnoringCase) {
    tLyrimoData song;
    AddPicture(song, "beta", "/x/B.png");
    AddPicture(song, "Alpha", "/x/c.png");
    AddPicture(song, "gamma", "/x/a.png");
    EXPECT_EQ(SortedPictures(song, false, {0, true}), std::vector<int>({2, 0, 1}));
    EXPECT_EQ(SortedPictures(song, false, {1, true}), std::vector<int>({1, 0, 2}));
    AddSlide(song, 2, 0);
    AddSlide(song, 0, 0);
    AddSlide(song, 1, 0);
    EXPECT_EQ(SortedSlides(song, {0, true}), std::vector<int>({2, 1, 0}));
}

TEST(SlideRules, DeletingAPictureRemovesItsSlidesAndRenumbersLaterOnes) {
    tLyrimoData song;
    AddPicture(song, "zero");
    AddPicture(song, "one");
    AddPicture(song, "two");
    for (int picture : {1, 2, 0, 1, 2})
        AddSlide(song, picture, 0);
    EXPECT_EQ(SlidesShowingPicture(song, 1), 2);
    DeletePictureWithSlides(song, 1);
    EXPECT_EQ(song.Pictures.Count(), 2);
    EXPECT_EQ(QString::fromLatin1(song.Pictures.GetPictureRecord(1).Name()), "two");
    EXPECT_EQ(Pictures(song), std::vector<int>({1, 0, 1}));
}

TEST(SlideRules, DeleteQuestionWarnsOnlyWhenSlidesUseThePicture) {
    EXPECT_EQ(DeletePictureQuestion("Beach", 0),
              "Are you sure you want to delete the picture called \"Beach\"?");
    EXPECT_EQ(
        DeletePictureQuestion("Beach", 2),
        "Are you sure you want to delete the picture called \"Beach\"?\nWarning: This picture is used by 2 "
        "slide(s). If you delete this picture then these slides will also be deleted. Are you sure?");
}

TEST(SlideRules, PreviewStartsTwoSecondsEarlyInMediaTime) {
    EXPECT_EQ(SlidePreviewStart(10000, 5000), 3000);
    EXPECT_EQ(SlidePreviewStart(1500, 0), 0);
    EXPECT_EQ(SlidePreviewStart(1000, -4000), 3000);
    EXPECT_FALSE(SlideDisplaying(9999, 10000, false, 0));
    EXPECT_TRUE(SlideDisplaying(10000, 10000, false, 0));
    EXPECT_TRUE(SlideDisplaying(50000, 10000, false, 20000)); // left on
    EXPECT_TRUE(SlideDisplaying(19999, 10000, true, 20000));
    EXPECT_FALSE(SlideDisplaying(20000, 10000, true, 20000));
}

TEST(SlideRules, DurationsAreTenthsOfASecond) {
    EXPECT_EQ(DurationTenths("2.5"), 25);
    EXPECT_EQ(DurationTenths("0.7"), 7);
    EXPECT_EQ(DurationTenths("3."), 30);
    EXPECT_EQ(DurationTenths("1.29"), 12); // truncated
    EXPECT_EQ(DurationTenths(" . "), 0);
    EXPECT_EQ(DurationText(25), "2.5");
    EXPECT_EQ(DurationText(0), "0.0");
    for (int tenths = 0; tenths < 100; ++tenths)
        EXPECT_EQ(DurationTenths(DurationText(tenths)), tenths);
}
