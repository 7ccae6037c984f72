// The machine's CD drives. A drive is named by a letter: its index in libcdio's device list
// shown as a letter, "A" for the first.
#pragma once

#include <QString>
#include <QStringList>

namespace lyrimo {

// Device paths of the CD drives (for example "/dev/sr0"), in libcdio's order.
QStringList CdDevices();

// "A" for 0, "B" for 1, ...; empty outside "A" to "Z".
QString CdDriveLetter(int index);
// The index a drive letter stands for (either case), or -1 when the text does not start with one.
int CdDriveIndex(const QString& letter);
// The device path of a drive letter, or empty when there is no such drive.
QString CdDeviceForLetter(const QString& letter);

} // namespace lyrimo
