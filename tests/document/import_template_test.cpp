// Import templates: the stored record byte by byte, the store, and stamping a template on songs.
#include "document/import_template.h"
#include "document/song.h"
#include "test_support.h"

#include <QFile>
#include <QSettings>

#include <gtest/gtest.h>

#include <memory>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class ImportTemplates : public ::testing::Test {
protected:
    void SetUp() override {
        store_ = std::make_unique<QSettings>(ScratchFolder() + "/templates.ini", QSettings::IniFormat);
        store_->clear();
    }
    QSettings& Store() { return *store_; }

    std::unique_ptr<QSettings> store_;
};

tFontRecord Font(const char* name, int32_t colour, uint8_t size, uint8_t style) {
    tFontRecord font;
    font.setname(name);
    font.setcolour(colour);
    font.setsize(size);
    font.setstyle(style);
    return font;
}

tLyricsData& AddPart(tLyrimoData& song, int lines) {
    auto part = std::make_unique<tLyricsData>();
    for (int i = 0; i < lines; ++i)
        part->AddLine()->SetWideText("line");
    return *song.GetPart(song.AddPart(std::move(part)));
}

// A song whose every templated field holds a value of its own.
void DressSong(tLyrimoData& song) {
    tSongSettings& s = song.SongSettings;
    s.setBackgroundColour(0x11223344);
    s.setTitleFont(Font("Title", 0x00ABCDEF, 30, kFontItalic));
    s.setTitleEffect(7);
    s.setTitleEffectSpeed(3);
    s.setPlayWidth(1920);
    s.setPlayHeight(1080);
    s.setSplitSize(-5);
    s.setBackgroundFileName("/pictures/back.jpg");
    s.setBackgroundTile(1);
    s.setBackgroundEnabled(1);
    s.setBackgroundTransparent(0);
    s.setMaintainBackgroundAspect(1);
    s.setLyricsAtBottom(1);
    s.setEmbedBackground(1);

    tLyricsData& main = *song.GetPart(0);
    main.PartExtras.setTextFormat(2);
    main.PartExtras.setFormattingColour(0x00C0FFEE);
    main.PartExtras.setTextSpacing(9);
    main.PartExtras.setLyricsPosition(4);
    main.PartExtras.setTextMode(4);
    main.PartExtras.setBallStyle(1);
    main.PartRecord.setLyricsFont(Font("Lyrics", 0x00FF00, 24, kFontBold));
    main.PartRecord.setBallNumber(5);
    main.PartRecord.setBallNumberHigh(6);
    main.PartRecord.setBallSpinForward(1);
    main.PartRecord.setBallNoBounce(1);
    main.PartRecord.setBallNoAnimation(1);
    tLineRecord& line = main.AddLine()->LineRecord;
    line.setNormalColour(0x010203);
    line.setHighlightColour(0x040506);
    line.setHighlightBackground(0x070809);

    tAnimationPictureRecord& ball = main.Slots[kBallSlot].Record;
    ball.setEnabled(1);
    ball.setFileName("ball.gif");
    ball.setFrameCount(12);
    ball.setTransparentColour(0x00FF00FF);
    ball.setEmbedded(1);
    tAnimationPictureRecord& animation = main.Slots[kAnimationSlot].Record;
    animation.setEnabled(1);
    animation.setFileName("dance.gif");
    animation.setFrameCount(20);
    animation.setTransparentColour(0x00123456);
    animation.setPlacement(2);
    animation.setEmbedded(1);
}

uint32_t U32At(const QByteArray& bytes, int offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<uint8_t>(bytes[offset + i]);
    return v;
}

QByteArray StringAt(const QByteArray& bytes, int offset) {
    return bytes.mid(offset + 1, static_cast<uint8_t>(bytes[offset]));
}

