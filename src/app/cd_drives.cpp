#include "app/cd_drives.h"

#include <cdio/cdio.h>

namespace lyrimo {

QStringList CdDevices() {
    QStringList devices;
    char** list = cdio_get_devices(DRIVER_DEVICE);
    for (char** device = list; device && *device; ++device)
        devices << QString::fromLocal8Bit(*device);
    cdio_free_device_list(list);
    return devices;
}

QString CdDriveLetter(int index) {
    if (index < 0 || index >= 26)
        return {};
    return QString(QChar(u'A' + index));
}

int CdDriveIndex(const QString& letter) {
    if (letter.isEmpty())
        return -1;
    const char16_t c = letter[0].toUpper().unicode();
    return c >= u'A' && c <= u'Z' ? c - u'A' : -1;
}

QString CdDeviceForLetter(const QString& letter) {
    const int index = CdDriveIndex(letter);
    if (index < 0)
        return {};
    const QStringList devices = CdDevices();
    return index < devices.size() ? devices[index] : QString();
}

} // namespace lyrimo
