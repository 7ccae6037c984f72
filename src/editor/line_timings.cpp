#include "editor/line_timings.h"

#include "app/app_services.h"
#include "editor/song_edits.h"
#include "editor/time_text.h"

#include <algorithm>
#include <cstdlib>

namespace lyrimo {

namespace {

// A timing's position is stored in one byte.
constexpr int kMaxPosition = 255;

// The line break the refusal's reasons are set apart with, as the messages have always had it.
const QString kReasonBreak = QStringLiteral("\n\r");
const QString kReasonBullet = QStringLiteral("    o  ");

} // namespace

int tValueRange::Clamp(int value) const { return std::clamp(value, minimum, std::max(minimum, maximum)); }

uint16_t LastTimingLimit(const tLyricsData& part, int lineIndex) {
    const tTimingsLineType* line = part.GetLine(lineIndex);
    const tTimingsLineType* next = part.GetLine(lineIndex + 1);
    if (!line || !next)
        return 65535;
    const int64_t gap = int64_t(next->LineRecord.LineStart()) - line->LineRecord.LineStart() - 1;
    return uint16_t(gap & 0xFFFF);
}

tTimingLimits TimingLimits(const tTimingsLineType& line, int index, int glyphCount, uint16_t lastLimit) {
    tTimingLimits limits;
    const int n = line.TimingCount();
    if (index < 0 || index >= n)
        return limits;
    if (index > 0) {
        const tTimingRecord before = line.GetTiming(index - 1);
        limits.position.minimum = before.Position() + 1;
        limits.delta.minimum = before.Delta() + 1;
    }
    if (index + 1 < n) {
        const tTimingRecord after = line.GetTiming(index + 1);
        limits.position.maximum = after.Position() - 1;
        limits.delta.maximum = after.Delta() - 1;
    } else {
        limits.position.maximum = std::min(glyphCount, kMaxPosition);
        limits.delta.maximum = lastLimit;
    }
    return limits;
}

QString InsertRefusal(const tTimingsLineType& line, int selected, bool lineHasText) {
    if (line.TimingCount() == 0) {
        if (lineHasText)
            return {};
        return Translate("Can't add timings to this line because it contains no words") + "...";
    }
    if (selected < 0 || selected >= line.TimingCount())
        return Translate("You must first select where to insert the timing") + "...";

    const tTimingRecord s = line.GetTiming(selected);
    const tTimingRecord p = selected > 0 ? line.GetTiming(selected - 1) : MakeTiming(0, 0);
    QString reasons;
    if (std::abs(s.Position() - p.Position()) < 2)
        reasons +=
            kReasonBullet + Translate("there is no space for an extra character timing here") + kReasonBreak;
    if (std::abs(s.Delta() - p.Delta()) < 2)
        reasons += kReasonBullet +
                   Translate("the timing difference between the lines above and below aren't great enough") +
                   ".";
    if (reasons.isEmpty() && line.TimingCount() >= kMaxTimingsPerLine)
        reasons += kReasonBullet + Translate("the line holds as many timings as it can");
    if (reasons.isEmpty())
        return {};
    return Translate("A timing can't be inserted here because") + kReasonBreak + reasons;
}

std::vector<int> CopySourceParts(const tLyrimoData& song, int partIndex) {
    std::vector<int> parts;
    for (int i = 0; i < song.PartCount(); ++i)
        if (i != partIndex && song.GetPart(i)->PartRecord.TimingsRecorded())
            parts.push_back(i);
    return parts;
}

tLineTimingsEdit::tLineTimingsEdit(tLyrimoData& song, int partIndex, int lineIndex, int glyphCount)
    : song_(song), part_(*song.GetPart(partIndex)), line_(*part_.GetLine(lineIndex)), lineIndex_(lineIndex),
      glyphCount_(glyphCount) {}

bool tLineTimingsEdit::LineHasText() const { return !EditorLineText(song_, part_, line_).isEmpty(); }

tTimingLimits tLineTimingsEdit::Limits(int index) const {
    return TimingLimits(line_, index, glyphCount_, LastLimit());
}

bool tLineTimingsEdit::SetPosition(int index, int position) {
    const tValueRange range = Limits(index).position;
    if (index < 0 || index >= Count() || range.Empty())
        return false;
    tTimingRecord timing = Timing(index);
    const int value = range.Clamp(position);
    if (value == timing.Position())
        return false;
    timing.setPosition(uint8_t(value));
    line_.SetTiming(index, timing);
    changed_ = true;
    return true;
}

tLineSnapshot tLineTimingsEdit::Snapshot() const { return {line_.LineRecord.LineStart(), line_.Timings()}; }

void tLineTimingsEdit::Restore(const tLineSnapshot& snapshot) {
    line_.LineRecord.setLineStart(snapshot.lineStart);
    line_.ClearTimings();
    for (const tTimingRecord& timing : snapshot.timings)
        line_.AddTiming(timing);
    changed_ = true;
}

bool tLineTimingsEdit::SetDelta(int index, int delta) {
    const tValueRange range = Limits(index).delta;
    if (index < 0 || index >= Count() || range.Empty())
        return false;
    tTimingRecord timing = Timing(index);
    const int value = range.Clamp(delta);
    if (value == timing.Delta())
        return false;
    timing.setDelta(uint16_t(value));
    line_.SetTiming(index, timing);
    changed_ = true;
    return true;
}

int tLineTimingsEdit::Insert(int selected, QString& refusal) {
    refusal = InsertRefusal(line_, selected, LineHasText());
    if (!refusal.isEmpty())
        return -1;
    if (Count() == 0) {
        line_.AddTiming(MakeTiming(1, 0));
        changed_ = true;
        return 0;
    }
    const tTimingRecord s = Timing(selected);
    const tTimingRecord p = selected > 0 ? Timing(selected - 1) : MakeTiming(0, 0);
    const auto position = uint8_t((s.Position() + p.Position()) / 2);
    const auto delta = uint16_t((s.Delta() + p.Delta()) / 2);
    line_.InsertTiming(selected, MakeTiming(position, delta));
    changed_ = true;
    return selected;
}

int tLineTimingsEdit::Delete(int index) {
    if (index < 0 || index >= Count())
        return -1;
    line_.DeleteTiming(index);
    changed_ = true;
    return std::min(index, Count() - 1);
}

void tLineTimingsEdit::DeleteAll() {
    line_.ClearTimings();
    changed_ = true;
}

void tLineTimingsEdit::CopyFrom(const tTimingsLineType& source, bool copyStart) {
    // The source may be this very line when a caller passes it; copy before clearing.
    const std::vector<tTimingRecord> timings = source.Timings();
    const int32_t start = source.LineRecord.LineStart();
    line_.ClearTimings();
    for (const tTimingRecord& timing : timings)
        line_.AddTiming(timing);
    if (copyStart)
        line_.LineRecord.setLineStart(start);
    changed_ = true;
}

QString tLineTimingsEdit::TimeTextOf(int index) const { return TimeText(Timing(index).Delta()); }

int tLineTimingsEdit::GlyphsShown(int index) const {
    return std::min<int>(Timing(index).Position(), glyphCount_);
}

} // namespace lyrimo