TEST_F(ImportTemplates, TheStoredRecordHoldsEachFieldAtItsOffset) {
    tLyrimoData song;
    DressSong(song);
    ASSERT_TRUE(SaveTemplate(Store(), "Dressed", song));
    const QByteArray v = Store().value("Templates/Dressed").toByteArray();
    ASSERT_EQ(v.size(), 914);

    EXPECT_EQ(U32At(v, 0), 0x11223344u);
    EXPECT_EQ(StringAt(v, 4), "Title");
    EXPECT_EQ(U32At(v, 4 + 32), 0x00ABCDEFu);
    EXPECT_EQ(v[4 + 36], 30);
    EXPECT_EQ(v[4 + 37], kFontItalic);
    EXPECT_EQ(v[42], 7);
    EXPECT_EQ(v[43], 3);
    EXPECT_EQ(U32At(v, 44), 1920u);
    EXPECT_EQ(U32At(v, 48), 1080u);
    EXPECT_EQ(U32At(v, 52), uint32_t(-5));
    EXPECT_EQ(StringAt(v, 56), "/pictures/back.jpg");
    EXPECT_EQ(v.mid(312, 5), QByteArray("\x01\x01\x00\x01\x01", 5));
    EXPECT_EQ(v[317], 2);
    EXPECT_EQ(U32At(v, 318), 0x00C0FFEEu);
    EXPECT_EQ(v[322], 9);
    EXPECT_EQ(v[323], 9); // highlight words with ball style 1, as an effect code
    EXPECT_EQ(StringAt(v, 324), "Lyrics");
    EXPECT_EQ(U32At(v, 324 + 32), 0x00FF00u);
    EXPECT_EQ(v.mid(362, 5), QByteArray("\x05\x06\x01\x01\x01", 5));
    EXPECT_EQ(U32At(v, 367), 0x010203u);
    EXPECT_EQ(U32At(v, 371), 0x040506u);
    EXPECT_EQ(U32At(v, 375), 0x070809u);
    EXPECT_EQ(v[379], 1);
    EXPECT_EQ(StringAt(v, 380), "ball.gif");
    EXPECT_EQ(v[636], 12);
    EXPECT_EQ(U32At(v, 637), 0x00FF00FFu);
    EXPECT_EQ(v[641], 1);
    EXPECT_EQ(StringAt(v, 642), "dance.gif");
    EXPECT_EQ(v[898], 20);
    EXPECT_EQ(U32At(v, 899), 0x00123456u);
    EXPECT_EQ(v[903], 2);
    EXPECT_EQ(v.mid(904, 4), QByteArray("\x01\x01\x01\x04", 4));
    EXPECT_EQ(v.mid(908), QByteArray(6, '\0'));
    // Bytes past a string's text stay zero, so equal songs store equal values.
    EXPECT_EQ(v.mid(56 + 1 + 18, 255 - 18), QByteArray(255 - 18, '\0'));
}

TEST_F(ImportTemplates, LineColoursStayZeroWithoutALine) {
    tLyrimoData song;
    ASSERT_TRUE(SaveTemplate(Store(), "Empty", song));
    const QByteArray v = Store().value("Templates/Empty").toByteArray();
    EXPECT_EQ(v.mid(367, 12), QByteArray(12, '\0'));
    EXPECT_EQ(StringAt(v, 324), "Arial");
}

TEST_F(ImportTemplates, BinaryValuesSurviveTheIniFile) {
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    Store().setValue("Templates/Every Byte", every);
    Store().sync();
    ASSERT_EQ(Store().status(), QSettings::NoError);
    QSettings reread(Store().fileName(), QSettings::IniFormat);
    EXPECT_EQ(reread.value("Templates/Every Byte").toByteArray(), every);
    EXPECT_EQ(TemplateValue(reread, "Every Byte"), every);
}

TEST_F(ImportTemplates, NamesAreListedSortedAfterTheDefaultAndKeepTheirSlashes) {
    tLyrimoData song;
    for (const char* name : {"Rock/Pop", "Ballads", "100% Party", "C:\\old"})
        ASSERT_TRUE(SaveTemplate(Store(), name, song)) << name;
    EXPECT_FALSE(SaveTemplate(Store(), kDefaultTemplateName, song));
    EXPECT_FALSE(SaveTemplate(Store(), "", song));

    QSettings reread(Store().fileName(), QSettings::IniFormat);
    EXPECT_EQ(ListTemplates(reread, true),
              QStringList({kDefaultTemplateName, "100% Party", "Ballads", "C:\\old", "Rock/Pop"}));
    EXPECT_EQ(ListTemplates(reread, false).size(), 4);
    EXPECT_TRUE(TemplateExists(reread, "Rock/Pop"));
    EXPECT_FALSE(TemplateExists(reread, "Rock"));

    DeleteTemplate(reread, "Rock/Pop");
    DeleteTemplate(reread, "never saved");
    EXPECT_EQ(ListTemplates(reread, false), QStringList({"100% Party", "Ballads", "C:\\old"}));
}

