#include "app/text_codec.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

namespace lyrimo {
namespace {

std::string g_systemCodePage = "WINDOWS-1252";

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// Opening a converter loads its tables each time, which costs far more than converting a
// short text; importers convert one text per lyric event. So each thread keeps the converters
// it opened, the most recently used first, and returns them to their initial state before
// every use.
class tConverterCache {
public:
    tConverterCache() = default;
    ~tConverterCache() {
        for (const tEntry& entry : entries_)
            iconv_close(entry.cd);
    }
    tConverterCache(const tConverterCache&) = delete;
    tConverterCache& operator=(const tConverterCache&) = delete;

    // A converter ready for a new text; kNoConverter when iconv knows no such conversion.
    iconv_t Get(const char* to, const char* from) {
        auto found = std::find_if(entries_.begin(), entries_.end(),
                                  [&](const tEntry& entry) { return entry.to == to && entry.from == from; });
        if (found == entries_.end())
            return Open(to, from);
        std::rotate(entries_.begin(), found, found + 1);
        iconv(entries_.front().cd, nullptr, nullptr, nullptr, nullptr);
        return entries_.front().cd;
    }

private:
    struct tEntry {
        std::string to, from;
        iconv_t cd;
    };
    static constexpr size_t kMaxConverters = 16;

    iconv_t Open(const char* to, const char* from) {
        const iconv_t cd = iconv_open(to, from);
        if (cd == kNoConverter)
            return cd;
        if (entries_.size() == kMaxConverters) {
            iconv_close(entries_.back().cd);
            entries_.pop_back();
        }
        entries_.insert(entries_.begin(), tEntry{to, from, cd});
        return cd;
    }

    std::vector<tEntry> entries_;
};

// Converts src with iconv; an input sequence the target cannot take is replaced
// by `replacement` (in the target encoding) and skipped by `skipBytes`.
QByteArray Convert(const char* to, const char* from, const QByteArray& src, const QByteArray& replacement,
                   size_t skipBytes) {
    thread_local tConverterCache converters;
    const iconv_t cd = converters.Get(to, from);
    if (cd == kNoConverter)
        return {};
    QByteArray out;
    out.reserve(src.size() * 2 + 16);
    char* in = const_cast<char*>(src.constData());
    size_t inLeft = static_cast<size_t>(src.size());
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<qsizetype>(outPtr - buffer));
        if (r != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL: replace the offending unit and go on.
        out.append(replacement);
        size_t skip = std::min(skipBytes, inLeft);
        in += skip;
        inLeft -= skip;
    }
    return out;
}

} // namespace

const char* CodePageForCharset(int charset) {
    switch (charset) {
    case 2: return "ISO-8859-1";
    case 238: return "WINDOWS-1250";
    case 204: return "WINDOWS-1251";
    case 161: return "WINDOWS-1253";
    case 162: return "WINDOWS-1254";
    case 177: return "WINDOWS-1255";
    case 178: return "WINDOWS-1256";
    case 186: return "WINDOWS-1257";
    case 163: return "WINDOWS-1258";
    case 222: return "CP874";
    case 128: return "CP932";
    case 134: return "CP936";
    case 129: return "CP949";
    case 136: return "CP950";
    default: return "WINDOWS-1252";
    }
}

const char* SystemCodePage() { return g_systemCodePage.c_str(); }
void SetSystemCodePage(const char* iconvName) { g_systemCodePage = iconvName; }

QByteArray EncodeText(const QString& text, const char* codePage) {
    QByteArray utf16(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return Convert(codePage, "UTF-16LE", utf16, "?", 2);
}

QString DecodeText(const QByteArray& bytes, const char* codePage) {
    QByteArray utf16 = Convert("UTF-16LE", codePage, bytes, QByteArray("\xFD\xFF", 2), 1);
    return QString(reinterpret_cast<const QChar*>(utf16.constData()), utf16.size() / 2);
}

} // namespace lyrimo
