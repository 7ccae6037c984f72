// Writes the seed inputs of every fuzz target, made with the tests' own fixtures:
//   lyrimo-fuzz-seeds OUTDIR DEMO_KAR
// makes OUTDIR/<target>/<seed> for each target. Nothing is downloaded; the same run always
// writes the same files.
#include "fuzz_support.h"

#include "document/import_template.h"
#include "document/song.h"
#include "importexport/midi_import.h"
#include "media_fixtures.h"
#include "picture/bitmap_png.h"
#include "picture_fixtures.h"
#include "smf_builder.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <functional>

namespace lyrimo {
namespace {

QString g_out;
bool g_failed = false;

void Write(const QString& target, const QString& name, const QByteArray& bytes) {
    QDir().mkpath(g_out + "/" + target);
    QFile file(g_out + "/" + target + "/" + name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "Cannot write %s\n", qUtf8Printable(file.fileName()));
        g_failed = true;
    }
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray SmallPng(int seed) {
    Bitmap picture(24, 16, tPixelFormat::Bits32);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            picture.SetPixel(x, y, tColour(x * 10 * seed & 0xFF) | tColour(y * 16 & 0xFF) << 8);
    return EncodePng(picture);
}

void AddLine(tLyricsData& part, const QString& text, int32_t start) {
    tTimingsLineType* line = part.AddLine();
    line->SetWideText(text);
    line->LineRecord.setLineStart(start);
    line->LineRecord.setNormalColour(0xFFFFFF);
    line->LineRecord.setHighlightColour(0x0000FF);
    const int length = int(text.size());
    for (int i = 0; i <= 3; ++i)
        line->AddTiming(MakeTiming(uint8_t(length * i / 3), uint16_t(i * 300)));
}

// Two parts with a ball, embedded pictures in a slide show and embedded media: every section
// of the file is present.
void MakeRichSong(tLyrimoData& song, const QString& mediaPath) {
    tSongSettings& s = song.SongSettings;
    song.SetWideSongName(QString::fromUtf8("Twinkle Ода"));
    song.SetArtistName("Seed");
    s.setPlayWidth(320);
    s.setUnicodeText(1);
    s.setMediaFileName(QFile::encodeName(mediaPath));
    s.setUseMediaFile(1);
    s.setEmbedMedia(1);
    s.setEmbedPictures(1);
    s.setSlideShowEnabled(1);
    s.setSplitSize(40);
    for (int i = 0; i < 2; ++i) {
        tPictureRecord record;
        record.setFileName(QString("slide%1.png").arg(i).toLatin1());
        *song.Pictures.GetPicture(song.Pictures.AddPicture(record)) = SmallPng(i + 1);
        tSlideRecord slide;
        slide.setPicture(uint16_t(i));
        slide.setTransition(uint8_t(1 + 16 * i));
        slide.setTransitionDuration(5);
        slide.setShowTime(i * 3000);
        slide.setRemoveTime(i * 3000 + 2500);
        song.Slides.AddSlide(slide);
    }
    tLyricsData& main = *song.GetPart(0);
    main.PartExtras.setBallStyle(2);
    main.PartRecord.setBallNumber(3);
    AddLine(main, "Twinkle twinkle", 500);
    AddLine(main, "little star", 2500);
    auto second = std::make_unique<tLyricsData>();
    second->PartRecord.setPartName("Echo");
    second->PartExtras.setTextMode(4);
    AddLine(*second, "how I wonder", 1500);
    song.AddPart(std::move(second));
}

void WriteSongSeeds(const QString& demoKar) {
    const QString folder = fuzz::ScratchFolder();
    const QString media = folder + "/media.wav";
    QFile wav(media);
    if (!wav.open(QIODevice::WriteOnly) || wav.write(test::WavBytes(test::TestSignal(8000, 0.05))) <= 0)
        g_failed = true;
    wav.close();

    std::vector<std::pair<QString, std::function<bool(tLyrimoData&)>>> songs = {
        {"rich.lym", [&](tLyrimoData& song) { return MakeRichSong(song, media), true; }},
        {"one-line.lym", [](tLyrimoData& song) { return AddLine(*song.GetPart(0), "la", 0), true; }},
        {"demo.lym", [&](tLyrimoData& song) { return ImportMidi(demoKar, song); }},
    };
    for (const auto& [name, make] : songs) {
        tLyrimoData song;
        const QString path = folder + "/" + name;
        if (!make(song) || song.SaveToFile(path) != 0) {
            std::fprintf(stderr, "Cannot make the seed song %s\n", qUtf8Printable(name));
            g_failed = true;
            continue;
        }
        for (const char* target : {"song_load", "song_settings", "song_frame"})
            Write(target, name, ReadAll(path));
    }
}

void WriteMidiSeeds(const QString& demoKar) {
    using test::tSmfTrack;
    Write("midi_import", "twinkle.kar", ReadAll(demoKar));
    tSmfTrack words;
    words.Name("Words").Text(0, "@TSeed song").Text(0, "@LENG").Tempo(0, 400000);
    words.Text(96, "\\Pr\xF3").Text(48, "ba ").Text(48, "/\x8A\xE8").Text(96, "ot").End(0);
    tSmfTrack notes;
    notes.Raw(0, {0x90, 60, 100}).Raw(96, {0x80, 60, 0}).Raw(0, {0xC0, 5}).Tempo(96, 600000).End(10);
    Write("midi_import", "cp1250.kar", test::Smf({words, notes}, 96));
    tSmfTrack lyrics;
    lyrics.Lyric(0, "Hel").Lyric(30, "lo\r").Lyric(30, "world\n").Raw(0, {0x90, 64, 90}).End(50);
    Write("midi_import", "format0.mid", test::Smf({lyrics}, 480));
}

void WriteTextSeeds() {
    Write("lrc_import", "tags.lrc",
          "[ti:Title]\n[ar:Artist]\n[offset:+200]\n[00:01.00]first line\n"
          "[00:03.50][01:10.25]repeated line\n[00:05]\n");
    Write("lrc_import", "words.lrc",
          "[00:01.00]<00:01.00>word <00:01.50>by <00:02.00>word\n"
          "[00:04.00]\xD0\x9C\xD0\xB5\xD1\x80\xD1\x86\xD0\xB0\xD0\xB9\n");
    Write("lrc_import", "bom.lrc", "\xEF\xBB\xBF[00:00.10]a\r\n[00:00.20]b\r\n");
    Write("kok_import", "words.kok", "Hello;10,5000;World;11,0;\n\n  Again;11,2000;more ; 12,0;\n");
    Write("kok_import", "utf8.kok", "\xD0\x9C\xD0\xB5;1,0;x;y,z;\nlate;2,500;");
    Write("language_file", "Deutsch.ini",
          "[Info]\nLanguage=Deutsch\nAuthor=Seed\nFontSize=1\n\n[Translation]\nOpen=\xC3\x96"
          "ffnen\n"
          "Exit=&Beenden\nPlay song=Lied spielen\n; comment\nLine %d of %d=Zeile %d von %d\n");
    Write("language_file", "utf16.ini",
          QByteArray("\xFF\xFE", 2) + QByteArray(reinterpret_cast<const char*>(u"[Info]\nLanguage=X\n"), 36));
}

void WriteTemplateSeeds() {
    tLyrimoData song;
    tLyricsData& main = *song.GetPart(0);
    main.AddLine()->SetWideText("line");
    main.PartExtras.setTextMode(4);
    main.PartExtras.setBallStyle(1);
    main.Slots[kBallSlot].Record.setEnabled(1);
    main.Slots[kBallSlot].Record.setFileName("ball.gif");
    song.SongSettings.setBackgroundFileName("back.jpg");
    const QByteArray record = TemplateFromSong(song).toByteArray();
    Write("import_template", "whole.bin", record);
    Write("import_template", "short.bin", record.left(330));
}

void WritePlaylistSeeds() {
    Write("playlist", "crlf.lpl",
          "Lyrimo Playlist File. %10\r\n0/home/singer/Songs/One.lym\r\n1/media/usb/Two.lym\r\n");
    Write("playlist", "relative.lpl",
          "Lyrimo Playlist File. %01\n0../songs/Three.lym\n1./Four.lym\n\n0C:\\Songs\\Old.lym\n");
    Write("playlist", "cr-only.lpl", "Lyrimo Playlist File. %11\r0/a.lym\r1/b.lym");
    Write("playlist", "code-page.lpl",
          "Lyrimo Playlist File. %\r\n0/Songs/Caf\xE9.lym\r\n"
          "0/Songs/\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F.lym\r\n");
}

void WritePictureSeeds() {
    std::vector<uint8_t> rgb;
    for (int i = 0; i < 16 * 8; ++i)
        rgb.insert(rgb.end(), {uint8_t(i * 7), uint8_t(i * 3), uint8_t(255 - i)});
    Write("picture_jpeg", "rgb.jpg", test::WriteJpeg(16, 8, 3, JCS_RGB, rgb));
    Write("picture_jpeg", "progressive.jpg", test::WriteJpeg(16, 8, 3, JCS_RGB, rgb, true));
    Write("picture_jpeg", "grey.jpg", test::WriteJpeg(8, 8, 1, JCS_GRAYSCALE, std::vector<uint8_t>(64, 90)));

    Write("picture_png", "rgb.png", test::WritePng(16, 8, 3, rgb));
    Write("picture_png", "grey.png", test::WritePng(8, 8, 1, std::vector<uint8_t>(64, 90)));
    Write("picture_png", "encoded.png", SmallPng(3));

    test::GifFrameDesc first = test::SolidGifFrame(8, 6, 1), second = test::SolidGifFrame(4, 3, 2);
    second.left = 2, second.top = 1, second.disposal = 2, second.transparent = 0;
    second.localMap = {0x000000, 0x00FF00, 0xFF0000, 0xFFFFFF};
    Write("picture_gif", "animated.gif",
          test::WriteGif(8, 6, {0x000000, 0x0000FF, 0x00FF00, 0xFFFFFF}, {first, second}));
    test::GifFrameDesc interlaced = test::SolidGifFrame(5, 9, 3);
    interlaced.interlace = true;
    Write("picture_gif", "interlaced.gif", test::WriteGif(5, 9, {0, 0xFF, 0xFF00, 0xFF0000}, {interlaced}));

    QByteArray pixels24;
    for (int i = 0; i < 4 * 3; ++i)
        test::Put(pixels24, uint32_t(0x102030 * i), 3);
    Write("picture_bmp", "rgb24.bmp", test::BmpFile(4, 3, 24, 0, {}, pixels24));
    Write("picture_bmp", "palette8.bmp",
          test::BmpFile(4, 2, 8, 0, {0xFF, 0xFF00, 0xFF0000}, QByteArray("\0\1\2\1\2\1\0\0", 8)));
    Write("picture_bmp", "rle8.bmp",
          test::BmpFile(4, 3, 8, 1, {0xFF, 0xFF00}, QByteArray("\4\1\0\0\2\0\2\1\0\0\4\0\0\1", 14)));
    Write("picture_bmp", "bitfields16.bmp",
          test::BmpFile(2, 2, 16, 3, {}, QByteArray("\0\xF8\xE0\x07\x1F\0\xFF\xFF", 8),
                        {0xF800, 0x07E0, 0x001F}));

    Write("picture_ico", "two.ico",
          test::IcoFile({{2, test::IconDib(2, 0xFF, 255)}, {4, test::IconDib(4, 0xFFFFFF, 128)}}));
    Write("picture_ico", "png.ico",
          test::IcoFile({{6, test::WritePng(6, 6, 3, std::vector<uint8_t>(108, 40))}}));
}

void WriteSoundSeeds() {
    const QByteArray wave = test::WavBytes(test::TestSignal(8000, 0.05));
    Write("voice_suppressor", "stereo16.wav", wave);
    // The same sound with a text chunk before it, as many programs write them.
    QByteArray listed = wave.left(36) + QByteArray("LIST\x0e\0\0\0INFOISFT\2\0\0\0x\0", 22) + wave.mid(36);
    Write("voice_suppressor", "listed.wav", listed);
    const QByteArray eightBit =
        QByteArray("RIFF\x34\0\0\0WAVEfmt \x10\0\0\0\1\0\2\0\x40\x1f\0\0\x80\x3e\0\0\2\0\x08\0data", 40) +
        QByteArray("\x10\0\0\0", 4) +
        QByteArray("\x80\x90\x70\x80\xff\x00\x80\x80\x81\x7f\x80\x80\x20\xe0\x80\x80", 16);
    Write("voice_suppressor", "stereo8.wav", eightBit);
}

} // namespace
} // namespace lyrimo

int main(int argc, char** argv) {
    using namespace lyrimo;
    if (argc != 3) {
        std::fprintf(stderr, "Usage: lyrimo-fuzz-seeds OUTDIR DEMO_KAR\n");
        return 2;
    }
    fuzz::Setup();
    g_out = QFile::decodeName(argv[1]);
    const QString demoKar = QFile::decodeName(argv[2]);
    WriteSongSeeds(demoKar);
    WriteMidiSeeds(demoKar);
    WriteTextSeeds();
    WritePictureSeeds();
    WriteTemplateSeeds();
    WriteSoundSeeds();
    WritePlaylistSeeds();
    return g_failed ? 1 : 0;
}