TEST_F(ImportTemplates, TheDefaultAndMissingOrEmptyValuesChangeNothing) {
    tLyrimoData song;
    DressSong(song);
    const tSongSettings before = song.SongSettings;
    const tPartRecord partBefore = song.GetPart(0)->PartRecord;
    Store().setValue("Templates/One Byte", QByteArray(1, '\x07'));
    for (const QString& name : {kDefaultTemplateName, QString("missing"), QString("One Byte")}) {
        EXPECT_FALSE(ApplyTemplate(Store(), name, song)) << name.toStdString();
        EXPECT_TRUE(song.SongSettings == before);
        EXPECT_TRUE(song.GetPart(0)->PartRecord == partBefore);
    }
}

TEST_F(ImportTemplates, AppliesToEveryPartAndLine) {
    tLyrimoData source;
    DressSong(source);
    ASSERT_TRUE(SaveTemplate(Store(), "Dressed", source));

    tLyrimoData target;
    target.GetPart(0)->AddLine()->SetWideText("first");
    AddPart(target, 2);
    AddPart(target, 3);
    ASSERT_TRUE(ApplyTemplate(Store(), "Dressed", target));

    const tSongSettings& s = target.SongSettings;
    EXPECT_EQ(s.BackgroundColour(), 0x11223344);
    EXPECT_EQ(s.TitleFont().name(), "Title");
    EXPECT_EQ(s.PlayWidth(), 1920);
    EXPECT_EQ(s.SplitSize(), -5);
    EXPECT_EQ(s.LyricsAtBottom(), 1);
    EXPECT_EQ(s.LegacyTextFormat(), 2);
    EXPECT_EQ(s.LegacyFormattingColour(), 0x00C0FFEE);
    EXPECT_EQ(s.LegacyTextSpacing(), 9);
    EXPECT_EQ(s.EmbedBackground(), 1);
    for (int p = 0; p < 3; ++p) {
        const tLyricsData& part = *target.GetPart(p);
        SCOPED_TRACE(p);
        EXPECT_EQ(part.PartRecord.LyricsFont().name(), "Lyrics");
        EXPECT_EQ(part.PartRecord.BallNumber(), 5);
        EXPECT_EQ(part.PartRecord.BallNoAnimation(), 1);
        EXPECT_EQ(part.PartExtras.TextMode(), 4);
        EXPECT_EQ(part.PartExtras.BallStyle(), 1);
        EXPECT_EQ(part.PartExtras.LyricsPosition(), 4);
        EXPECT_EQ(part.PartExtras.TextSpacing(), 9);
        EXPECT_EQ(part.Slots[kAnimationSlot].Record.Placement(), 2);
        EXPECT_EQ(part.Slots[kBallSlot].Record.FrameCount(), 12);
        for (int l = 0; l < part.LineCount(); ++l) {
            const tLineRecord& line = part.GetLine(l)->LineRecord;
            EXPECT_EQ(line.NormalColour(), 0x010203);
            EXPECT_EQ(line.HighlightColour(), 0x040506);
            EXPECT_EQ(line.HighlightBackground(), 0x070809);
            EXPECT_EQ(line.FormatColour(), 0x00C0FFEE);
            EXPECT_EQ(line.HighlightFormatColour(), 0x00C0FFEE);
        }
    }
}

// Text mode, ball style and underline travel in the effect code alone, which cannot say
// every combination.
TEST_F(ImportTemplates, TextModesTheEffectCodeCannotHoldBecomeStatic) {
    struct tCase {
        int textMode, ballStyle, underline;
        int appliedTextMode, appliedBallStyle;
    };
    for (const tCase& c :
         {tCase{3, 1, 0, 0, 1}, tCase{5, 0, 0, 0, 2}, tCase{0, 0, 0, 0, 2}, tCase{4, 1, 0, 4, 1}}) {
        SCOPED_TRACE(c.textMode);
        tLyrimoData source;
        source.GetPart(0)->PartExtras.setTextMode(uint8_t(c.textMode));
        source.GetPart(0)->PartExtras.setBallStyle(uint8_t(c.ballStyle));
        source.GetPart(0)->PartExtras.setUnderline(uint8_t(c.underline));
        ASSERT_TRUE(SaveTemplate(Store(), "Mode", source));
        tLyrimoData target;
        AddPart(target, 1);
        ASSERT_TRUE(ApplyTemplate(Store(), "Mode", target));
        for (int p = 0; p < target.PartCount(); ++p) {
            EXPECT_EQ(target.GetPart(p)->PartExtras.TextMode(), c.appliedTextMode);
            EXPECT_EQ(target.GetPart(p)->PartExtras.BallStyle(), c.appliedBallStyle);
        }
    }
}

