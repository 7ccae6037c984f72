#include "render/unicode_font_engine.h"

#include "app/text_codec.h"

#include <algorithm>

namespace lyrimo {
namespace {

int ClampToInt(int64_t value) { return int(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

// The code page that 8-bit text in a font of this character set is written in; the
// default character set (1) means the system's own.
const char* CodePageOfFont(const tCanvas* canvas) {
    int charset = canvas ? canvas->Font.Charset() : 1;
    return charset == 1 ? SystemCodePage() : CodePageForCharset(charset);
}

} // namespace

bool tUnicodeFontEngine::IsWhitespace(char16_t c) {
    return c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x3000;
}

void tUnicodeFontEngine::Setup(tCanvas* canvas, bool rightToLeft, bool shapingDisabled,
                               char16_t extraWordChar) {
    Canvas = canvas;
    if (canvas)
        canvas->RightToLeftReading = rightToLeft;
    RightToLeft = rightToLeft;
    LanguageFlags = canvas ? canvas->Font.LanguageFlags() & fontflags::Mask : 0;
    // The space and extra glyphs are measured the way later texts will be: a space
    // measured in character mode has no glyph id, and shaped text would find no breaks.
    ShapingDisabled = shapingDisabled;
    SetText(QStringLiteral(" "));
    SpaceGlyph = GlyphIds[1];
    SetText(QString(QChar(extraWordChar)));
    ExtraGlyph = GlyphIds[1];
    ExtraWordChar = extraWordChar;
    glyphCount_ = 0;
    Text.clear();
}

void tUnicodeFontEngine::SetText(const QString& text) {
    Advances.fill(0);
    GlyphIds.fill(0);
    GlyphMode = true;
    Text = text;
    if (!ShapingDisabled && Canvas) {
        std::vector<uint16_t> glyphs;
        std::vector<int32_t> advances;
        if (Canvas->Font.Shape(text, Canvas->RightToLeftReading, LanguageFlags, MaxGlyphs, glyphs,
                               advances)) {
            std::copy(glyphs.begin(), glyphs.end(), GlyphIds.begin() + 1);
            std::copy(advances.begin(), advances.end(), Advances.begin() + 1);
            glyphCount_ = int32_t(glyphs.size());
            return;
        }
    }
    MeasureCharacters(text);
}

// Character mode: one advance per code unit, in display order, so that index
// arithmetic (and mirroring for right-to-left text) works as on shaped glyphs.
void tUnicodeFontEngine::MeasureCharacters(const QString& text) {
    GlyphMode = false;
    std::vector<int32_t> advances;
    if (Canvas) {
        Canvas->Font.LayoutCharacters(text, Canvas->RightToLeftReading, Text, advances);
    } else {
        Text = text;
        advances.assign(size_t(text.size()), 0);
    }
    glyphCount_ = int32_t(std::min<size_t>(advances.size(), MaxGlyphs));
    Text.truncate(glyphCount_);
    std::copy(advances.begin(), advances.begin() + glyphCount_, Advances.begin() + 1);
}

void tUnicodeFontEngine::SetAnsiText(const QByteArray& bytes) {
    SetText(DecodeText(bytes, CodePageOfFont(Canvas)));
}

// A negative count means all glyphs; a start below 1 is 1; a count reaching past the end
// stops there; with right-to-left reading, start then counts from the other end.
tUnicodeFontEngine::tRange tUnicodeFontEngine::Normalise(int start, int count) const {
    int64_t s = start, c = count, n = glyphCount_;
    if (c < 0)
        c = n;
    if (s < 1)
        s = 1;
    if (s + c > n)
        c = n - s + 1;
    if (RightToLeft)
        s = n - c - s + 2;
    return {ClampToInt(s), ClampToInt(c)};
}

int tUnicodeFontEngine::RangeWidth(int start, int count) const {
    tRange r = Normalise(start, count);
    int64_t width = 0;
    for (int i = r.start; i < r.start + r.count; ++i)
        width += Advances[size_t(i)];
    return ClampToInt(width);
}

void tUnicodeFontEngine::DrawRange(tCanvas& canvas, int x, int y, const tMyRect* clip, int start,
                                   int count) const {
    tRange r = Normalise(start, count);
    if (r.count <= 0)
        return;
    const int32_t* advances = Advances.data() + r.start;
    if (GlyphMode) {
        DrawGlyphRun(canvas.Image, canvas.Font, x, y, GlyphIds.data() + r.start, advances, r.count, clip);
        return;
    }
    int available = std::clamp(int(Text.size()) - (r.start - 1), 0, r.count);
    DrawCharacterRun(canvas.Image, canvas.Font, x, y, Text.constData() + (r.start - 1), advances, available,
                     clip);
}

bool tUnicodeFontEngine::IsBreakAt(int index, bool mirror, bool withExtra) const {
    if (index < 1 || index > glyphCount_)
        return true;
    if (RightToLeft && mirror)
        index = glyphCount_ - index + 1;
    if (GlyphMode) {
        uint16_t glyph = GlyphIds[size_t(index)];
        return glyph == SpaceGlyph || (withExtra && glyph == ExtraGlyph);
    }
    char16_t unit = index <= Text.size() ? Text[index - 1].unicode() : u' ';
    return IsWhitespace(unit) || (withExtra && unit == ExtraWordChar);
}

void tUnicodeFontEngine::CopyRange(tUnicodeFontEngine& destination, tUnicodeFontEngine& source, int start,
                                   bool trim, int count) {
    if (&destination == &source) {
        tUnicodeFontEngine row;
        CopyRange(row, source, start, trim, count);
        destination = row;
        return;
    }
    tRange r = source.Normalise(start, count);
    const int n = std::max(r.count, 0);
    destination.RightToLeft = source.RightToLeft;
    destination.GlyphMode = source.GlyphMode;
    destination.LanguageFlags = source.LanguageFlags;
    destination.Canvas = source.Canvas;
    destination.SpaceGlyph = source.SpaceGlyph;
    destination.ExtraGlyph = source.ExtraGlyph;
    destination.ExtraWordChar = source.ExtraWordChar;
    destination.glyphCount_ = n;
    destination.Text.clear();
    if (n == 0)
        return;

    const int last = r.start + n - 1;
    if (trim) {
        for (int i = r.start; i <= last && source.IsBreakAt(i, false, true); ++i)
            source.Advances[size_t(i)] = 0;
        for (int i = last; i >= r.start && source.IsBreakAt(i, false, true); --i)
            source.Advances[size_t(i)] = 0;
    }
    destination.Advances.fill(0);
    destination.GlyphIds.fill(0);
    std::copy(source.Advances.begin() + r.start, source.Advances.begin() + last + 1,
              destination.Advances.begin() + 1);
    std::copy(source.GlyphIds.begin() + r.start, source.GlyphIds.begin() + last + 1,
              destination.GlyphIds.begin() + 1);
    destination.Text = source.Text.mid(r.start - 1, n);
}

int tUnicodeFontEngine::FindBreak(int start, int end, int maxWidth) const {
    while (RangeWidth(start, end - start + 1) > maxWidth) {
        if (start >= end)
            break;
        --end;
    }
    if (IsBreakAt(end + 1, true, true) || end >= glyphCount_)
        return end;
    for (int i = end; i >= start; --i) {
        if (IsBreakAt(i, true, true))
            return i;
    }
    return end;
}

void tWordwrappedUnicodeFontEngine::Setup(tCanvas* canvas, bool rightToLeft, bool shapingDisabled,
                                          char16_t extraWordChar) {
    Canvas = canvas;
    RightToLeft = rightToLeft;
    ExtraWordChar = extraWordChar;
    rows_.clear();
    whole_.Setup(canvas, rightToLeft, shapingDisabled, extraWordChar);
}

void tWordwrappedUnicodeFontEngine::SetText(const QString& text, int maxWidth, bool balanced) {
    whole_.SetText(text);
    Wrap(maxWidth, balanced);
}

void tWordwrappedUnicodeFontEngine::SetAnsiText(const QByteArray& bytes, int maxWidth, bool balanced) {
    whole_.SetAnsiText(bytes);
    Wrap(maxWidth, balanced);
}

void tWordwrappedUnicodeFontEngine::Wrap(int maxWidth, bool balanced) {
    if (balanced)
        WrapBalanced(maxWidth);
    else
        WrapGreedy(maxWidth);
}

const tUnicodeFontEngine& tWordwrappedUnicodeFontEngine::Row(int i) const {
    return i >= 0 && i < RowCount() ? rows_[size_t(i)] : whole_;
}

tUnicodeFontEngine& tWordwrappedUnicodeFontEngine::Row(int i) {
    return i >= 0 && i < RowCount() ? rows_[size_t(i)] : whole_;
}

void tWordwrappedUnicodeFontEngine::LayoutRows(int spacing, int top) {
    const int pitch = (Canvas ? Canvas->Font.Height() : 0) + spacing;
    int64_t offset = 0;
    for (tUnicodeFontEngine& row : rows_) {
        row.RowWidth = row.RangeWidth(1, -1);
        row.RowX = 0;
        row.RowOffset = ClampToInt(offset);
        row.RowHeight = pitch;
        row.RowY = top;
        top = ClampToInt(int64_t{top} + pitch);
        offset += row.RowWidth;
    }
}

void tWordwrappedUnicodeFontEngine::WrapGreedy(int maxWidth) {
    rows_.clear();
    const int count = whole_.GlyphCount();
    for (int start = 1; start <= count;) {
        int end = whole_.FindBreak(start, count, maxWidth);
        rows_.emplace_back();
        tUnicodeFontEngine::CopyRange(rows_.back(), whole_, start, true, end - start + 1);
        start = end + 1;
    }
}

// Starts from the width that would share the line equally among the rows greedy
// wrapping needs, widens the target step by step up to maxWidth and then narrows it,
// until the last row is at least half as wide as the target. The result never has more
// rows than greedy wrapping at maxWidth; when it would, greedy wrapping stands.
void tWordwrappedUnicodeFontEngine::WrapBalanced(int maxWidth) {
    maxWidth = std::max(maxWidth, 1);
    const int total = whole_.RangeWidth(1, -1);
    const int rows = std::max(total / maxWidth + 1, 1);
    int target = std::max(total / rows, 1);
    const int step = std::max((maxWidth - target) / 8, 20);
    const int minTarget = std::max(target / 2, 10);
    const int initialTarget = target;
    bool growing = true;
    const auto saved = whole_.Advances;
    while (true) {
        whole_.Advances = saved;
        WrapGreedy(target);
        if (RowCount() < 2 || rows_.back().RangeWidth(1, -1) >= target / 2)
            break;
        if (growing && target + step <= maxWidth) {
            target += step;
            continue;
        }
        if (growing) {
            target = initialTarget;
            growing = false;
        }
        if (target - step > minTarget) {
            target -= step;
            continue;
        }
        break;
    }
    const auto balancedAdvances = whole_.Advances;
    std::vector<tUnicodeFontEngine> balancedRows;
    balancedRows.swap(rows_);
    whole_.Advances = saved;
    WrapGreedy(maxWidth);
    if (RowCount() < int(balancedRows.size()))
        return;
    rows_.swap(balancedRows);
    whole_.Advances = balancedAdvances;
}

} // namespace lyrimo
