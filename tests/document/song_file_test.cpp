#include "app/app_services.h"
#include "app/temp_files.h"
#include "document/song.h"
#include "document/song_loading.h"
#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace lyrimo;

namespace {

QString Scratch(const QString& name) { return test::ScratchFolder() + "/" + name; }

// Little-endian byte building for hand-made song files of any layout.
class tBytes {
public:
    explicit tBytes(int size = 0) : bytes_(size, '\0') {}
    tBytes& U8(int at, int v) {
        Grow(at + 1);
        bytes_[at] = static_cast<char>(v);
        return *this;
    }
    tBytes& U16(int at, int v) { return U8(at, v & 0xFF).U8(at + 1, (v >> 8) & 0xFF); }
    tBytes& I32(int at, int32_t v) {
        auto u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i)
            U8(at + i, (u >> (8 * i)) & 0xFF);
        return *this;
    }
    tBytes& Str(int at, const QByteArray& text) {
        U8(at, static_cast<int>(text.size()));
        for (int i = 0; i < text.size(); ++i)
            U8(at + 1 + i, static_cast<uint8_t>(text[i]));
        return *this;
    }
    tBytes& Header(int version, int linesOffset, int settingsOffset, int lineSize, int settingsSize) {
        Grow(18);
        std::memcpy(bytes_.data(), "lYMI", 4);
        return U16(4, version)
            .I32(6, linesOffset)
            .I32(10, settingsOffset)
            .U16(14, lineSize)
            .U16(16, settingsSize);
    }
    int Size() const { return static_cast<int>(bytes_.size()); }
    const QByteArray& Data() const { return bytes_; }
    QString Save(const QString& name) const {
        QString path = Scratch(name);
        EXPECT_TRUE(test::WriteFile(path, bytes_));
        return path;
    }

private:
    void Grow(int size) {
        if (bytes_.size() < size)
            bytes_.resize(size, '\0');
    }
    QByteArray bytes_;
};

// Offsets into the settings record that the hand-made files set.
namespace at {
constexpr int MediaFileName = 243, UseMediaFile = 499, LegacyLineCount = 502, LegacyLyricsFont = 548;
constexpr int LegacyHighlightBackground = 586, LegacyEffectCode = 590, LegacyTimingsFlag = 591;
constexpr int LegacyStartOffset = 592, HasVideo = 596, PictureCount = 609, SlideCount = 613;
constexpr int EmbedPictures = 617, PictureListOffset = 618, SlideListOffset = 622, LegacyBallNumber = 673;
constexpr int PlayWidth = 676, PlayHeight = 680, SplitSize = 684, BackgroundTile = 953;
constexpr int PartsTableOffset = 961, PartCount = 965, FullScreenVideo = 974, LegacyTextFormat = 975;
constexpr int LegacyFormattingColour = 976, LegacyTextSpacing = 980, LegacyBallPicture = 981;
constexpr int BallPictureTableOffset = 1253, PartExtrasOffset = 1352, PartExtrasSize = 1356;
} // namespace at

void AddLine(tLyricsData& part, const QByteArray& text, int start, std::initializer_list<int> deltas) {
    tTimingsLineType& line = *part.AddLine();
    line.LineRecord.setText(text);
    line.LineRecord.setLineStart(start);
    line.LineRecord.setNormalColour(0x112233);
    line.LineRecord.setHighlightColour(0x445566);
    line.LineRecord.setFormatColour(0x778899);
    int position = 0;
    for (int delta : deltas)
        line.AddTiming(MakeTiming(static_cast<uint8_t>(position++), static_cast<uint16_t>(delta)));
}

// A song that uses every section of the file: three parts, embedded media, pictures,
// slides, background and custom ball and animation pictures.
void MakeRichSong(tLyrimoData& song, const QByteArray& media) {
    const QString mediaPath = Scratch("media.ogg");
    ASSERT_TRUE(test::WriteFile(mediaPath, media));
    tSongSettings& s = song.SongSettings;
    song.SetWideSongName(QString::fromUtf16(u"Ода к радости"));
    song.SetArtistName("Artist");
    s.setMediaFileName(QFile::encodeName(mediaPath));
    s.setUseMediaFile(1);
    s.setEmbedMedia(1);
    s.setEmbedPictures(1);
    s.setSlideShowEnabled(1);
    s.setBackgroundEnabled(1);
    s.setEmbedBackground(1);
    s.setVerticalShift(-12);
    s.setReserved606(0xBEEF);
    s.setReserved1264(-7);
    song.BackgroundStream = QByteArray(300, 'B');

    for (int i = 0; i < 3; ++i) {
        tPictureRecord picture;
        picture.setName("pic" + QByteArray::number(i));
        picture.setTile(static_cast<uint8_t>(i & 1));
        int index = song.Pictures.AddPicture(picture);
        *song.Pictures.GetPicture(index) = QByteArray(50 + i, static_cast<char>('p' + i));
    }
    for (int i = 0; i < 4; ++i) {
        tSlideRecord slide;
        slide.setPicture(static_cast<uint16_t>(i % 3));
        slide.setTransition(static_cast<uint8_t>(i * 5));
        slide.setShowTime(1000 * i);
        slide.setRemoveTime(1000 * i + 900);
        song.Slides.AddSlide(slide);
    }

    tLyricsData& main = *song.GetPart(0);
    main.PartRecord.setStartOffset(-250);
    main.PartRecord.setTimingsRecorded(1);
    main.PartExtras.setTextMode(4);
    main.PartExtras.setBallStyle(1);
    main.PartExtras.setLyricsPosition(2);
    main.PartExtras.setTextFormat(5);
    main.PartExtras.setTextSpacing(3);
    main.Slots[kBallSlot].Record.setEnabled(1);
    main.Slots[kBallSlot].Record.setEmbedded(1);
    main.Slots[kBallSlot].Bytes = QByteArray(40, 'b');
    AddLine(main, "Hello there", 1000, {0, 120, 300});
    AddLine(main, "Second line", 3000, {0, 65535});

    for (int p = 1; p < 3; ++p) {
        auto part = std::make_unique<tLyricsData>();
        part->PartRecord.setPartName("Chorus " + QByteArray::number(p));
        part->PartRecord.setBallNumber(static_cast<uint8_t>(40 + p));
        part->PartExtras.setTextMode(6);
        part->PartExtras.setFontCharset(204);
        part->PartExtras.setInstrumentalAnimation(static_cast<uint8_t>(p));
        part->Slots[kAnimationSlot].Record.setEnabled(1);
        part->Slots[kAnimationSlot].Record.setEmbedded(1);
        part->Slots[kAnimationSlot].Record.setPlacement(static_cast<uint8_t>(p + 16));
        part->Slots[kAnimationSlot].Bytes = QByteArray(20 * p, static_cast<char>('a' + p));
        for (int l = 0; l < p + 1; ++l)
            AddLine(*part, "Line " + QByteArray::number(l), 5000 * p + 500 * l, {0, 10, 20, 30});
        song.AddPart(std::move(part));
    }
}

