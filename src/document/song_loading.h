// Services around loading and saving songs: temporary files for embedded media
// and the progress of copying embedded objects.
#pragma once

#include "app/app_services.h"
#include "document/binary_file.h"

#include <QString>

namespace lyrimo {

// "hhnnssddmmyy" of the local time now.
QString TimeStampText();
// Milliseconds since the system started.
int64_t TickCount();

// The extension of a stored path, with its point ("" when none); both '/' and '\'
// separate folders because songs made on other systems store paths with '\'.
QString StoredPathExtension(const QByteArray& path);

// Creates a new, empty file named folder + "~" + time stamp + tick + n + extension
// with the first n that is free, and returns its path ("" when none can be created).
QString CreateTempMediaFile(const QString& folder, const QString& extension, int* fdOut);

// Writes count bytes at offset of the song file to a new temporary file named after
// the source media's extension and returns its path. Failures while writing are
// ignored: the returned file may then be short.
QString ExtractEmbeddedMedia(const tFileReader& song, int64_t offset, int64_t count,
                             const QByteArray& sourceMediaPath, const tCopyProgress& progress);

class tLyrimoData;

// The text shown for a load or save result code: the system's message for an I/O
// error, "Unknown Error (code)" for the song file's own negative codes.
QString ErrorText(int code);

// Tells the user that the song was made by a newer program; nothing for other songs.
void ShowNewerVersionWarning(const tLyrimoData& song);

// Reports copying progress to the user interface while alive; closes the window at the end.
class tEmbeddedProgress {
public:
    tEmbeddedProgress(tProgressKind kind, QString fileName) : kind_(kind), fileName_(std::move(fileName)) {}
    ~tEmbeddedProgress();
    tEmbeddedProgress(const tEmbeddedProgress&) = delete;
    tEmbeddedProgress& operator=(const tEmbeddedProgress&) = delete;

    tCopyProgress Callback();

private:
    tProgressKind kind_;
    QString fileName_;
    bool shown_ = false;
};

} // namespace lyrimo
