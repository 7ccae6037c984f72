// A sound file given to the voice suppressor: its WAVE header read, and a bounded part of a run
// over it (files the WAVE reader refuses are tried with FFmpeg).
#include "fuzz_support.h"

#include "tools/voice_suppressor.h"

#include <QBuffer>
#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyrimo;
    fuzz::Setup();
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    tWaveFormat format;
    ReadWaveHeader(buffer, format);

    const QString input = fuzz::InputFile(data, size, ".wav");
    const QString output = fuzz::ScratchFolder() + "/suppressed.wav";
    {
        tVoiceSuppression run;
        if (run.Begin(input, output, tVoiceRemSettings{}).isEmpty()) {
            // A header may claim gigabytes; a few steps show how the samples are handled.
            for (int step = 0; step < 32 && run.Step(); ++step) {
            }
            run.Finish();
        }
    }
    QFile::remove(output);
    return 0;
}
