// Makes the bundled demo karaoke file: "Twinkle, Twinkle, Little Star" (words by Jane
// Taylor, 1806; a traditional tune), three verses, as a Standard MIDI File with a melody,
// an accompaniment of chords and bass, and karaoke lyric events: "\" starts a verse, "/" a
// line, and "@T" tags carry the title and the author.
//
// Usage: make-demo-kar OUT.kar
// The output is the same byte for byte on every run; assets/demo/twinkle.kar is its result.
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kTicksPerBeat = 480;
constexpr uint32_t kTempo = 600000; // 100 beats a minute
constexpr int kBeatsPerLine = 8;
constexpr int kLeadInBeats = 8;
constexpr int kBeatsBetweenVerses = 4;

// The tune: six lines of seven notes, the last note of each two beats long.
const int kTuneLines[6][7] = {
    {60, 60, 67, 67, 69, 69, 67}, {65, 65, 64, 64, 62, 62, 60}, {67, 67, 65, 65, 64, 64, 62},
    {67, 67, 65, 65, 64, 64, 62}, {60, 60, 67, 67, 69, 69, 67}, {65, 65, 64, 64, 62, 62, 60},
};
// The root of the major chord of every two beats of each tune line.
const int kChordRoots[6][4] = {
    {48, 48, 53, 48}, {53, 48, 55, 48}, {48, 53, 48, 55},
    {48, 53, 48, 55}, {48, 48, 53, 48}, {53, 48, 55, 48},
};

using tVerse = std::vector<std::vector<std::string>>; // six lines of seven syllables

const std::vector<tVerse> kVerses = {
    {
        {"Twin", "kle, ", "twin", "kle, ", "lit", "tle ", "star,"},
        {"How ", "I ", "won", "der ", "what ", "you ", "are!"},
        {"Up ", "a", "bove ", "the ", "world ", "so ", "high,"},
        {"Like ", "a ", "dia", "mond ", "in ", "the ", "sky."},
        {"Twin", "kle, ", "twin", "kle, ", "lit", "tle ", "star,"},
        {"How ", "I ", "won", "der ", "what ", "you ", "are!"},
    },
    {
        {"When ", "the ", "bla", "zing ", "sun ", "is ", "gone,"},
        {"When ", "he ", "no", "thing ", "shines ", "up", "on,"},
        {"Then ", "you ", "show ", "your ", "lit", "tle ", "light,"},
        {"Twin", "kle, ", "twin", "kle, ", "all ", "the ", "night."},
        {"Twin", "kle, ", "twin", "kle, ", "lit", "tle ", "star,"},
        {"How ", "I ", "won", "der ", "what ", "you ", "are!"},
    },
    {
        {"As ", "your ", "bright ", "and ", "ti", "ny ", "spark"},
        {"Lights ", "the ", "trav'", "ller ", "in ", "the ", "dark,"},
        {"Though ", "I ", "know ", "not ", "what ", "you ", "are,"},
        {"Twin", "kle, ", "twin", "kle, ", "lit", "tle ", "star."},
        {"Twin", "kle, ", "twin", "kle, ", "lit", "tle ", "star,"},
        {"How ", "I ", "won", "der ", "what ", "you ", "are!"},
    },
};

