// MIDI files: reading them into timed events, and playing them through the built-in player.
#include "media/backends/builtin/midi_sequence.h"
#include "media/backends/builtin/midi_source.h"
#include "media/backends/builtin_player.h"
#include "media_fixtures.h"
#include "pull_output.h"
#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

constexpr int kFramesPerMs = kPullRate / 1000;
constexpr int kFlute = 73;

// 120 beats a minute, a flute A4 at tick 1000 (1041.7 ms) for half a second; from tick 1920
// (2 s) 60 beats a minute, and a second note at 3 s lasting to 3.5 s, the end.
QByteArray TwoNotes() {
    tMidiWriter midi(480);
    midi.Tempo(0, 500000);
    midi.Program(0, 0, kFlute);
    midi.Note(1000, 480, 0, 69);
    midi.Tempo(1920, 1000000);
    midi.Note(2400, 240, 0, 69);
    return midi.Bytes();
}
constexpr int64_t kFirstNoteFrame = 50000; // 1000 ticks of 480 at half a second each

QByteArray Chunk(const char* id, const QByteArray& body, bool bigEndian = true) {
    QByteArray out(id);
    const auto n = static_cast<uint32_t>(body.size());
    for (int i = 0; i < 4; ++i)
        out.append(static_cast<char>(bigEndian ? n >> (24 - 8 * i) : n >> (8 * i)));
    return out + body;
}

QByteArray Header(uint16_t division) {
    return Chunk("MThd", QByteArray::fromHex("00000001") + char(division >> 8) + char(division & 0xFF));
}

int ZeroCrossings(const std::vector<float>& frames, int64_t from, int64_t count) {
    int crossings = 0;
    for (int64_t i = from + 1; i < from + count; ++i)
        crossings +=
            (frames[static_cast<size_t>(i * 2)] >= 0) != (frames[static_cast<size_t>(i * 2 - 2)] >= 0);
    return crossings;
}

TEST(MidiSequence, TimesFollowTheTempoChanges) {
    tMidiSequence seq;
    QString reason;
    ASSERT_TRUE(ReadMidiSequence(TwoNotes(), seq, reason)) << reason.toStdString();
    ASSERT_EQ(seq.events.size(), 5u);
    EXPECT_EQ(seq.events[0].status, 0xC0);
    EXPECT_DOUBLE_EQ(seq.events[1].seconds, 1000 / 960.0);
    EXPECT_DOUBLE_EQ(seq.events[2].seconds, 1480 / 960.0);
    EXPECT_DOUBLE_EQ(seq.events[3].seconds, 3.0);
    EXPECT_DOUBLE_EQ(seq.lengthSeconds, 3.5);
}

TEST(MidiSequence, ReadsRmiWrappersSmpteTimingAndMergesTracks) {
    tMidiSequence plain, wrapped;
    QString reason;
    const QByteArray smf = TwoNotes();
    ASSERT_TRUE(ReadMidiSequence(smf, plain, reason));
    const QByteArray rmi = Chunk("RIFF", "RMID" + Chunk("data", smf, false), false);
    ASSERT_TRUE(LooksLikeMidi(rmi));
    ASSERT_TRUE(ReadMidiSequence(rmi, wrapped, reason)) << reason.toStdString();
    EXPECT_EQ(wrapped.events.size(), plain.events.size());
    EXPECT_DOUBLE_EQ(wrapped.lengthSeconds, plain.lengthSeconds);

    // 25 frames a second of 40 ticks: 1000 ticks a second, whatever a tempo says. Two tracks.
    const QByteArray first = QByteArray::fromHex("00FF5103FFFFFF"
                                                 "8768903C64"
                                                 "00FF2F00"); // a note at 1000
    const QByteArray second = QByteArray::fromHex("8374904064"
                                                  "00FF2F00"); // a note at 500
    tMidiSequence timed;
    ASSERT_TRUE(
        ReadMidiSequence(Header(0xE728) + Chunk("MTrk", first) + Chunk("MTrk", second), timed, reason))
        << reason.toStdString();
    ASSERT_EQ(timed.events.size(), 2u);
    EXPECT_EQ(timed.events[0].data1, 0x40);
    EXPECT_DOUBLE_EQ(timed.events[0].seconds, 0.5);
    EXPECT_DOUBLE_EQ(timed.events[1].seconds, 1.0);
}

