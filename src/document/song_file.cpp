// Reading and writing song files (".lym").
#include "document/song.h"

#include "app/app_services.h"
#include "app/text_codec.h"
#include "document/binary_file.h"
#include "document/song_loading.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lyrimo {
namespace {

constexpr char kMagic[] = "lYMI";
constexpr int kHeaderSize = 18;
constexpr int kPartExtrasStride = 12;
// Picture files named by a song are read only up to this size.
constexpr int64_t kMaxLinkedFileSize = 256 << 20;

// The largest values a song keeps: pixels of the design size, the percentage of the
// screen the pictures take, pixels the lyrics move, the text effect's spacing, and
// milliseconds of any time or offset (a hundred hours).
constexpr int32_t kMaxPlaySize = 16384, kMaxSplitSize = 90, kMaxShift = 4096;
constexpr uint8_t kMaxTextSpacing = 50;
constexpr int32_t kMaxTime = 100 * 3600 * 1000;

class tHeader : public tByteRecord<kHeaderSize> {
public:
    bool HasMagic() const { return std::memcmp(data(), kMagic, 4) == 0; }
    void SetMagic() { std::memcpy(data(), kMagic, 4); }
    uint16_t Version() const { return u16(4); }
    void SetVersion(uint16_t v) { setU16(4, v); }
    int32_t LinesOffset() const { return i32(6); }
    void SetLinesOffset(int32_t v) { setI32(6, v); }
    int32_t SettingsOffset() const { return i32(10); }
    void SetSettingsOffset(int32_t v) { setI32(10, v); }
    uint16_t LineRecordSize() const { return u16(14); }
    void SetLineRecordSize(uint16_t v) { setU16(14, v); }
    uint16_t SettingsSize() const { return u16(16); }
    void SetSettingsSize(uint16_t v) { setU16(16, v); }
};

// "part 3" or "parts 3 to 5", counted from 1 as people count.
QString NumberRange(const char* one, const char* many, int from, int to) {
    if (from == to)
        return Translate(one).arg(from);
    return Translate(many).arg(from).arg(to);
}

// Reads up to `count` bytes of a record at pos; bytes that do not arrive keep their
// values. True when all `count` bytes were read.
template <class Record>
bool ReadRecord(const tFileReader& file, int64_t pos, Record& record, int count = Record::kSize) {
    count = std::min(count, Record::kSize);
    uint8_t buffer[Record::kSize];
    int64_t got = file.ReadAt(pos, buffer, count);
    record.assign(buffer, static_cast<int>(got));
    return got == count;
}

class tSongFileLoader {
public:
    tSongFileLoader(tLyrimoData& song, const tFileReader& file, const tHeader& header, bool loadMedia)
        : song_(song), file_(file), loadMedia_(loadMedia), version_(header.Version()),
          linesOffset_(header.LinesOffset()), settingsOffset_(header.SettingsOffset()),
          lineSize_(header.LineRecordSize()), settingsSize_(header.SettingsSize()),
          progress_(tProgressKind::LoadEmbedded, {}) {}

    void Run() {
        song_.NewerVersion = version_ > kCurrentFileVersion;
        song_.FileVersion = version_;
        ReadSettings();
        ReadParts();
        ApplyLegacyPartFields();
        ReadCharsetsAndExtras();
        ReadPictures();
        ReadBallPictures();
        ReadAnimationPictures();
        CheckCustomPictures();
        if (loadMedia_)
            LoadCustomPictures();
        ReadSlides();
        CheckEmbeddedMediaAndBackground();
        if (loadMedia_) {
            LoadEmbeddedMedia();
            LoadBackground();
        }
        FixUp();
        song_.LoadDamage = damage_;
    }

private:
    tSongSettings& Settings() { return song_.SongSettings; }

    // What the file declares but ended before it could be read.
    void Lost(const QString& what) { damage_ << what; }

