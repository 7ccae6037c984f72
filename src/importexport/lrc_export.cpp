#include "importexport/lrc_export.h"

#include "app/text_codec.h"
#include "document/binary_file.h"
#include "importexport/text_detect.h"

#include <algorithm>
#include <unistd.h>

namespace lyrimo {
namespace {

QByteArray TwoDigits(int value) {
    QByteArray text = QByteArray::number(value);
    return text.size() >= 2 ? text : QByteArray(2 - text.size(), '0') + text;
}

QByteArray TimeTag(int32_t lineStart) {
    return "[" + TwoDigits(lineStart / 60000) + ":" + TwoDigits((lineStart / 1000) % 60) + "]";
}

// A 16-bit song whose texts go beyond ASCII is written as UTF-8, since its 8-bit halves
// would lose those characters; other songs are written as the 8-bit text they hold.
bool NeedsUtf8(const tLyrimoData& song, const tLyricsData& part) {
    if (!song.SongSettings.UnicodeText())
        return false;
    auto beyondAscii = [](const QString& text) {
        for (QChar c : text) {
            if (c.unicode() >= 0x80)
                return true;
        }
        return false;
    };
    if (beyondAscii(song.WideSongName()) || beyondAscii(song.WideArtistName()))
        return true;
    for (int l = 0; l < part.LineCount(); ++l) {
        if (beyondAscii(part.GetLine(l)->WideText()))
            return true;
    }
    return false;
}

struct tOutputLine {
    QByteArray tags;
    QByteArray text;
    QString sameTextKey; // the text as compared, ignoring letter case
};

bool WriteAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

bool ExportLrc(const QString& path, tLyrimoData& song, int partIndex, const tImportProgress& progress,
               QObject* owner) {
    const tLyricsData* part = song.GetPart(partIndex);
    if (!part)
        return false;
    const bool utf8 = NeedsUtf8(song, *part);
    auto text = [utf8](const QString& wide, const QByteArray& eightBit) {
        return utf8 ? wide.toUtf8() : eightBit;
    };

    QByteArray out;
    out += "[ar:" + text(song.WideArtistName(), song.ArtistName()) + "]\r\n";
    out += "[by:(Exported from Lyrimo)]\r\n";
    out += "[ti:" + text(song.WideSongName(), song.SongName()) + " (" +
           text(FromSystemCodePage(part->PartRecord.PartName()), part->PartRecord.PartName()) + ")]\r\n";
    out += "\r\n";

    std::vector<tOutputLine> lines;
    for (int l = 0; l < part->LineCount(); ++l) {
        ReportProgress(progress, owner, song, 1, part->LineCount() - 1, l, import_kind::Lrc);
        const tTimingsLineType& line = *part->GetLine(l);
        const QByteArray tag = TimeTag(line.LineRecord.LineStart());
        const QByteArray lineText = TrimLyricText(text(line.WideText(), line.Text())) + " ";
        const QString key = utf8 ? QString::fromUtf8(lineText) : QString::fromLatin1(lineText);
        auto same = std::find_if(lines.begin(), lines.end(), [&](const tOutputLine& o) {
            return utf8 ? o.sameTextKey.compare(key, Qt::CaseInsensitive) == 0
                        : SameTextIgnoringAsciiCase(o.sameTextKey, key);
        });
        if (same != lines.end())
            same->tags += tag;
        else
            lines.push_back({tag, lineText, key});
    }
    for (const tOutputLine& line : lines)
        out += line.tags + line.text + "\r\n";

    tAtomicFile file(path);
    if (file.Create() != 0 || !WriteAll(file.Fd(), out))
        return false;
    return file.Commit();
}

} // namespace lyrimo
