#include "editor/slide_rules.h"

#include "app/app_services.h"
#include "editor/time_text.h"
#include "render/slide_show.h"

#include <QFileInfo>

#include <algorithm>
#include <numeric>

namespace lyrimo {

namespace {

// Stored file names may come with either kind of folder separator.
QString WithoutFolder(const QString& fileName) {
    const qsizetype slash = std::max(fileName.lastIndexOf('/'), fileName.lastIndexOf('\\'));
    return fileName.mid(slash + 1);
}

int Sign(int64_t difference) { return difference < 0 ? -1 : (difference > 0 ? 1 : 0); }

int CompareTexts(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive); }

template <typename Compare>
std::vector<int> SortedIndexes(int count, const tListSort& sort, Compare compare) {
    std::vector<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return sort.ascending ? compare(a, b) < 0 : compare(b, a) < 0; });
    return order;
}

} // namespace

void tListSort::Click(int clicked) {
    ascending = clicked == column ? !ascending : true;
    column = clicked;
}

bool PictureAvailable(const tPictureRecord& record, bool embedding) {
    if (embedding && record.EmbeddedSize() > 0)
        return true;
    const QString fileName = QString::fromLatin1(record.FileName());
    return !fileName.isEmpty() && QFileInfo(fileName).isFile();
}

QStringList PictureRowTexts(const tPictureRecord& record, bool embedding) {
    return {WithoutFolder(QString::fromLatin1(record.FileName())), QString::fromLatin1(record.Name()),
            PictureAvailable(record, embedding) ? Translate("Ok") : Translate("File Not Found")};
}

QStringList SlideRowTexts(const tLyrimoData& song, const tSlideRecord& slide) {
    const int picture = slide.Picture();
    const QString pictureText = picture < song.Pictures.Count()
                                    ? QString::fromLatin1(song.Pictures.GetPictureRecord(picture).Name())
                                    : QString::number(picture);
    const QString end = slide.LeaveUntilRemoved() ? Translate("and leave on") : TimeText(slide.RemoveTime());
    return {pictureText, TimeText(slide.ShowTime()), end, Translate(TransitionName(slide.Transition()))};
}

int ComparePictureRows(const QStringList& a, const QStringList& b, int column) {
    return CompareTexts(a.value(column), b.value(column));
}

int CompareSlides(const tLyrimoData& song, const tSlideRecord& a, const tSlideRecord& b, int column) {
    switch (column) {
    case 0: return CompareTexts(SlideRowTexts(song, a)[0], SlideRowTexts(song, b)[0]);
    case 1: return Sign(int64_t{a.ShowTime()} - b.ShowTime());
    case 2:
        if (a.LeaveUntilRemoved() || b.LeaveUntilRemoved())
            return int{b.LeaveUntilRemoved() != 0} - int{a.LeaveUntilRemoved() != 0};
        return Sign(int64_t{a.RemoveTime()} - b.RemoveTime());
    case 3:
        return CompareTexts(Translate(TransitionName(a.Transition())),
                            Translate(TransitionName(b.Transition())));
    default: return 0;
    }
}

std::vector<int> SortedPictures(const tLyrimoData& song, bool embedding, const tListSort& sort) {
    std::vector<QStringList> rows;
    for (int i = 0; i < song.Pictures.Count(); ++i)
        rows.push_back(PictureRowTexts(song.Pictures.GetPictureRecord(i), embedding));
    return SortedIndexes(song.Pictures.Count(), sort,
                         [&](int a, int b) { return ComparePictureRows(rows[a], rows[b], sort.column); });
}

std::vector<int> SortedSlides(const tLyrimoData& song, const tListSort& sort) {
    return SortedIndexes(song.Slides.Count(), sort, [&](int a, int b) {
        return CompareSlides(song, song.Slides.GetSlide(a), song.Slides.GetSlide(b), sort.column);
    });
}

int SlidesShowingPicture(const tLyrimoData& song, int picture) {
    int count = 0;
    for (int i = 0; i < song.Slides.Count(); ++i)
        count += song.Slides.GetSlide(i).Picture() == picture;
    return count;
}

void DeletePictureWithSlides(tLyrimoData& song, int picture) {
    song.Pictures.DeletePicture(picture);
    for (int i = song.Slides.Count() - 1; i >= 0; --i) {
        tSlideRecord slide = song.Slides.GetSlide(i);
        if (slide.Picture() == picture) {
            song.Slides.DeleteSlide(i);
        } else if (slide.Picture() > picture) {
            slide.setPicture(static_cast<uint16_t>(slide.Picture() - 1));
            song.Slides.SetSlide(i, slide);
        }
    }
}

QString DeletePictureQuestion(const QString& name, int usedBySlides) {
    QString question = Translate("Are you sure you want to delete the picture called") + " \"" + name + "\"?";
    if (usedBySlides > 0)
        question += "\n" + Translate("Warning: This picture is used by") + " " +
                    QString::number(usedBySlides) + " " +
                    Translate("slide(s). If you delete this picture then these slides will also be deleted. "
                              "Are you sure?");
    return question;
}

int SlidePreviewStart(int32_t showTime, int32_t slideShowStartOffset) {
    return static_cast<int>(
        std::max<int64_t>(0, int64_t{showTime} - slideShowStartOffset - kSlidePreviewLeadIn));
}

bool SlideDisplaying(int64_t slideShowTime, int32_t showTime, bool removeAtTime, int32_t hideTime) {
    return slideShowTime >= showTime && (!removeAtTime || slideShowTime < hideTime);
}

QString DurationText(int tenths) { return QString("%1.%2").arg(tenths / 10).arg(tenths % 10); }

int DurationTenths(const QString& text) {
    const qsizetype point = text.indexOf('.');
    const QString whole = text.left(point < 0 ? text.size() : point).trimmed();
    const QString decimals = point < 0 ? QString() : text.mid(point + 1).trimmed();
    const QChar tenth = decimals.isEmpty() ? QChar('0') : decimals[0];
    const int tenths = whole.toInt() * 10 + (tenth.isDigit() ? tenth.digitValue() : 0);
    return std::clamp(tenths, 0, 255);
}

} // namespace lyrimo