    // True when the file holds count bytes at pos; otherwise what is lost is noted.
    bool Holds(int64_t pos, int64_t count, const QString& what) {
        if (count <= 0 || file_.Available(pos) >= count)
            return true;
        Lost(what);
        return false;
    }

    void ReadSettings() {
        if (!ReadRecord(file_, settingsOffset_, Settings(), settingsSize_))
            Lost(Translate("the song settings"));
        if (version_ == file_version::EffectCode10Means13 && Settings().LegacyEffectCode() == 10)
            Settings().setLegacyEffectCode(13);
    }

    void ReadParts() {
        tSongSettings& s = Settings();
        tLyricsData& main = *song_.GetPart(0);
        if (s.PartsTableOffset() == -1) {
            BuildMainPartFromLegacyFields(main);
            int64_t pos = linesOffset_;
            ReadLineBlocks(main, 0, pos);
            return;
        }
        int64_t pos = s.PartsTableOffset();
        const int declaredParts = std::max<int>(s.PartCount(), 1);
        if (!ReadRecord(file_, pos, main.PartRecord)) {
            Lost(NumberRange("part %1", "parts %1 to %2", 1, declaredParts));
            return;
        }
        pos += tPartRecord::kSize;
        int64_t linesPos = linesOffset_;
        const bool mainComplete = ReadLineBlocks(main, 0, linesPos);
        main.PartExtras.setLyricsPosition(s.LegacyLyricsPosition());
        if (!mainComplete && declaredParts > 1) {
            Lost(NumberRange("part %1", "parts %1 to %2", 2, declaredParts));
            return;
        }
        for (int i = 1; i < s.PartCount(); ++i) {
            auto part = std::make_unique<tLyricsData>();
            part->PartExtras.setLyricsPosition(s.LegacyLyricsPosition());
            if (!ReadRecord(file_, pos, part->PartRecord)) {
                Lost(NumberRange("part %1", "parts %1 to %2", i + 1, declaredParts));
                return;
            }
            pos += tPartRecord::kSize;
            bool complete = ReadLineBlocks(*part, i, pos);
            song_.AddPart(std::move(part));
            if (!complete) {
                if (i + 1 < declaredParts)
                    Lost(NumberRange("part %1", "parts %1 to %2", i + 2, declaredParts));
                return;
            }
        }
    }

    void BuildMainPartFromLegacyFields(tLyricsData& main) {
        const tSongSettings& s = Settings();
        tPartRecord& r = main.PartRecord;
        r.setStartOffset(s.LegacyStartOffset());
        Settings().setSlideShowStartOffset(s.LegacyStartOffset());
        r.setPartName(ToSystemCodePage(Translate("Main Part")));
        r.setTimingsRecorded(s.LegacyTimingsFlag());
        r.setLegacyEffectCode(s.LegacyEffectCode());
        // Face name, colour and size; the style keeps the new song's value.
        tFontRecord font = r.LyricsFont();
        font.assign(s.LegacyLyricsFont().data(), 37);
        r.setLyricsFont(font);
        r.setBallNumber(s.LegacyBallNumber());
        r.setBallNumberHigh(s.LegacyBallNumberHigh());
        r.setBallSpinForward(s.LegacyBallSpin());
        r.setBallNoBounce(s.LegacyBallNoBounce());
        r.setBallNoAnimation(s.LegacyBallNoAnimation());
        r.setLineCount(s.LegacyLineCount());
    }

    // Reads the part's line blocks from pos on; false when the file ended first.
    bool ReadLineBlocks(tLyricsData& part, int partIndex, int64_t& pos) {
        const int count = static_cast<int16_t>(part.PartRecord.LineCount());
        if (lineSize_ == 0) // nothing of a line is stored, so nothing can be read
            return count <= 0;
        for (int i = 0; i < count; ++i) {
            auto line = std::make_unique<tTimingsLineType>();
            if (!ReadRecord(file_, pos, line->LineRecord, lineSize_)) {
                LostLines(partIndex, i, count);
                return false;
            }
            pos += lineSize_;
            ApplyOldLineLayout(part, line->LineRecord);
            bool complete = ReadTimings(*line, pos);
            part.AddLine(std::move(line));
            if (!complete) {
                LostLines(partIndex, i, count);
                return false;
            }
        }
        return true;
    }