TEST(MidiSequence, DamagedTracksEndWhereTheyBreak) {
    tMidiSequence seq;
    QString reason;
    // The length runs past the file, which ends in the middle of a delta.
    const QByteArray cut = Header(480) + QByteArray("MTrk\x00\x00\x10\x00", 8) +
                           QByteArray::fromHex("00903C64"
                                               "83608040"
                                               "0090");
    ASSERT_TRUE(ReadMidiSequence(cut, seq, reason));
    ASSERT_EQ(seq.events.size(), 2u);
    EXPECT_DOUBLE_EQ(seq.lengthSeconds, 0.5);

    for (const char* body : {"403C64",           // data with no status to run on
                             "FFFFFFFF7F903C64", // a delta of five bytes
                             "00FF01FFFFFF7F41", // a text longer than the track
                             "00F1"}) {          // a system message a file cannot hold
        const QByteArray bad =
            Header(480) + Chunk("MTrk", QByteArray::fromHex(body) + QByteArray::fromHex("00903C64"));
        ASSERT_TRUE(ReadMidiSequence(bad, seq, reason)) << body;
        EXPECT_TRUE(seq.events.empty()) << body;
    }
}

TEST(MidiSequence, RefusesWhatIsNoMidiFile) {
    tMidiSequence seq;
    QString reason;
    EXPECT_FALSE(ReadMidiSequence(QByteArray("RIFF\x04\x00\x00\x00WAVE", 12), seq, reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(ReadMidiSequence(Header(0) + Chunk("MTrk", QByteArray::fromHex("00FF2F00")), seq, reason));
    EXPECT_FALSE(ReadMidiSequence(Header(480), seq, reason)) << "no tracks";
    EXPECT_FALSE(ReadMidiSequence(QByteArray("MThd\x00\x00", 6), seq, reason));
}

// Note-ons and note-offs as (channel, key), in the order sent.
struct tSentNotes {
    std::vector<std::pair<int, int>> on, off;
};

TEST(MidiTransposer, MovesNotesButNotTheDrumsAndReleasesEachOnTheKeyItWasStruckOn) {
    // A piano note and a snare together, a second note while the first still sounds.
    tMidiWriter midi(480);
    midi.Tempo(0, 500000);
    midi.Note(0, 960, 0, 60);
    midi.Note(0, 960, tMidiTransposer::kPercussionChannel, 38);
    midi.Note(480, 240, 0, 64);
    const QString path = ScratchFolder() + "/transposed.mid";
    ASSERT_TRUE(WriteFile(path, midi.Bytes()));
    QString reason;
    const auto source = tMidiSource::Open(path, kPullRate, reason);
    ASSERT_NE(source, nullptr) << reason.toStdString();
    tSentNotes sent;
    source->SetEventObserver([&](const tMidiEvent& e) {
        const bool on = (e.status & 0xF0) == 0x90 && e.data2 > 0;
        const bool off = (e.status & 0xF0) == 0x80 || ((e.status & 0xF0) == 0x90 && e.data2 == 0);
        if (on || off)
            (on ? sent.on : sent.off).emplace_back(e.status & 0x0F, e.data1);
    });
    std::vector<float> frames(kPullRate / 4 * 2);
    source->SetKey(3);
    source->Read(frames.data(), kPullRate / 4); // the first two notes are struck
    source->SetKey(-2);
    for (int i = 0; i < 8; ++i)
        source->Read(frames.data(), kPullRate / 4);
    using tNotes = std::vector<std::pair<int, int>>;
    EXPECT_EQ(sent.on, (tNotes{{0, 63}, {9, 38}, {0, 62}}));
    EXPECT_EQ(sent.off, (tNotes{{0, 62}, {0, 63}, {9, 38}}))
        << "the first note is released where it sounds, a key change later";

    tMidiTransposer transposer;
    transposer.SetKey(6);
    tMidiEvent top{0, 0x90, 124, 100};
    EXPECT_FALSE(transposer.Apply(top)) << "a note moved off the keyboard is left out";
}

class MidiPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(ScratchFolder() + "/midi");
        path = ScratchFolder() + "/midi/two-notes.kar";
        ASSERT_TRUE(WriteFile(path, TwoNotes()));
        ASSERT_TRUE(player.OpenFile(path, nullptr, 0)) << player.LastError().toStdString();
    }

    // Frames pulled until the first sound, or -1.
    int64_t FramesToFirstSound(int maxMs) { return FirstSound(puller.PullMs(maxMs), kAudible); }

    // Notes are compared by where they become audible; the instrument's attack takes a moment.
    static constexpr float kAudible = 1e-4f;

    QString path;
    tPuller puller;
    tBuiltinPlayer player{PullOutputFactory(&puller)};
};

