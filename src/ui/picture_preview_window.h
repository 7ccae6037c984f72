// The picture preview window: a picture of a song (a background, a slide, a ball or animation
// strip) shown at its size, or fitted to the screen when larger, with its name and size.
#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

namespace lyrimo {

// Shows the picture held in bytes, or read from the file when bytes is empty; the file name's
// extension says how it is decoded. False with the reason when there is nothing to show.
bool PreviewPicture(const QString& fileName, const QByteArray& bytes, QString& reason,
                    QWidget* parent = nullptr);

} // namespace lyrimo
