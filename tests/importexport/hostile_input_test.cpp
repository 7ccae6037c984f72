// Damaged and hostile files: every import ends with a clear failure or a bounded song.
#include "import_test_support.h"
#include "importexport/import_dispatch.h"
#include "importexport/midi_import.h"
#include "smf_builder.h"

#include <QElapsedTimer>

#include <random>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

class Hostile : public ImportTest {
protected:
    // The song a failed or successful import leaves must still keep the model's limits.
    static void ExpectSoundSong(const tLyrimoData& song) {
        ASSERT_GE(song.PartCount(), 1);
        for (int p = 0; p < song.PartCount(); ++p) {
            const tLyricsData& part = *song.GetPart(p);
            for (int l = 0; l < part.LineCount(); ++l) {
                const tTimingsLineType& line = *part.GetLine(l);
                EXPECT_LE(line.Text().size(), 160);
                EXPECT_LE(line.TimingCount(), 255);
            }
        }
    }
    bool ImportBytes(const QByteArray& bytes, const QString& name = "hostile.kar") {
        return ImportByExtension(Write(name, bytes), song);
    }
    tLyrimoData song;
};

QByteArray Bytes(std::initializer_list<int> values) {
    QByteArray bytes;
    for (int v : values)
        bytes += static_cast<char>(v);
    return bytes;
}

tSmfTrack Words(int k = 0) {
    tSmfTrack words;
    words.Lyric(10, "one" + QByteArray::number(k)).Lyric(10, "/two").Lyric(10, "/three").End();
    return words;
}

TEST_F(Hostile, DeclaredLengthsBeyondTheFileAreBounded) {
    const QByteArray header = SmfHeader(1, 96);
    const QByteArray lyrics = tSmfTrack().Lyric(10, "one").Lyric(10, "/two").Events();
    struct tCase {
        QByteArray events;
        bool imports;
    };
    const tCase cases[] = {
        {lyrics + Bytes({0x00, 0xFF, 0x05, 0xFF, 0xFF, 0xFF, 0x7F}) + "abc", true}, // a lyric claiming 256 MB
        {Bytes({0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0x7F}) + lyrics, false}, // so does a system exclusive
        {lyrics + QByteArray(100000, '\x80'), true},                   // a number that never ends
    };
    for (const tCase& c : cases) {
        EXPECT_EQ(
            ImportBytes(header + "MTrk" + BigEndian(static_cast<uint32_t>(c.events.size()), 4) + c.events),
            c.imports);
        ExpectSoundSong(song);
    }
    EXPECT_EQ(LineTexts(*song.GetPart(0)), QStringList({"one", "two"}));
    EXPECT_FALSE(ImportBytes(SmfHeader(0xFFFF, 96) + Words().Chunk()));
    EXPECT_FALSE(ImportBytes(header + "MTrk" + BigEndian(0x7FFFFFFF, 4) + Words().Events()));
}

TEST_F(Hostile, TenThousandLyricTracksGiveAtMost99Parts) {
    QList<tSmfTrack> tracks;
    for (int k = 0; k < 10000; ++k)
        tracks << Words(k);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(ImportBytes(Smf(tracks)));
    EXPECT_EQ(song.PartCount(), 99);
    EXPECT_LT(timer.elapsed(), 20000);
}

TEST_F(Hostile, LineBreaksThatWouldMultiplyTheTextAreRefused) {
    tSmfTrack words;
    words.Lyric(10, "one").Lyric(10, "/two").Lyric(10, QByteArray(1 << 20, '\n')).End();
    EXPECT_FALSE(ImportBytes(Smf({words})));
    EXPECT_FALSE(
        ImportMidi(Write("big.kar", Smf({words})), song, [](QObject*, tLyrimoData&, int, int, int, int) {}));
    EXPECT_EQ(ui.shownMessages.value(0),
              "Lyrimo - Error Importing File...: This file is too large to import.");
}

TEST_F(Hostile, EveryTruncationAndRandomDamageIsSurvived) {
    tSmfTrack conductor;
    conductor.Tempo(0, 500000).Text(0, "@TTitle").Raw(0, {0xF0, 3, 1, 2, 0xF7}).End();
    const QByteArray good = Smf({conductor, Words(1), Words(2)}, 0xE728);
    for (qsizetype length = 0; length < good.size(); ++length) {
        ImportBytes(good.left(length));
        ExpectSoundSong(song);
    }
    std::mt19937 random(1234);
    for (int round = 0; round < 400; ++round) {
        QByteArray damaged = good;
        for (int n = 0; n < 4; ++n)
            damaged[random() % damaged.size()] = static_cast<char>(random());
        ImportBytes(damaged);
        ExpectSoundSong(song);
    }
    // The same bytes read as lyrics text files.
    for (int round = 0; round < 100; ++round) {
        QByteArray damaged = good;
        damaged[random() % damaged.size()] = static_cast<char>(random());
        ImportBytes(damaged, round % 2 ? "damaged.lrc" : "damaged.kok");
        ExpectSoundSong(song);
    }
}

} // namespace