void ExpectSameLines(const tLyricsData& a, const tLyricsData& b) {
    ASSERT_EQ(a.LineCount(), b.LineCount());
    for (int i = 0; i < a.LineCount(); ++i) {
        EXPECT_EQ(a.GetLine(i)->LineRecord, b.GetLine(i)->LineRecord) << "line " << i;
        EXPECT_EQ(a.GetLine(i)->Timings(), b.GetLine(i)->Timings()) << "line " << i;
    }
}

int32_t I32At(const QByteArray& bytes, qsizetype at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
    return static_cast<int32_t>(v);
}

} // namespace

TEST(SongFile, RichSongSurvivesSaveAndLoad) {
    const QByteArray media(5000, 'm');
    tLyrimoData song;
    MakeRichSong(song, media);
    const QString path = Scratch("rich.lym");
    ASSERT_EQ(song.SaveToFile(path), 0);

    tLyrimoData loaded;
    ASSERT_EQ(loaded.LoadFromFile(path, true), 0);
    EXPECT_EQ(loaded.FileVersion, 320);
    EXPECT_FALSE(loaded.NewerVersion);

    // The saved song holds the writer's offsets; only the media name differs, now the extracted copy.
    tSongSettings expected = song.SongSettings;
    expected.setMediaFileName(QFile::encodeName(loaded.TempMediaPath()));
    EXPECT_EQ(loaded.SongSettings, expected);
    EXPECT_EQ(loaded.WideSongName(), QString::fromUtf16(u"Ода к радости"));
    EXPECT_EQ(test::ReadFile(loaded.TempMediaPath()), media);
    EXPECT_TRUE(loaded.TempMediaPath().endsWith(".ogg"));

    ASSERT_EQ(loaded.PartCount(), 3);
    for (int p = 0; p < 3; ++p) {
        const tLyricsData& a = *song.GetPart(p);
        const tLyricsData& b = *loaded.GetPart(p);
        EXPECT_EQ(a.PartRecord, b.PartRecord) << "part " << p;
        EXPECT_EQ(a.PartExtras, b.PartExtras) << "part " << p;
        for (int slot : {kBallSlot, kAnimationSlot}) {
            EXPECT_EQ(a.Slots[slot].Record, b.Slots[slot].Record) << "part " << p << " slot " << slot;
            EXPECT_EQ(a.Slots[slot].Bytes, b.Slots[slot].Bytes) << "part " << p << " slot " << slot;
        }
        ExpectSameLines(a, b);
    }
    ASSERT_EQ(loaded.Pictures.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.Pictures.GetPictureRecord(i), song.Pictures.GetPictureRecord(i));
        EXPECT_EQ(*loaded.Pictures.GetPicture(i), *song.Pictures.GetPicture(i));
    }
    ASSERT_EQ(loaded.Slides.Count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(loaded.Slides.GetSlide(i), song.Slides.GetSlide(i));
    EXPECT_EQ(loaded.BackgroundStream, song.BackgroundStream);
}

TEST(SongFile, ResavingALoadedSongWritesTheSameBytes) {
    tLyrimoData song;
    MakeRichSong(song, QByteArray(777, 'x'));
    const QString first = Scratch("first.lym"), second = Scratch("second.lym");
    ASSERT_EQ(song.SaveToFile(first), 0);
    tLyrimoData loaded;
    ASSERT_EQ(loaded.LoadFromFile(first, true), 0);
    // Point the media back at the original name so that only the bytes are compared.
    ASSERT_EQ(loaded.SaveToFile(second), 0);
    QByteArray a = test::ReadFile(first), b = test::ReadFile(second);
    ASSERT_EQ(a.size(), b.size());
    const int nameAt = 18 + 777 + 243;
    a.replace(nameAt, 256, QByteArray(256, '\0'));
    b.replace(nameAt, 256, QByteArray(256, '\0'));
    EXPECT_EQ(a, b);
}

TEST(SongFile, WriterPlacesEverySectionAtItsStoredOffset) {
    const QByteArray media(100, 'm');
    tLyrimoData song;
    MakeRichSong(song, media);
    const QString path = Scratch("layout.lym");
    ASSERT_EQ(song.SaveToFile(path), 0);
    const QByteArray f = test::ReadFile(path);
    const tSongSettings& s = song.SongSettings;

    EXPECT_EQ(f.left(4), "lYMI");
    EXPECT_EQ(static_cast<uint8_t>(f[4]) | static_cast<uint8_t>(f[5]) << 8, 320);
    EXPECT_EQ(I32At(f, 10), 18 + 100); // settings after the media
    EXPECT_EQ(I32At(f, 6), 18 + 100 + 1699);
    EXPECT_EQ(s.EmbeddedMediaOffset(), 18);
    EXPECT_EQ(s.EmbeddedMediaSize(), 100);
    EXPECT_EQ(f.mid(18, 100), media);
    EXPECT_EQ(f.mid(118, 1699), s.toByteArray());

    // Part 0's lines: two blocks of 347 bytes plus their timings.
    int64_t pos = 18 + 100 + 1699;
    EXPECT_EQ(f.mid(pos, 347), song.GetPart(0)->GetLine(0)->LineRecord.toByteArray());
    pos += 347 + 3 * 3 + 347 + 2 * 3;
    EXPECT_EQ(s.PictureListOffset(), pos);
    EXPECT_EQ(s.PictureCount(), 3);
    EXPECT_EQ(I32At(f, pos + 277), 50); // embedded size of picture 0
    EXPECT_EQ(f.mid(pos + 282, 50), QByteArray(50, 'p'));
    pos += 3 * 282 + 50 + 51 + 52;
    EXPECT_EQ(s.SlideListOffset(), pos);
    EXPECT_EQ(s.SlideCount(), 4);
    pos += 4 * 13;
    EXPECT_EQ(s.EmbeddedBackgroundOffset(), pos);
    EXPECT_EQ(s.EmbeddedBackgroundSize(), 300);
    pos += 300;
    EXPECT_EQ(s.PartsTableOffset(), pos);
    EXPECT_EQ(f.mid(pos, 92), song.GetPart(0)->PartRecord.toByteArray());
    pos += 92 + (92 + 2 * (347 + 12)) + (92 + 3 * (347 + 12));
    // Custom pictures: slot 0 of every part, then slot 1.
    EXPECT_EQ(song.GetPart(0)->Slots[kBallSlot].Record.DataOffset(), pos);
    pos += 40;
    EXPECT_EQ(song.GetPart(1)->Slots[kAnimationSlot].Record.DataOffset(), pos);
    EXPECT_EQ(song.GetPart(1)->Slots[kAnimationSlot].Record.DataSize(), 20);
    pos += 20 + 40;
    EXPECT_EQ(s.PartExtrasOffset(), pos);
    EXPECT_EQ(s.PartExtrasSize(), 12);
    EXPECT_EQ(f.mid(pos + 12, 12), song.GetPart(1)->PartExtras.toByteArray());
    pos += 3 * 12;
    EXPECT_EQ(s.BallPictureTableOffset(), pos);
    pos += 2 * 272;
    EXPECT_EQ(s.AnimationPictureTableOffset(), pos);
    EXPECT_EQ(f.mid(pos + 272, 272), song.GetPart(1)->Slots[kAnimationSlot].Record.toByteArray());
    EXPECT_EQ(f.size(), pos + 3 * 272);
}

