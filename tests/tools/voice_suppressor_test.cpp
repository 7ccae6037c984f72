// The voice suppressor: its arithmetic, the WAVE headers it accepts, whole runs over generated
// files, stopping, and never leaving a half-written file.
#include "tools/voice_suppressor.h"

#include "test_support.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

void PutU16(QByteArray& bytes, int value) {
    bytes += static_cast<char>(value & 0xff);
    bytes += static_cast<char>((value >> 8) & 0xff);
}

void PutU32(QByteArray& bytes, uint32_t value) {
    PutU16(bytes, static_cast<int>(value & 0xffff));
    PutU16(bytes, static_cast<int>(value >> 16));
}

// A WAVE file built piece by piece, so that tests can give it odd headers.
struct tWaveBuilder {
    int channels = 2;
    int bits = 16;
    int rate = 8000;
    int formatSize = 16;
    QByteArray beforeData;       // chunks between the format and the data chunk
    std::vector<int> samples;    // interleaved, signed
    int64_t statedDataSize = -1; // the data chunk's size when not the true one

    QByteArray Bytes() const {
        QByteArray data;
        for (int sample : samples) {
            if (bits == 8)
                data += static_cast<char>(sample + 128);
            else
                PutU16(data, sample);
        }
        QByteArray format;
        PutU16(format, 1);
        PutU16(format, channels);
        PutU32(format, rate);
        PutU32(format, rate * channels * bits / 8);
        PutU16(format, channels * bits / 8);
        PutU16(format, bits);
        format.resize(formatSize, '\x7f');
        QByteArray body = "WAVEfmt ";
        PutU32(body, formatSize);
        body += format + beforeData + "data";
        PutU32(body, statedDataSize >= 0 ? static_cast<uint32_t>(statedDataSize) : data.size());
        body += data;
        QByteArray file = "RIFF";
        PutU32(file, body.size());
        return file + body;
    }
};

QString Refusal(const QByteArray& bytes) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    tWaveFormat format;
    return ReadWaveHeader(buffer, format);
}

std::vector<int> MonoSamples(const QByteArray& file, int bits) {
    std::vector<int> samples;
    for (qsizetype at = 44; at + bits / 8 <= file.size(); at += bits / 8) {
        if (bits == 8)
            samples.push_back(static_cast<uint8_t>(file[at]) - 128);
        else
            samples.push_back(static_cast<int16_t>(static_cast<uint8_t>(file[at]) |
                                                   static_cast<uint8_t>(file[at + 1]) << 8));
    }
    return samples;
}

tVoiceRemSettings Plain(int reduction) {
    tVoiceRemSettings settings;
    settings.Reduction = reduction;
    settings.TrebleCut = 0;
    settings.ReverbLevel = 0;
    return settings;
}

TEST(VoiceFilter, CentreRemovalFollowsTheReductionShare) {
    tVoiceFilter full(Plain(100), false);
    EXPECT_EQ(full.Filter(1234, 1234), 0);
    EXPECT_EQ(full.Filter(-77, -77), 0);
    tVoiceFilter half(Plain(50), false);
    // mid = (300 + 100) / 2 = 200, side = 400: (200 + 400) / 2.
    EXPECT_EQ(half.Filter(300, 100), 300);
    // Truncation toward zero: mid = -1, side = -6 → (50·-1 + 50·-6) / 100 = -3.5 → -3.
    EXPECT_EQ(half.Filter(-3, 0), -3);
    tVoiceFilter clipping(Plain(100), true);
    EXPECT_EQ(clipping.Filter(127, -128), 127);
    EXPECT_EQ(clipping.Filter(-128, 127), -128);
}

TEST(VoiceFilter, TrebleCutCancelsAnAlternation) {
    tVoiceRemSettings settings = Plain(100);
    settings.TrebleCut = 1;
    tVoiceFilter filter(settings, false);
    // Side of (25, -25) is 100; of (-25, 25) is -100.
    std::vector<int> out;
    for (int i = 0; i < 6; ++i)
        out.push_back(i % 2 == 0 ? filter.Filter(25, -25) : filter.Filter(-25, 25));
    EXPECT_EQ(out, std::vector<int>({25, 25, 0, 0, 0, 0}));
}

