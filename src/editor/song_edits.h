// The edits the song editor makes to a song, without a window: lines from a text block, single
// line texts, inserted lines and their start times, start-time limits, part copies, lyrics text
// files, and the choices of the effects page.
#pragma once

#include "document/song.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>

namespace lyrimo {

constexpr int kEditorLineLength = 160;
constexpr int kEditorPartNameLength = 40;
constexpr int kEditorInfoLength = 80;

// The colours of lines typed into a part without timings, and of lines read from a text file.
constexpr int32_t kTypedNormalColour = 0x00FFFF, kTypedHighlightColour = 0x0000FF;
constexpr int32_t kLoadedNormalColour = 0x0000FF, kLoadedHighlightColour = 0x00FFFF;

// A line's text as the editor shows it: its wide text in a multi-byte song, else its 8-bit
// text in the part's character set.
QString EditorLineText(const tLyrimoData& song, const tLyricsData& part, const tTimingsLineType& line);
// Sets a line's text, cut to 160 characters: as 16-bit text (both halves cut) in a multi-byte
// song, else as 8-bit text in the part's character set.
void SetEditorLineText(const tLyrimoData& song, const tLyricsData& part, tTimingsLineType& line,
                       const QString& text);

// A part without timings edited as one text: the part gets one line per text line (new ones
// with the typed colours, surplus ones removed from the end) and each line that text line.
void SetPartLinesFromText(const tLyrimoData& song, tLyricsData& part, const QStringList& textLines);
QStringList PartTextLines(const tLyrimoData& song, const tLyricsData& part);

// LineStart plus the delta of the last timing, or LineStart alone.
int64_t LineEndTime(const tTimingsLineType& line);
// Where a line inserted at index starts: 0 at the top, else the end of the line before + 1.
int InsertedLineStart(const tLyricsData& part, int index);
// Inserts an empty line (no timings, all colours 0) at index (the end when out of range),
// starting where InsertedLineStart says; returns its index.
int InsertEmptyLine(tLyricsData& part, int index);

// The range a line's start may take: from 0 (first line) or the end of the line before + 1, to
// the next line's start - 1 when that line has a start other than 0, else minimum + 100000.
struct tStartLimits {
    int64_t minimum = 0;
    int64_t maximum = 0;
};
tStartLimits LineStartLimits(const tLyricsData& part, int index);
// Brings the line's start inside its limits; true when it had to move.
bool ClampLineStart(tLyricsData& part, int index);

// Moves lines first..last (their starts, and so their timings) by offsetMs, as far as the lines
// around them let: never before the end of the line before nor before 0, and ending before the
// line after starts. Returns the offset applied (0 when they cannot move).
int64_t ShiftLines(tLyricsData& part, int first, int last, int64_t offsetMs);

// A copy of the part with every record, picture and line (timings included).
std::unique_ptr<tLyricsData> DuplicatePart(const tLyricsData& part);
// The same, named anew.
std::unique_ptr<tLyricsData> CopyPart(const tLyricsData& part, const QString& name);
// Part names are stored 8-bit, cut to 40 characters.
void SetPartName(tLyricsData& part, const QString& name);
QString PartName(const tLyricsData& part);

// A new part's default name: "Unnamed Part N" with N the new part count.
QString NewPartName(int partCount);

// Replaces the part's lines with those of a text file (8-bit, cut to 160, the loaded colours),
// its start offset 0, its timings flag cleared and its name "Imported from FILE".
void LoadPartFromText(tLyricsData& part, const QByteArray& fileBytes, const QString& fileName);
// The 8-bit text of every line, one text line each.
QByteArray PartAsText(const tLyricsData& part);

// A line without timings whose trimmed text is longer than one character and holds a blank
// was probably meant to be timed.
bool LineLacksTimings(const tLyrimoData& song, const tLyricsData& part, const tTimingsLineType& line);

// The ball choice of the effects page: 0 none, 1 the built-in ball, 2 a custom ball.
namespace ball_choice {
constexpr int None = 0, BuiltIn = 1, Custom = 2;
}
int BallChoice(const tLyricsData& part);
void SetBallChoice(tLyricsData& part, int choice);

// The text modes in the order the effects page lists them, and the positions likewise.
extern const std::array<int, 7> kTextModeOrder;
extern const std::array<int, 3> kLyricsPositionOrder;

// "Lyrimo Song Editor [song.lym] (changes made)", from translated pieces.
QString EditorCaption(const QString& fileName, bool modified);

} // namespace lyrimo
