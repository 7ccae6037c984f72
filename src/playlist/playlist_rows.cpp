#include "playlist/playlist_rows.h"

#include "app/app_services.h"
#include "app/text_codec.h"
#include "document/binary_file.h"
#include "document/song.h"

#include <QFileInfo>

namespace lyrimo {

QString SongTextOf(const tSongSettings& settings, const QByteArray& narrow, const QByteArray& high) {
    if (settings.UnicodeText())
        return JoinWideText(narrow, high);
    // Character set 1 is the "default" set: the system code page.
    const int charset = settings.TitleFontCharset();
    return DecodeText(narrow, charset == 1 ? SystemCodePage() : CodePageForCharset(charset));
}

QString MediaSourceOf(const tSongSettings& settings) {
    if (settings.UseMediaFile() == 0)
        return Translate("CD Track") + " " + QString::number(settings.CdTrack());
    const QString media = PathFromField(settings.MediaFileName());
    if (settings.EmbedMedia())
        return Translate("Embedded") + " " + QFileInfo(media).suffix() + " " + Translate("file");
    return media;
}

tPlaylistRow PlaylistRowOf(const QString& songFile, const tSongSettings* settings) {
    tPlaylistRow row;
    row.file = QFileInfo(songFile).fileName();
    if (!settings) {
        row.album = Translate("Error");
        row.songName = Translate("Loading");
        row.artist = Translate("File");
        return row;
    }
    const tSongSettings& s = *settings;
    row.readable = true;
    row.album = SongTextOf(s, s.AlbumName(), s.AlbumNameHigh());
    row.songName = SongTextOf(s, s.SongName(), s.SongNameHigh());
    row.artist = SongTextOf(s, s.ArtistName(), s.ArtistNameHigh());
    row.source = MediaSourceOf(s);
    return row;
}

tPlaylistRow ReadPlaylistRow(const QString& songFile) {
    tSongSettings settings;
    const bool read = !songFile.isEmpty() && ReadSettingsRecord(songFile, settings);
    return PlaylistRowOf(songFile, read ? &settings : nullptr);
}

} // namespace lyrimo