TEST(SongFile, WriterRefreshesTheLegacyFieldsFromPartZero) {
    tLyrimoData song;
    MakeRichSong(song, "m");
    tLyricsData& main = *song.GetPart(0);
    main.PartRecord.setBallNumber(7);
    main.PartRecord.setBallNoBounce(1);
    ASSERT_EQ(song.SaveToFile(Scratch("legacy.lym")), 0);
    const tSongSettings& s = song.SongSettings;
    EXPECT_EQ(s.LegacyLineCount(), 2);
    EXPECT_EQ(s.PartCount(), 3);
    EXPECT_EQ(s.LegacyTimingsFlag(), 1);
    EXPECT_EQ(s.LegacyEffectCode(), 9); // highlight words with ball style 1
    EXPECT_EQ(main.PartRecord.LegacyEffectCode(), 9);
    EXPECT_EQ(s.LegacyStartOffset(), -250);
    EXPECT_EQ(s.LegacyLyricsFont(), main.PartRecord.LyricsFont());
    EXPECT_EQ(s.LegacyBallNumber(), 7);
    EXPECT_EQ(s.LegacyBallNoBounce(), 1);
    EXPECT_EQ(s.LegacyLyricsPosition(), 2);
    EXPECT_EQ(s.LegacyTextFormat(), 5);
    EXPECT_EQ(s.LegacyTextSpacing(), 3);
    // Part 0's formatting colour comes from its first line.
    EXPECT_EQ(main.PartExtras.FormattingColour(), 0x778899);
    EXPECT_EQ(s.LegacyFormattingColour(), 0x778899);
    EXPECT_EQ(s.LegacyBallPicture(), main.Slots[kBallSlot].Record);
    EXPECT_EQ(s.ReservedText(), "");
}

namespace {

// The oldest layout: one part built from the settings record, short line records
// holding a preset colour index, 281-byte picture records and no part tables.
tBytes SinglePartFile(int version, int lineSize, int settingsSize) {
    const int settingsAt = 18, linesAt = 18 + settingsSize;
    tBytes f;
    f.Header(version, linesAt, settingsAt, lineSize, settingsSize);
    f.Str(settingsAt + 0, "Old song");
    f.U16(settingsAt + at::LegacyLineCount, 2);
    f.Str(settingsAt + at::LegacyLyricsFont, "Times").I32(settingsAt + at::LegacyLyricsFont + 32, 0x0000FF);
    f.U8(settingsAt + at::LegacyLyricsFont + 36, 20).U8(settingsAt + at::LegacyLyricsFont + 37, kFontItalic);
    f.I32(settingsAt + at::LegacyHighlightBackground, 0x00AA00);
    f.U8(settingsAt + at::LegacyEffectCode, 10);
    f.U8(settingsAt + at::LegacyTimingsFlag, 1);
    f.I32(settingsAt + at::LegacyStartOffset, 150);
    f.U8(settingsAt + at::LegacyBallNumber, 12);
    f.I32(settingsAt + at::PartsTableOffset, -1);
    for (int line = 0; line < 2; ++line) {
        const int lineAt = linesAt + line * (lineSize + 2 * 3);
        f.Str(lineAt, line == 0 ? "First" : "Second");
        f.U8(lineAt + 161, 2);            // timing count
        f.I32(lineAt + 162, 1000 * line); // line start
        f.I32(lineAt + 166, 0x13);        // preset colour index 3 in the low bits
        const int timingsAt = lineAt + lineSize;
        f.U8(timingsAt, 0).U16(timingsAt + 1, 0);
        f.U8(timingsAt + 3, 5).U16(timingsAt + 4, 400);
    }
    return f;
}

} // namespace

TEST(SongFileHistory, SinglePartLayoutBuildsPartZeroFromTheSettings) {
    tBytes f = SinglePartFile(100, 170, 1000);
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(f.Save("old.lym"), true), 0);
    EXPECT_EQ(song.FileVersion, 100);
    ASSERT_EQ(song.PartCount(), 1);
    const tLyricsData& part = *song.GetPart(0);
    EXPECT_EQ(part.PartRecord.PartName(), "Main Part");
    EXPECT_EQ(part.PartRecord.StartOffset(), 150);
    EXPECT_EQ(song.SongSettings.SlideShowStartOffset(), 150);
    EXPECT_EQ(part.PartRecord.TimingsRecorded(), 1);
    EXPECT_EQ(part.PartRecord.BallNumber(), 12);
    const tFontRecord font = part.PartRecord.LyricsFont();
    EXPECT_EQ(font.name(), "Times");
    EXPECT_EQ(font.colour(), 0x0000FF);
    EXPECT_EQ(font.size(), 20);
    EXPECT_EQ(font.style(), kFontBold); // the style is not taken from the old record
    EXPECT_EQ(part.PartExtras.FontCharset(), 1);
    EXPECT_EQ(song.SongSettings.TitleFontCharset(), 1);

    ASSERT_EQ(part.LineCount(), 2);
    const tLineRecord& second = part.GetLine(1)->LineRecord;
    EXPECT_EQ(second.Text(), "Second");
    EXPECT_EQ(second.LineStart(), 1000);
    EXPECT_EQ(second.NormalColour(), PresetColours[3]);
    EXPECT_EQ(second.HighlightColour(), 0x0000FF);
    EXPECT_EQ(second.HighlightBackground(), 0x00AA00);
    EXPECT_EQ(part.GetLine(1)->GetTiming(1).Position(), 5);
    EXPECT_EQ(part.GetLine(1)->GetTiming(1).Delta(), 400);

    // Beyond the 1000 stored settings bytes the new song's values stay.
    EXPECT_EQ(song.SongSettings.SplitSize(), 40);
    EXPECT_EQ(song.SongSettings.TitleFadeOut(), 1);
    EXPECT_EQ(song.SongSettings.CutoutText(), 1);
}

