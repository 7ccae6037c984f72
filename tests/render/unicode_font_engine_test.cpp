#include "render/unicode_font_engine.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

namespace lyrimo {
namespace {

// A monospaced face, so that widths are whole numbers of one advance.
class EngineTest : public ::testing::Test {
protected:
    EngineTest() {
        canvas.Font = tFont("DejaVu Sans Mono", 20);
        w = canvas.Font.CharacterAdvance('a');
    }

    tUnicodeFontEngine Measured(const QString& text, bool rightToLeft = false, bool shapingDisabled = false,
                                char16_t extra = 0) {
        tUnicodeFontEngine engine;
        engine.Setup(&canvas, rightToLeft, shapingDisabled, extra);
        engine.SetText(text);
        return engine;
    }

    tWordwrappedUnicodeFontEngine Wrapped(const QString& text, int maxWidth, bool balanced,
                                          bool rightToLeft = false, char16_t extra = 0) {
        tWordwrappedUnicodeFontEngine wrapper;
        wrapper.Setup(&canvas, rightToLeft, false, extra);
        wrapper.SetText(text, maxWidth, balanced);
        return wrapper;
    }

    static QString RowTexts(const tWordwrappedUnicodeFontEngine& wrapper) {
        QStringList rows;
        for (int i = 0; i < wrapper.RowCount(); ++i)
            rows << wrapper.Row(i).Text;
        return rows.join('|');
    }

