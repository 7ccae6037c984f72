#include "cli/balls_command.h"

#include "picture/bitmap_png.h"
#include "render/animations.h"
#include "render/builtin_pictures.h"
#include "render/font_backend.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace lyrimo {
namespace {

constexpr tColour kBackground = 0x404040; // dark grey
constexpr tColour kCell = 0x585858;       // behind each frame, so frame edges show
constexpr tColour kLabelColour = 0xD0D0D0;
constexpr int kMargin = 10;
constexpr int kGap = 4;
constexpr int kLabelWidth = 70;
constexpr int kBallColumns = 2;
constexpr int kLabelHeight = 16;

int BallsUsage(const QString& problem) {
    std::fprintf(stderr, "lyrimo-cli balls: %s\n\nUsage: lyrimo-cli balls OUT.png\n",
                 qUtf8Printable(problem));
    return 2;
}

// The width of an animation's frames drawn side by side, one pixel apart.
int StripRowWidth(const tSingleAnimation& animation) {
    return animation.FrameCount * (animation.FrameWidth + 1);
}

void DrawLabel(Bitmap& sheet, const tFont& font, int x, int y, const QString& text) {
    DrawText(sheet, font, x, y, text);
}

// Draws frames first..last-1 of the animation side by side from (x, y), each on a
// lighter cell.
void DrawFrames(Bitmap& sheet, const tSingleAnimation& animation, int first, int last, int x, int y) {
    for (int frame = first; frame < last; ++frame) {
        int left = x + (frame - first) * (animation.FrameWidth + 1);
        sheet.FillRect(left, y, animation.FrameWidth, animation.Height(), kCell);
        animation.DrawFrameAt(frame, sheet, true, y, left);
    }
}

struct tSheetLayout {
    int ballRowHeight = kBallCellSize + kGap;
    int ballRows = (kBuiltInBallCount + kBallColumns - 1) / kBallColumns;
    int ballColumnWidth = 0;
    int width = 0;
    int instrumentsTop = 0;
    int height = 0;
};

tSheetLayout PlanSheet(const std::vector<tBouncingBall>& balls,
                       const std::vector<tInstrumentalAnimation>& animations) {
    tSheetLayout layout;
    int widest = 0;
    for (const tBouncingBall& ball : balls)
        widest = std::max(widest, StripRowWidth(ball));
    layout.ballColumnWidth = kLabelWidth + widest + 2 * kGap;
    layout.width = 2 * kMargin + kBallColumns * layout.ballColumnWidth;
    layout.instrumentsTop = kMargin + layout.ballRows * layout.ballRowHeight + kGap;
    int y = layout.instrumentsTop;
    const int usable = layout.width - 2 * kMargin;
    for (const tInstrumentalAnimation& animation : animations) {
        int perRow = std::max(1, usable / std::max(1, animation.FrameWidth + 1));
        int rows = (animation.FrameCount + perRow - 1) / perRow;
        y += kLabelHeight + rows * (animation.Height() + kGap) + kGap;
    }
    layout.height = y + kMargin;
    return layout;
}

} // namespace

int RunBallsCommand(const QStringList& args) {
    if (args.size() != 1 || args[0].startsWith("--"))
        return BallsUsage("balls takes the name of the picture to write");

    std::vector<tBouncingBall> balls(kBuiltInBallCount);
    for (int i = 0; i < kBuiltInBallCount; ++i)
        balls[size_t(i)].LoadBuiltIn(i, false);
    std::vector<tInstrumentalAnimation> animations(kInstrumentalAnimationCount);
    for (int i = 0; i < kInstrumentalAnimationCount; ++i)
        animations[size_t(i)].LoadBuiltIn(i, false);

    const tSheetLayout layout = PlanSheet(balls, animations);
    Bitmap sheet(layout.width, layout.height, WorkingPixelFormat());
    sheet.Fill(kBackground);
    tFont font("DejaVu Sans", 8);
    font.SetColour(kLabelColour);

    for (int i = 0; i < kBuiltInBallCount; ++i) {
        const tBouncingBall& ball = balls[size_t(i)];
        int x = kMargin + (i / layout.ballRows) * layout.ballColumnWidth;
        int y = kMargin + (i % layout.ballRows) * layout.ballRowHeight;
        QString label = QString("Ball %1").arg(i) + (ball.TimeAnimated ? " *" : "");
        DrawLabel(sheet, font, x, y + kBallCellSize / 3, label);
        DrawFrames(sheet, ball, 0, ball.FrameCount, x + kLabelWidth, y);
    }

    int y = layout.instrumentsTop;
    const int usable = layout.width - 2 * kMargin;
    for (int i = 0; i < kInstrumentalAnimationCount; ++i) {
        const tInstrumentalAnimation& animation = animations[size_t(i)];
        DrawLabel(sheet, font, kMargin, y,
                  QString("Instrumental animation %1 (%2 frames)").arg(i + 1).arg(animation.FrameCount));
        y += kLabelHeight;
        int perRow = std::max(1, usable / std::max(1, animation.FrameWidth + 1));
        for (int first = 0; first < animation.FrameCount; first += perRow) {
            DrawFrames(sheet, animation, first, std::min(first + perRow, animation.FrameCount), kMargin, y);
            y += animation.Height() + kGap;
        }
        y += kGap;
    }

    if (!SavePng(sheet, args[0])) {
        std::fprintf(stderr, "lyrimo-cli balls: cannot write %s\n", qUtf8Printable(args[0]));
        return 1;
    }
    return 0;
}

} // namespace lyrimo
