// The song held in memory: parts of lines of timings, the settings record,
// the slide-show pictures and slides, and the background picture bytes.
#pragma once

#include "document/song_records.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <vector>

namespace lyrimo {

constexpr int kMaxTimingsPerLine = 255; // the stored count is one byte
constexpr int kCurrentFileVersion = 320;

// Versions at which the song file's layout changed; older files are read with the older layout.
namespace file_version {
constexpr int EffectCode10Means13 = 110;   // this version stored the legacy effect code 13 as 10
constexpr int PictureRecordHasTile = 116;  // picture records gained their tile byte
constexpr int BallPicturePerPart = 120;    // parts 1 and up store their own ball picture
constexpr int PartExtrasAndCharsets = 230; // the part extras table and the character sets
} // namespace file_version

// The 16 preset colours, also the palette of colour indices in old line records.
extern const std::array<int32_t, 16> PresetColours;

class tLyrimoData;
// "The file is damaged: ..." with what was lost, or empty when the song loaded whole.
QString DamageReport(const tLyrimoData& song);
// A linked media file is looked for beside the song file first: under its stored relative
// name, or under the file name of a stored absolute one (the song moved with its media).
// When found there it becomes the song's media file; otherwise the stored name stays.
// Loading with media does this.
void FindLinkedMediaBesideSong(tLyrimoData& song, const QString& songPath);

// 16-bit text stored as a low-byte and a high-byte string.
QString JoinWideText(const QByteArray& low, const QByteArray& high);
// A text of the settings record as people read it: joined from its halves when the song's texts
// are Unicode, else its 8-bit text in the system code page.
QString ShownText(const tSongSettings& settings, const QByteArray& low, const QByteArray& high);
struct tSplitText {
    QByteArray low, high;
};
tSplitText SplitWideText(const QString& text, int capacity);

// The effect code older readers know, folded from and into the part's extras.
void DecodeLegacyEffectCode(uint8_t code, tPartExtras& extras);
uint8_t EncodeLegacyEffectCode(const tPartExtras& extras);

// One lyrics line: its record and its timings in ascending time order.
class tTimingsLineType {
public:
    tLineRecord LineRecord;

    int TimingCount() const { return static_cast<int>(timings_.size()); }
    const std::vector<tTimingRecord>& Timings() const { return timings_; }

    // Adding or inserting beyond the 255 a line can store is refused.
    bool AddTiming(const tTimingRecord& timing);
    bool InsertTiming(int index, const tTimingRecord& timing);
    tTimingRecord GetTiming(int index) const; // all zero outside the list
    void SetTiming(int index, const tTimingRecord& timing);
    void DeleteTiming(int index);
    void ClearTimings() { timings_.clear(); }

    QByteArray Text() const { return LineRecord.Text(); }
    QString WideText() const { return JoinWideText(LineRecord.Text(), LineRecord.TextHigh()); }
    void SetWideText(const QString& text);

private:
    std::vector<tTimingRecord> timings_;
};

constexpr int kBallSlot = 0;      // custom ball picture
constexpr int kAnimationSlot = 1; // custom instrumental animation

struct tPictureSlot {
    tAnimationPictureRecord Record;
    QByteArray Bytes; // the picture file's bytes
};

// One song part: its lines, records and custom pictures.
class tLyricsData {
public:
    tLyricsData();

    tPartRecord PartRecord;
    tPartExtras PartExtras;
    std::array<tPictureSlot, 2> Slots;

    int LineCount() const { return static_cast<int>(lines_.size()); }
    tTimingsLineType* AddLine();
    tTimingsLineType* AddLine(std::unique_ptr<tTimingsLineType> line);
    tTimingsLineType* InsertLine(int index, std::unique_ptr<tTimingsLineType> line);
    tTimingsLineType* GetLine(int index) const; // nullptr outside the list
    void DeleteLine(int index);
    void ClearLines() { lines_.clear(); }

