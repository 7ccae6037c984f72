#include "cli/text_command.h"

#include "cli/cli_support.h"

#include "app/app_services.h"
#include "document/song_records.h"
#include "picture/bitmap_png.h"
#include "render/font_backend.h"
#include "render/unicode_font_engine.h"

#include <cstdio>

namespace lyrimo {
namespace {

constexpr int kMargin = 10;
constexpr tColour kPaper = 0xFFFFFF, kInk = 0x000000;

struct tTextOptions {
    QString font = "Arial";
    int size = 28;
    int width = 600;
    int charset = 0;
    uint8_t style = 0;
    bool rightToLeft = false;
    bool greedy = false;
    bool characterMode = false;
    bool smooth = false;
    QStringList words;
};

int TextUsage(const QString& problem) {
    std::fprintf(
        stderr,
        "lyrimo-cli text: %s\n\n"
        "Usage: lyrimo-cli text [--font NAME] [--size POINTS] [--width PIXELS] [--rtl] [--charset N]\n"
        "                       [--bold] [--italic] [--greedy] [--char-mode] [--smooth] TEXT OUT.png\n",
        qUtf8Printable(problem));
    return 2;
}

bool ParseTextOptions(const QStringList& args, tTextOptions& o, QString& problem) {
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == "--font" && i + 1 < args.size()) {
            o.font = args[++i];
        } else if (arg == "--size") {
            if (!ReadIntArgument(args, i, 1, 999, o.size))
                return problem = "--size needs a point size from 1 to 999", false;
        } else if (arg == "--width") {
            if (!ReadIntArgument(args, i, 1, 20000, o.width))
                return problem = "--width needs a width from 1 to 20000 pixels", false;
        } else if (arg == "--charset") {
            if (!ReadIntArgument(args, i, 0, 255, o.charset))
                return problem = "--charset needs a character set number from 0 to 255", false;
        } else if (arg == "--rtl") {
            o.rightToLeft = true;
        } else if (arg == "--bold") {
            o.style |= kFontBold;
        } else if (arg == "--italic") {
            o.style |= kFontItalic;
        } else if (arg == "--greedy") {
            o.greedy = true;
        } else if (arg == "--char-mode") {
            o.characterMode = true;
        } else if (arg == "--smooth") {
            o.smooth = true;
        } else if (arg.startsWith("--") && arg.size() > 2) {
            return problem = "unknown option " + arg, false;
        } else {
            o.words << arg;
        }
    }
    if (o.words.size() != 2)
        return problem = "text takes the text to draw and the picture to write", false;
    return true;
}

} // namespace

int RunTextCommand(const QStringList& args) {
    tTextOptions o;
    QString problem;
    if (!ParseTextOptions(args, o, problem))
        return TextUsage(problem);

    tCanvas canvas;
    canvas.Font = tFont(o.font, o.size, o.style, o.charset);
    canvas.Font.SetAntiAliased(o.smooth);
    canvas.Font.SetColour(kInk);
    tWordwrappedUnicodeFontEngine engine;
    engine.Setup(&canvas, o.rightToLeft, o.characterMode, u' ');
    engine.SetText(o.words[0], o.width, !o.greedy);
    engine.LayoutRows(0, kMargin);

    const int imageWidth = o.width + 2 * kMargin;
    const int rowsHeight = engine.RowCount() > 0 ? engine.RowCount() * engine.Row(0).RowHeight : 0;
    canvas.Image = Bitmap(imageWidth, rowsHeight + 2 * kMargin, tPixelFormat::Bits32);
    canvas.Image.Fill(kPaper);

    std::printf("font: %s (%s), %d px, height %d, ascent %d\n", qUtf8Printable(canvas.Font.FamilyName()),
                qUtf8Printable(canvas.Font.FilePath()), canvas.Font.PixelSize(), canvas.Font.Height(),
                canvas.Font.Ascent());
    for (int i = 0; i < engine.RowCount(); ++i) {
        tUnicodeFontEngine& row = engine.Row(i);
        // Rows are centred, as the lyrics are.
        row.RowX = std::max(0, kMargin + o.width / 2 - row.RowWidth / 2);
        row.DrawRange(canvas, row.RowX, row.RowY, nullptr, 1, -1);
        std::printf("row %d: x %d, y %d, width %d, %d %s\n", i + 1, row.RowX, row.RowY, row.RowWidth,
                    row.GlyphCount(), row.GlyphMode ? "glyphs" : "characters");
    }
    if (!SavePng(canvas.Image, o.words[1])) {
        std::fprintf(stderr, "lyrimo-cli: cannot write %s\n", qUtf8Printable(o.words[1]));
        return 1;
    }
    return 0;
}

} // namespace lyrimo
