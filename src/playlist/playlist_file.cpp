#include "playlist/playlist_file.h"

#include "app/atomic_file.h"
#include "app/text_codec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace lyrimo {
namespace {

QList<QByteArray> SplitLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.append(bytes.mid(start, i - start));
        if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(bytes.mid(start));
    return lines;
}

QString DecodeLine(const QByteArray& line) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(line);
    if (!utf8.hasError())
        return text;
    return FromSystemCodePage(line);
}

bool IsForeignAbsolutePath(const QString& path) {
    // "C:\Songs\x.lym" or "\\server\x.lym" from a playlist made elsewhere: kept as written.
    return (path.size() >= 2 && path[1] == ':') || path.startsWith('\\');
}

// The flag is the entry's first character. A line written elsewhere may start with a character
// outside the 16-bit range instead, which takes two code units; it is never split, so that no
// half character is left in the path.
qsizetype FlagLength(const QString& entry) {
    return entry.size() >= 2 && entry[0].isHighSurrogate() && entry[1].isLowSurrogate() ? 2 : 1;
}

QString ResolveEntry(const QString& entry, const QString& folder) {
    if (entry.isEmpty())
        return entry;
    const QString song = EntrySongFile(entry);
    if (song.isEmpty() || folder.isEmpty() || QDir::isAbsolutePath(song) || IsForeignAbsolutePath(song))
        return entry;
    return entry.left(FlagLength(entry)) + QDir::cleanPath(QDir(folder).absoluteFilePath(song));
}

} // namespace

QString PlaylistEntry(const QString& songFile, bool showRequester) {
    return (showRequester ? QStringLiteral("1") : QStringLiteral("0")) + songFile;
}

bool EntryShowsRequester(const QString& entry) { return entry.startsWith('1'); }

QString EntrySongFile(const QString& entry) { return entry.mid(FlagLength(entry)); }

void SetEntryRequester(QString& entry, bool showRequester) {
    const QChar flag = showRequester ? QChar('1') : QChar('0');
    if (entry.isEmpty())
        entry = flag;
    else
        entry.replace(0, FlagLength(entry), flag);
}

void ClearPlaylist(tBatchKaraokeFile& playlist) {
    playlist.Entries.clear();
    playlist.RandomOrder = false;
    playlist.ReservedFlag = false;
}

bool ParsePlaylist(tBatchKaraokeFile& playlist, const QByteArray& bytes, const QString& folder) {
    ClearPlaylist(playlist);
    const QList<QByteArray> lines = SplitLines(bytes);
    if (lines.isEmpty())
        return false;
    const QByteArray& header = lines.front();
    if (!header.startsWith(kPlaylistHeader))
        return false;
    playlist.RandomOrder = header.size() > kPlaylistHeaderLength && header[kPlaylistHeaderLength] == '1';
    playlist.ReservedFlag =
        header.size() > kPlaylistHeaderLength + 1 && header[kPlaylistHeaderLength + 1] == '1';
    for (qsizetype i = 1; i < lines.size(); ++i)
        playlist.Entries.append(ResolveEntry(DecodeLine(lines[i]), folder));
    return true;
}

bool LoadPlaylist(tBatchKaraokeFile& playlist, const QString& file) {
    ClearPlaylist(playlist);
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = input.readAll();
    if (input.error() != QFileDevice::NoError)
        return false;
    return ParsePlaylist(playlist, bytes, QFileInfo(file).absolutePath());
}

QByteArray PlaylistBytes(const tBatchKaraokeFile& playlist) {
    QByteArray bytes = kPlaylistHeader;
    bytes += playlist.RandomOrder ? '1' : '0';
    bytes += playlist.ReservedFlag ? '1' : '0';
    bytes += "\r\n";
    for (const QString& entry : playlist.Entries) {
        bytes += entry.toUtf8();
        bytes += "\r\n";
    }
    return bytes;
}

bool SavePlaylist(const tBatchKaraokeFile& playlist, const QString& file) {
    return WriteFileAtomically(file, PlaylistBytes(playlist));
}

} // namespace lyrimo
