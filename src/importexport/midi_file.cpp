#include "importexport/midi_file.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace lyrimo {
namespace {

uint32_t BigEndian32(const QByteArray& bytes, qsizetype pos) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[pos + i]);
    return value;
}

uint32_t LittleEndian32(const QByteArray& bytes, qsizetype pos) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[pos + i]);
    return value;
}

// The bytes of the "data" chunk of a RIFF "RMID" file; the bytes themselves for any other file.
QByteArray UnwrapRiff(const QByteArray& bytes) {
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "RMID")
        return bytes;
    qsizetype pos = 12;
    while (bytes.size() - pos >= 8) {
        const QByteArray id = bytes.mid(pos, 4);
        const int64_t length = LittleEndian32(bytes, pos + 4);
        pos += 8;
        if (id == "data")
            return bytes.mid(pos, static_cast<qsizetype>(std::min<int64_t>(length, bytes.size() - pos)));
        pos += static_cast<qsizetype>(std::min<int64_t>(length + (length & 1), bytes.size() - pos));
    }
    return {};
}

__extension__ typedef __int128 tInt128;

// Exact rational rounding, half away from zero; den > 0.
int64_t RoundedQuotient(tInt128 num, tInt128 den) {
    const bool negative = num < 0;
    const tInt128 magnitude = negative ? -num : num;
    tInt128 q = (2 * magnitude + den) / (2 * den);
    constexpr tInt128 kLimit = int64_t(1) << 53; // far beyond any song, and safe to add up
    q = std::min(q, kLimit);
    return static_cast<int64_t>(negative ? -q : q);
}

// Seven bits a byte, most significant first, up to a byte with its top bit clear.
uint32_t ReadVariableLength(QByteArrayView bytes, qsizetype& pos) {
    uint32_t value = 0;
    while (pos < bytes.size()) {
        const auto b = static_cast<uint8_t>(bytes[pos++]);
        value = value << 7 | (b & 0x7F);
        if (!(b & 0x80))
            break;
    }
    return value;
}

// Data bytes that follow a status byte other than a meta or system exclusive one.
int ChannelDataLength(uint8_t status) {
    switch (status) {
    case 0xF6:
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
    case 0xFE: return 0;
    case 0xF3: return 1;
    default: return status >= 0xC0 && status <= 0xDF ? 1 : 2;
    }
}

} // namespace

void ForEachMidiEvent(const QByteArray& track, const std::function<void(const tMidiEvent&)>& visit) {
    const QByteArrayView bytes(track);
    qsizetype pos = 0;
    tMidiEvent event;
    uint8_t runningStatus = 0;
    while (bytes.size() - pos >= 2) {
        event.Tick += ReadVariableLength(bytes, pos);
        if (pos >= bytes.size())
            return;
        event.Status = static_cast<uint8_t>(bytes[pos++]);
        if (event.Status < 0x80) {
            event.Status = runningStatus;
            --pos;
        } else {
            runningStatus = event.Status;
        }
        event.MetaType = 0;
        qsizetype length = 0;
        if (event.Status == 0xFF) {
            if (pos >= bytes.size())
                return;
            event.MetaType = static_cast<uint8_t>(bytes[pos++]);
            length = ReadVariableLength(bytes, pos);
        } else if (event.Status == 0xF0 || event.Status == 0xF7) {
            length = ReadVariableLength(bytes, pos);
        } else {
            length = ChannelDataLength(event.Status);
        }
        if (length > bytes.size() - pos)
            return;
        event.Data = bytes.sliced(pos, length);
        pos += length;
        if (event.Status == 0xFF && event.MetaType == 0x2F)
            return;
        visit(event);
    }
}

MidiType ParseMidiBytes(const QByteArray& fileBytes) {
    MidiType midi;
    const QByteArray bytes = UnwrapRiff(fileBytes);
    const int64_t size = bytes.size();
    if (size < 8 || !bytes.startsWith("MThd")) {
        midi.Error = midi_error::NotMidi;
        return midi;
    }
    const int64_t headerLength = BigEndian32(bytes, 4);
    if (headerLength >= size - 8) {
        midi.Error = midi_error::Corrupt;
        return midi;
    }
    QByteArray header = bytes.mid(8, static_cast<qsizetype>(std::min<int64_t>(headerLength, 6)));
    header.append(6 - header.size(), '\0');
    midi.Format = static_cast<uint16_t>(static_cast<unsigned char>(header[0]) << 8 |
                                        static_cast<unsigned char>(header[1]));
    midi.TrackCount = static_cast<uint16_t>(static_cast<unsigned char>(header[2]) << 8 |
                                            static_cast<unsigned char>(header[3]));
    midi.Division = static_cast<int16_t>(static_cast<unsigned char>(header[4]) << 8 |
                                         static_cast<unsigned char>(header[5]));

    int64_t pos = 8 + headerLength;
    for (int track = 0; track < midi.TrackCount; ++track) {
        if (bytes.mid(static_cast<qsizetype>(pos), 4) != "MTrk") {
            midi.Error = midi_error::Corrupt; // the tracks read so far stay
            return midi;
        }
        if (size - pos < 8) {
            midi.Tracks.clear();
            midi.Error = midi_error::TrackMissing;
            return midi;
        }
        const int64_t length = BigEndian32(bytes, static_cast<qsizetype>(pos + 4));
        pos += 8;
        if (length > size - pos) {
            midi.Tracks.clear();
            midi.Error = midi_error::TrackMissing;
            return midi;
        }
        midi.Tracks.push_back(bytes.mid(static_cast<qsizetype>(pos), static_cast<qsizetype>(length)));
        pos += length;
    }
    midi.FileBytes = bytes;
    return midi;
}

MidiType ReadMidiFile(const QString& path) {
    MidiType midi;
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        midi.Error = midi_error::CannotOpen;
        return midi;
    }
    if (file.size() > kMaxMidiFileSize) {
        midi.Error = midi_error::TooLarge;
        return midi;
    }
    return ParseMidiBytes(file.read(std::min<int64_t>(file.size(), kMaxMidiFileSize)));
}

int64_t MidiTime(int64_t ticks, uint32_t tempo, int16_t division) {
    if (IsSmpteDivision(division)) {
        const int framesPerSecond = -static_cast<int8_t>(static_cast<uint16_t>(division) >> 8);
        const int ticksPerFrame = std::max(1, division & 0xFF); // a frame of 0 ticks counts as 1
        return RoundedQuotient(tInt128(ticks) * 1000, tInt128(framesPerSecond) * ticksPerFrame);
    }
    const int ticksPerQuarter = division == 0 ? 1 : division;
    return RoundedQuotient(tInt128(ticks) * tempo, tInt128(ticksPerQuarter) * 1000);
}

} // namespace lyrimo
