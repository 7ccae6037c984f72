#include "editor/song_edits.h"

#include "app/app_services.h"
#include "app/text_codec.h"
#include "importexport/import_common.h"

#include <QFileInfo>

#include <algorithm>

namespace lyrimo {

const std::array<int, 7> kTextModeOrder = {0, 2, 3, 5, 4, 1, 6};
const std::array<int, 3> kLyricsPositionOrder = {1, 0, 2};

namespace {

const char* PartCodePage(const tLyricsData& part) {
    return CodePageForCharset(part.PartExtras.FontCharset());
}

bool MultiByte(const tLyrimoData& song) { return song.SongSettings.UnicodeText() != 0; }

void SetLineColours(tLineRecord& line, int32_t normal, int32_t highlight) {
    line.setNormalColour(normal);
    line.setHighlightColour(highlight);
    line.setHighlightBackground(0);
}

} // namespace

QString EditorLineText(const tLyrimoData& song, const tLyricsData& part, const tTimingsLineType& line) {
    return MultiByte(song) ? line.WideText() : DecodeText(line.Text(), PartCodePage(part));
}

void SetEditorLineText(const tLyrimoData& song, const tLyricsData& part, tTimingsLineType& line,
                       const QString& text) {
    const QString cut = text.left(kEditorLineLength);
    if (MultiByte(song))
        line.SetWideText(cut);
    else
        line.LineRecord.setText(EncodeText(cut, PartCodePage(part)).left(kEditorLineLength));
}

void SetPartLinesFromText(const tLyrimoData& song, tLyricsData& part, const QStringList& textLines) {
    const int wanted = static_cast<int>(std::min<qsizetype>(textLines.size(), kMaxLinesPerPart));
    while (part.LineCount() > wanted)
        part.DeleteLine(part.LineCount() - 1);
    while (part.LineCount() < wanted)
        SetLineColours(part.AddLine()->LineRecord, kTypedNormalColour, kTypedHighlightColour);
    for (int i = 0; i < wanted; ++i)
        SetEditorLineText(song, part, *part.GetLine(i), textLines[i]);
}

QStringList PartTextLines(const tLyrimoData& song, const tLyricsData& part) {
    QStringList lines;
    for (int i = 0; i < part.LineCount(); ++i)
        lines << EditorLineText(song, part, *part.GetLine(i));
    return lines;
}

int64_t LineEndTime(const tTimingsLineType& line) {
    const int64_t start = line.LineRecord.LineStart();
    return line.TimingCount() > 0 ? start + line.Timings().back().Delta() : start;
}

int InsertedLineStart(const tLyricsData& part, int index) {
    const tTimingsLineType* before = part.GetLine(index - 1);
    return index <= 0 || !before ? 0 : static_cast<int>(LineEndTime(*before) + 1);
}

int InsertEmptyLine(tLyricsData& part, int index) {
    if (index < 0 || index > part.LineCount())
        index = part.LineCount();
    auto line = std::make_unique<tTimingsLineType>();
    line->LineRecord.setLineStart(InsertedLineStart(part, index));
    part.InsertLine(index, std::move(line));
    return index;
}

tStartLimits LineStartLimits(const tLyricsData& part, int index) {
    tStartLimits limits;
    if (const tTimingsLineType* before = part.GetLine(index - 1); index > 0 && before)
        limits.minimum = LineEndTime(*before) + 1;
    const tTimingsLineType* next = part.GetLine(index + 1);
    if (next && next->LineRecord.LineStart() != 0)
        limits.maximum = int64_t(next->LineRecord.LineStart()) - 1;
    else
        limits.maximum = limits.minimum + 100000;
    return limits;
}

int64_t ShiftLines(tLyricsData& part, int first, int last, int64_t offsetMs) {
    first = std::max(first, 0);
    last = std::min(last, part.LineCount() - 1);
    if (first > last)
        return 0;
    const tTimingsLineType* before = part.GetLine(first - 1);
    const tTimingsLineType* after = part.GetLine(last + 1);
    const int64_t earliest = before ? LineEndTime(*before) + 1 : 0;
    const int64_t start = part.GetLine(first)->LineRecord.LineStart();
    offsetMs = std::max(offsetMs, earliest - start);
    if (after && after->LineRecord.LineStart() != 0)
        offsetMs =
            std::min(offsetMs, int64_t(after->LineRecord.LineStart()) - 1 - LineEndTime(*part.GetLine(last)));
    if (offsetMs == 0)
        return 0;
    for (int i = first; i <= last; ++i) {
        tLineRecord& record = part.GetLine(i)->LineRecord;
        record.setLineStart(int32_t(std::clamp<int64_t>(record.LineStart() + offsetMs, 0, INT32_MAX)));
    }
    return offsetMs;
}

bool ClampLineStart(tLyricsData& part, int index) {
    tTimingsLineType* line = part.GetLine(index);
    if (!line)
        return false;
    const tStartLimits limits = LineStartLimits(part, index);
    const int64_t start = line->LineRecord.LineStart();
    // A next line that starts before this one's lower limit leaves no range; the lower limit wins.
    const int64_t clamped = std::max(std::min(start, limits.maximum), limits.minimum);
    if (clamped == start)
        return false;
    line->LineRecord.setLineStart(static_cast<int32_t>(std::min<int64_t>(clamped, INT32_MAX)));
    return true;
}

std::unique_ptr<tLyricsData> DuplicatePart(const tLyricsData& part) {
    auto copy = std::make_unique<tLyricsData>();
    copy->PartRecord = part.PartRecord;
    copy->PartExtras = part.PartExtras;
    copy->Slots = part.Slots;
    for (int i = 0; i < part.LineCount(); ++i)
        copy->AddLine(std::make_unique<tTimingsLineType>(*part.GetLine(i)));
    return copy;
}

std::unique_ptr<tLyricsData> CopyPart(const tLyricsData& part, const QString& name) {
    auto copy = DuplicatePart(part);
    SetPartName(*copy, name);
    return copy;
}

void SetPartName(tLyricsData& part, const QString& name) {
    part.PartRecord.setPartName(
        ToSystemCodePage(name.left(kEditorPartNameLength)).left(kEditorPartNameLength));
}

QString PartName(const tLyricsData& part) { return FromSystemCodePage(part.PartRecord.PartName()); }

QString NewPartName(int partCount) {
    return Translate("Unnamed Part") + " " + QString::number(partCount + 1);
}

void LoadPartFromText(tLyricsData& part, const QByteArray& fileBytes, const QString& fileName) {
    part.ClearLines();
    part.PartRecord.setStartOffset(0);
    part.PartRecord.setTimingsRecorded(0);
    SetPartName(part, Translate("Imported from") + " " + QFileInfo(fileName).fileName());
    for (const QByteArray& text : SplitTextLines(fileBytes)) {
        if (part.LineCount() >= kMaxLinesPerPart)
            break;
        tTimingsLineType* line = part.AddLine();
        line->LineRecord.setText(text.left(kEditorLineLength));
        SetLineColours(line->LineRecord, kLoadedNormalColour, kLoadedHighlightColour);
    }
}

QByteArray PartAsText(const tLyricsData& part) {
    QByteArray text;
    for (int i = 0; i < part.LineCount(); ++i)
        text += part.GetLine(i)->Text() + '\n';
    return text;
}

bool LineLacksTimings(const tLyrimoData& song, const tLyricsData& part, const tTimingsLineType& line) {
    if (line.TimingCount() > 0)
        return false;
    const QString trimmed = TrimLyricText(EditorLineText(song, part, line));
    return trimmed.size() > 1 && std::any_of(trimmed.begin(), trimmed.end(), IsBlankUnit);
}

int BallChoice(const tLyricsData& part) {
    if (part.Slots[kBallSlot].Record.Enabled())
        return ball_choice::Custom;
    return part.PartExtras.BallStyle() != 0 ? ball_choice::BuiltIn : ball_choice::None;
}

void SetBallChoice(tLyricsData& part, int choice) {
    tPartExtras& extras = part.PartExtras;
    if (choice == ball_choice::None)
        extras.setBallStyle(0);
    else if (extras.BallStyle() != 1 && extras.BallStyle() != 2)
        extras.setBallStyle(part.PartRecord.BallNumber() > 44 ? 1 : 2);
    part.Slots[kBallSlot].Record.setEnabled(choice == ball_choice::Custom ? 1 : 0);
}

QString EditorCaption(const QString& fileName, bool modified) {
    QString caption = "Lyrimo " + Translate("Song Editor");
    caption +=
        fileName.isEmpty() ? " (" + Translate("new file") + ")" : " [" + QFileInfo(fileName).fileName() + "]";
    if (modified)
        caption += " (" + Translate("changes made") + ")";
    return caption;
}

} // namespace lyrimo
