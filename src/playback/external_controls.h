// Bytes sent to an external device (lights, a relay board) on four playback events, through a
// serial or parallel port: COM1..COM4 are /dev/ttyS0..3 and LPT1..LPT3 are /dev/lp0..2.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace lyrimo {

class tSettingsClass;

namespace extevent {
constexpr int ScreenAppears = 0, SongStarts = 1, SongStops = 2, ScreenDisappears = 3;
} // namespace extevent

// The bytes a hexadecimal text stands for: upper-cased, two characters per byte, a trailing odd
// character ignored. A pair holding a character that is not a hexadecimal digit sends nothing.
QByteArray ExternalControlBytes(const QString& text);

// The device of a port name ("COM2" → "/dev/ttyS1", "lpt1" → "/dev/lp0"); empty for other names.
QString ExternalPortDevice(const QString& portName);

// Writes the bytes to an existing device in one write, without waiting on a port that cannot take
// them. True when the device opened and every byte was written.
bool SendToPort(const QString& devicePath, const QByteArray& bytes);

// Sends the event's data when external control and that event are enabled. Failures are silent:
// a missing port must never disturb a performance. True when the bytes went out.
bool SendExternalEvent(const tSettingsClass& settings, int event);

// Replaces the port-name-to-device mapping (tests point it at a plain file); empty restores it.
void SetExternalPortMapping(std::function<QString(const QString& portName)> mapping);

} // namespace lyrimo
