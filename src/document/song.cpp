#include "document/song.h"

#include "app/app_services.h"
#include "app/temp_files.h"
#include "app/text_codec.h"

#include <QFile>

namespace lyrimo {

const std::array<int32_t, 16> PresetColours = {
    0xFFFFFF, 0xFF00FF, 0xFFFF00, 0x0000FF, 0x00FFFF, 0xFF0000, 0x00FF00, 0xC0C0C0,
    0x808080, 0x008080, 0x008000, 0x000080, 0x800000, 0x800080, 0x808000, 0x000000,
};

QString JoinWideText(const QByteArray& low, const QByteArray& high) {
    const bool useHigh = high.size() == low.size();
    QString text(low.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < low.size(); ++i) {
        int hi = useHigh ? static_cast<uint8_t>(high[i]) : 0;
        text[i] = QChar(static_cast<char16_t>(hi * 256 + static_cast<uint8_t>(low[i])));
    }
    return text;
}

QString ShownText(const tSongSettings& settings, const QByteArray& low, const QByteArray& high) {
    return settings.UnicodeText() ? JoinWideText(low, high) : FromSystemCodePage(low);
}

tSplitText SplitWideText(const QString& text, int capacity) {
    const qsizetype length = std::min<qsizetype>(text.size(), capacity);
    tSplitText split;
    split.low.resize(length);
    split.high.resize(length);
    for (qsizetype i = 0; i < length; ++i) {
        char16_t unit = text[i].unicode();
        split.low[i] = static_cast<char>(unit & 0xFF);
        split.high[i] = static_cast<char>(unit >> 8);
    }
    return split;
}

namespace {

struct tEffectRow {
    uint8_t textMode, ballStyle, underline;
};

constexpr tEffectRow kEffectCodes[] = {
    {1, 0, 0}, {0, 0, 1}, {2, 0, 0}, {0, 1, 0}, {0, 2, 0}, {1, 1, 0}, {1, 2, 0},
    {4, 0, 0}, {6, 0, 0}, {4, 1, 0}, {4, 2, 0}, {6, 1, 0}, {6, 2, 0},
};

// Picks the code for ball style 0, 1 or any other.
uint8_t ByBallStyle(uint8_t ballStyle, uint8_t none, uint8_t high, uint8_t other) {
    return ballStyle == 0 ? none : ballStyle == 1 ? high : other;
}

} // namespace

void DecodeLegacyEffectCode(uint8_t code, tPartExtras& extras) {
    tEffectRow row = code < std::size(kEffectCodes) ? kEffectCodes[code] : tEffectRow{0, 0, 0};
    extras.setTextMode(row.textMode);
    extras.setBallStyle(row.ballStyle);
    extras.setUnderline(row.underline);
}

uint8_t EncodeLegacyEffectCode(const tPartExtras& extras) {
    const uint8_t ball = extras.BallStyle();
    switch (extras.TextMode()) {
    case 1: return ByBallStyle(ball, 0, 5, 6);
    case 2: return 2;
    case 4: return ByBallStyle(ball, 7, 9, 10);
    case 6: return ByBallStyle(ball, 8, 11, 12);
    default: return extras.Underline() ? 1 : ball == 1 ? 3 : 4;
    }
}

// ---- lines

bool tTimingsLineType::AddTiming(const tTimingRecord& timing) {
    if (TimingCount() >= kMaxTimingsPerLine)
        return false;
    timings_.push_back(timing);
    return true;
}

bool tTimingsLineType::InsertTiming(int index, const tTimingRecord& timing) {
    if (TimingCount() >= kMaxTimingsPerLine || index < 0 || index > TimingCount())
        return false;
    timings_.insert(timings_.begin() + index, timing);
    return true;
}

tTimingRecord tTimingsLineType::GetTiming(int index) const {
    return index >= 0 && index < TimingCount() ? timings_[index] : tTimingRecord{};
}

void tTimingsLineType::SetTiming(int index, const tTimingRecord& timing) {
    if (index >= 0 && index < TimingCount())
        timings_[index] = timing;
}

void tTimingsLineType::DeleteTiming(int index) {
    if (index >= 0 && index < TimingCount())
        timings_.erase(timings_.begin() + index);
}

void tTimingsLineType::SetWideText(const QString& text) {
    tSplitText split = SplitWideText(text, 160);
    LineRecord.setText(split.low);
    LineRecord.setTextHigh(split.high);
}

// ---- parts

tLyricsData::tLyricsData() {
    tFontRecord font;
    font.setname("Arial");
    font.setsize(12);
    PartRecord.setLyricsFont(font);
    Slots[kBallSlot].Record.setFrameCount(1);
    Slots[kAnimationSlot].Record.setFrameCount(1);
    Slots[kAnimationSlot].Record.setPlacement(5);
}

tTimingsLineType* tLyricsData::AddLine() { return AddLine(std::make_unique<tTimingsLineType>()); }

tTimingsLineType* tLyricsData::AddLine(std::unique_ptr<tTimingsLineType> line) {
    lines_.push_back(std::move(line));
    return lines_.back().get();
}

tTimingsLineType* tLyricsData::InsertLine(int index, std::unique_ptr<tTimingsLineType> line) {
    index = std::clamp(index, 0, LineCount());
    return lines_.insert(lines_.begin() + index, std::move(line))->get();
}

tTimingsLineType* tLyricsData::GetLine(int index) const {
    return index >= 0 && index < LineCount() ? lines_[index].get() : nullptr;
}

void tLyricsData::DeleteLine(int index) {
    if (index >= 0 && index < LineCount())
        lines_.erase(lines_.begin() + index);
}

// ---- slide show

int tSlideShowPictureList::AddPicture(const tPictureRecord& record) {
    pictures_.push_back({record, {}});
    return Count() - 1;
}

void tSlideShowPictureList::DeletePicture(int index) {
    if (index >= 0 && index < Count())
        pictures_.erase(pictures_.begin() + index);
}

tPictureRecord tSlideShowPictureList::GetPictureRecord(int index) const {
    return index >= 0 && index < Count() ? pictures_[index].Record : tPictureRecord{};
}

void tSlideShowPictureList::SetPictureRecord(int index, const tPictureRecord& record) {
    if (index >= 0 && index < Count())
        pictures_[index].Record = record;
}

QByteArray* tSlideShowPictureList::GetPicture(int index) {
    return index >= 0 && index < Count() ? &pictures_[index].Bytes : nullptr;
}

const QByteArray* tSlideShowPictureList::GetPicture(int index) const {
    return index >= 0 && index < Count() ? &pictures_[index].Bytes : nullptr;
}

int tSlideShowSlideList::AddSlide(const tSlideRecord& record) {
    slides_.push_back(record);
    return Count() - 1;
}

void tSlideShowSlideList::DeleteSlide(int index) {
    if (index >= 0 && index < Count())
        slides_.erase(slides_.begin() + index);
}

void tSlideShowSlideList::SetSlide(int index, const tSlideRecord& record) {
    if (index >= 0 && index < Count())
        slides_[index] = record;
}

tSlideRecord tSlideShowSlideList::GetSlide(int index) const {
    return index >= 0 && index < Count() ? slides_[index] : tSlideRecord{};
}

// ---- the song

tLyrimoData::tLyrimoData() { Clear(); }

tLyrimoData::~tLyrimoData() { SetTempMediaPath({}); }

void tLyrimoData::SetTempMediaPath(const QString& path) {
    if (!tempMediaPath_.isEmpty()) {
        QFile::remove(tempMediaPath_);
        ForgetTempFile(tempMediaPath_);
    }
    tempMediaPath_ = path;
}

bool tLyrimoData::HasTempMedia() const { return !tempMediaPath_.isEmpty() && QFile::exists(tempMediaPath_); }

int tLyrimoData::AddPart(std::unique_ptr<tLyricsData> part) {
    parts_.push_back(std::move(part));
    return PartCount() - 1;
}

tLyricsData* tLyrimoData::GetPart(int index) const {
    return index >= 0 && index < PartCount() ? parts_[index].get() : nullptr;
}

void tLyrimoData::DeletePart(int index) {
    if (index >= 0 && index < PartCount())
        parts_.erase(parts_.begin() + index);
}

void tLyrimoData::Clear() {
    SetTempMediaPath({});
    parts_.clear();
    Pictures.Clear();
    Slides.Clear();
    BackgroundStream.clear();
    LoadDamage.clear();
    FilePath.clear();

    tSongSettings& s = SongSettings;
    s.clear();
    s.setSplitSize(40);
    s.setFullScreenVideo(0);

    auto part = std::make_unique<tLyricsData>();
    part->PartRecord.setPartName(ToSystemCodePage(Translate("Main Part")));
    AddPart(std::move(part));
    tLyricsData& main = *parts_.front();

    const tSettingsClass& prefs = Settings();
    s.setTweakWinampTimings(prefs.LyrimoDoesTimings);
    s.setUnicodeText(prefs.UseMultibyte);
    s.setRightToLeft(prefs.R2LReading);
    s.setAltDrawMode(prefs.AltDrawingMode);
    s.setCdTrack(1);
    main.PartExtras.setTextSpacing(1);

    const tDisplaySize display = App().LyricsDisplaySize();
    s.setPlayWidth(display.width);
    s.setPlayHeight(display.height);

    s.setFirstLineTop(prefs.FLTL);
    s.setPreviewAlign(static_cast<uint8_t>(prefs.PrevAlign));
    s.setPreviewHalfSize(prefs.HalfSize);
    s.setPreviewBlend(prefs.BlendBG);
    s.setPreviewFadeIn(prefs.FadeinPreview);
    s.setPreferredPlayer(0);

    tFontRecord title;
    title.setname("Arial");
    title.setcolour(0xFFFFFF);
    title.setsize(16);
    title.setstyle(kFontBold);
    s.setTitleFont(title);

    s.setBackgroundTransparent(1);
    s.setTitleFadeIn(0);
    s.setCutoutText(1);
    s.setTitleFadeOut(1);
    s.setTitleEffectSpeed(1);
    s.setBackgroundColour(0);

    tFontRecord lyrics = title;
    lyrics.setsize(12);
    main.PartRecord.setLyricsFont(lyrics);

    s.setMultiLineMode(0);
    s.setPartsTableOffset(-1);
    NewerVersion = false;
    DecodeLegacyEffectCode(main.PartRecord.LegacyEffectCode(), main.PartExtras);
}

namespace {

using tTextSetter = void (tSongSettings::*)(const QByteArray&);

void SetWide(tSongSettings& s, tTextSetter setLow, tTextSetter setHigh, const QString& text) {
    tSplitText split = SplitWideText(text, 80);
    (s.*setLow)(split.low);
    (s.*setHigh)(split.high);
}

} // namespace

void tLyrimoData::SetWideSongName(const QString& text) {
    SetWide(SongSettings, &tSongSettings::setSongName, &tSongSettings::setSongNameHigh, text);
}

void tLyrimoData::SetWideArtistName(const QString& text) {
    SetWide(SongSettings, &tSongSettings::setArtistName, &tSongSettings::setArtistNameHigh, text);
}

void tLyrimoData::SetWideAlbumName(const QString& text) {
    SetWide(SongSettings, &tSongSettings::setAlbumName, &tSongSettings::setAlbumNameHigh, text);
}

void tLyrimoData::SetWideSongYear(const QString& text) {
    SetWide(SongSettings, &tSongSettings::setSongYear, &tSongSettings::setSongYearHigh, text);
}

} // namespace lyrimo
