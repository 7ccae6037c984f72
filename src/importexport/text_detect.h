// The encoding of imported text, and how that text is kept in the song.
//
// Lyric files come in every encoding. An importer feeds all the text a file contributes to
// one tEncodingDetector and gets back a tImportedText that says how to store it:
// - ASCII, or an encoding we cannot name: the bytes as they are;
// - a code page that a font character set covers (Windows-1251, Shift-JIS, ...): 8-bit text
//   in that code page, with the parts' and the title's character set set to match. Text in
//   another code page of the same script (KOI8-R, ISO-8859-2, EUC-JP, ...) is converted to it;
// - UTF-8: 16-bit text (the song's `UnicodeText`).
//
// While a song is built its texts are held as "units", one QChar per stored character: the
// stored bytes widened one to one for 8-bit text, UTF-16 for 16-bit text. Timing positions
// count units, so they count characters of the text as stored.
#pragma once

#include "document/song.h"

#include <QByteArray>
#include <QString>

struct uchardet;

namespace lyrimo {

enum class tTextForm {
    Plain,    // ASCII, or unknown: bytes kept as they are
    EightBit, // bytes in the code page of `charset`
    Wide,     // 16-bit text
};

// How the lead bytes of a double-byte code page are recognised.
enum class tLeadBytes { None, ShiftJis, Generic };

class tImportedText {
public:
    tTextForm form = tTextForm::Plain;
    QByteArray encoding;    // what was detected (an iconv name), empty for ASCII
    int charset = 0;        // font character set of EightBit text
    bool transcode = false; // EightBit: bytes are converted from `encoding` to the charset's code page
    tLeadBytes sourceLeadBytes = tLeadBytes::None; // of the bytes as they arrive
    tLeadBytes storedLeadBytes = tLeadBytes::None; // of the bytes as stored

    // The units of some text of the file.
    QString Units(const QByteArray& bytes) const;
    // At most max units, never ending inside a character.
    QString Cut(const QString& units, int max) const;
    // The text that stored units show.
    QString Readable(const QString& units) const;
    bool SameIgnoringCase(const QString& a, const QString& b) const;
    // True when the unit starts a double-byte character of stored 8-bit text.
    bool IsLeadUnit(QChar unit) const;

    // Removes every occurrence of marker from the bytes as they arrive; occurrences that are
    // the second byte of a double-byte character are left alone. True when one was found.
    bool RemoveMarker(QByteArray& bytes, const QByteArray& marker) const;

    // Line texts, the song's name and artist, part names.
    void SetLineText(tTimingsLineType& line, const QString& units) const;
    QString LineUnits(const tTimingsLineType& line) const;
    void SetSongName(tLyrimoData& song, const QString& units) const;
    void SetArtistName(tLyrimoData& song, const QString& units) const;
    QString SongNameUnits(const tLyrimoData& song) const;
    QString ArtistNameUnits(const tLyrimoData& song) const;
    // Part names are 8-bit text in the system code page.
    QByteArray PartName(const QString& units) const;

    // Sets the song's `UnicodeText` and character sets to match; nothing for Plain text.
    void ApplyTo(tLyrimoData& song) const;
};

// The form for a detected encoding name (as uchardet names them); Plain when unknown.
tImportedText TextFormForEncoding(const QByteArray& encoding);

class tEncodingDetector {
public:
    tEncodingDetector();
    ~tEncodingDetector();
    tEncodingDetector(const tEncodingDetector&) = delete;
    tEncodingDetector& operator=(const tEncodingDetector&) = delete;

    void Add(const QByteArray& text);
    bool NonAscii() const { return nonAscii_; }
    // UTF-8 when every text added is valid UTF-8, however short: a code-page guess from a few
    // letters must not turn a name such as "José" into Central European text.
    tImportedText Result();

private:
    void Feed();

    ::uchardet* detector_;
    QByteArray pending_; // texts not yet given to the detector, which costs a lot per call
    bool nonAscii_ = false;
    bool validUtf8_ = true;
};

// True when the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool IsValidUtf8(const QByteArray& bytes);

// Text files that start with a byte-order mark: the UTF-8 one is dropped, UTF-16 text is
// turned into UTF-8. True when the file's encoding is known from its mark.
bool TakeByteOrderMark(QByteArray& bytes);

} // namespace lyrimo
