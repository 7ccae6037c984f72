#include "importexport/text_detect.h"

#include "app/text_codec.h"
#include "importexport/import_common.h"

#include <uchardet.h>

#include <algorithm>
#include <array>
#include <cstring>

namespace lyrimo {
namespace {

struct tKnownEncoding {
    const char* name; // as the detector names it
    int charset;      // font character set of the script
    bool keepBytes;   // the charset's code page reads these bytes as they are
    tLeadBytes leadBytes;
};

// Encodings a font character set covers. Those marked keepBytes are the charset's own code
// page or a subset of it; the rest are converted. The detector takes short Windows-1251 text
// for Mac Cyrillic, which lyric files never use, so that is read as Windows-1251.
constexpr std::array<tKnownEncoding, 33> kKnownEncodings = {{
    {"WINDOWS-1252", 0, true, tLeadBytes::None},
    {"ISO-8859-1", 0, true, tLeadBytes::None},
    {"ISO-8859-15", 0, false, tLeadBytes::None},
    {"WINDOWS-1250", 238, true, tLeadBytes::None},
    {"ISO-8859-2", 238, false, tLeadBytes::None},
    {"IBM852", 238, false, tLeadBytes::None},
    {"MAC-CENTRALEUROPE", 238, false, tLeadBytes::None},
    {"WINDOWS-1251", 204, true, tLeadBytes::None},
    {"MAC-CYRILLIC", 204, true, tLeadBytes::None},
    {"ISO-8859-5", 204, false, tLeadBytes::None},
    {"KOI8-R", 204, false, tLeadBytes::None},
    {"KOI8-U", 204, false, tLeadBytes::None},
    {"IBM866", 204, false, tLeadBytes::None},
    {"IBM855", 204, false, tLeadBytes::None},
    {"WINDOWS-1253", 161, true, tLeadBytes::None},
    {"ISO-8859-7", 161, false, tLeadBytes::None},
    {"WINDOWS-1254", 162, true, tLeadBytes::None},
    {"ISO-8859-9", 162, false, tLeadBytes::None},
    {"WINDOWS-1255", 177, true, tLeadBytes::None},
    {"ISO-8859-8", 177, false, tLeadBytes::None},
    {"WINDOWS-1256", 178, true, tLeadBytes::None},
    {"ISO-8859-6", 178, false, tLeadBytes::None},
    {"WINDOWS-1257", 186, true, tLeadBytes::None},
    {"ISO-8859-13", 186, false, tLeadBytes::None},
    {"WINDOWS-1258", 163, true, tLeadBytes::None},
    {"TIS-620", 222, true, tLeadBytes::None},
    {"SHIFT_JIS", 128, true, tLeadBytes::ShiftJis},
    {"EUC-JP", 128, false, tLeadBytes::None},
    {"GB18030", 134, true, tLeadBytes::Generic},
    {"EUC-KR", 129, true, tLeadBytes::None},
    {"UHC", 129, true, tLeadBytes::None},
    {"BIG5", 136, true, tLeadBytes::Generic},
    {"EUC-TW", 136, false, tLeadBytes::None},
}};

tLeadBytes LeadBytesOfCharset(int charset) {
    switch (charset) {
    case 128: return tLeadBytes::ShiftJis;
    case 134:
    case 129:
    case 136: return tLeadBytes::Generic;
    default: return tLeadBytes::None;
    }
}

bool IsLeadByte(tLeadBytes kind, unsigned c) {
    switch (kind) {
    case tLeadBytes::ShiftJis: return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    case tLeadBytes::Generic: return c >= 0x81 && c <= 0xFE;
    case tLeadBytes::None: return false;
    }
    return false;
}

QByteArray UnitsToBytes(const QString& units) { return units.toLatin1(); }
QString BytesToUnits(const QByteArray& bytes) { return QString::fromLatin1(bytes); }

} // namespace

tImportedText TextFormForEncoding(const QByteArray& encoding) {
    tImportedText text;
    text.encoding = encoding;
    if (encoding == "UTF-8") {
        text.form = tTextForm::Wide;
        return text;
    }
    for (const tKnownEncoding& known : kKnownEncodings) {
        if (encoding != known.name)
            continue;
        text.form = tTextForm::EightBit;
        text.charset = known.charset;
        text.transcode = !known.keepBytes;
        text.sourceLeadBytes = known.leadBytes;
        text.storedLeadBytes = LeadBytesOfCharset(known.charset);
        return text;
    }
    return text; // Plain
}

QString tImportedText::Units(const QByteArray& bytes) const {
    switch (form) {
    case tTextForm::Wide: return QString::fromUtf8(bytes);
    case tTextForm::EightBit:
        if (transcode)
            return BytesToUnits(
                EncodeText(DecodeText(bytes, encoding.constData()), CodePageForCharset(charset)));
        return BytesToUnits(bytes);
    case tTextForm::Plain: break;
    }
    return BytesToUnits(bytes);
}

QString tImportedText::Cut(const QString& units, int max) const {
    if (units.size() <= max)
        return units;
    if (form == tTextForm::Wide)
        return units.left(units[max - 1].isHighSurrogate() ? max - 1 : max);
    if (form == tTextForm::EightBit && storedLeadBytes != tLeadBytes::None) {
        int end = 0;
        while (end < max) {
            const int step = IsLeadByte(storedLeadBytes, units[end].unicode()) ? 2 : 1;
            if (end + step > max)
                break;
            end += step;
        }
        return units.left(end);
    }
    return units.left(max);
}

QString tImportedText::Readable(const QString& units) const {
    switch (form) {
    case tTextForm::Wide: return units;
    case tTextForm::EightBit: return DecodeText(UnitsToBytes(units), CodePageForCharset(charset));
    case tTextForm::Plain: break;
    }
    return FromSystemCodePage(UnitsToBytes(units));
}

bool tImportedText::SameIgnoringCase(const QString& a, const QString& b) const {
    if (form == tTextForm::Wide)
        return a.compare(b, Qt::CaseInsensitive) == 0;
    return SameTextIgnoringAsciiCase(a, b);
}

bool tImportedText::IsLeadUnit(QChar unit) const {
    return form == tTextForm::EightBit && IsLeadByte(storedLeadBytes, unit.unicode());
}

bool tImportedText::RemoveMarker(QByteArray& bytes, const QByteArray& marker) const {
    if (bytes.size() < marker.size())
        return false;
    if (sourceLeadBytes == tLeadBytes::None || form != tTextForm::EightBit) {
        if (!bytes.contains(marker))
            return false;
        bytes.replace(marker, QByteArray());
        return true;
    }
    const QByteArrayView all(bytes);
    QByteArray kept;
    kept.reserve(bytes.size());
    bool found = false;
    for (qsizetype i = 0; i < all.size();) {
        if (all.sliced(i).startsWith(marker)) {
            found = true;
            i += marker.size();
            continue;
        }
        const int step = IsLeadByte(sourceLeadBytes, static_cast<unsigned char>(all[i])) ? 2 : 1;
        kept += all.sliced(i, std::min<qsizetype>(step, all.size() - i));
        i += step;
    }
    bytes = kept;
    return found;
}

void tImportedText::SetLineText(tTimingsLineType& line, const QString& units) const {
    if (form == tTextForm::Wide)
        line.SetWideText(units);
    else
        line.LineRecord.setText(UnitsToBytes(units));
}

QString tImportedText::LineUnits(const tTimingsLineType& line) const {
    return form == tTextForm::Wide ? line.WideText() : BytesToUnits(line.Text());
}

void tImportedText::SetSongName(tLyrimoData& song, const QString& units) const {
    const QString name = Cut(units, kMaxNameLength);
    if (form == tTextForm::Wide)
        song.SetWideSongName(name);
    else
        song.SetSongName(UnitsToBytes(name));
}

void tImportedText::SetArtistName(tLyrimoData& song, const QString& units) const {
    const QString name = Cut(units, kMaxNameLength);
    if (form == tTextForm::Wide)
        song.SetWideArtistName(name);
    else
        song.SetArtistName(UnitsToBytes(name));
}

QString tImportedText::SongNameUnits(const tLyrimoData& song) const {
    return form == tTextForm::Wide ? song.WideSongName() : BytesToUnits(song.SongName());
}

QString tImportedText::ArtistNameUnits(const tLyrimoData& song) const {
    return form == tTextForm::Wide ? song.WideArtistName() : BytesToUnits(song.ArtistName());
}

QByteArray tImportedText::PartName(const QString& units) const {
    if (form == tTextForm::Plain)
        return UnitsToBytes(units.left(kMaxPartNameLength));
    return ToSystemCodePage(Readable(units)).left(kMaxPartNameLength);
}

void tImportedText::ApplyTo(tLyrimoData& song) const {
    if (form == tTextForm::Wide) {
        song.SongSettings.setUnicodeText(1);
    } else if (form == tTextForm::EightBit) {
        // 8-bit text reads in the font's character set only while the song is not 16-bit.
        song.SongSettings.setUnicodeText(0);
        song.SongSettings.setTitleFontCharset(static_cast<uint8_t>(charset));
        for (int p = 0; p < song.PartCount(); ++p)
            song.GetPart(p)->PartExtras.setFontCharset(static_cast<uint8_t>(charset));
    }
}

// The detector reads a stream: how it is cut into calls does not change what it finds.
constexpr qsizetype kDetectorChunk = 64 * 1024;

tEncodingDetector::tEncodingDetector() : detector_(uchardet_new()) {}

tEncodingDetector::~tEncodingDetector() { uchardet_delete(detector_); }

void tEncodingDetector::Add(const QByteArray& text) {
    if (!nonAscii_) {
        for (char c : text) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                nonAscii_ = true;
                break;
            }
        }
    }
    if (nonAscii_)
        pending_ += text;
    if (pending_.size() >= kDetectorChunk)
        Feed();
    validUtf8_ = validUtf8_ && IsValidUtf8(text);
}

