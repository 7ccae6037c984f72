// 8-bit text in the code pages that songs and language files use.
#pragma once

#include <QByteArray>
#include <QString>

namespace lyrimo {

// The iconv name of the code page behind a font character-set number.
const char* CodePageForCharset(int charset);

// The program's 8-bit "system" code page; Windows-1252 unless changed.
const char* SystemCodePage();
void SetSystemCodePage(const char* iconvName);

// Characters the code page cannot hold become '?'; undecodable bytes become U+FFFD.
QByteArray EncodeText(const QString& text, const char* codePage);
QString DecodeText(const QByteArray& bytes, const char* codePage);

inline QByteArray ToSystemCodePage(const QString& text) { return EncodeText(text, SystemCodePage()); }
inline QString FromSystemCodePage(const QByteArray& bytes) { return DecodeText(bytes, SystemCodePage()); }

} // namespace lyrimo