TEST(SongFileHistory, VersionSpecificRules) {
    // Version 110 stored effect code 10 for what is code 13 now.
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(SinglePartFile(110, 170, 1000).Save("v110.lym"), false), 0);
    EXPECT_EQ(song.SongSettings.LegacyEffectCode(), 13);
    EXPECT_EQ(song.GetPart(0)->PartExtras.TextMode(), 0);
    ASSERT_EQ(song.LoadFromFile(SinglePartFile(111, 170, 1000).Save("v111.lym"), false), 0);
    EXPECT_EQ(song.GetPart(0)->PartExtras.TextMode(), 4); // code 10: highlight words with ball

    // Full-screen video in a file before character sets switches multi-line display off.
    tBytes f = SinglePartFile(200, 170, 1000);
    f.U8(18 + at::HasVideo, 1).U8(18 + at::FullScreenVideo, 1);
    ASSERT_EQ(song.LoadFromFile(f.Save("v200.lym"), false), 0);
    EXPECT_EQ(song.SongSettings.MultiLineMode(), 1);

    f = SinglePartFile(321, 347, 1699);
    ASSERT_EQ(song.LoadFromFile(f.Save("v321.lym"), false), 0);
    EXPECT_TRUE(song.NewerVersion);
    ASSERT_EQ(song.LoadFromFile(SinglePartFile(320, 347, 1699).Save("v320.lym"), false), 0);
    EXPECT_FALSE(song.NewerVersion);
}

TEST(SongFileHistory, LineRecordSizesShorterAndLongerThanOurs) {
    // Records shorter than 339 bytes have no shadow colours: they take the part's.
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(SinglePartFile(300, 200, 1699).Save("l200.lym"), false), 0);
    const tLineRecord& line = song.GetPart(0)->GetLine(0)->LineRecord;
    EXPECT_EQ(line.NormalColour(), 0x13); // stored in full from 178 bytes on
    EXPECT_EQ(line.FormatColour(), 0);

    // Longer records: the 53 bytes we do not know are skipped.
    tBytes f = SinglePartFile(300, 400, 1699);
    ASSERT_EQ(song.LoadFromFile(f.Save("l400.lym"), false), 0);
    ASSERT_EQ(song.GetPart(0)->LineCount(), 2);
    EXPECT_EQ(song.GetPart(0)->GetLine(1)->LineRecord.Text(), "Second");
    EXPECT_EQ(song.GetPart(0)->GetLine(1)->GetTiming(1).Delta(), 400);
}

TEST(SongFileHistory, LargerSettingsRecordIsReadUpToWhatWeKnow) {
    // A newer program's 2000-byte settings record, its parts found through the offsets.
    tLyrimoData original;
    AddLine(*original.GetPart(0), "Hi", 0, {0});
    ASSERT_EQ(original.SaveToFile(Scratch("normal.lym")), 0);
    const QByteArray normal = test::ReadFile(Scratch("normal.lym"));
    const int settingsAt = I32At(normal, 10);
    // Insert 301 unknown bytes after the settings record and move every offset that lies beyond it.
    QByteArray grown =
        normal.left(settingsAt + 1699) + QByteArray(301, '\x55') + normal.mid(settingsAt + 1699);
    tBytes f;
    f.Header(400, I32At(normal, 6) + 301, settingsAt, 347, 2000);
    QByteArray header = f.Data();
    grown.replace(0, 18, header);
    auto shift = [&grown, settingsAt](int field) {
        const int at = settingsAt + field;
        int32_t v = I32At(grown, at);
        tBytes patch;
        patch.I32(0, v + 301);
        grown.replace(at, 4, patch.Data());
    };
    for (int field :
         {at::PictureListOffset, at::SlideListOffset, at::PartsTableOffset, at::BallPictureTableOffset,
          1258 /* animation table */, at::PartExtrasOffset, 949 /* background */})
        shift(field);
    ASSERT_TRUE(test::WriteFile(Scratch("big.lym"), grown));
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(Scratch("big.lym"), true), 0);
    EXPECT_TRUE(song.NewerVersion);
    ASSERT_EQ(song.GetPart(0)->LineCount(), 1);
    EXPECT_EQ(song.GetPart(0)->GetLine(0)->LineRecord.Text(), "Hi");
    EXPECT_EQ(song.GetPart(0)->PartRecord.PartName(), "Main Part");
}

TEST(SongFileHistory, OlderFilesShareBallPicturesAndLackTheTileByte) {
    // Version 115: 281-byte picture records whose tile comes from the background's.
    const int settingsAt = 18, pictureAt = 18 + 1699;
    tBytes f;
    f.Header(115, pictureAt, settingsAt, 347, 1699);
    f.I32(settingsAt + at::PartsTableOffset, -1);
    f.I32(settingsAt + at::PictureCount, 2).I32(settingsAt + at::PictureListOffset, pictureAt);
    f.U8(settingsAt + at::BackgroundTile, 1);
    f.Str(pictureAt, "one").Str(pictureAt + 281, "two").U8(pictureAt + 281 + 280, 0);
    f.U8(settingsAt + at::LegacyBallPicture, 1).Str(settingsAt + at::LegacyBallPicture + 2, "ball.gif");
    f.I32(settingsAt + at::BallPictureTableOffset, 5000); // ignored before version 120
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(f.Save("v115.lym"), false), 0);
    ASSERT_EQ(song.Pictures.Count(), 2);
    EXPECT_EQ(song.Pictures.GetPictureRecord(1).Name(), "two");
    EXPECT_EQ(song.Pictures.GetPictureRecord(0).Tile(), 1);
    EXPECT_EQ(song.Pictures.GetPictureRecord(1).Tile(), 1);
    EXPECT_EQ(song.GetPart(0)->Slots[kBallSlot].Record.FileName(), "ball.gif");
}