    tCanvas canvas;
    int w = 0;
};

TEST_F(EngineTest, EmptyTextHasNoGlyphsAndNoRows) {
    tUnicodeFontEngine engine = Measured("");
    EXPECT_EQ(engine.GlyphCount(), 0);
    EXPECT_EQ(engine.RangeWidth(1, -1), 0);
    for (bool balanced : {false, true}) {
        tWordwrappedUnicodeFontEngine wrapper = Wrapped("", 100, balanced);
        EXPECT_EQ(wrapper.RowCount(), 0);
        EXPECT_EQ(&wrapper.Row(0), &wrapper.Whole());
    }
}

TEST_F(EngineTest, ShapedAndCharacterModesMeasureAndBreakDifferently) {
    ASSERT_GT(w, 0);
    const QString text = QStringLiteral("ab c\u2003d"); // an em space: white space, but not the space glyph
    tUnicodeFontEngine shaped = Measured(text);
    EXPECT_TRUE(shaped.GlyphMode);
    EXPECT_EQ(shaped.GlyphCount(), 6);
    EXPECT_TRUE(shaped.IsBreakAt(3, false, false));
    EXPECT_FALSE(shaped.IsBreakAt(5, false, false));

    tUnicodeFontEngine characters = Measured(text, false, true);
    EXPECT_FALSE(characters.GlyphMode);
    EXPECT_EQ(characters.GlyphCount(), 6);
    EXPECT_EQ(characters.Text, text);
    EXPECT_EQ(characters.RangeWidth(1, 4), 4 * w);
    EXPECT_TRUE(characters.IsBreakAt(3, false, false));
    EXPECT_TRUE(characters.IsBreakAt(5, false, false));
    EXPECT_TRUE(characters.IsBreakAt(0, false, false)); // the ends of the text count as breaks
    EXPECT_TRUE(characters.IsBreakAt(7, false, false));
}

TEST_F(EngineTest, SwitchingShapingOnKeepsSpacesAsBreaks) {
    tUnicodeFontEngine engine;
    engine.Setup(&canvas, false, true, 0);
    engine.Setup(&canvas, false, false, 0);
    engine.SetText("ab cd");
    ASSERT_TRUE(engine.GlyphMode);
    EXPECT_TRUE(engine.IsBreakAt(3, false, false));
    EXPECT_FALSE(engine.IsBreakAt(2, false, true));
}

TEST_F(EngineTest, RangesAreNormalisedAndMirroredForRightToLeft) {
    tUnicodeFontEngine engine = Measured("abcde");
    for (int i = 1; i <= 5; ++i)
        engine.Advances[i] = i;
    EXPECT_EQ(engine.RangeWidth(1, 2), 1 + 2);
    EXPECT_EQ(engine.RangeWidth(-4, 2), 1 + 2);
    EXPECT_EQ(engine.RangeWidth(4, 10), 4 + 5);
    EXPECT_EQ(engine.RangeWidth(2, -1), 2 + 3 + 4 + 5);
    EXPECT_EQ(engine.RangeWidth(1, INT_MIN), 15);
    EXPECT_EQ(engine.RangeWidth(6, 1), 0);
    EXPECT_EQ(engine.RangeWidth(3, 0), 0);
    EXPECT_EQ(engine.RangeWidth(INT_MAX, INT_MAX), 0);

    engine.RightToLeft = true; // the first k glyphs are the k at the far end of the arrays
    EXPECT_EQ(engine.RangeWidth(1, 2), 5 + 4);
    EXPECT_EQ(engine.RangeWidth(2, 1), 4);
    EXPECT_EQ(engine.RangeWidth(5, 1), 1);
    EXPECT_EQ(engine.RangeWidth(4, 10), 2 + 1);
    EXPECT_EQ(engine.RangeWidth(1, -1), 15);
    EXPECT_EQ(engine.RangeWidth(INT_MAX, INT_MAX), 0);

    tUnicodeFontEngine spaced = Measured("a bcd");
    spaced.RightToLeft = true;
    EXPECT_TRUE(spaced.IsBreakAt(4, true, false)); // mirrored: array entry 2
    EXPECT_FALSE(spaced.IsBreakAt(2, true, false));
    EXPECT_TRUE(spaced.IsBreakAt(2, false, false));
}

TEST_F(EngineTest, CopyRangeTrimsBreaksInTheRowAndTheSource) {
    tUnicodeFontEngine whole = Measured("ab  cd");
    tUnicodeFontEngine row;
    tUnicodeFontEngine::CopyRange(row, whole, 1, true, 4);
    EXPECT_EQ(row.GlyphCount(), 4);
    EXPECT_EQ(row.Text, "ab  ");
    EXPECT_EQ(row.RangeWidth(1, -1), 2 * w);
    EXPECT_EQ(whole.Advances[3], 0);
    EXPECT_EQ(whole.Advances[4], 0);
    EXPECT_EQ(whole.Advances[5], w);
    EXPECT_EQ(row.GlyphIds[2], whole.GlyphIds[2]);
    EXPECT_EQ(row.Canvas, &canvas);
    EXPECT_EQ(row.SpaceGlyph, whole.SpaceGlyph);

    tUnicodeFontEngine untrimmed = Measured("  x ");
    tUnicodeFontEngine copy;
    tUnicodeFontEngine::CopyRange(copy, untrimmed, 1, false, -1);
    EXPECT_EQ(copy.RangeWidth(1, -1), 4 * w);
    tUnicodeFontEngine::CopyRange(copy, untrimmed, 1, true, -1);
    EXPECT_EQ(copy.RangeWidth(1, -1), w);
    EXPECT_EQ(untrimmed.RangeWidth(1, -1), w);

    tUnicodeFontEngine allBlank = Measured("   ");
    tUnicodeFontEngine::CopyRange(copy, allBlank, 2, true, 1); // trimming stays inside the range
    EXPECT_EQ(allBlank.RangeWidth(1, -1), 2 * w);
    tUnicodeFontEngine::CopyRange(copy, allBlank, 9, true, 3);
    EXPECT_EQ(copy.GlyphCount(), 0);
}

TEST_F(EngineTest, FindBreakKeepsTheBreakOnTheUpperRowOrCutsHard) {
    tUnicodeFontEngine words = Measured("ab cd ef");
    EXPECT_EQ(words.FindBreak(1, 8, 6 * w), 6);     // ends at the space after "cd"
    EXPECT_EQ(words.FindBreak(1, 8, 5 * w), 5);     // "ab cd" fits exactly: a break follows
    EXPECT_EQ(words.FindBreak(1, 8, 100 * w), 8);   // everything fits
    EXPECT_EQ(words.FindBreak(4, 8, 4 * w + 3), 6); // from the middle of the text

    tUnicodeFontEngine word = Measured("abcdefghij");
    EXPECT_EQ(word.FindBreak(1, 10, 3 * w + w / 2), 3);
    EXPECT_EQ(word.FindBreak(4, 10, 1), 4); // at least one glyph per row
}

TEST_F(EngineTest, GreedyRowsConcatenateToTheWholeLine) {
    const QString text = "Twinkle twinkle little star, how I wonder what you are";
    tWordwrappedUnicodeFontEngine wrapper = Wrapped(text, 12 * w, false);
    EXPECT_EQ(RowTexts(wrapper), "Twinkle |twinkle |little star,| how I |wonder what |you are");
    int total = 0, glyphs = 0;
    for (int i = 0; i < wrapper.RowCount(); ++i) {
        EXPECT_LE(wrapper.Row(i).RangeWidth(1, -1), 12 * w);
        total += wrapper.Row(i).RangeWidth(1, -1);
        glyphs += wrapper.Row(i).GlyphCount();
    }
    // The break glyphs at row ends lost their width in the whole line as well.
    EXPECT_EQ(total, wrapper.Whole().RangeWidth(1, -1));
    EXPECT_EQ(total, (int(text.size()) - 5) * w);
    EXPECT_EQ(glyphs, wrapper.Whole().GlyphCount());
}

TEST_F(EngineTest, ExtraWordCharacterBreaksLikeASpace) {
    tWordwrappedUnicodeFontEngine plain = Wrapped("ab/cd/ef", 4 * w, false);
    EXPECT_EQ(RowTexts(plain), "ab/c|d/ef");
    tWordwrappedUnicodeFontEngine extra = Wrapped("ab/cd/ef", 4 * w, false, false, u'/');
    EXPECT_EQ(RowTexts(extra), "ab/|cd/|ef");
    EXPECT_EQ(extra.Row(0).RangeWidth(1, -1), 2 * w);
    EXPECT_EQ(extra.Whole().Advances[3], 0);
    EXPECT_EQ(extra.Whole().Advances[6], 0);

    // A separator whose glyph id does not fit in a byte breaks all the same.
    tWordwrappedUnicodeFontEngine cyrillic = Wrapped(QStringLiteral("abжcdжef"), 4 * w, false, false, u'ж');
    ASSERT_GE(cyrillic.Whole().ExtraGlyph, 256);
    EXPECT_EQ(RowTexts(cyrillic), QStringLiteral("abж|cdж|ef"));
}

TEST_F(EngineTest, BalancedWrapAvoidsAShortLastRow) {
    const QString text = "aaaaaaa bbbbbbb cc";
    tWordwrappedUnicodeFontEngine greedy = Wrapped(text, 16 * w, false);
    EXPECT_EQ(RowTexts(greedy), "aaaaaaa bbbbbbb |cc");
    tWordwrappedUnicodeFontEngine balanced = Wrapped(text, 16 * w, true);
    EXPECT_EQ(RowTexts(balanced), "aaaaaaa |bbbbbbb cc");
    // The chosen attempt's trimmed widths are the whole line's.
    EXPECT_EQ(balanced.Whole().Advances[8], 0);
    EXPECT_EQ(balanced.Whole().Advances[16], w);
    EXPECT_EQ(balanced.Whole().RangeWidth(1, -1), 17 * w);

    // Halving here would need three rows; greedy wrapping's two stand.
    tWordwrappedUnicodeFontEngine kept = Wrapped("aaaa bbbb cccc d", 15 * w, true);
    EXPECT_EQ(RowTexts(kept), "aaaa bbbb cccc |d");
    EXPECT_EQ(kept.Whole().Advances[10], w);
}

TEST_F(EngineTest, BalancedWrapNeverUsesMoreRowsThanGreedy) {
    uint32_t seed = 12345;
    auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % uint32_t(range));
    };
    for (int trial = 0; trial < 150; ++trial) {
        QString text;
        for (int word = 0, count = 1 + next(12); word < count; ++word) {
            if (word)
                text += ' ';
            text += QString(1 + next(9), QChar('a' + next(26)));
        }
        const int maxWidth = (4 + next(30)) * w + next(w);
        tWordwrappedUnicodeFontEngine greedy = Wrapped(text, maxWidth, false);
        tWordwrappedUnicodeFontEngine balanced = Wrapped(text, maxWidth, true);
        ASSERT_LE(balanced.RowCount(), greedy.RowCount()) << qPrintable(text) << " at " << maxWidth;
        int total = 0;
        QString joined;
        for (int i = 0; i < balanced.RowCount(); ++i) {
            EXPECT_LE(balanced.Row(i).RangeWidth(1, -1), maxWidth) << qPrintable(text);
            total += balanced.Row(i).RangeWidth(1, -1);
            joined += balanced.Row(i).Text;
        }
        EXPECT_EQ(total, balanced.Whole().RangeWidth(1, -1)) << qPrintable(text);
        EXPECT_EQ(joined, text);
    }
}

