// The slide show page's rules, without a window: the rows of the picture and slide lists, their
// sorting, deleting a picture with its slides, and the slide preview's timing.
#pragma once

#include "document/song.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace lyrimo {

constexpr int kPictureNameLength = 20;
constexpr int kPictureFileNameLength = 255;

// The column a list is sorted by and its direction; clicking the same column again reverses it.
struct tListSort {
    int column = 0;
    bool ascending = true;
    void Click(int clicked);
};

// "Ok" when the picture can be shown: its embedded bytes when embedding, else its file.
bool PictureAvailable(const tPictureRecord& record, bool embedding);
// "Filename" (without folder), "Picture Name", "Status".
QStringList PictureRowTexts(const tPictureRecord& record, bool embedding);
// "Picture Displayed", "Display Start", "Display End", "Transition".
QStringList SlideRowTexts(const tLyrimoData& song, const tSlideRecord& slide);

// Below 0, 0 or above 0, as the first row sorts before, with or after the second.
int ComparePictureRows(const QStringList& a, const QStringList& b, int column);
int CompareSlides(const tLyrimoData& song, const tSlideRecord& a, const tSlideRecord& b, int column);

// The list indexes in display order.
std::vector<int> SortedPictures(const tLyrimoData& song, bool embedding, const tListSort& sort);
std::vector<int> SortedSlides(const tLyrimoData& song, const tListSort& sort);

int SlidesShowingPicture(const tLyrimoData& song, int picture);
// Removes the picture and every slide that shows it; slides of later pictures follow their
// picture down by one.
void DeletePictureWithSlides(tLyrimoData& song, int picture);
QString DeletePictureQuestion(const QString& name, int usedBySlides);

// The preview starts two seconds before the slide shows, in media time, never before 0.
constexpr int kSlidePreviewLeadIn = 2000;
int SlidePreviewStart(int32_t showTime, int32_t slideShowStartOffset);
bool SlideDisplaying(int64_t slideShowTime, int32_t showTime, bool removeAtTime, int32_t hideTime);

// Transition durations in tenths of a second, shown as seconds with one decimal: 25 is "2.5".
QString DurationText(int tenths);
// Seconds typed as digits, a point and digits; further decimals are dropped. Kept within 0..255.
int DurationTenths(const QString& text);

} // namespace lyrimo
