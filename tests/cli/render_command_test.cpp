// `lyrimo-cli render`: how frames are written, and songs whose stored sizes no real song holds.
#include "cli/render_command.h"
#include "document/song.h"
#include "picture/bitmap.h"
#include "picture/bitmap_png.h"
#include "picture_fixtures.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <QFile>

#include <climits>
#include <memory>

using namespace lyrimo;
using namespace lyrimo::test;

namespace {

// Two parts of sung lines beside a slide show, every size and count at its stored extreme.
QString SaveHostileSong(const QString& name) {
    tLyrimoData song;
    tSongSettings& s = song.SongSettings;
    s.setSlideShowEnabled(1);
    s.setSplitSize(INT32_MAX);
    s.setPlayWidth(2000000000);
    s.setPlayHeight(65280);
    s.setVerticalShift(32767);
    s.setLegacyTextSpacing(255);
    s.setLegacyTextFormat(5);
    for (int p = 0; p < 2; ++p) {
        if (p > 0)
            song.AddPart(std::make_unique<tLyricsData>());
        tLyricsData& part = *song.GetPart(p);
        tFontRecord font = part.PartRecord.LyricsFont();
        font.setsize(255);
        part.PartRecord.setLyricsFont(font);
        part.PartExtras.setBallStyle(2);
        part.PartExtras.setTextFormat(5);
        part.PartExtras.setTextSpacing(255);
        for (tPictureSlot& slot : part.Slots)
            slot.Record.setFrameCount(255);
        tTimingsLineType& line = *part.AddLine();
        line.LineRecord.setText("WWWW WWWW WWWW WWWW");
        line.LineRecord.setLineStart(500);
        line.AddTiming(MakeTiming(0, 0));
        line.AddTiming(MakeTiming(10, 2000));
    }
    const QString path = ScratchFolder() + "/" + name;
    EXPECT_EQ(song.SaveToFile(path), 0);
    return path;
}

TEST(RenderCommand, HostileSizesRenderAFrameOfTheAskedSize) {
    const QString song = SaveHostileSong("hostile-render.lym");
    const QString out = ScratchFolder() + "/hostile-frame.png";
    ASSERT_EQ(RunRenderCommand({song, "--time", "1500", "--size", "320x240", out}), 0);
    Bitmap frame;
    ASSERT_TRUE(LoadPng(out, frame));
    EXPECT_EQ(frame.Width(), 320);
    EXPECT_EQ(frame.Height(), 240);
}

QString SaveSungSong(const QString& name) {
    tLyrimoData song;
    tTimingsLineType& line = *song.GetPart(0)->AddLine();
    line.LineRecord.setText("Twinkle, twinkle");
    line.AddTiming(MakeTiming(0, 0));
    line.AddTiming(MakeTiming(16, 1500));
    const QString path = ScratchFolder() + "/" + name;
    EXPECT_EQ(song.SaveToFile(path), 0);
    return path;
}

TEST(RenderCommand, SequencesAreWrittenFastAndASingleFrameSmall) {
    const QString song = SaveSungSong("sung.lym");
    const QString folder = ScratchFolder() + "/sequence";
    const QString single = ScratchFolder() + "/single.png";
    ASSERT_EQ(RunRenderCommand({song, "--from", "0", "--to", "80", "--fps", "25", "--size", "64x48", folder}),
              0);
    ASSERT_EQ(RunRenderCommand({song, "--time", "0", "--size", "64x48", single}), 0);
    EXPECT_TRUE(QFile::exists(folder + "/frame_00002.png"));
    EXPECT_FALSE(QFile::exists(folder + "/frame_00003.png"));

    const QByteArray first = ReadFile(folder + "/frame_00000.png");
    const QByteArray alone = ReadFile(single);
    EXPECT_EQ(PngDeflateLevel(first), 0);
    EXPECT_EQ(PngDeflateLevel(alone), 2);
    Bitmap fromSequence, fromSingle;
    ASSERT_TRUE(
        DecodePng(reinterpret_cast<const uint8_t*>(first.constData()), size_t(first.size()), fromSequence));
    ASSERT_TRUE(
        DecodePng(reinterpret_cast<const uint8_t*>(alone.constData()), size_t(alone.size()), fromSingle));
    EXPECT_EQ(fromSequence, fromSingle);
}

} // namespace
