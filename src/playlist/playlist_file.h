// The ".LPL" playlist: a header line with two flags, then one line per song, each a
// requester flag character ("1" shows the media requester before the song) followed by the
// song file's path.
#pragma once

#include <QString>
#include <QStringList>

namespace lyrimo {

inline constexpr const char* kPlaylistHeader = "Lyrimo Playlist File. %";
inline constexpr int kPlaylistHeaderLength = 23;

class tBatchKaraokeFile {
public:
    QStringList Entries;       // in playing order
    bool RandomOrder = false;  // play the entries in a random order
    bool ReservedFlag = false; // kept from the file, otherwise unused

    int Count() const { return static_cast<int>(Entries.size()); }
};

// A new entry for a song, without the media requester.
QString PlaylistEntry(const QString& songFile, bool showRequester = false);
bool EntryShowsRequester(const QString& entry);
QString EntrySongFile(const QString& entry);
// Sets the entry's first character; an empty entry becomes that one character.
void SetEntryRequester(QString& entry, bool showRequester);

// Empties the entries and clears both flags.
void ClearPlaylist(tBatchKaraokeFile& playlist);

// False, with the playlist empty, when the file cannot be read, has no lines or lacks the
// header. Lines may end in CR, LF or CR LF. Text is UTF-8, as Linux names files; a line that is
// not UTF-8 is read in the system code page, as older playlists were written. A relative song
// path is taken from the playlist's own folder, so the playlist plays from anywhere.
bool LoadPlaylist(tBatchKaraokeFile& playlist, const QString& file);
// The same reading, from the file's bytes; folder resolves relative song paths.
bool ParsePlaylist(tBatchKaraokeFile& playlist, const QByteArray& bytes, const QString& folder);

// The header, then every entry, each line ending in CR LF. The file is replaced only once the
// new one is completely written; false when writing fails (the old file is then untouched).
bool SavePlaylist(const tBatchKaraokeFile& playlist, const QString& file);
QByteArray PlaylistBytes(const tBatchKaraokeFile& playlist);

} // namespace lyrimo
