#include "editor/animation_rules.h"

#include "document/song.h"
#include "picture/picture_decode.h"

#include <algorithm>

namespace lyrimo {
namespace {

constexpr uint8_t kHorizontalBits = 0x03;
constexpr uint8_t kVerticalBits = 0x0C;
constexpr uint8_t kPositionBits = kHorizontalBits | kVerticalBits;
constexpr int kMiddle = 1;

int CellIndex(int offset, int last) { return std::min(std::max(offset - 1, 0) / kBallGridCell, last); }

// Offset of a frame along one side for a position: start, centre or end.
int PlaceAlong(int position, int panel, int frame) {
    switch (position) {
    case 1: return (panel - frame) / 2;
    case 2: return panel - frame;
    default: return 0;
    }
}

} // namespace

int BallAtGridPoint(int x, int y) {
    return CellIndex(x, kBallGridColumns - 1) + kBallGridColumns * CellIndex(y, kBallGridRows - 1);
}

int BallCellX(int ball) { return (ball % kBallGridColumns) * kBallGridCell; }
int BallCellY(int ball) { return (ball / kBallGridColumns) * kBallGridCell; }

int SelectedBuiltInBall(const tLyricsData& part) {
    const int ball = part.PartExtras.BallStyle() == 1 ? part.PartRecord.BallNumberHigh() + kFirstHighBall
                                                      : part.PartRecord.BallNumber();
    return std::clamp(ball, 0, kBuiltInBallCount - 1);
}

void SelectBuiltInBall(tLyricsData& part, int ball) {
    part.PartRecord.setBallNumber(uint8_t(ball));
    part.PartRecord.setBallNumberHigh(uint8_t(ball - kFirstHighBall));
    part.PartExtras.setBallStyle(ball >= kFirstHighBall ? 1 : 2);
}

tBallFlags BallFlagsOf(const tPartRecord& record) {
    return {!record.BallNoBounce(), !record.BallNoAnimation(), record.BallSpinForward() != 0};
}

void StoreBallFlags(tPartRecord& record, const tBallFlags& flags) {
    record.setBallNoBounce(!flags.bouncing);
    record.setBallNoAnimation(!flags.animating);
    record.setBallSpinForward(flags.forward);
}

int AnimationEntryOf(const tLyricsData& part) {
    if (part.Slots[kAnimationSlot].Record.Enabled())
        return kCustomAnimation;
    return std::min<int>(part.PartExtras.InstrumentalAnimation(), kCustomAnimation - 1);
}

void SetAnimationEntry(tLyricsData& part, int entry) {
    tAnimationPictureRecord& record = part.Slots[kAnimationSlot].Record;
    record.setEnabled(entry == kCustomAnimation);
    if (entry != kCustomAnimation)
        part.PartExtras.setInstrumentalAnimation(uint8_t(std::clamp(entry, 0, kCustomAnimation - 1)));
}

int PlacementHorizontal(uint8_t placement) { return std::min(placement & kHorizontalBits, 2); }
int PlacementVertical(uint8_t placement) { return std::min((placement & kVerticalBits) >> 2, 2); }
bool PlacementScrolls(uint8_t placement) { return placement & kPlacementScrolls; }

uint8_t WithHorizontal(uint8_t placement, int horizontal) {
    return uint8_t((placement & ~kHorizontalBits) | (std::clamp(horizontal, 0, 2)));
}

uint8_t WithVertical(uint8_t placement, int vertical) {
    return uint8_t((placement & ~kVerticalBits) | (std::clamp(vertical, 0, 2) << 2));
}

uint8_t WithScrolls(uint8_t placement, bool scrolls) {
    return scrolls ? uint8_t(placement | kPlacementScrolls) : uint8_t(placement & kPositionBits);
}

bool ScrollChoiceEnabled(int entry, int horizontal, int vertical) {
    return entry != kNoAnimation && !(horizontal == kMiddle && vertical == kMiddle);
}

tPoint AnimationFramePosition(uint8_t placement, tSize panel, tSize frame) {
    return {PlaceAlong(PlacementHorizontal(placement), panel.width, frame.width),
            PlaceAlong(PlacementVertical(placement), panel.height, frame.height)};
}

tAssembledStrip AssembleStrip(const QStringList& files, tPixelFormat format,
                              const std::function<void(int step)>& progress) {
    tAssembledStrip result;
    result.frame = {1, 1};
    const int n = int(files.size());
    for (int i = 0; i < n; ++i) {
        Bitmap picture;
        if (LoadPictureFile(files[i], picture, format)) {
            result.frame.width = std::max(result.frame.width, picture.Width());
            result.frame.height = std::max(result.frame.height, picture.Height());
        }
        if (progress)
            progress(i + 1);
    }
    result.frameCount = n;
    if (!PictureSizeAllowed(result.frame.width, result.frame.height, std::max(n, 1)))
        return result;
    result.strip = Bitmap(std::max(n, 1) * result.frame.width, result.frame.height, format);
    for (int i = 0; i < n; ++i) {
        Bitmap picture;
        // Decoded again rather than kept: a long list of large pictures need not all be held.
        if (LoadPictureFile(files[i], picture, format))
            result.strip.CopyRect(picture, 0, 0, picture.Width(), picture.Height(), i * result.frame.width,
                                  0);
        if (progress)
            progress(i + 1 + n);
    }
    return result;
}

tSize PickerWindowSize(tSize picture, tSize screen) {
    tSize size{std::max(picture.width, 1), std::max(picture.height, 1)};
    while (size.width < 140 || size.height < 40) {
        size.width *= 2;
        size.height *= 2;
    }
    while ((size.width > screen.width || size.height > screen.height) && size.width > 1 && size.height > 1) {
        size.width /= 2;
        size.height /= 2;
    }
    return size;
}

tSize PickerMinimumSize(tSize window) {
    return {std::max(window.width / 2, 100), std::max(window.height / 2, 50)};
}

tPoint PickerSwatchPosition(tPoint pointer, tSize window, tSize swatch) {
    constexpr int kGap = 30;
    tPoint at{pointer.x + kGap, pointer.y - kGap - swatch.height};
    if (at.x + swatch.width > window.width)
        at.x = pointer.x - kGap - swatch.width;
    if (at.y < 0)
        at.y = pointer.y + kGap;
    if (window.height < 100)
        at.y = 0;
    return at;
}

tPoint PicturePointUnder(tPoint windowPoint, tSize window, tSize picture) {
    const auto scale = [](int v, int from, int to) {
        return from <= 0 ? 0 : std::clamp(int(int64_t{v} * to / from), 0, std::max(to - 1, 0));
    };
    return {scale(windowPoint.x, window.width, picture.width),
            scale(windowPoint.y, window.height, picture.height)};
}

bool IsAnimatedPictureName(const QString& fileName) {
    return fileName.endsWith(QLatin1String(".gif"), Qt::CaseInsensitive);
}

} // namespace lyrimo