TEST(SongFileHistory, PartExtrasStrideAndPartsAfterTheFirst) {
    tLyrimoData original;
    original.AddPart(std::make_unique<tLyricsData>());
    original.GetPart(1)->PartExtras.setFontCharset(161);
    original.GetPart(1)->PartRecord.setPartName("Two");
    ASSERT_EQ(original.SaveToFile(Scratch("two.lym")), 0);
    QByteArray bytes = test::ReadFile(Scratch("two.lym"));
    const int settingsAt = I32At(bytes, 10);
    // A stride of 8 reads only 8 bytes for each part, from 8 bytes apart.
    tBytes patch;
    patch.I32(0, 8);
    bytes.replace(settingsAt + at::PartExtrasSize, 4, patch.Data());
    ASSERT_TRUE(test::WriteFile(Scratch("stride.lym"), bytes));
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(Scratch("stride.lym"), false), 0);
    ASSERT_EQ(song.PartCount(), 2);
    EXPECT_EQ(song.GetPart(1)->PartRecord.PartName(), "Two");
    // Part 1's extras now start 4 bytes into part 0's stored formatting colour.
    const int extrasAt = I32At(bytes, settingsAt + at::PartExtrasOffset);
    EXPECT_EQ(static_cast<uint8_t>(bytes[extrasAt + 8]), song.GetPart(1)->PartExtras.FontCharset());
}

TEST(SongFileReading, SlidesNamingMissingPicturesAreDroppedAndTransitionsChecked) {
    const int settingsAt = 18, pictureAt = 18 + 1699, slideAt = pictureAt + 282;
    tBytes f;
    f.Header(320, pictureAt, settingsAt, 347, 1699);
    f.I32(settingsAt + at::PartsTableOffset, -1);
    f.I32(settingsAt + at::PictureCount, 1).I32(settingsAt + at::PictureListOffset, pictureAt);
    f.Str(pictureAt, "only");
    f.I32(settingsAt + at::SlideCount, 3).I32(settingsAt + at::SlideListOffset, slideAt);
    f.U16(slideAt, 0).U8(slideAt + 2, 30); // transition out of range
    f.U16(slideAt + 13, 1);                // picture index equal to the count
    f.U16(slideAt + 26, 0).U8(slideAt + 28, 24).I32(slideAt + 35, 0);
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(f.Save("slides.lym"), false), 0);
    ASSERT_EQ(song.Slides.Count(), 2);
    EXPECT_EQ(song.Slides.GetSlide(0).Transition(), 0);
    EXPECT_EQ(song.Slides.GetSlide(1).Transition(), 24);
}

TEST(SongFileReading, WithoutMediaEmbeddedPicturesAreSkippedNotRead) {
    tLyrimoData original;
    MakeRichSong(original, "media");
    ASSERT_EQ(original.SaveToFile(Scratch("pics.lym")), 0);
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(Scratch("pics.lym"), false), 0);
    ASSERT_EQ(song.Pictures.Count(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(song.Pictures.GetPictureRecord(i), original.Pictures.GetPictureRecord(i));
        EXPECT_TRUE(song.Pictures.GetPicture(i)->isEmpty());
    }
    EXPECT_TRUE(song.TempMediaPath().isEmpty());
    EXPECT_TRUE(song.BackgroundStream.isEmpty());
    EXPECT_TRUE(song.GetPart(0)->Slots[kBallSlot].Bytes.isEmpty());
    EXPECT_EQ(song.Slides.Count(), 4);
}

TEST(SongFileReading, LinkedFilesAreReadWhenTheyExist) {
    const QString picture = Scratch("linked.png");
    ASSERT_TRUE(test::WriteFile(picture, "PNGDATA"));
    tLyrimoData original;
    original.SongSettings.setBackgroundEnabled(1);
    original.SongSettings.setBackgroundFileName(QFile::encodeName(picture));
    tPictureRecord record;
    record.setFileName(QFile::encodeName(picture));
    original.Pictures.AddPicture(record);
    record.setFileName("/no/such/file.png");
    original.Pictures.AddPicture(record);
    ASSERT_EQ(original.SaveToFile(Scratch("linked.lym")), 0);
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(Scratch("linked.lym"), true), 0);
    EXPECT_EQ(song.BackgroundStream, "PNGDATA");
    EXPECT_EQ(*song.Pictures.GetPicture(0), "PNGDATA");
    EXPECT_TRUE(song.Pictures.GetPicture(1)->isEmpty());
}

TEST(SongFileReading, LinkedMediaIsLookedForBesideTheSongFirst) {
    const QString folder = Scratch("moved");
    QDir().mkpath(folder + "/music");
    QDir().mkpath(Scratch("elsewhere"));
    ASSERT_TRUE(test::WriteFile(folder + "/music/tune.ogg", "ogg"));
    ASSERT_TRUE(test::WriteFile(folder + "/tune.mp3", "mp3"));
    ASSERT_TRUE(test::WriteFile(Scratch("elsewhere/other.mp3"), "mp3"));
    auto mediaAfterLoading = [&](const QByteArray& stored, bool loadMedia = true) {
        tLyrimoData original;
        original.SongSettings.setUseMediaFile(1);
        original.SongSettings.setMediaFileName(stored);
        EXPECT_EQ(original.SaveToFile(folder + "/song.lym"), 0);
        tLyrimoData song;
        EXPECT_EQ(song.LoadFromFile(folder + "/song.lym", loadMedia), 0);
        return song.SongSettings.MediaFileName();
    };
    const QByteArray here = QFile::encodeName(folder);
    EXPECT_EQ(mediaAfterLoading("music/tune.ogg"), here + "/music/tune.ogg");
    EXPECT_EQ(mediaAfterLoading("/gone/away/tune.mp3"), here + "/tune.mp3");
    EXPECT_EQ(mediaAfterLoading("C:\\Karaoke\\tune.mp3"), here + "/tune.mp3");
    // Not beside the song: the stored name stays, whether it exists or not.
    const QByteArray other = QFile::encodeName(Scratch("elsewhere/other.mp3"));
    EXPECT_EQ(mediaAfterLoading(other), other);
    EXPECT_EQ(mediaAfterLoading("missing.wav"), "missing.wav");
    // Only loading with media looks.
    EXPECT_EQ(mediaAfterLoading("music/tune.ogg", false), "music/tune.ogg");
}

