// The text engine every piece of lyrics goes through: a line becomes a run of at most
// kMaxGlyphs glyphs with one advance each, so that the colour wipe, the ball and the
// timing recorders can all work in glyph counts and pixel sums, never in font metrics of
// their own. The wrapper breaks a line into rows for a width and lays them out.
//
// Glyph indexes are 1-based throughout (entry 0 of the arrays is unused). Glyphs are held
// in display order, left to right; with right-to-left reading, counting from the start
// of the text means counting from the far (right) end of the arrays, which the index
// normalisation below does by mirroring.
#pragma once

#include "render/changes_list.h"
#include "render/font_backend.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace lyrimo {

class tUnicodeFontEngine {
public:
    static constexpr int MaxGlyphs = kMaxGlyphs;

    // White space as character mode knows it.
    static bool IsWhitespace(char16_t unit);

    // Prepares the engine for one song: binds the canvas (whose font is already chosen),
    // the reading order, whether shaping is never tried, and the song's extra word
    // separator (0 when it has none).
    void Setup(tCanvas* canvas, bool rightToLeft, bool shapingDisabled, char16_t extraWordChar);

    // Measures a text: shaped into glyphs when possible, else character by character.
    void SetText(const QString& text);
    // 8-bit text in the code page of the font's character set.
    void SetAnsiText(const QByteArray& bytes);

    int GlyphCount() const { return glyphCount_; }
    // The sum of count advances from start (see the normalisation in the .cpp); a negative
    // count means all glyphs from start to the end.
    int RangeWidth(int start, int count) const;
    // Draws glyphs with their stored advances on a transparent background at (x, y).
    void DrawRange(tCanvas& canvas, int x, int y, const tMyRect* clip, int start, int count) const;
    // Whether the glyph at index is a break; the ends of the text (indexes outside
    // 1..GlyphCount) count as breaks. mirror counts index from the start of a
    // right-to-left text; withExtra lets the extra word separator break as well.
    bool IsBreakAt(int index, bool mirror, bool withExtra) const;
    // Fills destination with count glyphs of source from start. With trim, break glyphs
    // at either end of the range lose their width, in the source too, so the source's
    // pixel measure stays the concatenation of the rows cut from it.
    static void CopyRange(tUnicodeFontEngine& destination, tUnicodeFontEngine& source, int start, bool trim,
                          int count);
    // The last glyph of a row that starts at start and may reach end within maxWidth: just
    // before a break, at a break, or (a word longer than the row) wherever it must be cut.
    int FindBreak(int start, int end, int maxWidth) const;

    QString Text; // the measured text; in character mode its code units in display order
    int32_t LanguageFlags = 0;
    bool RightToLeft = false;
    bool GlyphMode = false;
    bool ShapingDisabled = false;
    uint16_t SpaceGlyph = 0;
    uint16_t ExtraGlyph = 0;
    char16_t ExtraWordChar = 0;
    std::array<int32_t, MaxGlyphs + 1> Advances{};
    std::array<uint16_t, MaxGlyphs + 1> GlyphIds{};
    tCanvas* Canvas = nullptr;
    int32_t RowX = 0;
    int32_t RowY = 0;
    int32_t RowWidth = 0;
    int32_t RowOffset = 0;
    int32_t RowHeight = 0;

private:
    struct tRange {
        int start;
        int count;
    };
    tRange Normalise(int start, int count) const;
    void MeasureCharacters(const QString& text);

    int32_t glyphCount_ = 0;
};

class tWordwrappedUnicodeFontEngine {
public:
    void Setup(tCanvas* canvas, bool rightToLeft, bool shapingDisabled, char16_t extraWordChar);
    // Measures the whole line, then wraps it into rows no wider than maxWidth: balanced
    // (rows of similar width, never more of them than plain wrapping gives) or greedy.
    void SetText(const QString& text, int maxWidth, bool balanced);
    void SetAnsiText(const QByteArray& bytes, int maxWidth, bool balanced);

    int RowCount() const { return int(rows_.size()); }
    // Row i from the top; an index outside the rows gives the whole line.
    const tUnicodeFontEngine& Row(int i) const;
    tUnicodeFontEngine& Row(int i);
    // Places the rows below each other from top, each "Tj"'s height plus spacing apart.
    void LayoutRows(int spacing, int top);

    const tUnicodeFontEngine& Whole() const { return whole_; }
    tUnicodeFontEngine& Whole() { return whole_; }

    // Greedy wrapping: each row takes as much as fits.
    void WrapGreedy(int maxWidth);
    // Wrapping that avoids a short last row by trying narrower or wider targets.
    void WrapBalanced(int maxWidth);

    tCanvas* Canvas = nullptr;
    bool RightToLeft = false;
    char16_t ExtraWordChar = 0;

private:
    void Wrap(int maxWidth, bool balanced);

    std::vector<tUnicodeFontEngine> rows_;
    tUnicodeFontEngine whole_;
};

} // namespace lyrimo
