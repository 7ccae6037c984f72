// What the importers share: the progress callback, the colours of imported lines, the rule
// for adding a timing, trimming, and the result window shown after a successful import.
#pragma once

#include "document/song.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

class QObject;

namespace lyrimo {

// Called at each stage and step of an import: the owner window and the song being built,
// the stage, the maximum and position of its progress, and the kind of import (1 MIDI,
// 2 KOK, 3 LRC). Passing a callback makes an import interactive: it then shows its errors.
using tImportProgress =
    std::function<void(QObject* owner, tLyrimoData& song, int stage, int maximum, int position, int kind)>;

namespace import_kind {
constexpr int Midi = 1, Kok = 2, Lrc = 3;
}

// The colours every importer gives its lines.
constexpr int32_t kImportNormalColour = 0x00FFFF;
constexpr int32_t kImportHighlightColour = 0x0000FF;
constexpr int32_t kImportHighlightBackground = 0x800000;

constexpr int kMaxLineLength = 160;
constexpr int kMaxNameLength = 80;
constexpr int kMaxPartNameLength = 40;
// A part's line count is stored in 16 bits.
constexpr int kMaxLinesPerPart = 65535;

// Text files larger than this are not lyrics; refusing them keeps an import's memory bounded.
constexpr int64_t kMaxLyricsTextFileSize = 4 << 20;

// Appends a line with the importers' colours to the part.
tTimingsLineType* AddImportedLine(tLyricsData& part);

// Adds a timing to a line the way the MIDI importer builds lines: a timing with the same
// delta as the last one replaces it, one at the last one's position is dropped.
void AddMergedTiming(tTimingsLineType& line, uint8_t position, uint16_t delta);

// The end timing's delta of a line that the line beginning sinceStart ms after its start
// follows: the first of 1900, 1700, ... 100 ms before that start that comes after the line's
// last delta, else just after the last delta.
int64_t LineEndDelta(int64_t sinceStart, int64_t lastDelta);

// Characters at or below the blank count as blanks when trimming.
inline bool IsBlankUnit(QChar c) { return c.unicode() <= 0x20; }
inline bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= 0x20; }
QByteArray TrimLyricText(const QByteArray& text);
QString TrimLyricText(const QString& text);

// Letter case of ASCII letters ignored; other characters compare as they are.
bool SameTextIgnoringAsciiCase(const QString& a, const QString& b);

// Whole decimal number with an optional sign, nothing else; false when it is not one or
// does not fit in 32 bits.
bool ParseWholeNumber(QByteArrayView text, int& value);

// Shows the import result window when the setting is on, and stores the opposite of its
// check box back into the setting.
void ShowImportResultIfWanted(bool& showSetting, const QString& text);

// Splits file bytes into lines at CR LF, LF or CR; a final line break adds no empty line.
QList<QByteArray> SplitTextLines(const QByteArray& bytes);

// Reads a text file of lyrics: false when it cannot be read or exceeds the size limit.
bool ReadLyricsTextFile(const QString& path, QByteArray& bytes);

inline void ReportProgress(const tImportProgress& progress, QObject* owner, tLyrimoData& song, int stage,
                           int maximum, int position, int kind) {
    if (progress)
        progress(owner, song, stage, maximum, position, kind);
}

// Lyrics files come without their music; the music usually lies beside them under the same
// name. The first of song.mp3, .ogg, .opus, .flac, .m4a, .wav, .mp4, .mkv, .webm (in any case)
// beside the imported file becomes the song's media; a video also marks the song as having
// video. True when one was found.
bool UseMediaBesideImport(const QString& importedPath, tLyrimoData& song);

} // namespace lyrimo
