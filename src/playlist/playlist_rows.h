// What a playlist shows of each song without loading it: the song's names and where its media
// comes from, taken from the song file's settings record alone so that long lists stay quick.
#pragma once

#include <QString>

namespace lyrimo {

class tSongSettings;

struct tPlaylistRow {
    QString file; // the song file's name without its folder
    QString album;
    QString songName;
    QString artist;
    QString source;        // the media: a CD track, embedded media or a media file
    bool readable = false; // the settings record could be read
};

// The row of a song file. A file that cannot be read as a song shows "Error", "Loading", "File"
// in the three name columns and no source.
tPlaylistRow ReadPlaylistRow(const QString& songFile);
tPlaylistRow PlaylistRowOf(const QString& songFile, const tSongSettings* settings);

// A song name, artist or album as people read it: the wide text when the song stores Unicode,
// otherwise the 8-bit text in the song's character set.
QString SongTextOf(const tSongSettings& settings, const QByteArray& narrow, const QByteArray& high);
// "CD Track 3", "Embedded mp3 file" or the media file's name.
QString MediaSourceOf(const tSongSettings& settings);

} // namespace lyrimo