TEST(SongFileReading, CorrectionsAfterLoading) {
    tBytes f = SinglePartFile(320, 347, 1699);
    f.I32(18 + at::PlayWidth, 0).I32(18 + at::PlayHeight, -5).I32(18 + at::SplitSize, 10);
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(f.Save("fix.lym"), false), 0);
    EXPECT_EQ(song.SongSettings.PlayWidth(), 1024);
    EXPECT_EQ(song.SongSettings.PlayHeight(), 768);
    EXPECT_EQ(song.SongSettings.SplitSize(), 40);
    EXPECT_EQ(song.GetPart(0)->Slots[kBallSlot].Record.FrameCount(), 1);

    f.I32(18 + at::PlayWidth, 800).I32(18 + at::SplitSize, 20);
    ASSERT_EQ(song.LoadFromFile(f.Save("fix2.lym"), false), 0);
    EXPECT_EQ(song.SongSettings.PlayWidth(), 800); // only both below 1 are replaced
    EXPECT_EQ(song.SongSettings.PlayHeight(), -5);
    EXPECT_EQ(song.SongSettings.SplitSize(), 20);
}

TEST(SongFileReading, ResultCodes) {
    tLyrimoData song;
    song.SetSongName("left over");
    EXPECT_EQ(song.LoadFromFile(Scratch("missing.lym"), true), ENOENT);
    EXPECT_EQ(song.SongName(), ""); // cleared even on failure
    EXPECT_EQ(song.LoadFromFile(test::ScratchFolder(), true), EISDIR);
    EXPECT_EQ(song.LoadFromFile(tBytes(17).Save("short.lym"), true), -1);
    tBytes wrong;
    wrong.Header(320, 0, 0, 347, 1699).U8(0, 'L');
    EXPECT_EQ(song.LoadFromFile(wrong.Save("wrong.lym"), true), -1);

    // A header whose settings lie beyond the end still loads, as a new song.
    tBytes beyond;
    beyond.Header(320, 99999, 99999, 347, 1699);
    EXPECT_EQ(song.LoadFromFile(beyond.Save("beyond.lym"), true), 0);
    EXPECT_EQ(song.SongSettings.SplitSize(), 40);
    EXPECT_EQ(song.SongSettings.TitleFadeOut(), 1);
    EXPECT_EQ(song.PartCount(), 1);
}

TEST(SettingsRecordQuickRead, ReadsOnlyWhatIsStored) {
    tBytes f = SinglePartFile(320, 347, 600);
    f.I32(18 + at::SplitSize, 33); // beyond the stored 600 bytes: not read
    tSongSettings settings;
    ASSERT_TRUE(ReadSettingsRecord(f.Save("quick.lym"), settings));
    EXPECT_EQ(settings.SongName(), "Old song");
    EXPECT_EQ(settings.LegacyLineCount(), 2);
    EXPECT_EQ(settings.SplitSize(), 0);
    EXPECT_EQ(settings.toByteArray().mid(600), QByteArray(1099, '\0'));

    tBytes wrong = f;
    wrong.U8(3, 'X');
    EXPECT_FALSE(ReadSettingsRecord(wrong.Save("quick-wrong.lym"), settings));
    EXPECT_EQ(settings.toByteArray(), QByteArray(1699, '\0'));
    EXPECT_FALSE(ReadSettingsRecord(Scratch("nothing.lym"), settings));
}

TEST(MalformedSongFiles, EveryTruncationLoadsSafely) {
    tLyrimoData rich;
    MakeRichSong(rich, QByteArray(64, 'm'));
    ASSERT_EQ(rich.SaveToFile(Scratch("whole.lym")), 0);
    const QByteArray whole = test::ReadFile(Scratch("whole.lym"));
    const QString path = Scratch("cut.lym");
    for (qsizetype size = 0; size <= whole.size(); ++size) {
        ASSERT_TRUE(test::WriteFile(path, whole.left(size)));
        tLyrimoData song;
        int result = song.LoadFromFile(path, true);
        ASSERT_EQ(result, size < 18 ? -1 : 0) << "size " << size;
        ASSERT_GE(song.PartCount(), 1);
        for (int p = 0; p < song.PartCount(); ++p)
            ASSERT_LE(song.GetPart(p)->LineCount() * 347, size) << "size " << size;
        // A file cut anywhere says so; only the whole file loads without a word.
        if (size >= 18) {
            ASSERT_EQ(song.LoadDamage.isEmpty(), size == whole.size()) << "size " << size;
        }
    }
    // Nothing extracted is left behind.
    EXPECT_TRUE(QDir(test::ScratchFolder() + "/tmp").entryList(QDir::Files).isEmpty());
}

TEST(MalformedSongFiles, TheDamageReportSaysWhatWasLost) {
    tLyrimoData rich;
    MakeRichSong(rich, QByteArray(64, 'm'));
    ASSERT_EQ(rich.SaveToFile(Scratch("whole.lym")), 0);
    const QByteArray whole = test::ReadFile(Scratch("whole.lym"));
    const QString path = Scratch("cut.lym");
    auto damageWhenCutAt = [&](qsizetype size, bool loadMedia) {
        EXPECT_TRUE(test::WriteFile(path, whole.left(size)));
        tLyrimoData song;
        EXPECT_EQ(song.LoadFromFile(path, loadMedia), 0);
        return song.LoadDamage;
    };

    // The media is stored first, right after the 18-byte header; the settings follow it.
    const QStringList inMedia = damageWhenCutAt(18 + 40, false);
    EXPECT_TRUE(inMedia.contains("the song settings")) << inMedia.join(" | ").toStdString();

    // Cut inside the second part's lines: what was read stays, the rest is named.
    const qsizetype partsTable = I32At(whole, 18 + 64 + 961); // PartsTableOffset in the settings
    // Part records are 92 bytes, a line 347 plus 3 a timing: cut into the second line of part 2.
    const qsizetype secondPartLines = partsTable + 92 + 92 + (347 + 4 * 3) + 2;
    tLyrimoData cut;
    ASSERT_TRUE(test::WriteFile(path, whole.left(secondPartLines)));
    ASSERT_EQ(cut.LoadFromFile(path, true), 0);
    EXPECT_EQ(cut.PartCount(), 2);
    EXPECT_EQ(cut.GetPart(0)->LineCount(), 2);
    EXPECT_EQ(cut.GetPart(1)->LineCount(), 1);
    // Everything stored after the cut is named too: the part tables and the pictures.
    ASSERT_GE(cut.LoadDamage.size(), 3);
    EXPECT_EQ(cut.LoadDamage.mid(0, 3), QStringList({"line 2 of part 2", "part 3",
                                                     "the character sets and text formats of the parts"}));
    EXPECT_TRUE(DamageReport(cut).startsWith(
        "The file is damaged: it ends before these could be read: line 2 of part 2; part 3; the character"));

    // The last table of the file is the parts' animation pictures.
    EXPECT_EQ(damageWhenCutAt(whole.size() - 1, true), QStringList({"the animation pictures of the parts"}));
    tLyrimoData loaded;
    ASSERT_EQ(loaded.LoadFromFile(Scratch("whole.lym"), true), 0);
    EXPECT_TRUE(DamageReport(loaded).isEmpty());
}

