#include "song_tree.h"

#include "app/text_codec.h"
#include "document/song.h"

#include <QDir>
#include <QFileInfo>

namespace lyrimo::test {

bool WriteSong(const QString& path, const tSongContent& content) {
    tLyrimoData song;
    song.SongSettings.setUnicodeText(content.unicode ? 1 : 0);
    if (content.unicode) {
        song.SetWideSongName(content.songName);
        song.SetWideArtistName(content.artist);
        song.SetWideAlbumName(content.album);
    } else {
        song.SetSongName(ToSystemCodePage(content.songName));
        song.SetArtistName(ToSystemCodePage(content.artist));
        song.SetAlbumName(ToSystemCodePage(content.album));
    }
    while (song.PartCount() > 0)
        song.DeletePart(0);
    auto part = std::make_unique<tLyricsData>();
    for (const QString& text : content.lyrics) {
        tTimingsLineType* line = part->AddLine();
        if (content.unicode)
            line->SetWideText(text);
        else
            line->LineRecord.setText(ToSystemCodePage(text));
    }
    song.AddPart(std::move(part));
    return QDir().mkpath(QFileInfo(path).absolutePath()) && song.SaveToFile(path) == 0;
}

} // namespace lyrimo::test
