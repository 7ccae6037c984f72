// Draws the built-in ball and instrumental-animation pictures and writes them as a C++
// source file of PNG byte arrays (compiled into the program), plus the PNG files for people
// to look at.
//
// Usage: make-builtin-pictures OUT.cpp PNG_FOLDER [CONTACT_SHEET_FOLDER]
// The optional contact sheets show every ball enlarged and every strip on dark and light
// backgrounds, the transparent colour replaced, for checking the artwork by eye.
#include "ball_art.h"
#include "instrument_art.h"
#include "picture/bitmap_png.h"
#include "render/builtin_pictures.h"

#include <QByteArray>
#include <QDir>
#include <QSaveFile>
#include <QString>

#include <cstdio>
#include <vector>

namespace {

using lyrimo::Bitmap;
using lyrimo::tColour;

Bitmap DrawPicture(lyrimo::tBuiltInPicture which) {
    switch (which) {
    case lyrimo::tBuiltInPicture::Balls1: return art::DrawBalls1();
    case lyrimo::tBuiltInPicture::Balls2: return art::DrawBalls2();
    case lyrimo::tBuiltInPicture::Balls3: return art::DrawBalls3();
    default:
        return art::DrawInstrument(static_cast<int>(which) -
                                   static_cast<int>(lyrimo::tBuiltInPicture::Instr1));
    }
}

QByteArray SourceFile(const std::vector<QByteArray>& pngs) {
    QByteArray text = "// Made by make-builtin-pictures from assets/artwork; every build draws it anew.\n"
                      "#include \"render/builtin_pictures.h\"\n\n"
                      "namespace lyrimo {\nnamespace {\n\n";
    for (size_t i = 0; i < pngs.size(); ++i) {
        text += "const uint8_t kPicture" + QByteArray::number(static_cast<int>(i)) + "[] = {";
        for (qsizetype b = 0; b < pngs[i].size(); ++b) {
            text += (b % 24 == 0) ? "\n    " : " ";
            text += QByteArray::number(static_cast<uint8_t>(pngs[i][b])) + ",";
        }
        text += "\n};\n\n";
    }
    text += "} // namespace\n\n"
            "std::span<const uint8_t> BuiltInPicturePng(tBuiltInPicture which) {\n"
            "    switch (which) {\n";
    for (size_t i = 0; i < pngs.size(); ++i) {
        text += "    case static_cast<tBuiltInPicture>(" + QByteArray::number(static_cast<int>(i)) +
                "): return kPicture" + QByteArray::number(static_cast<int>(i)) + ";\n";
    }
    text += "    }\n    return {};\n}\n\n} // namespace lyrimo\n";
    return text;
}

bool WriteText(const QString& path, const QByteArray& text) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

// The picture enlarged `scale` times with its transparent colour shown as `background`.
Bitmap Showing(const Bitmap& picture, tColour key, tColour background, int scale) {
    Bitmap shown(picture.Width() * scale, picture.Height() * scale, lyrimo::tPixelFormat::Bits32);
    for (int y = 0; y < shown.Height(); ++y) {
        for (int x = 0; x < shown.Width(); ++x) {
            tColour colour = picture.Pixel(x / scale, y / scale);
            shown.SetPixel(x, y, colour == key ? background : colour);
        }
    }
    return shown;
}

void Paste(Bitmap& sheet, const Bitmap& picture, int x, int y) {
    sheet.CopyRect(picture, 0, 0, picture.Width(), picture.Height(), x, y);
}

bool WriteContactSheets(const std::vector<Bitmap>& pictures, const QString& folder) {
    const tColour night = 0x3A1A10, paper = 0xE8E0D8, rose = 0x8A3AC8;
    bool ok = lyrimo::SavePng(Showing(pictures[0], 0, night, 3), folder + "/contact_balls1.png");
    ok = lyrimo::SavePng(Showing(pictures[0], 0, paper, 2), folder + "/contact_balls1_light.png") && ok;
    Bitmap animated(3 * 31 + 20 + 3 * 248 * 2 + 10, 3 * 589 + 20, lyrimo::tPixelFormat::Bits32);
    animated.Fill(0x202020);
    Paste(animated, Showing(pictures[2], 0, night, 3), 10, 10);
    Paste(animated, Showing(pictures[1], 0, night, 3), 10 + 3 * 31 + 10, 10);
    Paste(animated, Showing(pictures[1], 0, paper, 3), 10 + 3 * 31 + 10 + 3 * 248, 10);
    ok = lyrimo::SavePng(animated, folder + "/contact_balls23.png") && ok;

    for (int i = 0; i < 4; ++i) {
        const Bitmap& strip = pictures[3 + i];
        Bitmap sheet(strip.Width() + 20, strip.Height() * 3 + 40, lyrimo::tPixelFormat::Bits32);
        sheet.Fill(0x202020);
        Paste(sheet, Showing(strip, art::kInstrumentKey, night, 1), 10, 10);
        Paste(sheet, Showing(strip, art::kInstrumentKey, paper, 1), 10, 20 + strip.Height());
        Paste(sheet, Showing(strip, art::kInstrumentKey, rose, 1), 10, 30 + 2 * strip.Height());
        ok = lyrimo::SavePng(sheet, folder + QString("/contact_instr%1.png").arg(i + 1)) && ok;
    }
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: make-builtin-pictures OUT.cpp PNG_FOLDER [CONTACT_SHEET_FOLDER]\n");
        return 2;
    }
    const QString source = QString::fromLocal8Bit(argv[1]), folder = QString::fromLocal8Bit(argv[2]);
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "make-builtin-pictures: cannot make %s\n", argv[2]);
        return 1;
    }
    std::vector<Bitmap> pictures;
    std::vector<QByteArray> pngs;
    for (int i = 0; i < lyrimo::kBuiltInPictureCount; ++i) {
        const lyrimo::tBuiltInPictureLayout& layout = lyrimo::kBuiltInPictureLayouts[i];
        pictures.push_back(DrawPicture(static_cast<lyrimo::tBuiltInPicture>(i)));
        pngs.push_back(lyrimo::EncodePng(pictures.back()));
        if (pngs.back().isEmpty() ||
            !lyrimo::SavePng(pictures.back(), folder + "/" + QString::fromLatin1(layout.name) + ".png")) {
            std::fprintf(stderr, "make-builtin-pictures: cannot write %s\n", layout.name);
            return 1;
        }
    }
    if (!WriteText(source, SourceFile(pngs))) {
        std::fprintf(stderr, "make-builtin-pictures: cannot write %s\n", argv[1]);
        return 1;
    }
    if (argc == 4 && !WriteContactSheets(pictures, QString::fromLocal8Bit(argv[3]))) {
        std::fprintf(stderr, "make-builtin-pictures: cannot write the contact sheets\n");
        return 1;
    }
    return 0;
}
