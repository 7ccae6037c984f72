// Builds Standard MIDI File bytes for the importer tests.
#pragma once

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <initializer_list>

namespace lyrimo::test {

inline QByteArray VarLen(uint32_t value) {
    QByteArray groups(1, static_cast<char>(value & 0x7F));
    while (value >>= 7)
        groups.prepend(static_cast<char>(0x80 | (value & 0x7F)));
    return groups;
}

inline QByteArray BigEndian(uint32_t value, int bytes) {
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>(value >> (8 * i));
    return out;
}

// One track's events, each written with its delta from the previous one.
class tSmfTrack {
public:
    tSmfTrack& Raw(uint32_t delta, std::initializer_list<int> bytes) {
        data_ += VarLen(delta);
        for (int b : bytes)
            data_ += static_cast<char>(b);
        return *this;
    }
    tSmfTrack& Meta(uint32_t delta, int type, const QByteArray& text) {
        data_ += VarLen(delta) + '\xFF' + static_cast<char>(type) +
                 VarLen(static_cast<uint32_t>(text.size())) + text;
        return *this;
    }
    tSmfTrack& Lyric(uint32_t delta, const QByteArray& text) { return Meta(delta, 0x05, text); }
    tSmfTrack& Text(uint32_t delta, const QByteArray& text) { return Meta(delta, 0x01, text); }
    tSmfTrack& Name(const QByteArray& name) { return Meta(0, 0x03, name); }
    tSmfTrack& Tempo(uint32_t delta, uint32_t microsecondsPerQuarter) {
        return Meta(delta, 0x51, BigEndian(microsecondsPerQuarter, 3));
    }
    tSmfTrack& End(uint32_t delta = 0) { return Meta(delta, 0x2F, {}); }

    // The events without the chunk header, for hand-made damage.
    QByteArray Events() const { return data_; }
    QByteArray Chunk() const { return "MTrk" + BigEndian(static_cast<uint32_t>(data_.size()), 4) + data_; }

private:
    QByteArray data_;
};

inline QByteArray SmfHeader(int tracks, int division, int format = 1) {
    return "MThd" + BigEndian(6, 4) + BigEndian(format, 2) + BigEndian(tracks, 2) + BigEndian(division, 2);
}

inline QByteArray Smf(const QList<tSmfTrack>& tracks, int division = 96) {
    QByteArray file = SmfHeader(static_cast<int>(tracks.size()), division);
    for (const tSmfTrack& track : tracks)
        file += track.Chunk();
    return file;
}

} // namespace lyrimo::test