TEST_F(ImportTemplates, PicturesComeFromTheirFilesWhileTheFilesExist) {
    const QString background = ScratchFolder() + "/template-back.png";
    const QString ball = ScratchFolder() + "/template-ball.gif";
    ASSERT_TRUE(WriteFile(background, "background bytes"));
    ASSERT_TRUE(WriteFile(ball, "ball bytes"));
    tLyrimoData source;
    source.SongSettings.setBackgroundFileName(QFile::encodeName(background));
    source.GetPart(0)->Slots[kBallSlot].Record.setFileName(QFile::encodeName(ball));
    source.GetPart(0)->Slots[kAnimationSlot].Record.setFileName("/no/such/animation.gif");
    ASSERT_TRUE(SaveTemplate(Store(), "Pictures", source));

    tLyrimoData target;
    AddPart(target, 0);
    target.SongSettings.setBackgroundFileName("own-back.jpg");
    target.GetPart(1)->Slots[kAnimationSlot].Record.setFileName("own-dance.gif");
    target.GetPart(1)->Slots[kAnimationSlot].Bytes = "own animation";
    ASSERT_TRUE(ApplyTemplate(Store(), "Pictures", target));
    EXPECT_EQ(target.SongSettings.BackgroundFileName(), QFile::encodeName(background));
    EXPECT_EQ(target.BackgroundStream, "background bytes");
    for (int p = 0; p < 2; ++p) {
        EXPECT_EQ(target.GetPart(p)->Slots[kBallSlot].Record.FileName(), QFile::encodeName(ball));
        EXPECT_EQ(target.GetPart(p)->Slots[kBallSlot].Bytes, "ball bytes");
    }
    EXPECT_EQ(target.GetPart(1)->Slots[kAnimationSlot].Record.FileName(), "own-dance.gif");
    EXPECT_EQ(target.GetPart(1)->Slots[kAnimationSlot].Bytes, "own animation");

    // Once the background is deleted, the song keeps its own.
    ASSERT_TRUE(QFile::remove(background));
    tLyrimoData later;
    later.SongSettings.setBackgroundFileName("own-back.jpg");
    ASSERT_TRUE(ApplyTemplate(Store(), "Pictures", later));
    EXPECT_EQ(later.SongSettings.BackgroundFileName(), "own-back.jpg");
    EXPECT_TRUE(later.BackgroundStream.isEmpty());
}

TEST_F(ImportTemplates, AShortValueAppliesWithZerosForWhatItLacks) {
    tLyrimoData source;
    DressSong(source);
    const QByteArray whole = TemplateFromSong(source).toByteArray();
    Store().setValue("Templates/Short", whole.left(324)); // ends before the lyrics font
    tLyrimoData target;
    target.GetPart(0)->AddLine();
    ASSERT_TRUE(ApplyTemplate(Store(), "Short", target));
    EXPECT_EQ(target.SongSettings.BackgroundColour(), 0x11223344);
    EXPECT_EQ(target.GetPart(0)->PartExtras.TextSpacing(), 9);
    EXPECT_EQ(target.GetPart(0)->PartExtras.TextMode(), 4);
    EXPECT_TRUE(target.GetPart(0)->PartRecord.LyricsFont().name().isEmpty());
    EXPECT_EQ(target.GetPart(0)->PartRecord.LyricsFont().size(), 0);
    EXPECT_EQ(target.GetPart(0)->PartRecord.BallNumber(), 0);
    EXPECT_EQ(target.GetPart(0)->GetLine(0)->LineRecord.NormalColour(), 0);
}

} // namespace
