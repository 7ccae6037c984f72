#include "playback/external_controls.h"

#include "app/settings.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace lyrimo {

namespace {

std::function<QString(const QString&)>& PortMapping() {
    static std::function<QString(const QString&)> mapping;
    return mapping;
}

int HexDigit(QChar c) {
    static const QString digits = "0123456789ABCDEF";
    return digits.indexOf(c);
}

} // namespace

QByteArray ExternalControlBytes(const QString& text) {
    const QString upper = text.toUpper();
    QByteArray bytes;
    for (int i = 0; i + 1 < upper.size(); i += 2) {
        const int high = HexDigit(upper[i]);
        const int low = HexDigit(upper[i + 1]);
        if (high < 0 || low < 0)
            continue;
        bytes.append(static_cast<char>(16 * high + low));
    }
    return bytes;
}

QString ExternalPortDevice(const QString& portName) {
    const QString name = portName.trimmed().toUpper();
    if (name.size() != 4)
        return {};
    const int number = name[3].digitValue();
    if (name.startsWith("COM") && number >= 1 && number <= 4)
        return "/dev/ttyS" + QString::number(number - 1);
    if (name.startsWith("LPT") && number >= 1 && number <= 3)
        return "/dev/lp" + QString::number(number - 1);
    return {};
}

bool SendToPort(const QString& devicePath, const QByteArray& bytes) {
    if (devicePath.isEmpty())
        return false;
    // No O_CREAT: only an existing device is written. O_NONBLOCK keeps an unconnected port from
    // holding up the performance; O_SYNC writes through. O_APPEND means nothing to a device, and
    // keeps every event when the "port" is a plain file (a log of what would have been sent).
    const int fd = ::open(QFile::encodeName(devicePath).constData(),
                          O_WRONLY | O_APPEND | O_NOCTTY | O_NONBLOCK | O_SYNC | O_CLOEXEC);
    if (fd < 0)
        return false;
    ssize_t written = 0;
    do {
        written = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
    } while (written < 0 && errno == EINTR);
    ::close(fd);
    return written == bytes.size();
}

bool SendExternalEvent(const tSettingsClass& settings, int event) {
    if (!settings.EnableControls || event < 0 || event >= static_cast<int>(settings.Enable.size()) ||
        !settings.Enable[static_cast<size_t>(event)])
        return false;
    const QString device =
        PortMapping() ? PortMapping()(settings.EnablePort) : ExternalPortDevice(settings.EnablePort);
    return SendToPort(device, ExternalControlBytes(settings.SendData[static_cast<size_t>(event)]));
}

void SetExternalPortMapping(std::function<QString(const QString& portName)> mapping) {
    PortMapping() = std::move(mapping);
}

} // namespace lyrimo