TEST(MalformedSongFiles, HostileCountsAndOffsetsStayBounded) {
    const int settingsAt = 18;
    tBytes f;
    f.Header(320, 0, settingsAt, 347, 1699);
    f.I32(settingsAt + at::PartsTableOffset, 18); // the part records overlap the settings
    f.U16(settingsAt + at::PartCount, 65535);
    f.I32(settingsAt + at::PictureCount, INT32_MAX).I32(settingsAt + at::PictureListOffset, 40);
    f.U8(settingsAt + at::EmbedPictures, 1);
    f.I32(settingsAt + at::SlideCount, INT32_MAX).I32(settingsAt + at::SlideListOffset, -4);
    f.I32(settingsAt + at::PartExtrasOffset, 1).I32(settingsAt + at::PartExtrasSize, -12);
    f.U8(settingsAt + 597, 1).U8(settingsAt + at::UseMediaFile, 1);
    f.I32(settingsAt + 598, INT32_MAX).I32(settingsAt + 602, 5); // embedded media far past the end
    f.U8(settingsAt + 954, 1).U8(settingsAt + 944, 1).I32(settingsAt + 945, INT32_MAX);
    tLyrimoData song;
    ASSERT_EQ(song.LoadFromFile(f.Save("hostile.lym"), true), 0);
    EXPECT_LT(song.PartCount(), 20);
    EXPECT_LT(song.Pictures.Count(), 10);
    EXPECT_EQ(song.Slides.Count(), 0);
    EXPECT_LE(QFileInfo(song.TempMediaPath()).size(), f.Size());
    EXPECT_LE(song.BackgroundStream.size(), f.Size());

    // 65535 lines claimed in a hundred bytes.
    tBytes lines;
    lines.Header(320, 18, 18, 347, 82);
    lines.U16(18 + at::LegacyLineCount, 0x7FFF);
    lines.U8(99, 0);
    ASSERT_EQ(song.LoadFromFile(lines.Save("lines.lym"), false), 0);
    EXPECT_EQ(song.GetPart(0)->LineCount(), 0);

    // Line records of size 0 hold nothing: no line can be read.
    tBytes empty = SinglePartFile(320, 0, 1699);
    ASSERT_EQ(song.LoadFromFile(empty.Save("empty-lines.lym"), false), 0);
    EXPECT_EQ(song.GetPart(0)->LineCount(), 0);
}

TEST(SongFileSaving, FailedSaveKeepsTheOldFile) {
    tLyrimoData song;
    MakeRichSong(song, QByteArray(200000, 'm'));
    const QString path = Scratch("keep.lym");
    ASSERT_TRUE(test::WriteFile(path, "the user's old song"));

    // Let writes beyond 64 KiB fail, as on a full disk.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    int result = song.SaveToFile(path);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(result, -1);
    EXPECT_EQ(test::ReadFile(path), "the user's old song");
    const QStringList left = QDir(test::ScratchFolder()).entryList(QDir::Files | QDir::Hidden);
    EXPECT_FALSE(left.join(' ').contains(".keep.lym.")) << left.join(' ').toStdString();
}

TEST(SongFileSaving, ErrorsOfCreatingTheFileAreReturned) {
    tLyrimoData song;
    EXPECT_EQ(song.SaveToFile(Scratch("no-such-folder/song.lym")), ENOENT);
    EXPECT_EQ(song.SaveToFile(test::ScratchFolder()), EISDIR);
}

TEST(SongFileSaving, ReplacingKeepsTheFilesPermissionsAndFollowsLinks) {
    const QString path = Scratch("mode.lym");
    ASSERT_TRUE(test::WriteFile(path, "old"));
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    const QString link = Scratch("link.lym");
    ASSERT_TRUE(QFile::link(path, link));
    tLyrimoData song;
    ASSERT_EQ(song.SaveToFile(link), 0);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    tLyrimoData loaded;
    EXPECT_EQ(loaded.LoadFromFile(path, false), 0);
}

// Runs `body` in a child process and returns how the child ended (waitpid's status).
int RunInChild(const std::function<void()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        ::_exit(99);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

QStringList ExtractedFiles() { return QDir(QDir::tempPath()).entryList({"~*"}, QDir::Files); }

TEST(TemporaryMedia, EndingBySignalOrExitRemovesExtractedMedia) {
    tLyrimoData rich;
    MakeRichSong(rich, QByteArray(5000, 'm'));
    const QString path = Scratch("signalled.lym");
    ASSERT_EQ(rich.SaveToFile(path), 0);
    ASSERT_TRUE(ExtractedFiles().isEmpty());
    auto loadAndEnd = [&](const std::function<void()>& end) {
        return [&path, end] {
            RemoveTempFilesOnSignals();
            auto* song = new tLyrimoData; // never freed: as when the program is killed
            if (song->LoadFromFile(path, true) != 0 || !song->HasTempMedia())
                ::_exit(98);
            end();
        };
    };
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        const int status = RunInChild(loadAndEnd([signal] { ::raise(signal); }));
        ASSERT_TRUE(WIFSIGNALED(status)) << "signal " << signal << " status " << status;
        EXPECT_EQ(WTERMSIG(status), signal);
        EXPECT_TRUE(ExtractedFiles().isEmpty()) << "signal " << signal;
    }
    // exit() from inside a library (as Qt does when the display goes) skips the destructors.
    const int status = RunInChild(loadAndEnd([] { std::exit(3); }));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_TRUE(ExtractedFiles().isEmpty());
    // Files that their owner removed are no longer noted.
    {
        tLyrimoData song;
        ASSERT_EQ(song.LoadFromFile(path, true), 0);
        EXPECT_EQ(TrackedTempFileCount(), 1);
    }
    EXPECT_EQ(TrackedTempFileCount(), 0);
}