    void LostLines(int partIndex, int firstLost, int count) {
        const QString lines = NumberRange("line %1", "lines %1 to %2", firstLost + 1, count);
        Lost(Translate("%1 of part %2").arg(lines).arg(partIndex + 1));
    }

    void ApplyOldLineLayout(const tLyricsData& part, tLineRecord& line) {
        if (lineSize_ < kLineRecordWithColours) {
            line.setNormalColour(PresetColours[line.NormalColour() & 15]);
            line.setHighlightColour(Settings().LegacyLyricsFont().colour());
            line.setHighlightBackground(Settings().LegacyHighlightBackground());
        }
        if (lineSize_ < kLineRecordWithFormatting) {
            line.setFormatColour(part.PartExtras.FormattingColour());
            line.setHighlightFormatColour(part.PartExtras.FormattingColour());
        }
    }

    bool ReadTimings(tTimingsLineType& line, int64_t& pos) {
        const int count = line.LineRecord.TimingCount();
        uint8_t bytes[kMaxTimingsPerLine * tTimingRecord::kSize];
        const int64_t want = int64_t(count) * tTimingRecord::kSize;
        const int64_t got = file_.ReadAt(pos, bytes, want);
        pos += got;
        for (int64_t at = 0; at + tTimingRecord::kSize <= got; at += tTimingRecord::kSize) {
            tTimingRecord timing;
            timing.assign(bytes + at, tTimingRecord::kSize);
            line.AddTiming(timing);
        }
        return got == want;
    }

    void ApplyLegacyPartFields() {
        const tSongSettings& s = Settings();
        for (int i = 0; i < song_.PartCount(); ++i) {
            tLyricsData& part = *song_.GetPart(i);
            DecodeLegacyEffectCode(part.PartRecord.LegacyEffectCode(), part.PartExtras);
            part.PartExtras.setTextFormat(s.LegacyTextFormat());
            part.PartExtras.setFormattingColour(s.LegacyFormattingColour());
            part.PartExtras.setTextSpacing(s.LegacyTextSpacing());
        }
    }

    void ReadCharsetsAndExtras() {
        tSongSettings& s = Settings();
        if (version_ < file_version::PartExtrasAndCharsets) {
            s.setTitleFontCharset(1);
            for (int i = 0; i < song_.PartCount(); ++i)
                song_.GetPart(i)->PartExtras.setFontCharset(1);
            if (s.FullScreenVideo() && s.HasVideo())
                s.setMultiLineMode(1);
            return;
        }
        const int stride = s.PartExtrasSize();
        if (s.PartExtrasOffset() <= 0 || stride <= 0)
            return;
        int64_t pos = s.PartExtrasOffset();
        bool complete = true;
        for (int i = 0; i < song_.PartCount(); ++i, pos += stride)
            complete =
                ReadRecord(file_, pos, song_.GetPart(i)->PartExtras, std::min(kPartExtrasStride, stride)) &&
                complete;
        if (!complete)
            Lost(Translate("the character sets and text formats of the parts"));
    }

    void ReadPictures() {
        tSongSettings& s = Settings();
        const int recordSize =
            version_ < file_version::PictureRecordHasTile ? kLegacyPictureRecordSize : tPictureRecord::kSize;
        int64_t pos = s.PictureListOffset();
        for (int i = 0; i < s.PictureCount(); ++i) {
            tPictureRecord record;
            record.setTile(s.BackgroundTile());
            if (!ReadRecord(file_, pos, record, recordSize)) {
                Lost(NumberRange("picture %1", "pictures %1 to %2", i + 1, s.PictureCount()));
                return;
            }
            pos += recordSize;
            const int index = song_.Pictures.AddPicture(record);
            const int64_t embedded = s.EmbedPictures() ? std::max(record.EmbeddedSize(), 0) : 0;
            Holds(pos, embedded, Translate("the picture data of picture %1").arg(i + 1));
            if (loadMedia_ && s.EmbedPictures())
                ReadBlock(file_, pos, embedded, *song_.Pictures.GetPicture(index), progress_.Callback());
            else if (loadMedia_)
                ReadWholeFile(PathFromField(record.FileName()), *song_.Pictures.GetPicture(index),
                              kMaxLinkedFileSize);
            pos += embedded;
        }
    }

