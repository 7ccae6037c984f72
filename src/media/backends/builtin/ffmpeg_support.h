// What the FFmpeg-based parts of the built-in player share: how a file is opened safely and how
// the library's failures read to the user.
#pragma once

#include <QString>

struct AVFormatContext;

namespace lyrimo {

// Opens a plain file (never another file or address it names) in one of the containers that
// carry sound or video, and reads its stream information. On failure the context is freed and
// the reason is given.
bool OpenMediaContainer(const QString& fileName, AVFormatContext** format, QString& reason);

// The user's words for an FFmpeg error code returned while opening.
QString OpenFailureText(int error);

} // namespace lyrimo
