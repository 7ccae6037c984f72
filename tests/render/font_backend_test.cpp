#include "render/font_backend.h"
#include "render/text_order.h"

#include "document/song_records.h"

#include <gtest/gtest.h>

#include <numeric>
#include <set>

namespace lyrimo {
namespace {

constexpr tColour kWhite = 0xFFFFFF, kRed = 0x0000FF;

int Sum(const std::vector<int32_t>& advances) { return std::accumulate(advances.begin(), advances.end(), 0); }

QString Display(const QString& text, bool rightToLeft) {
    QString display;
    for (int i : DisplayOrder(text, ResolveLevels(text, rightToLeft)))
        display += text[i];
    return display;
}

TEST(TextOrder, RightToLeftRunsAreReversedForDisplay) {
    EXPECT_EQ(Display("abc def", false), "abc def");
    EXPECT_EQ(Display("abc def", true), "abc def"); // left-to-right words stay in order
    EXPECT_EQ(Display(QStringLiteral("אב גד"), false), QStringLiteral("דג בא"));
    EXPECT_EQ(Display(QStringLiteral("ab אב"), true), QStringLiteral("בא ab"));
    EXPECT_EQ(Display(QStringLiteral("ab אב"), false), QStringLiteral("ab בא"));
    // Numbers inside right-to-left text keep their own order.
    EXPECT_EQ(Display(QStringLiteral("אב 12"), true), QStringLiteral("12 בא"));
    EXPECT_EQ(Display(QStringLiteral("אב 1.5"), false), QStringLiteral("1.5 בא"));
    EXPECT_EQ(Display(QStringLiteral("אב 1.5 גד"), true), QStringLiteral("דג 1.5 בא"));
    // A surrogate pair stays high unit first even inside a reversed run.
    const QString face = QString::fromUcs4(U"\U0001F600", 1);
    EXPECT_EQ(Display(QStringLiteral("א") + face + QStringLiteral("ב"), true),
              QStringLiteral("ב") + face + QStringLiteral("א"));
}

TEST(FontBackend, FacesResolveThroughFontconfig) {
    tFont arial("Arial", 28);
    EXPECT_EQ(arial.FamilyName(), "Liberation Sans");
    EXPECT_TRUE(tFont("Times New Roman", 12).FamilyName() == "Liberation Serif");
    EXPECT_TRUE(tFont("Arial", 28, kFontBold).FilePath().endsWith("LiberationSans-Bold.ttf"));
    EXPECT_TRUE(
        tFont("Arial", 28, kFontBold | kFontItalic).FilePath().endsWith("LiberationSans-BoldItalic.ttf"));
    // Cyrillic is in Liberation Sans; Hebrew is not, so the Hebrew character set picks a face that has it.
    EXPECT_EQ(tFont("Arial", 28, 0, 204).FamilyName(), "Liberation Sans");
    tFont hebrew("Arial", 28, 0, 177);
    EXPECT_NE(hebrew.FamilyName(), "Liberation Sans");
    std::vector<uint16_t> glyphs;
    std::vector<int32_t> advances;
    EXPECT_TRUE(
        hebrew.Shape(QStringLiteral("שלום"), false, hebrew.LanguageFlags(), kMaxGlyphs, glyphs, advances));
    EXPECT_FALSE(
        arial.Shape(QStringLiteral("שלום"), false, arial.LanguageFlags(), kMaxGlyphs, glyphs, advances));
    EXPECT_TRUE(glyphs.empty());
}

TEST(FontBackend, PointSizesAtNinetySixDotsPerInch) {
    EXPECT_EQ(PointsToPixels(28), 37);
    EXPECT_EQ(PointsToPixels(9), 12);
    tFont font("Arial", 28);
    EXPECT_EQ(font.PixelSize(), 37);
    EXPECT_GT(font.Height(), font.Ascent());
    font.SetSize(0);
    EXPECT_EQ(font.PixelSize(), 1);
}

TEST(FontBackend, ShapingAppliesKerningOnlyWhenTheFlagsAskForIt) {
    tFont font("Arial", 28);
    ASSERT_TRUE(font.LanguageFlags() & fontflags::UseKerning);
    std::vector<uint16_t> glyphs;
    std::vector<int32_t> kerned, plain;
    ASSERT_TRUE(font.Shape("AVAVAV", false, font.LanguageFlags(), kMaxGlyphs, glyphs, kerned));
    ASSERT_TRUE(font.Shape("AVAVAV", false, 0, kMaxGlyphs, glyphs, plain));
    int characters = 0;
    for (QChar c : QString("AVAVAV"))
        characters += font.CharacterAdvance(c.unicode());
    EXPECT_EQ(Sum(plain), characters);
    EXPECT_LT(Sum(kerned), Sum(plain));
    EXPECT_EQ(font.TextWidth("AVAVAV"), Sum(kerned));
}

TEST(FontBackend, ShapingFailsBeyondTheGlyphLimit) {
    tFont font("Arial", 12);
    std::vector<uint16_t> glyphs;
    std::vector<int32_t> advances;
    EXPECT_TRUE(font.Shape(QString(300, 'a'), false, font.LanguageFlags(), kMaxGlyphs, glyphs, advances));
    EXPECT_EQ(glyphs.size(), 300u);
    EXPECT_FALSE(font.Shape(QString(301, 'a'), false, font.LanguageFlags(), kMaxGlyphs, glyphs, advances));
    EXPECT_FALSE(font.Shape("", false, font.LanguageFlags(), kMaxGlyphs, glyphs, advances));
}

TEST(FontBackend, RightToLeftGlyphsComeInDisplayOrder) {
    tFont font("Arial", 28, 0, 177);
    std::vector<uint16_t> alef, gimel, word, latin, latinRtl;
    std::vector<int32_t> advances;
    ASSERT_TRUE(font.Shape(QStringLiteral("א"), true, font.LanguageFlags(), kMaxGlyphs, alef, advances));
    ASSERT_TRUE(font.Shape(QStringLiteral("ג"), true, font.LanguageFlags(), kMaxGlyphs, gimel, advances));
    ASSERT_TRUE(font.Shape(QStringLiteral("אבג"), true, font.LanguageFlags(), kMaxGlyphs, word, advances));
    ASSERT_EQ(word.size(), 3u);
    EXPECT_EQ(word.front(), gimel[0]); // the last letter is leftmost
    EXPECT_EQ(word.back(), alef[0]);
    ASSERT_TRUE(font.Shape("abc", false, font.LanguageFlags(), kMaxGlyphs, latin, advances));
    ASSERT_TRUE(font.Shape("abc", true, font.LanguageFlags(), kMaxGlyphs, latinRtl, advances));
    EXPECT_EQ(latin, latinRtl);
}

TEST(FontBackend, CharacterLayoutMirrorsAndFallsBack) {
    tFont font("Arial", 28);
    QString display;
    std::vector<int32_t> advances;
    font.LayoutCharacters(QStringLiteral("(אב) x"), true, display, advances);
    EXPECT_EQ(display, QStringLiteral("x (בא)")); // brackets mirrored inside the right-to-left run
    ASSERT_EQ(advances.size(), 6u);
    EXPECT_EQ(advances[0], font.CharacterAdvance('x'));
    // Hebrew is not in Liberation Sans; its advances come from a face that has it.
    EXPECT_GT(advances[4], 0);
    EXPECT_NE(advances[4], font.CharacterAdvance(0xFFFF));

    QString pair = QString::fromUcs4(U"a\U0001D400b", 3); // a mathematical bold A between letters
    font.LayoutCharacters(pair, false, display, advances);
    EXPECT_EQ(display, pair);
    ASSERT_EQ(advances.size(), 4u);
    EXPECT_EQ(advances[2], 0); // the low surrogate has no width of its own
    EXPECT_EQ(font.CharacterAdvance('\t'), font.CharacterAdvance(' '));
}

// The distinct colours of a bitmap.
std::set<tColour> Colours(const Bitmap& b) {
    std::set<tColour> colours;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x)
            colours.insert(b.Pixel(x, y));
    }
    return colours;
}