TEST(VoiceFilter, ReverbEchoesAfterItsRingLength) {
    for (const auto& [delay, echoFrame] : {std::pair{0, 991}, std::pair{9, 10000}}) {
        SCOPED_TRACE(delay);
        tVoiceRemSettings settings = Plain(100);
        settings.ReverbLevel = 5; // divisor 2
        settings.ReverbDelay = delay;
        settings.RecursiveReverb = false;
        tVoiceFilter filter(settings, false);
        std::vector<int> out;
        out.push_back(filter.Filter(1000, 0)); // side 2000 → (0 + 2000) / 2
        for (int i = 1; i <= echoFrame + 1; ++i)
            out.push_back(filter.Filter(0, 0));
        EXPECT_EQ(out[0], 1000);
        for (int i = 1; i < echoFrame; ++i)
            ASSERT_EQ(out[i], 0) << i;
        EXPECT_EQ(out[echoFrame], 500); // (ring 1000 + 0) / 2
        EXPECT_EQ(out[echoFrame + 1], 0);
    }
}

TEST(WaveHeader, RefusesWhatItCannotReadWithItsReason) {
    tWaveBuilder wave;
    wave.samples.assign(40, 0);
    EXPECT_EQ(Refusal(wave.Bytes()), "");
    EXPECT_EQ(Refusal(wave.Bytes().left(39)), "Input file is too small to be a valid wave file...");
    QByteArray notRiff = wave.Bytes();
    notRiff.replace(0, 4, "RIFX");
    EXPECT_EQ(Refusal(notRiff), "Input file is not a RIFF wave file");
    QByteArray notWave = wave.Bytes();
    notWave.replace(8, 4, "AVI ");
    EXPECT_EQ(Refusal(notWave), "Input file is not a WAVE file");
    QByteArray lowerCase = wave.Bytes();
    lowerCase.replace(0, 4, "riff");
    lowerCase.replace(8, 4, "wave");
    EXPECT_EQ(Refusal(lowerCase), "");

    tWaveBuilder mono = wave;
    mono.channels = 1;
    EXPECT_EQ(Refusal(mono.Bytes()), "Input file MUST be stereo");
    tWaveBuilder empty = wave;
    empty.samples.clear();
    empty.beforeData = QByteArray(24, 'x'); // keeps the file past the minimum size, but not a chunk word
    EXPECT_EQ(Refusal(empty.Bytes()), "Unable to find DATA block in wave file");
    tWaveBuilder silent = wave;
    silent.statedDataSize = 0;
    EXPECT_EQ(Refusal(silent.Bytes()), "Wave file contains no sound data");
}

TEST(WaveHeader, ChunksBetweenFormatAndDataAreReadWordByWord) {
    tWaveBuilder wave;
    wave.samples.assign(40, 0);
    wave.formatSize = 18; // the extra bytes of a longer format chunk are skipped
    EXPECT_EQ(Refusal(wave.Bytes()), "");

    wave.formatSize = 16;
    QByteArray list = "LIST";
    PutU32(list, 12);
    wave.beforeData = list + QByteArray(12, 'i');
    EXPECT_EQ(Refusal(wave.Bytes()), "");
    list = "LIST";
    PutU32(list, 16);
    wave.beforeData = list + QByteArray(16, 'i');
    EXPECT_EQ(Refusal(wave.Bytes()), "Unable to find DATA block in wave file");

    QByteArray loop = "loop" + QByteArray(8, 'L');
    wave.beforeData = loop;
    EXPECT_EQ(Refusal(wave.Bytes()), "");
}

TEST(WaveHeader, AShortFormatChunkTakesTheBitDepthFromTheBlockSize) {
    for (const auto& [align, bits] : {std::pair{1, 8}, std::pair{4, 16}, std::pair{2, 8}}) {
        QByteArray bytes("RIFF\0\0\0\0WAVEfmt ", 16);
        PutU32(bytes, 14);
        PutU16(bytes, 1);
        PutU16(bytes, 2);
        PutU32(bytes, 8000);
        PutU32(bytes, 8000 * align);
        PutU16(bytes, align);
        bytes += "data";
        PutU32(bytes, 16);
        bytes += QByteArray(16, '\0');
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        tWaveFormat format;
        ASSERT_EQ(ReadWaveHeader(buffer, format), "");
        EXPECT_EQ(format.BitsPerSample, bits) << align;
    }
}

