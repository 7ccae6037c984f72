// The WAVE files the voice suppressor reads and writes. The reader is the suppressor's own,
// tolerant of the headers old sound editors wrote: chunk identifiers are compared in any letter
// case, a "LOOP" word skips 8 bytes, and words that are neither are passed over one by one rather
// than by their chunk's size.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

class QIODevice;

namespace lyrimo {

struct tWaveFormat {
    QByteArray FormatId = "fmt "; // the format chunk's identifier as the input spelt it
    uint16_t FormatTag = 1;
    uint16_t Channels = 0;
    uint32_t SampleRate = 0;
    uint32_t ByteRate = 0;
    uint16_t BlockAlign = 0;
    uint16_t BitsPerSample = 0;
    uint32_t DataSize = 0;  // as stated by the data chunk
    int64_t DataOffset = 0; // where the first sample starts

    bool EightBit() const { return BitsPerSample == 8; }
    // 8-bit or 16-bit integer samples, the kinds the suppressor computes with directly.
    bool PlainPcm() const { return FormatTag == 1 && (BitsPerSample == 8 || BitsPerSample == 16); }
};

// Reads the header from the start of input, leaving it at the first sample. Returns "" or the
// (untranslated) reason the file is refused.
QString ReadWaveHeader(QIODevice& input, tWaveFormat& format);

// The 44-byte header of the mono file made from input: input's format tag, rate, bit depth and
// format identifier, one channel, dataSize bytes of samples.
QByteArray MonoWaveHeader(const tWaveFormat& input, uint32_t dataSize);

} // namespace lyrimo