    int PartTime(int mediaTime) const { return mediaTime + PartRecord.StartOffset(); }

private:
    std::vector<std::unique_ptr<tTimingsLineType>> lines_;
};

struct tPictureType {
    tPictureRecord Record;
    QByteArray Bytes;
};

class tSlideShowPictureList {
public:
    int Count() const { return static_cast<int>(pictures_.size()); }
    int AddPicture(const tPictureRecord& record);
    void DeletePicture(int index);
    tPictureRecord GetPictureRecord(int index) const;
    void SetPictureRecord(int index, const tPictureRecord& record);
    QByteArray* GetPicture(int index); // the picture's bytes, nullptr outside the list
    const QByteArray* GetPicture(int index) const;
    void Clear() { pictures_.clear(); }

private:
    std::vector<tPictureType> pictures_;
};

class tSlideShowSlideList {
public:
    int Count() const { return static_cast<int>(slides_.size()); }
    int AddSlide(const tSlideRecord& record);
    void DeleteSlide(int index);
    void SetSlide(int index, const tSlideRecord& record);
    tSlideRecord GetSlide(int index) const;
    void Clear() { slides_.clear(); }

private:
    std::vector<tSlideRecord> slides_;
};

// The song.
class tLyrimoData {
public:
    tLyrimoData();
    ~tLyrimoData();
    tLyrimoData(const tLyrimoData&) = delete;
    tLyrimoData& operator=(const tLyrimoData&) = delete;

    // Resets to a new song, deleting any extracted media file.
    void Clear();

    int PartCount() const { return static_cast<int>(parts_.size()); }
    int AddPart(std::unique_ptr<tLyricsData> part);
    tLyricsData* GetPart(int index) const; // nullptr outside the list
    void DeletePart(int index);

    // 0 success, -1 not a song file, else the I/O error code of opening the file.
    int LoadFromFile(const QString& path, bool loadMedia);
    // 0 success, the I/O error code when the file cannot be created, -1 when writing failed.
    // The file is replaced only once the new one is completely written.
    int SaveToFile(const QString& path);

    const QString& TempMediaPath() const { return tempMediaPath_; }
    void SetTempMediaPath(const QString& path); // deletes the file the old path names
    bool HasTempMedia() const;

    // Where the song was last loaded from or saved to (absolute); empty for a song never stored.
    QString FilePath;
    bool NewerVersion = false;
    uint16_t FileVersion = 0;
    // What the file declared but ended before it could be read, one entry per loss; empty for
    // a whole file. Loading keeps everything it could read.
    QStringList LoadDamage;
    tSongSettings SongSettings;
    tSlideShowPictureList Pictures;
    tSlideShowSlideList Slides;
    QByteArray BackgroundStream;

    QByteArray SongName() const { return SongSettings.SongName(); }
    void SetSongName(const QByteArray& text) { SongSettings.setSongName(text); }
    QString WideSongName() const {
        return JoinWideText(SongSettings.SongName(), SongSettings.SongNameHigh());
    }
    void SetWideSongName(const QString& text);

    QByteArray ArtistName() const { return SongSettings.ArtistName(); }
    void SetArtistName(const QByteArray& text) { SongSettings.setArtistName(text); }
    QString WideArtistName() const {
        return JoinWideText(SongSettings.ArtistName(), SongSettings.ArtistNameHigh());
    }
    void SetWideArtistName(const QString& text);

    QByteArray AlbumName() const { return SongSettings.AlbumName(); }
    void SetAlbumName(const QByteArray& text) { SongSettings.setAlbumName(text); }
    QString WideAlbumName() const {
        return JoinWideText(SongSettings.AlbumName(), SongSettings.AlbumNameHigh());
    }
    void SetWideAlbumName(const QString& text);

    QByteArray SongYear() const { return SongSettings.SongYear(); }
    void SetSongYear(const QByteArray& text) { SongSettings.setSongYear(text); }
    QString WideSongYear() const {
        return JoinWideText(SongSettings.SongYear(), SongSettings.SongYearHigh());
    }
    void SetWideSongYear(const QString& text);

    char16_t ExtraBreakChar() const {
        return static_cast<char16_t>(SongSettings.ExtraBreakCharHigh() * 256 + SongSettings.ExtraBreakChar());
    }
    int SlideShowTime(int mediaTime) const { return mediaTime + SongSettings.SlideShowStartOffset(); }

private:
    std::vector<std::unique_ptr<tLyricsData>> parts_;
    QString tempMediaPath_;
};

// Reads only the header and settings record of a song file, for lists of songs.
// Bytes beyond a shorter stored record stay zero; false when the file cannot be
// opened or is not a song file (the record is then all zero).
bool ReadSettingsRecord(const QString& path, tSongSettings& settings);

} // namespace lyrimo