TEST(FontBackend, MonoTextHasNoInBetweenColours) {
    tFont font("Arial", 20);
    font.SetColour(kWhite);
    font.SetAntiAliased(false);
    for (tPixelFormat format : {tPixelFormat::Bits16, tPixelFormat::Bits32}) {
        Bitmap b(200, 40, format);
        b.Fill(kRed);
        int width = DrawText(b, font, 2, 2, "Sing along!");
        EXPECT_EQ(width, font.TextWidth("Sing along!"));
        EXPECT_EQ(Colours(b), (std::set<tColour>{kRed, kWhite}));
    }
    font.SetAntiAliased(true);
    Bitmap smooth(200, 40, tPixelFormat::Bits32);
    DrawText(smooth, font, 2, 2, "Sing along!");
    EXPECT_GT(Colours(smooth).size(), 4u);
}

TEST(FontBackend, DrawingUsesTheGivenAdvancesAndClip) {
    tFont font("Arial", 20);
    font.SetColour(kWhite);
    font.SetAntiAliased(false);
    std::vector<uint16_t> glyphs;
    std::vector<int32_t> advances;
    ASSERT_TRUE(font.Shape("II", false, font.LanguageFlags(), kMaxGlyphs, glyphs, advances));
    auto inkColumns = [](const Bitmap& b) {
        std::set<int> columns;
        for (int y = 0; y < b.Height(); ++y) {
            for (int x = 0; x < b.Width(); ++x) {
                if (b.Pixel(x, y) != 0)
                    columns.insert(x);
            }
        }
        return columns;
    };
    Bitmap close(120, 40, tPixelFormat::Bits24), apart(120, 40, tPixelFormat::Bits24);
    const int32_t wide[] = {60, 0};
    DrawGlyphRun(close, font, 10, 0, glyphs.data(), advances.data(), 2, nullptr);
    DrawGlyphRun(apart, font, 10, 0, glyphs.data(), wide, 2, nullptr);
    std::set<int> a = inkColumns(close), b = inkColumns(apart);
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(*b.rbegin() - *a.rbegin(), 60 - advances[0]);

    Bitmap clipped(120, 40, tPixelFormat::Bits24);
    tMyRect clip{0, 0, 40, 40};
    DrawGlyphRun(clipped, font, 10, 0, glyphs.data(), wide, 2, &clip);
    std::set<int> c = inkColumns(clipped);
    ASSERT_FALSE(c.empty());
    EXPECT_LT(*c.rbegin(), 40);
    EXPECT_EQ(*c.begin(), *b.begin());

    // Drawing far outside the bitmap, or with extreme positions, draws nothing.
    Bitmap untouched(20, 20, tPixelFormat::Bits24);
    DrawGlyphRun(untouched, font, INT32_MAX - 10, INT32_MIN + 5, glyphs.data(), wide, 2, nullptr);
    DrawText(untouched, font, -1000, 0, "II");
    EXPECT_EQ(Colours(untouched), (std::set<tColour>{0}));
}

} // namespace
} // namespace lyrimo