TEST_F(MidiPlayerTest, NotesSoundOnTimeFromTheStartAndAfterASeek) {
    EXPECT_EQ(player.GetLength(), 3500);
    player.Play();
    const int64_t attack = FramesToFirstSound(1200) - kFirstNoteFrame;
    EXPECT_GE(attack, -32);
    EXPECT_LT(attack, 10 * kFramesPerMs);

    player.SetPosition(2900); // while the first note sounds: it must not ring on
    EXPECT_EQ(player.GetPosition(), 2900);
    player.Play();
    EXPECT_NEAR(FramesToFirstSound(300) - attack, 100 * kFramesPerMs, 32);
    EXPECT_EQ(player.GetPosition(), 3200);
}

TEST_F(MidiPlayerTest, RateChangesTheTempoButNotThePitch) {
    player.SetPosition(900);
    player.Play();
    const std::vector<float> normal = puller.PullMs(400);
    const int64_t onset = FirstSound(normal, kAudible);
    ASSERT_GT(onset, 0);
    const int64_t attack = onset - (kFirstNoteFrame - 900 * kFramesPerMs);
    const int normalCrossings = ZeroCrossings(normal, onset + 50 * kFramesPerMs, 50 * kFramesPerMs);

    player.SetPosition(900);
    player.SetRate(2.0);
    player.Play();
    const std::vector<float> fast = puller.PullMs(200);
    const int64_t fastOnset = FirstSound(fast, kAudible);
    EXPECT_NEAR(fastOnset - attack, (onset - attack) / 2, 32)
        << "twice as fast, but the attack is the instrument's";
    EXPECT_EQ(player.GetPosition(), 900 + 400);
    const int fastCrossings = ZeroCrossings(fast, fastOnset + 50 * kFramesPerMs, 50 * kFramesPerMs);
    EXPECT_GT(normalCrossings, 35); // 44 in 50 ms for 440 Hz
    EXPECT_NEAR(fastCrossings, normalCrossings, normalCrossings / 10);
}

TEST_F(MidiPlayerTest, PlayingEndsAfterTheLastNoteHasFaded) {
    player.SetPosition(2950);
    player.Play();
    puller.PullMs(700);
    EXPECT_TRUE(player.IsPlaying()) << "the last note, released at 3.5 s, is still fading";
    EXPECT_EQ(player.GetPosition(), 3500) << "the time stops at the end of the sequence";
    int tailMs = 150;
    while (player.IsPlaying() && tailMs < 5000) {
        puller.PullMs(50);
        tailMs += 50;
    }
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_LE(tailMs, 3050);
    EXPECT_EQ(player.GetPosition(), 3500);
}

} // namespace

namespace {

// Damaged copies of a valid file: single bytes changed all through it, and the file cut short.
std::vector<QByteArray> Damaged(const QByteArray& valid, int copies) {
    std::vector<QByteArray> out;
    for (int i = 0; i < copies; ++i) {
        QByteArray bytes = valid;
        const qsizetype at = (i * 7919) % bytes.size();
        bytes[at] = static_cast<char>(bytes[at] ^ (1 << (i % 8)) ^ (i & 0x80 ? 0xFF : 0));
        out.push_back(i % 3 == 0 ? bytes.left((i * 104729) % bytes.size()) : bytes);
    }
    return out;
}

TEST(MidiSequence, SurvivesDamagedFiles) {
    // A second track with a system-exclusive message and a pitch bend.
    const QByteArray valid = TwoNotes() + QByteArray::fromHex("4D54726B0000000E"
                                                              "00F003417E01"
                                                              "00E00040"
                                                              "00FF2F00");
    for (const QByteArray& bytes : Damaged(valid, 3000)) {
        tMidiSequence seq;
        QString reason;
        if (ReadMidiSequence(bytes, seq, reason)) {
            EXPECT_GE(seq.lengthSeconds, 0);
            EXPECT_TRUE(std::is_sorted(
                seq.events.begin(), seq.events.end(),
                [](const tMidiEvent& a, const tMidiEvent& b) { return a.seconds < b.seconds; }));
        } else {
            EXPECT_FALSE(reason.isEmpty());
        }
    }
}

TEST(MidiPlayer, PlaysOrRefusesDamagedFiles) {
    tPuller puller;
    tBuiltinPlayer player{PullOutputFactory(&puller)};
    const QString path = ScratchFolder() + "/midi/damaged.mid";
    QDir().mkpath(ScratchFolder() + "/midi");
    int opened = 0;
    for (const QByteArray& bytes : Damaged(TwoNotes(), 60)) {
        ASSERT_TRUE(WriteFile(path, bytes));
        if (!player.OpenFile(path, nullptr, 0)) {
            EXPECT_TRUE(player.LastError().startsWith("Error opening file: "))
                << player.LastError().toStdString();
            continue;
        }
        ++opened;
        player.SetPosition(900);
        player.Play();
        puller.PullMs(200);
    }
    EXPECT_GT(opened, 30) << "most single-byte damage leaves a playable file";
}

} // namespace