class VoiceRun : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = ScratchFolder() + QString("/voice-%1").arg(++runs_);
        ASSERT_TRUE(QDir().mkpath(folder_));
    }

    QString Input(const QString& name, const QByteArray& bytes) {
        const QString path = folder_ + "/" + name;
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }
    QString Output() const { return folder_ + "/out.wav"; }

    // Runs to the end; "" or the reason it did not complete.
    QString Run(const QString& input, const tVoiceRemSettings& settings) {
        tVoiceSuppression run;
        if (QString problem = run.Begin(input, Output(), settings); !problem.isEmpty())
            return problem;
        while (run.Step()) {
        }
        return run.Finish();
    }

    QString folder_;
    static inline int runs_ = 0;
};

std::vector<int> Tone(int frames, double amplitude, double leftShare, double rightShare) {
    std::vector<int> samples;
    for (int i = 0; i < frames; ++i) {
        const double value = amplitude * std::sin(2 * M_PI * 440 * i / 8000.0);
        samples.push_back(static_cast<int>(std::lround(value * leftShare)));
        samples.push_back(static_cast<int>(std::lround(value * rightShare)));
    }
    return samples;
}

TEST_F(VoiceRun, ACentredToneShrinksByTheReductionAndAHardLeftToneSurvives) {
    tWaveBuilder centre;
    centre.samples = Tone(10000, 10000, 1, 1);
    ASSERT_EQ(Run(Input("centre.wav", centre.Bytes()), Plain(90)), "");
    const QByteArray out = ReadFile(Output());
    ASSERT_EQ(out.size(), 44 + 2 * 10000);
    // Mono, same rate and depth; the format identifier as the input spelt it.
    EXPECT_EQ(out.left(4), "RIFF");
    EXPECT_EQ(out.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(out.mid(22, 2), QByteArray("\x01\x00", 2));
    EXPECT_EQ(out.mid(36, 4), "data");
    const std::vector<int> centreOut = MonoSamples(out, 16);
    for (int i = 0; i < 10000; ++i)
        ASSERT_EQ(centreOut[i], centre.samples[2 * i] * 10 / 100) << i;

    tWaveBuilder left;
    left.samples = Tone(10000, 4000, 1, 0);
    ASSERT_EQ(Run(Input("left.wav", left.Bytes()), Plain(90)), "");
    const std::vector<int> leftOut = MonoSamples(ReadFile(Output()), 16);
    for (int i = 0; i < 10000; ++i) {
        const int l = left.samples[2 * i];
        ASSERT_EQ(leftOut[i], (10 * (l / 2) + 90 * 2 * l) / 100) << i;
    }
}

TEST_F(VoiceRun, EightBitInputGivesEightBitOutput) {
    tWaveBuilder wave;
    wave.bits = 8;
    wave.samples = Tone(5000, 100, 1, 0.5);
    ASSERT_EQ(Run(Input("eight.wav", wave.Bytes()), Plain(100)), "");
    const QByteArray out = ReadFile(Output());
    ASSERT_EQ(out.size(), 44 + 5000);
    EXPECT_EQ(out[34], 8);
    const std::vector<int> samples = MonoSamples(out, 8);
    for (int i = 0; i < 5000; ++i)
        ASSERT_EQ(samples[i], std::clamp(2 * wave.samples[2 * i] - 2 * wave.samples[2 * i + 1], -128, 127))
            << i;
}

TEST_F(VoiceRun, ADataChunkLongerThanTheFileEndsWithTheFile) {
    tWaveBuilder wave;
    wave.samples = Tone(3000, 1000, 1, 0);
    wave.statedDataSize = 1'000'000;
    ASSERT_EQ(Run(Input("short.wav", wave.Bytes()), Plain(100)), "");
    const QByteArray out = ReadFile(Output());
    EXPECT_EQ(out.size(), 44 + 2 * 3000);
    // The header tells the true length.
    EXPECT_EQ(static_cast<uint8_t>(out[40]) | static_cast<uint8_t>(out[41]) << 8, 6000);
}

TEST_F(VoiceRun, StoppingLeavesNoOutputAndTheInputUntouched) {
    tWaveBuilder wave;
    wave.samples = Tone(100000, 1000, 1, 0);
    const QString input = Input("long.wav", wave.Bytes());
    ASSERT_TRUE(WriteFile(Output(), "an older file the user keeps"));
    {
        tVoiceSuppression run;
        ASSERT_EQ(run.Begin(input, Output(), Plain(90)), "");
        EXPECT_TRUE(run.Step());
        EXPECT_TRUE(run.Step());
        run.Stop();
        EXPECT_FALSE(run.Step());
        EXPECT_EQ(run.FramesDone(), 2 * tVoiceSuppression::kFramesPerStep);
        EXPECT_NE(run.Finish(), "");
    }
    EXPECT_EQ(ReadFile(Output()), "an older file the user keeps");
    EXPECT_EQ(ReadFile(input), wave.Bytes());
    EXPECT_EQ(QDir(folder_).entryList(QDir::Files).size(), 2); // no temporary left behind
}

TEST_F(VoiceRun, FilesThatCannotBeUsedAreRefusedBeforeAnythingIsWritten) {
    tWaveBuilder wave;
    wave.samples = Tone(100, 1000, 1, 0);
    const QString input = Input("in.wav", wave.Bytes());
    EXPECT_EQ(Run(folder_ + "/missing.wav", Plain(90)), "Input file cannot be found");
    tVoiceSuppression same;
    EXPECT_EQ(same.Begin(input, folder_ + "/IN.WAV", Plain(90)),
              "Input file cannot be the same as the output file");
    tVoiceSuppression noFolder;
    EXPECT_EQ(noFolder.Begin(input, folder_ + "/no/such/out.wav", Plain(90)), "Error creating output file");
    tWaveBuilder mono = wave;
    mono.channels = 1;
    EXPECT_EQ(Run(Input("mono.wav", mono.Bytes()), Plain(90)), "Input file MUST be stereo");
    EXPECT_EQ(Run(Input("text.wav", "just some words, no sound in here at all, none"), Plain(90)),
              "Input file is not a RIFF wave file");
    EXPECT_FALSE(QFileInfo::exists(Output()));
}

TEST_F(VoiceRun, OtherSoundFilesAreDecodedFirst) {
    tWaveBuilder wave;
    wave.rate = 44100;
    wave.samples = Tone(20000, 8000, 1, 0.25);
    const QString wav = Input("tone.wav", wave.Bytes());
    const QString flac = folder_ + "/tone.flac";
    ASSERT_EQ(QProcess::execute("ffmpeg", {"-loglevel", "error", "-y", "-i", wav, flac}), 0);
    // A standard WAVE file with a text chunk before its sound, as many programs write them.
    const QString listed = folder_ + "/listed.wav";
    ASSERT_EQ(QProcess::execute("ffmpeg", {"-loglevel", "error", "-y", "-i", wav, "-metadata",
                                           "title=A long title here", listed}),
              0);

    for (const QString& input : {flac, listed}) {
        SCOPED_TRACE(input.toStdString());
        tVoiceSuppression run;
        ASSERT_EQ(run.Begin(input, Output(), Plain(100)), "");
        EXPECT_TRUE(run.Decoded());
        while (run.Step()) {
        }
        ASSERT_EQ(run.Finish(), "");
        const QByteArray out = ReadFile(Output());
        EXPECT_EQ(static_cast<uint8_t>(out[24]) | static_cast<uint8_t>(out[25]) << 8, 44100 & 0xffff);
        const std::vector<int> samples = MonoSamples(out, 16);
        ASSERT_EQ(samples.size(), 20000u);
        for (int i = 0; i < 20000; ++i) {
            const int expected =
                std::clamp(2 * wave.samples[2 * i] - 2 * wave.samples[2 * i + 1], -32768, 32767);
            ASSERT_NEAR(samples[i], expected, 4) << i;
        }
    }
}

TEST(RemainingTime, EstimatesFromTheShareDoneAndDoesNotFlicker) {
    tRemainingTime remaining;
    EXPECT_EQ(remaining.Update(10, 100, 6000), "00:54");
    EXPECT_EQ(remaining.Update(20, 100, 12000), "00:48");      // lower: shown
    EXPECT_EQ(remaining.Update(25, 100, 17000), std::nullopt); // 51 s: up by less than 4 s
    EXPECT_EQ(remaining.Update(30, 100, 24000), "00:56");      // 56 s: up by more than 4 s
    EXPECT_EQ(remaining.Update(0, 0, 0), "00:00");
    EXPECT_EQ(tRemainingTime::Text(61'000 * 10), "10:10");
}

} // namespace