    void ReadBallPictures() {
        const tSongSettings& s = Settings();
        for (int i = 0; i < song_.PartCount(); ++i)
            song_.GetPart(i)->Slots[kBallSlot].Record = s.LegacyBallPicture();
        if (s.BallPictureTableOffset() < 1 || version_ < file_version::BallPicturePerPart)
            return;
        int64_t pos = s.BallPictureTableOffset();
        bool complete = true;
        for (int i = 1; i < song_.PartCount(); ++i, pos += tAnimationPictureRecord::kSize)
            complete = ReadRecord(file_, pos, song_.GetPart(i)->Slots[kBallSlot].Record) && complete;
        if (!complete)
            Lost(Translate("the ball pictures of the parts"));
    }

    void ReadAnimationPictures() {
        const int64_t offset = Settings().AnimationPictureTableOffset();
        if (offset <= 0)
            return;
        int64_t pos = offset;
        bool complete = true;
        for (int i = 0; i < song_.PartCount(); ++i, pos += tAnimationPictureRecord::kSize)
            complete = ReadRecord(file_, pos, song_.GetPart(i)->Slots[kAnimationSlot].Record) && complete;
        if (!complete)
            Lost(Translate("the animation pictures of the parts"));
    }

    // Embedded ball and animation pictures must lie inside the file, whether or not they are loaded.
    void CheckCustomPictures() {
        for (int slot : {kBallSlot, kAnimationSlot}) {
            for (int i = 0; i < song_.PartCount(); ++i) {
                const tAnimationPictureRecord& r = song_.GetPart(i)->Slots[slot].Record;
                if (!r.Enabled() || !r.Embedded())
                    continue;
                const char* what =
                    slot == kBallSlot ? "the ball picture of part %1" : "the animation of part %1";
                Holds(r.DataOffset(), r.DataSize(), Translate(what).arg(i + 1));
            }
        }
    }

    void LoadCustomPictures() {
        for (int slot : {kBallSlot, kAnimationSlot}) {
            for (int i = 0; i < song_.PartCount(); ++i) {
                tPictureSlot& picture = song_.GetPart(i)->Slots[slot];
                const tAnimationPictureRecord& r = picture.Record;
                if (!r.Enabled())
                    continue;
                if (r.Embedded())
                    ReadBlock(file_, r.DataOffset(), r.DataSize(), picture.Bytes, progress_.Callback());
                else
                    ReadWholeFile(PathFromField(r.FileName()), picture.Bytes, kMaxLinkedFileSize);
            }
        }
    }

    void ReadSlides() {
        const tSongSettings& s = Settings();
        // A slide must name a picture the song really holds.
        const int pictures = std::min(s.PictureCount(), song_.Pictures.Count());
        int64_t pos = s.SlideListOffset();
        for (int i = 0; i < s.SlideCount(); ++i, pos += tSlideRecord::kSize) {
            tSlideRecord slide;
            if (!ReadRecord(file_, pos, slide)) {
                Lost(NumberRange("slide %1", "slides %1 to %2", i + 1, s.SlideCount()));
                return;
            }
            if (slide.Transition() > 24)
                slide.setTransition(0);
            if (slide.Picture() < pictures)
                song_.Slides.AddSlide(slide);
        }
    }