// Events of one track by absolute tick; events at one tick keep the order they were added.
class tTrack {
public:
    void Add(uint32_t tick, std::vector<uint8_t> bytes) { events_.emplace(tick, std::move(bytes)); }
    void Meta(uint32_t tick, uint8_t type, const std::string& data) {
        std::vector<uint8_t> bytes = {0xFF, type};
        AppendVariableLength(bytes, static_cast<uint32_t>(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
        Add(tick, bytes);
    }
    void Note(uint32_t tick, uint32_t length, int channel, int note, int velocity) {
        Add(tick, {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(note),
                   static_cast<uint8_t>(velocity)});
        Add(tick + length, {static_cast<uint8_t>(0x80 | channel), static_cast<uint8_t>(note), 0});
    }

    std::vector<uint8_t> Chunk() const {
        std::vector<uint8_t> body;
        uint32_t previous = 0;
        for (const auto& [tick, bytes] : events_) {
            AppendVariableLength(body, tick - previous);
            body.insert(body.end(), bytes.begin(), bytes.end());
            previous = tick;
        }
        AppendVariableLength(body, 0);
        body.insert(body.end(), {0xFF, 0x2F, 0x00});
        std::vector<uint8_t> chunk = {'M', 'T', 'r', 'k'};
        AppendBigEndian(chunk, static_cast<uint32_t>(body.size()), 4);
        chunk.insert(chunk.end(), body.begin(), body.end());
        return chunk;
    }

    static void AppendVariableLength(std::vector<uint8_t>& out, uint32_t value) {
        std::vector<uint8_t> groups = {static_cast<uint8_t>(value & 0x7F)};
        while (value >>= 7)
            groups.insert(groups.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
        out.insert(out.end(), groups.begin(), groups.end());
    }
    static void AppendBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
        for (int i = bytes - 1; i >= 0; --i)
            out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }

private:
    std::multimap<uint32_t, std::vector<uint8_t>> events_;
};

std::vector<uint8_t> MakeKaraokeFile() {
    tTrack conductor, words, melody, chords, bass;
    conductor.Meta(0, 0x03, "Twinkle, Twinkle, Little Star");
    conductor.Add(0, {0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}); // 4/4
    conductor.Add(0, {0xFF, 0x51, 0x03, uint8_t(kTempo >> 16), uint8_t(kTempo >> 8), uint8_t(kTempo)});

    words.Meta(0, 0x03, "Words");
    for (const char* tag :
         {"@KMIDI KARAOKE FILE", "@V0100", "@IMade for Lyrimo; words and tune are in the public domain",
          "@TTwinkle, Twinkle, Little Star", "@TJane Taylor (1806), traditional tune"})
        words.Meta(0, 0x01, tag);
    melody.Meta(0, 0x03, "Melody");
    melody.Add(0, {0xC0, 73}); // flute
    chords.Meta(0, 0x03, "Accompaniment");
    chords.Add(0, {0xC1, 24}); // nylon guitar
    bass.Meta(0, 0x03, "Bass");
    bass.Add(0, {0xC2, 32}); // acoustic bass

    constexpr uint32_t beat = kTicksPerBeat;
    uint32_t lineStart = kLeadInBeats * beat;
    for (size_t v = 0; v < kVerses.size(); ++v) {
        for (int line = 0; line < 6; ++line) {
            for (int n = 0; n < 7; ++n) {
                const uint32_t tick = lineStart + n * beat;
                const uint32_t length = (n == 6 ? 2 : 1) * beat - beat / 8;
                std::string syllable = kVerses[v][line][n];
                if (n == 0)
                    syllable = (line == 0 ? "\\" : "/") + syllable;
                words.Meta(tick, 0x01, syllable);
                melody.Note(tick, length, 0, kTuneLines[line][n], 100);
            }
            for (int half = 0; half < 4; ++half) {
                const uint32_t tick = lineStart + half * 2 * beat;
                const int root = kChordRoots[line][half];
                for (int interval : {0, 4, 7}) // C, F and G major
                    chords.Note(tick, 2 * beat - beat / 8, 1, root + 12 + interval, 64);
                bass.Note(tick, 2 * beat - beat / 4, 2, root - 12, 90);
            }
            lineStart += kBeatsPerLine * beat;
        }
        if (v + 1 < kVerses.size()) {
            for (int interval : {0, 4, 7})
                chords.Note(lineStart, kBeatsBetweenVerses * beat - beat / 8, 1, 60 + interval, 56);
            bass.Note(lineStart, kBeatsBetweenVerses * beat - beat / 4, 2, 36, 80);
            lineStart += kBeatsBetweenVerses * beat;
        }
    }

    std::vector<uint8_t> file = {'M', 'T', 'h', 'd'};
    tTrack::AppendBigEndian(file, 6, 4);
    tTrack::AppendBigEndian(file, 1, 2); // format 1: tracks play together
    tTrack::AppendBigEndian(file, 5, 2);
    tTrack::AppendBigEndian(file, kTicksPerBeat, 2);
    for (const tTrack* track : {&conductor, &words, &melody, &chords, &bass}) {
        const std::vector<uint8_t> chunk = track->Chunk();
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: make-demo-kar OUT.kar\n");
        return 2;
    }
    const std::vector<uint8_t> file = MakeKaraokeFile();
    std::FILE* out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "make-demo-kar: writing %s failed\n", argv[1]);
        return 1;
    }
    return 0;
}