TEST_F(EngineTest, RightToLeftRowsStartFromTheFarEndOfTheArrays) {
    const QString text = QStringLiteral("بتث جحخ سشص"); // Arabic: in the monospaced face
    tWordwrappedUnicodeFontEngine wrapper = Wrapped(text, 4 * w, false, true);
    const tUnicodeFontEngine& whole = wrapper.Whole();
    ASSERT_TRUE(whole.GlyphMode);
    ASSERT_EQ(whole.GlyphCount(), 11);
    ASSERT_EQ(wrapper.RowCount(), 3);
    // Display order puts the first word at the right: it fills the first row.
    const tUnicodeFontEngine& first = wrapper.Row(0);
    ASSERT_EQ(first.GlyphCount(), 4);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(first.GlyphIds[i], whole.GlyphIds[7 + i]);
    EXPECT_EQ(whole.Advances[8], 0); // the space left of the first word lost its width
    EXPECT_EQ(first.RangeWidth(1, 3), 3 * w);
    EXPECT_EQ(whole.RangeWidth(1, 3), whole.Advances[9] + whole.Advances[10] + whole.Advances[11]);

    tUnicodeFontEngine characters = Measured(text, true, true);
    EXPECT_EQ(characters.Text, QStringLiteral("صشس خحج ثتب")); // display order, read from the right
}