    void CheckEmbeddedMediaAndBackground() {
        const tSongSettings& s = Settings();
        if (s.EmbedMedia() && s.UseMediaFile()) {
            const int64_t size = s.EmbeddedMediaSize();
            const int64_t present = std::min(file_.Available(s.EmbeddedMediaOffset()), size);
            Holds(s.EmbeddedMediaOffset(), size,
                  Translate("the embedded media (%1 of %2 bytes)")
                      .arg(std::max<int64_t>(present, 0))
                      .arg(size));
        }
        if (s.BackgroundEnabled() && s.EmbedBackground())
            Holds(s.EmbeddedBackgroundOffset(), s.EmbeddedBackgroundSize(),
                  Translate("the background picture"));
    }

    void LoadEmbeddedMedia() {
        tSongSettings& s = Settings();
        if (!s.EmbedMedia() || !s.UseMediaFile())
            return;
        QString path = ExtractEmbeddedMedia(file_, s.EmbeddedMediaOffset(), s.EmbeddedMediaSize(),
                                            s.MediaFileName(), progress_.Callback());
        if (path.isEmpty())
            return; // no temporary file could be made; the stored name stays
        s.setMediaFileName(QFile::encodeName(path));
        song_.SetTempMediaPath(path);
    }

    void LoadBackground() {
        const tSongSettings& s = Settings();
        if (!s.BackgroundEnabled())
            return;
        if (s.EmbedBackground())
            ReadBlock(file_, s.EmbeddedBackgroundOffset(), s.EmbeddedBackgroundSize(), song_.BackgroundStream,
                      progress_.Callback());
        else
            ReadWholeFile(PathFromField(s.BackgroundFileName()), song_.BackgroundStream, kMaxLinkedFileSize);
    }

    void FixUp() {
        tSongSettings& s = Settings();
        if (s.PlayWidth() < 1 && s.PlayHeight() < 1) {
            const tDisplaySize display = App().LyricsDisplaySize();
            s.setPlayWidth(display.width);
            s.setPlayHeight(display.height);
        }
        if (s.SplitSize() < 20)
            s.setSplitSize(40);
        for (int i = 0; i < song_.PartCount(); ++i) {
            for (tPictureSlot& slot : song_.GetPart(i)->Slots) {
                if (slot.Record.FrameCount() == 0)
                    slot.Record.setFrameCount(1);
            }
        }
        BoundSizesAndTimes();
    }

    // Songs are swapped between strangers: values far beyond anything the editor writes
    // are brought back to its limits, so that no size or time overflows further on.
    void BoundSizesAndTimes() {
        tSongSettings& s = Settings();
        s.setPlayWidth(std::min(s.PlayWidth(), kMaxPlaySize));
        s.setPlayHeight(std::min(s.PlayHeight(), kMaxPlaySize));
        s.setSplitSize(std::min(s.SplitSize(), kMaxSplitSize));
        s.setVerticalShift(static_cast<int16_t>(std::clamp<int>(s.VerticalShift(), -kMaxShift, kMaxShift)));
        s.setSlideShowStartOffset(BoundedTime(s.SlideShowStartOffset()));
        for (int i = 0; i < song_.PartCount(); ++i) {
            tLyricsData& part = *song_.GetPart(i);
            part.PartRecord.setStartOffset(BoundedTime(part.PartRecord.StartOffset()));
            part.PartExtras.setTextSpacing(std::min<uint8_t>(part.PartExtras.TextSpacing(), kMaxTextSpacing));
        }
        for (int i = 0; i < song_.Slides.Count(); ++i) {
            tSlideRecord slide = song_.Slides.GetSlide(i);
            slide.setShowTime(BoundedTime(slide.ShowTime()));
            slide.setRemoveTime(BoundedTime(slide.RemoveTime()));
            song_.Slides.SetSlide(i, slide);
        }
    }

    static int32_t BoundedTime(int32_t ms) { return std::clamp(ms, -kMaxTime, kMaxTime); }

