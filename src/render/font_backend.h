// Fonts, text shaping and glyph drawing for the renderers, on fontconfig (finding a face
// for a name), HarfBuzz (shaping) and FreeType (metrics and glyph images).
//
// Point sizes map to pixels at 96 dots per inch, as on the systems the song files come
// from, so a song laid out for its play width keeps its proportions. Faces, sizes and
// glyph images are cached for the whole program; a font object keeps its face until one
// of its properties changes. Everything here runs on the one user-interface thread.
#pragma once

#include "picture/bitmap.h"
#include "render/changes_list.h"

#include <QChar>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace lyrimo {

// The most glyphs one measured text holds.
constexpr int kMaxGlyphs = 300;

// A font's language-processing flags, handed back unchanged to shaping: kerning and
// ligatures are applied only when the face announces them.
namespace fontflags {
constexpr int32_t Dbcs = 0x0001, Reorder = 0x0002, UseKerning = 0x0008, GlyphShape = 0x0010, Ligate = 0x0020;
constexpr int32_t Mask = 0x103B;
} // namespace fontflags

// Pixels of a point size at 96 dots per inch, rounded half away from zero.
int PointsToPixels(int points);

class tFontFace; // one face file at one pixel size, shared through the cache

// A font as the song and the settings describe it: a face name, a size in points, style
// bits (kFontBold, kFontItalic, kFontUnderline, kFontStrikeOut) and a character set, plus
// the colour text is drawn in and whether edges are anti-aliased.
class tFont {
public:
    tFont() = default;
    tFont(const QString& name, int size, uint8_t style = 0, int charset = 0);

    const QString& Name() const { return name_; }
    void SetName(const QString& name);
    int Size() const { return size_; }
    void SetSize(int points);
    uint8_t Style() const { return style_; }
    void SetStyle(uint8_t style);
    int Charset() const { return charset_; }
    void SetCharset(int charset);
    tColour Colour() const { return colour_; }
    void SetColour(tColour colour) { colour_ = colour; }
    bool AntiAliased() const { return antiAliased_; }
    void SetAntiAliased(bool antiAliased) { antiAliased_ = antiAliased; }

    // The em height in pixels.
    int PixelSize() const;
    // The face standing in for the name ("Liberation Sans" for "Arial") and its file.
    QString FamilyName() const;
    QString FilePath() const;
    // Baseline below the top of a text row, and the height of any text (that of "Tj").
    int Ascent() const;
    int Height() const;
    int32_t LanguageFlags() const;

    // Places the whole text as glyph ids with advances in display order (left to right,
    // right-to-left runs reversed), reading it right to left when rightToLeft is set.
    // False (and both lists empty) when the text is empty, the face lacks one of its
    // visible characters, or it needs more than maxGlyphs glyphs.
    bool Shape(const QString& text, bool rightToLeft, int32_t languageFlags, int maxGlyphs,
               std::vector<uint16_t>& glyphs, std::vector<int32_t>& advances) const;
    // The advance of one character drawn alone; characters the face lacks are measured
    // in a face that has them.
    int CharacterAdvance(char32_t character) const;
    // Character by character: the code units in display order, each with its advance (the
    // second unit of a surrogate pair has none). Right-to-left characters are mirrored.
    void LayoutCharacters(const QString& text, bool rightToLeft, QString& displayText,
                          std::vector<int32_t>& advances) const;
    // The width of a text as DrawText draws it.
    int TextWidth(const QString& text, bool rightToLeft = false) const;

    // The resolved face; never null (a face that cannot be opened measures as nothing).
    const std::shared_ptr<tFontFace>& Face() const;

private:
    void Changed() { face_.reset(); }

    QString name_ = "Arial";
    int size_ = 28;
    uint8_t style_ = 0;
    int charset_ = 0;
    tColour colour_ = 0;
    bool antiAliased_ = true;
    mutable std::shared_ptr<tFontFace> face_;
};

// A drawing target with its current font and reading order, as the renderers keep one
// per image they paint text on.
class tCanvas {
public:
    Bitmap Image;
    tFont Font;
    bool RightToLeftReading = false;
};

// Draws glyph ids with explicit advances, left to right from x, the top of the text at
// y, in the font's colour on a transparent background, inside clip when given.
void DrawGlyphRun(Bitmap& target, const tFont& font, int x, int y, const uint16_t* glyphs,
                  const int32_t* advances, int count, const tMyRect* clip = nullptr);
// The same for code units already in display order (as LayoutCharacters gives them).
void DrawCharacterRun(Bitmap& target, const tFont& font, int x, int y, const QChar* units,
                      const int32_t* advances, int count, const tMyRect* clip = nullptr);
// Shapes and draws a whole text (character by character when shaping is impossible);
// returns its width.
int DrawText(Bitmap& target, const tFont& font, int x, int y, const QString& text, bool rightToLeft = false,
             const tMyRect* clip = nullptr);

} // namespace lyrimo
