#include "song_tree.h"

#include "app/text_codec.h"
#include "document/song.h"

#include <QDir>
#include <QFileInfo>

namespace lyrimo::test {

bool WriteSong(const QString& path, const tSongSpec& spec) {
    tLyrimoData song;
    song.SongSettings.setUnicodeText(spec.unicode ? 1 : 0);
    if (spec.unicode) {
        song.SetWideSongName(spec.songName);
        song.SetWideArtistName(spec.artist);
        song.SetWideAlbumName(spec.album);
    } else {
        song.SetSongName(ToSystemCodePage(spec.songName));
        song.SetArtistName(ToSystemCodePage(spec.artist));
        song.SetAlbumName(ToSystemCodePage(spec.album));
    }
    while (song.PartCount() > 0)
        song.DeletePart(0);
    auto part = std::make_unique<tLyricsData>();
    for (const QString& text : spec.lyrics) {
        tTimingsLineType* line = part->AddLine();
        if (spec.unicode)
            line->SetWideText(text);
        else
            line->LineRecord.setText(ToSystemCodePage(text));
    }
    song.AddPart(std::move(part));
    return QDir().mkpath(QFileInfo(path).absolutePath()) && song.SaveToFile(path) == 0;
}

} // namespace lyrimo::test