void tEncodingDetector::Feed() {
    if (!pending_.isEmpty())
        uchardet_handle_data(detector_, pending_.constData(), static_cast<size_t>(pending_.size()));
    pending_.clear();
}

tImportedText tEncodingDetector::Result() {
    if (!nonAscii_)
        return {};
    if (validUtf8_)
        return TextFormForEncoding("UTF-8");
    Feed();
    uchardet_data_end(detector_);
    const char* name = uchardet_get_charset(detector_);
    return TextFormForEncoding(QByteArray(name ? name : ""));
}

bool IsValidUtf8(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const auto* end = p + bytes.size();
    while (p < end) {
        const unsigned char lead = *p++;
        if (lead < 0x80)
            continue;
        int more = 0;
        uint32_t code = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3;
            code = lead & 0x07;
        } else {
            return false; // a continuation byte, an overlong lead or past U+10FFFF
        }
        if (end - p < more)
            return false;
        for (int i = 0; i < more; ++i, ++p) {
            if ((*p & 0xC0) != 0x80)
                return false;
            code = code << 6 | (*p & 0x3F);
        }
        const bool overlong = (more == 2 && code < 0x800) || (more == 3 && code < 0x10000);
        if (overlong || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
    }
    return true;
}

bool TakeByteOrderMark(QByteArray& bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        bytes.remove(0, 3);
        return true;
    }
    const bool littleEndian = bytes.startsWith("\xFF\xFE");
    if (!littleEndian && !bytes.startsWith("\xFE\xFF"))
        return false;
    QString text;
    text.resize((bytes.size() - 2) / 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto a = static_cast<unsigned char>(bytes[2 + 2 * i]);
        const auto b = static_cast<unsigned char>(bytes[3 + 2 * i]);
        text[i] = QChar(static_cast<char16_t>(littleEndian ? a | b << 8 : b | a << 8));
    }
    bytes = text.toUtf8();
    return true;
}

} // namespace lyrimo
