// Song files on disk for the finder's tests and benchmark.
#pragma once

#include <QString>
#include <QStringList>

namespace lyrimo::test {

struct tSongContent {
    QString songName;
    QString artist;
    QString album;
    QStringList lyrics; // one line each, in one part
    bool unicode = false;
};

// Writes the song at path, making its folder; false when it could not be saved.
bool WriteSong(const QString& path, const tSongContent& content);

} // namespace lyrimo::test
