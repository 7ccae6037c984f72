// Makes the bundled demo song: "Twinkle, Twinkle, Little Star" (words by Jane
// Taylor, 1806; a traditional tune), timed syllable by syllable, with the tune
// as a small MIDI file embedded in the song.
//
// Usage: make-demo-song OUT.lym   (also leaves twinkle.mid beside it)
#include "document/song.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <vector>

using namespace lyrimo;

namespace {

constexpr int kBeatMs = 500; // 120 beats a minute

struct tSyllable {
    const char* text; // with its trailing space or punctuation
    int midiNote;
    int beats;
};

// The six lines of the song; every line lasts eight beats.
const std::vector<std::vector<tSyllable>> kLines = {
    {{"Twin", 60, 1}, {"kle, ", 60, 1}, {"twin", 67, 1}, {"kle, ", 67, 1}, {"lit", 69, 1}, {"tle ", 69, 1}, {"star,", 67, 2}},
    {{"How ", 65, 1}, {"I ", 65, 1}, {"won", 64, 1}, {"der ", 64, 1}, {"what ", 62, 1}, {"you ", 62, 1}, {"are!", 60, 2}},
    {{"Up ", 67, 1}, {"a", 67, 1}, {"bove ", 65, 1}, {"the ", 65, 1}, {"world ", 64, 1}, {"so ", 64, 1}, {"high,", 62, 2}},
    {{"Like ", 67, 1}, {"a ", 67, 1}, {"dia", 65, 1}, {"mond ", 65, 1}, {"in ", 64, 1}, {"the ", 64, 1}, {"sky.", 62, 2}},
    {{"Twin", 60, 1}, {"kle, ", 60, 1}, {"twin", 67, 1}, {"kle, ", 67, 1}, {"lit", 69, 1}, {"tle ", 69, 1}, {"star,", 67, 2}},
    {{"How ", 65, 1}, {"I ", 65, 1}, {"won", 64, 1}, {"der ", 64, 1}, {"what ", 62, 1}, {"you ", 62, 1}, {"are!", 60, 2}},
};
constexpr int kLeadInBeats = 4;

void AppendBigEndian(QByteArray& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>(value >> (8 * i));
}

void AppendVariableLength(QByteArray& out, uint32_t value) {
    QByteArray groups(1, static_cast<char>(value & 0x7F));
    while (value >>= 7)
        groups.prepend(static_cast<char>(0x80 | (value & 0x7F)));
    out += groups;
}

// A format-0 standard MIDI file of the melody on a piano, 480 ticks a beat.
QByteArray MakeMidi() {
    constexpr int kTicksPerBeat = 480;
    QByteArray track;
    auto event = [&track](uint32_t delta, std::initializer_list<int> bytes) {
        AppendVariableLength(track, delta);
        for (int b : bytes)
            track += static_cast<char>(b);
    };
    event(0, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}); // 500000 us a beat
    event(0, {0xC0, 0x00});
    uint32_t pending = kLeadInBeats * kTicksPerBeat;
    for (const auto& line : kLines) {
        for (const tSyllable& s : line) {
            event(pending, {0x90, s.midiNote, 96});
            event(s.beats * kTicksPerBeat - 24, {0x80, s.midiNote, 0});
            pending = 24;
        }
    }
    event(pending, {0xFF, 0x2F, 0x00});

    QByteArray file("MThd");
    AppendBigEndian(file, 6, 4);
    AppendBigEndian(file, 0, 2);
    AppendBigEndian(file, 1, 2);
    AppendBigEndian(file, kTicksPerBeat, 2);
    file += "MTrk";
    AppendBigEndian(file, static_cast<uint32_t>(track.size()), 4);
    return file + track;
}

void AddLyrics(tLyricsData& part) {
    int beat = kLeadInBeats;
    for (const auto& syllables : kLines) {
        tTimingsLineType& line = *part.AddLine();
        QByteArray text;
        const int lineStart = beat * kBeatMs;
        for (const tSyllable& s : syllables) {
            line.AddTiming(MakeTiming(static_cast<uint8_t>(text.size()), static_cast<uint16_t>(beat * kBeatMs - lineStart)));
            text += s.text;
            beat += s.beats;
        }
        line.AddTiming(MakeTiming(static_cast<uint8_t>(text.size()), static_cast<uint16_t>(beat * kBeatMs - lineStart)));
        line.SetWideText(QString::fromLatin1(text));
        tLineRecord& r = line.LineRecord;
        r.setLineStart(lineStart);
        r.setNormalColour(0xFFFFFF);
        r.setHighlightColour(0x00FFFF);
        r.setHighlightBackground(0x000000);
        r.setFormatColour(0x000000);
        r.setHighlightFormatColour(0x000000);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: make-demo-song OUT.lym\n");
        return 2;
    }
    const QFileInfo target(QString::fromLocal8Bit(argv[1]));
    QDir::setCurrent(target.absolutePath());

    QFile midi("twinkle.mid");
    if (!midi.open(QIODevice::WriteOnly) || midi.write(MakeMidi()) < 0) {
        std::fprintf(stderr, "make-demo-song: cannot write twinkle.mid\n");
        return 1;
    }
    midi.close();

    tLyrimoData song;
    song.SetWideSongName("Twinkle, Twinkle, Little Star");
    song.SetWideArtistName("Traditional (words by Jane Taylor)");
    song.SetWideAlbumName("Lyrimo demo");
    song.SetWideSongYear("1806");
    tSongSettings& s = song.SongSettings;
    s.setUseMediaFile(1);
    s.setMediaFileName("twinkle.mid");
    s.setEmbedMedia(1);
    s.setBackgroundColour(0x401010);
    s.setTitleEffect(5);

    tLyricsData& part = *song.GetPart(0);
    tFontRecord font = part.PartRecord.LyricsFont();
    font.setcolour(0xFFFFFF);
    font.setsize(36);
    part.PartRecord.setLyricsFont(font);
    part.PartRecord.setTimingsRecorded(1);
    part.PartExtras.setTextMode(3); // highlight characters
    part.PartExtras.setBallStyle(2);
    part.PartRecord.setBallNumber(1);
    AddLyrics(part);

    if (int result = song.SaveToFile(target.fileName())) {
        std::fprintf(stderr, "make-demo-song: saving %s failed (%d)\n", argv[1], result);
        return 1;
    }
    return 0;
}