    tLyrimoData& song_;
    const tFileReader& file_;
    const bool loadMedia_;
    const uint16_t version_;
    const int64_t linesOffset_;
    const int64_t settingsOffset_;
    const int lineSize_;     // stored size of a line record; only what we know of it is read
    const int settingsSize_; // stored size of the settings record; likewise
    tEmbeddedProgress progress_;
    QStringList damage_;
};

// Writes the song in the current format. Offsets and counts are stored into the
// song's records as their sections are placed, and the header and settings are
// written again at the end with their final values.
class tSongFileWriter {
public:
    tSongFileWriter(tLyrimoData& song, tFileWriter& out, const QString& fileName)
        : song_(song), out_(out), progress_(tProgressKind::SaveEmbedded, fileName) {}

    bool Run() {
        tSongSettings& s = song_.SongSettings;
        tLyricsData& main = *song_.GetPart(0);
        WriteHeader(kHeaderSize + tSongSettings::kSize, kHeaderSize);
        s.setReservedText({});
        s.setLegacyLineCount(static_cast<uint16_t>(main.LineCount()));
        s.setPartCount(static_cast<uint16_t>(song_.PartCount()));
        WriteEmbeddedMedia();
        const int64_t settingsOffset = out_.Pos();
        out_.Write(s.data(), tSongSettings::kSize);
        const int64_t linesOffset = out_.Pos();
        WriteLineBlocks(main);
        WritePictures();
        WriteSlides();
        WriteBackground();
        WriteParts();
        WriteCustomPictures();
        WritePartExtras();
        WritePictureTables();
        if (out_.Pos() > INT32_MAX)
            return false; // its offsets could not be stored
        out_.Seek(0);
        WriteHeader(static_cast<int32_t>(linesOffset), static_cast<int32_t>(settingsOffset));
        out_.Seek(settingsOffset);
        out_.Write(s.data(), tSongSettings::kSize);
        return out_.Flush();
    }

private:
    int32_t Here() const { return static_cast<int32_t>(std::min<int64_t>(out_.Pos(), INT32_MAX)); }

    void WriteHeader(int32_t linesOffset, int32_t settingsOffset) {
        tHeader header;
        header.SetMagic();
        header.SetVersion(kCurrentFileVersion);
        header.SetLinesOffset(linesOffset);
        header.SetSettingsOffset(settingsOffset);
        header.SetLineRecordSize(tLineRecord::kSize);
        header.SetSettingsSize(tSongSettings::kSize);
        out_.Write(header.data(), kHeaderSize);
    }

    void WriteEmbeddedMedia() {
        tSongSettings& s = song_.SongSettings;
        if (!s.EmbedMedia() || !s.UseMediaFile())
            return;
        s.setEmbeddedMediaOffset(Here());
        s.setEmbeddedMediaSize(static_cast<int32_t>(CopyFileIn(PathFromField(s.MediaFileName()))));
    }

    // Appends a file's bytes and returns how many were written (0 when it cannot be read).
    int64_t CopyFileIn(const QString& path) {
        QFile file(path);
        if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > INT32_MAX)
            return 0;
        const int64_t total = file.size();
        auto progress = progress_.Callback();
        int64_t done = 0;
        QByteArray chunk;
        while (done < total) {
            chunk = file.read(std::min(kCopyStep, total - done));
            if (chunk.isEmpty() || !out_.Write(chunk))
                break;
            done += chunk.size();
            progress(done, total);
        }
        return done;
    }

    void WriteBytes(const QByteArray& bytes) {
        auto progress = progress_.Callback();
        for (int64_t done = 0; done < bytes.size();) {
            int64_t step = std::min<int64_t>(kCopyStep, bytes.size() - done);
            if (!out_.Write(bytes.constData() + done, step))
                return;
            done += step;
            progress(done, bytes.size());
        }
    }

    void WriteLineBlocks(tLyricsData& part) {
        part.PartRecord.setLineCount(static_cast<uint16_t>(part.LineCount()));
        for (int i = 0; i < part.LineCount(); ++i) {
            tTimingsLineType& line = *part.GetLine(i);
            line.LineRecord.setTimingCount(static_cast<uint8_t>(line.TimingCount()));
            out_.Write(line.LineRecord.data(), tLineRecord::kSize);
            for (const tTimingRecord& timing : line.Timings())
                out_.Write(timing.data(), tTimingRecord::kSize);
        }
    }