TEST_F(EngineTest, LayoutStacksRowsAndMeasuresAlongTheLine) {
    tWordwrappedUnicodeFontEngine wrapper = Wrapped("ab cd ef", 3 * w, false);
    ASSERT_EQ(wrapper.RowCount(), 3);
    wrapper.LayoutRows(4, 10);
    const int pitch = canvas.Font.Height() + 4;
    int offset = 0;
    for (int i = 0; i < 3; ++i) {
        const tUnicodeFontEngine& row = wrapper.Row(i);
        EXPECT_EQ(row.RowY, 10 + i * pitch);
        EXPECT_EQ(row.RowHeight, pitch);
        EXPECT_EQ(row.RowWidth, 2 * w);
        EXPECT_EQ(row.RowOffset, offset);
        EXPECT_EQ(row.RowX, 0);
        offset += row.RowWidth;
    }
    EXPECT_EQ(&wrapper.Row(-1), &wrapper.Whole());
    EXPECT_EQ(&wrapper.Row(3), &wrapper.Whole());
}

TEST_F(EngineTest, EightBitTextUsesTheFontsCodePage) {
    canvas.Font.SetCharset(204);
    tUnicodeFontEngine engine;
    engine.Setup(&canvas, false, false, 0);
    engine.SetAnsiText(QByteArray("\xcf\xf0\xe8 \xe2\xe5\xf2"));
    EXPECT_EQ(engine.Text, QStringLiteral("При вет"));
    EXPECT_TRUE(engine.GlyphMode);
    EXPECT_EQ(engine.GlyphCount(), 7);
    EXPECT_TRUE(engine.IsBreakAt(4, false, false));
}

TEST_F(EngineTest, DrawRangeDrawsTheGlyphsCountedFromTheTextsStart) {
    canvas.Font.SetColour(0xFFFFFF);
    canvas.Font.SetAntiAliased(false);
    auto drawn = [this](const tUnicodeFontEngine& engine, int start, int count) {
        canvas.Image = Bitmap(100, 40, tPixelFormat::Bits24);
        engine.DrawRange(canvas, 5, 2, nullptr, start, count);
        return canvas.Image;
    };
    auto alone = [this](const QString& text) {
        Bitmap b(100, 40, tPixelFormat::Bits24);
        DrawText(b, canvas.Font, 5, 2, text);
        return b;
    };
    EXPECT_EQ(drawn(Measured("AB"), 2, 1), alone("B"));
    EXPECT_EQ(drawn(Measured("AB", false, true), 2, 5), alone("B"));
    EXPECT_EQ(drawn(Measured(QStringLiteral("אב"), true), 1, 1), alone(QStringLiteral("א")));
    EXPECT_EQ(drawn(Measured(QStringLiteral("אב"), true, true), 1, 1), alone(QStringLiteral("א")));
    EXPECT_EQ(drawn(Measured("AB"), 3, 1), Bitmap(100, 40, tPixelFormat::Bits24));
}

} // namespace
} // namespace lyrimo
