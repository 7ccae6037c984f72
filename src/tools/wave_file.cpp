#include "tools/wave_file.h"

#include <QIODevice>

namespace lyrimo {
namespace {

constexpr int kMinimumHeader = 40;
constexpr int kMostChunkWords = 7;

uint16_t U16(const QByteArray& bytes, int at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
}

uint32_t U32(const QByteArray& bytes, int at) {
    return static_cast<uint32_t>(U16(bytes, at)) | static_cast<uint32_t>(U16(bytes, at + 2)) << 16;
}

void PutU16(QByteArray& bytes, uint16_t value) {
    bytes += static_cast<char>(value & 0xff);
    bytes += static_cast<char>(value >> 8);
}

void PutU32(QByteArray& bytes, uint32_t value) {
    PutU16(bytes, static_cast<uint16_t>(value & 0xffff));
    PutU16(bytes, static_cast<uint16_t>(value >> 16));
}

// Reads count bytes; false on a short read.
bool ReadExactly(QIODevice& input, QByteArray& bytes, int count) {
    bytes = input.read(count);
    return bytes.size() == count;
}

bool Skip(QIODevice& input, qint64 count) { return input.skip(count) == count; }

void ReadFormatFields(const QByteArray& fields, uint32_t size, tWaveFormat& format) {
    QByteArray padded = fields;
    padded.resize(16, '\0');
    format.FormatTag = U16(padded, 0);
    format.Channels = U16(padded, 2);
    format.SampleRate = U32(padded, 4);
    format.ByteRate = U32(padded, 8);
    format.BlockAlign = U16(padded, 12);
    format.BitsPerSample = U16(padded, 14);
    if (size >= 16)
        return;
    switch (format.BlockAlign) {
    case 1: format.BitsPerSample = 8; break;
    case 4: format.BitsPerSample = 16; break;
    case 2: format.BitsPerSample = format.Channels == 1 ? 16 : 8; break;
    default: break;
    }
}

// Reads the format chunk after its identifier; false on a short read.
bool ReadFormatChunk(QIODevice& input, tWaveFormat& format) {
    QByteArray bytes;
    if (!ReadExactly(input, bytes, 4))
        return false;
    const uint32_t size = U32(bytes, 0);
    const int fieldBytes = static_cast<int>(std::min<uint32_t>(size, 16));
    if (!ReadExactly(input, bytes, fieldBytes))
        return false;
    ReadFormatFields(bytes, size, format);
    return size <= 16 || Skip(input, size - 16);
}

} // namespace

QString ReadWaveHeader(QIODevice& input, tWaveFormat& format) {
    format = {};
    if (input.size() < kMinimumHeader)
        return "Input file is too small to be a valid wave file...";
    QByteArray word;
    if (!ReadExactly(input, word, 12))
        return "Input file is too small to be a valid wave file...";
    if (word.left(4).toUpper() != "RIFF")
        return "Input file is not a RIFF wave file";
    if (word.mid(8, 4).toUpper() != "WAVE")
        return "Input file is not a WAVE file";

    bool formatSeen = false;
    bool dataFound = false;
    for (int i = 0; i < kMostChunkWords && !dataFound; ++i) {
        if (!ReadExactly(input, word, 4))
            break;
        const QByteArray id = word.toUpper();
        if (id == "DATA") {
            dataFound = true;
        } else if (id == "LOOP") {
            if (!Skip(input, 8))
                break;
        } else if (id.startsWith("FMT")) {
            format.FormatId = word;
            formatSeen = true;
            if (!ReadFormatChunk(input, format))
                break;
        }
    }
    if (!dataFound)
        return "Unable to find DATA block in wave file";
    if (!formatSeen)
        return "Input file does not say how its sound is stored (no wave format chunk)";
    if (format.Channels != 2)
        return "Input file MUST be stereo";
    if (!ReadExactly(input, word, 4) || U32(word, 0) < 1)
        return "Wave file contains no sound data";
    format.DataSize = U32(word, 0);
    format.DataOffset = input.pos();
    return {};
}

QByteArray MonoWaveHeader(const tWaveFormat& input, uint32_t dataSize) {
    const uint16_t blockAlign = input.BitsPerSample / 8;
    QByteArray header = "RIFF";
    PutU32(header, 36 + dataSize);
    header += "WAVE";
    header += input.FormatId.left(4).leftJustified(4, ' ');
    PutU32(header, 16);
    PutU16(header, input.FormatTag);
    PutU16(header, 1);
    PutU32(header, input.SampleRate);
    PutU32(header, input.SampleRate * blockAlign);
    PutU16(header, blockAlign);
    PutU16(header, input.BitsPerSample);
    header += "data";
    PutU32(header, dataSize);
    return header;
}

} // namespace lyrimo
