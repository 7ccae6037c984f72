// Lyric lines drawn in mono mode, compared pixel for pixel with pictures kept in
// tests/data/render. They catch any change in glyph choice, advances, wrapping or
// placement. To accept a deliberate change, run the tests once with
// LYRIMO_UPDATE_GOLDEN=1 in the environment: the pictures are rewritten.
#include "render/unicode_font_engine.h"

#include "document/song_records.h"
#include "golden_pictures.h"

#include <gtest/gtest.h>

#include <ostream>

namespace lyrimo {
namespace {

struct GoldenCase {
    const char* name;
    const char16_t* text;
    const char* font;
    int size;
    uint8_t style;
    int charset;
    bool rightToLeft;
    bool characterMode;
    int maxWidth;
};

void PrintTo(const GoldenCase& c, std::ostream* out) { *out << c.name; }

// The wrapped rows of the text, centred, in black on white.
Bitmap Draw(const GoldenCase& c) {
    tCanvas canvas;
    canvas.Font = tFont(c.font, c.size, c.style, c.charset);
    canvas.Font.SetAntiAliased(false);
    tWordwrappedUnicodeFontEngine engine;
    engine.Setup(&canvas, c.rightToLeft, c.characterMode, u' ');
    engine.SetText(QString::fromUtf16(c.text), c.maxWidth, true);
    engine.LayoutRows(2, 4);
    const int width = c.maxWidth + 8;
    canvas.Image = Bitmap(width, engine.RowCount() * (canvas.Font.Height() + 2) + 8, tPixelFormat::Bits24);
    canvas.Image.Fill(0xFFFFFF);
    for (int i = 0; i < engine.RowCount(); ++i) {
        const tUnicodeFontEngine& row = engine.Row(i);
        engine.Row(i).DrawRange(canvas, width / 2 - row.RowWidth / 2, row.RowY, nullptr, 1, -1);
    }
    return canvas.Image;
}

class TextGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(TextGolden, MatchesTheKeptPicture) {
    const GoldenCase& c = GetParam();
    test::ExpectMatchesGolden(Draw(c), test::TestDataFolder("render"), QString("text_%1.png").arg(c.name));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, TextGolden,
    ::testing::Values(GoldenCase{"latin_wrapped", u"Twinkle, twinkle, little star, how I wonder what you are",
                                 "Arial", 20, 0, 0, false, false, 300},
                      GoldenCase{"bold_italic_serif", u"AVA Wolf, fiancé — “office”", "Times New Roman", 16,
                                 kFontBold | kFontItalic, 0, false, false, 400},
                      GoldenCase{"hebrew_right_to_left", u"שלום עולם, מה שלומך היום 123", "Arial", 20, 0, 177,
                                 true, false, 260},
                      GoldenCase{"character_mode", u"Привет мир, ça va? AVA", "Arial", 18, 0, 204, false,
                                 true, 240}),
    [](const ::testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });

} // namespace
} // namespace lyrimo