    void WritePictures() {
        tSongSettings& s = song_.SongSettings;
        tSlideShowPictureList& pictures = song_.Pictures;
        s.setPictureListOffset(Here());
        s.setPictureCount(pictures.Count());
        for (int i = 0; i < pictures.Count(); ++i) {
            tPictureRecord record = pictures.GetPictureRecord(i);
            const QByteArray& bytes = *pictures.GetPicture(i);
            record.setEmbeddedSize(s.EmbedPictures() ? static_cast<int32_t>(bytes.size()) : 0);
            pictures.SetPictureRecord(i, record);
            out_.Write(record.data(), tPictureRecord::kSize);
            if (s.EmbedPictures())
                WriteBytes(bytes);
        }
    }

    void WriteSlides() {
        tSongSettings& s = song_.SongSettings;
        tLyricsData& main = *song_.GetPart(0);
        s.setSlideListOffset(Here());
        s.setSlideCount(song_.Slides.Count());
        s.setLegacyTextFormat(main.PartExtras.TextFormat());
        if (main.LineCount() > 0)
            main.PartExtras.setFormattingColour(main.GetLine(0)->LineRecord.FormatColour());
        s.setLegacyFormattingColour(main.PartExtras.FormattingColour());
        s.setLegacyTextSpacing(main.PartExtras.TextSpacing());
        for (int i = 0; i < song_.Slides.Count(); ++i)
            out_.Write(song_.Slides.GetSlide(i).data(), tSlideRecord::kSize);
    }

    void WriteBackground() {
        tSongSettings& s = song_.SongSettings;
        s.setEmbeddedBackgroundOffset(Here());
        if (s.EmbedBackground())
            s.setEmbeddedBackgroundSize(static_cast<int32_t>(song_.BackgroundStream.size()));
        if (s.EmbedBackground() && s.BackgroundEnabled())
            WriteBytes(song_.BackgroundStream);
    }

    void RefreshLegacyFields(const tLyricsData& main) {
        tSongSettings& s = song_.SongSettings;
        const tPartRecord& r = main.PartRecord;
        s.setLegacyLineCount(static_cast<uint16_t>(main.LineCount()));
        s.setLegacyTimingsFlag(r.TimingsRecorded());
        s.setLegacyEffectCode(r.LegacyEffectCode());
        s.setLegacyStartOffset(r.StartOffset());
        s.setLegacyLyricsFont(r.LyricsFont());
        s.setLegacyBallNumber(r.BallNumber());
        s.setLegacyBallNumberHigh(r.BallNumberHigh());
        s.setLegacyBallSpin(r.BallSpinForward());
        s.setLegacyBallNoBounce(r.BallNoBounce());
        s.setLegacyBallNoAnimation(r.BallNoAnimation());
    }

    void WriteParts() {
        tLyricsData& main = *song_.GetPart(0);
        song_.SongSettings.setPartsTableOffset(Here());
        RefreshLegacyFields(main);
        main.PartRecord.setLineCount(static_cast<uint16_t>(main.LineCount()));
        out_.Write(main.PartRecord.data(), tPartRecord::kSize);
        for (int i = 1; i < song_.PartCount(); ++i) {
            tLyricsData& part = *song_.GetPart(i);
            part.PartRecord.setLineCount(static_cast<uint16_t>(part.LineCount()));
            out_.Write(part.PartRecord.data(), tPartRecord::kSize);
            WriteLineBlocks(part);
        }
    }

    void WriteCustomPictures() {
        for (int slot : {kBallSlot, kAnimationSlot}) {
            for (int i = 0; i < song_.PartCount(); ++i) {
                tPictureSlot& picture = song_.GetPart(i)->Slots[slot];
                if (!picture.Record.Enabled() || !picture.Record.Embedded())
                    continue;
                picture.Record.setDataOffset(Here());
                picture.Record.setDataSize(static_cast<int32_t>(picture.Bytes.size()));
                WriteBytes(picture.Bytes);
            }
        }
    }