TEST(TemporaryMedia, NamesFollowTheTimeStampAndNeverCollide) {
    const QString folder = test::ScratchFolder() + "/tmp";
    int fd1 = -1, fd2 = -1;
    const QString a = CreateTempMediaFile(folder, ".mp3", &fd1);
    const QString b = CreateTempMediaFile(folder, ".mp3", &fd2);
    ::close(fd1);
    ::close(fd2);
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFile::exists(a) && QFile::exists(b));
    EXPECT_TRUE(QFileInfo(a).fileName().contains(QRegularExpression("^~\\d{12}\\d+\\.mp3$")))
        << a.toStdString();

    EXPECT_EQ(StoredPathExtension("C:\\Music\\song.MP3"), ".MP3");
    EXPECT_EQ(StoredPathExtension("C:\\Music.dir\\song"), "");
    EXPECT_EQ(StoredPathExtension("/home/me/a.b/c.ogg"), ".ogg");
}

TEST(SongLoadingMessages, NewerVersionWarningAndErrorTexts) {
    tHeadlessServices services;
    services.printMessages = false;
    SetApp(&services);
    tLyrimoData song;
    ShowNewerVersionWarning(song);
    EXPECT_TRUE(services.shownMessages.isEmpty());
    ASSERT_EQ(song.LoadFromFile(SinglePartFile(321, 347, 1699).Save("newer.lym"), false), 0);
    ShowNewerVersionWarning(song);
    SetApp(nullptr);
    ASSERT_EQ(services.shownMessages.size(), 1);
    EXPECT_TRUE(services.shownMessages[0].startsWith(
        "Warning: This file was created with a newer version of Lyrimo, "));
    EXPECT_TRUE(services.shownMessages[0].endsWith("which can be downloaded from the Lyrimo website..."));

    EXPECT_EQ(ErrorText(-1), "Unknown Error (-1)");
    EXPECT_EQ(ErrorText(ENOENT), QString::fromLocal8Bit(std::strerror(ENOENT)));
}

namespace {

// A song whose stored sizes, counts and times are far beyond anything the editor writes.
void MakeHostileSizes(tLyrimoData& song) {
    tSongSettings& s = song.SongSettings;
    s.setPlayWidth(2000000000);
    s.setPlayHeight(65280);
    s.setSplitSize(INT32_MAX);
    s.setVerticalShift(-32768);
    s.setLegacyTextSpacing(255);
    s.setSlideShowStartOffset(INT32_MIN);
    tLyricsData& part = *song.GetPart(0);
    part.PartRecord.setStartOffset(INT32_MAX);
    part.PartExtras.setTextSpacing(255);
    tPictureRecord picture;
    song.Pictures.AddPicture(picture);
    tSlideRecord slide;
    slide.setShowTime(INT32_MIN);
    slide.setRemoveTime(INT32_MAX);
    song.Slides.AddSlide(slide);
}

} // namespace

TEST(SongFileReading, StoredSizesAndTimesNoRealSongHoldsAreBounded) {
    tLyrimoData song;
    MakeHostileSizes(song);
    const QString path = Scratch("hostile-sizes.lym");
    ASSERT_EQ(song.SaveToFile(path), 0);
    tLyrimoData loaded;
    ASSERT_EQ(loaded.LoadFromFile(path, false), 0);
    const tSongSettings& s = loaded.SongSettings;
    EXPECT_EQ(s.PlayWidth(), 16384);
    EXPECT_EQ(s.PlayHeight(), 16384);
    EXPECT_EQ(s.SplitSize(), 90);
    EXPECT_EQ(s.VerticalShift(), -4096);
    EXPECT_EQ(s.SlideShowStartOffset(), -360000000);
    const tLyricsData& part = *loaded.GetPart(0);
    EXPECT_EQ(part.PartRecord.StartOffset(), 360000000);
    EXPECT_EQ(part.PartExtras.TextSpacing(), 50);
    ASSERT_EQ(loaded.Slides.Count(), 1);
    EXPECT_EQ(loaded.Slides.GetSlide(0).ShowTime(), -360000000);
    EXPECT_EQ(loaded.Slides.GetSlide(0).RemoveTime(), 360000000);

    // The values real songs hold load as stored.
    tLyrimoData usual;
    usual.SongSettings.setPlayWidth(1920);
    usual.SongSettings.setPlayHeight(1080);
    usual.SongSettings.setSplitSize(90);
    usual.SongSettings.setVerticalShift(-4096);
    usual.GetPart(0)->PartExtras.setTextSpacing(15);
    usual.GetPart(0)->PartRecord.setStartOffset(-250);
    ASSERT_EQ(usual.SaveToFile(path), 0);
    ASSERT_EQ(loaded.LoadFromFile(path, false), 0);
    EXPECT_EQ(loaded.SongSettings.PlayWidth(), 1920);
    EXPECT_EQ(loaded.SongSettings.PlayHeight(), 1080);
    EXPECT_EQ(loaded.SongSettings.SplitSize(), 90);
    EXPECT_EQ(loaded.SongSettings.VerticalShift(), -4096);
    EXPECT_EQ(loaded.GetPart(0)->PartExtras.TextSpacing(), 15);
    EXPECT_EQ(loaded.GetPart(0)->PartRecord.StartOffset(), -250);
}

TEST(SongFileReading, AFifoOrDeviceNamedAsTheSongFailsAtOnce) {
    const QString fifo = Scratch("song-fifo.lym");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Nobody writes to the FIFO: opening it for reading would wait for a writer forever.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::alarm(10);
        tLyrimoData song;
        const int fifoResult = song.LoadFromFile(fifo, true);
        const int deviceResult = song.LoadFromFile("/dev/zero", true);
        tSongSettings settings;
        const bool quickRead = ReadSettingsRecord(fifo, settings);
        std::_Exit(fifoResult > 0 && deviceResult > 0 && !quickRead ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the load did not return";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