    void WritePartExtras() {
        tSongSettings& s = song_.SongSettings;
        s.setPartExtrasOffset(Here());
        s.setPartExtrasSize(kPartExtrasStride);
        for (int i = 0; i < song_.PartCount(); ++i)
            out_.Write(song_.GetPart(i)->PartExtras.data(), tPartExtras::kSize);
    }

    void WritePictureTables() {
        tSongSettings& s = song_.SongSettings;
        const tLyricsData& main = *song_.GetPart(0);
        s.setLegacyLyricsPosition(main.PartExtras.LyricsPosition());
        s.setLegacyBallPicture(main.Slots[kBallSlot].Record);
        s.setBallPictureTableOffset(Here());
        for (int i = 1; i < song_.PartCount(); ++i)
            out_.Write(song_.GetPart(i)->Slots[kBallSlot].Record.data(), tAnimationPictureRecord::kSize);
        s.setAnimationPictureTableOffset(Here());
        for (int i = 0; i < song_.PartCount(); ++i)
            out_.Write(song_.GetPart(i)->Slots[kAnimationSlot].Record.data(), tAnimationPictureRecord::kSize);
    }

    tLyrimoData& song_;
    tFileWriter& out_;
    tEmbeddedProgress progress_;
};

} // namespace

int tLyrimoData::LoadFromFile(const QString& path, bool loadMedia) {
    Clear();
    tFileReader file;
    if (int error = file.Open(path))
        return error;
    tHeader header;
    if (!ReadRecord(file, 0, header) || !header.HasMagic())
        return -1;
    tSongFileLoader(*this, file, header, loadMedia).Run();
    FilePath = QFileInfo(path).absoluteFilePath();
    if (loadMedia)
        FindLinkedMediaBesideSong(*this, path);
    return 0;
}

void FindLinkedMediaBesideSong(tLyrimoData& song, const QString& songPath) {
    tSongSettings& s = song.SongSettings;
    if (!s.UseMediaFile() || s.EmbedMedia())
        return;
    // Names written on other systems may use backslashes.
    QString stored = PathFromField(s.MediaFileName());
    stored.replace('\\', '/');
    if (stored.isEmpty())
        return;
    const QString folder = QFileInfo(songPath).absolutePath();
    const QString beside =
        folder + "/" +
        (QFileInfo(stored).isRelative() && !stored.contains(':') ? stored
                                                                 : stored.mid(stored.lastIndexOf('/') + 1));
    const QFileInfo found(beside);
    const QByteArray name = QFile::encodeName(found.absoluteFilePath());
    if (found.isFile() && name.size() <= 255)
        s.setMediaFileName(name);
}

QString DamageReport(const tLyrimoData& song) {
    if (song.LoadDamage.isEmpty())
        return {};
    return Translate("The file is damaged:") + " " + Translate("it ends before these could be read") + ": " +
           song.LoadDamage.join("; ") + ".";
}

bool ReadSettingsRecord(const QString& path, tSongSettings& settings) {
    settings.clear();
    tFileReader file;
    if (file.Open(path) != 0)
        return false;
    tHeader header;
    if (!ReadRecord(file, 0, header) || !header.HasMagic())
        return false;
    ReadRecord(file, header.SettingsOffset(), settings, header.SettingsSize());
    return true;
}

int tLyrimoData::SaveToFile(const QString& path) {
    for (int i = 0; i < PartCount(); ++i)
        GetPart(i)->PartRecord.setLegacyEffectCode(EncodeLegacyEffectCode(GetPart(i)->PartExtras));
    tAtomicFile target(path);
    if (int error = target.Create())
        return error;
    tFileWriter out(target.Fd());
    if (!tSongFileWriter(*this, out, path).Run() || !target.Commit())
        return -1;
    FilePath = QFileInfo(path).absoluteFilePath();
    return 0;
}

} // namespace lyrimo
