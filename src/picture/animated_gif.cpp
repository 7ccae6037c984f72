// giflib reports errors through return codes (no longjmp), so it is driven record
// by record here: sizes are checked against the picture limits before anything is
// allocated, and only the part of each image inside the picture is kept.
#include "picture/animated_gif.h"

#include <QFile>

#include <gif_lib.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <exception>
#include <memory>
#include <optional>

namespace lyrimo {
namespace {

constexpr qint64 kMaxGifFileBytes = qint64{512} * 1024 * 1024;
// Bounds the bookkeeping kept per frame for files of countless one-pixel frames.
constexpr int kMaxFrames = 65536;
constexpr int kUnmarkedFrameMs = 100; // a frame without graphic control
constexpr int kShortestDelay = 8;     // hundredths of a second

struct tGifInput {
    const uint8_t* data;
    size_t size;
    size_t position;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int count) {
    auto* input = static_cast<tGifInput*>(gif->UserData);
    size_t n = std::min(static_cast<size_t>(std::max(count, 0)), input->size - input->position);
    std::memcpy(out, input->data + input->position, n);
    input->position += n;
    return static_cast<int>(n);
}

struct tGifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using tGifHandle = std::unique_ptr<GifFileType, tGifCloser>;

struct tRect {
    int left = 0, top = 0, width = 0, height = 0;
};

// One image of the file, cut to the picture: its colour indexes and the colours they map to.
struct tGifFrame {
    tRect rect;            // inside the picture
    size_t firstIndex = 0; // into tGifImages::indexes, rect.width × rect.height of them
    size_t palette = 0;    // into tGifImages::palettes: its local map, else the global one
    std::optional<GraphicsControlBlock> control;
};

// Every colour value that occurs in any colour map.
class tColourSet {
public:
    void Add(tColour colour) {
        colours_.push_back(colour);
        sorted_ = false;
    }
    bool Contains(tColour colour) {
        Sort();
        return std::binary_search(colours_.begin(), colours_.end(), colour);
    }
    // The smallest 24-bit colour value not in the set.
    std::optional<tColour> SmallestMissing() {
        Sort();
        tColour candidate = 0;
        for (tColour colour : colours_) {
            if (colour > candidate)
                break;
            if (colour == candidate)
                ++candidate;
        }
        return candidate <= 0xFFFFFF ? std::optional<tColour>(candidate) : std::nullopt;
    }

private:
    void Sort() {
        if (!sorted_) {
            std::sort(colours_.begin(), colours_.end());
            colours_.erase(std::unique(colours_.begin(), colours_.end()), colours_.end());
            sorted_ = true;
        }
    }

    std::vector<tColour> colours_;
    bool sorted_ = true;
};

struct tGifImages {
    int width = 0, height = 0; // the picture (logical screen)
    size_t fileBytes = 0;
    std::vector<tGifFrame> frames;
    std::vector<uint8_t> indexes;
    tColourSet mapColours;
    std::vector<std::vector<tColour>> palettes; // the global map (perhaps empty) first, then local maps
    int backgroundIndex = 0;
};

std::vector<tColour> ColoursOf(const ColorMapObject* map) {
    std::vector<tColour> colours;
    if (map == nullptr || map->Colors == nullptr)
        return colours;
    for (int i = 0; i < map->ColorCount; ++i) {
        const GifColorType& c = map->Colors[i];
        colours.push_back(tColour{c.Blue} << 16 | tColour{c.Green} << 8 | c.Red);
    }
    return colours;
}

// Skips the compressed data of an image whose pixels are not read.
bool SkipImageData(GifFileType* gif) {
    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR)
        return false;
    while (block != nullptr) {
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

bool ReadImage(GifFileType* gif, tGifImages& images, std::optional<GraphicsControlBlock> control,
               int64_t& pixelsDecoded) {
    if (DGifGetImageDesc(gif) == GIF_ERROR)
        return false;
    const GifImageDesc& desc = gif->Image;
    if (images.frames.empty() && (images.width <= 0 || images.height <= 0)) {
        // A picture without a size of its own takes the extent of its first image.
        images.width = desc.Left + desc.Width;
        images.height = desc.Top + desc.Height;
    }
    int frameCount = static_cast<int>(images.frames.size()) + 1;
    if (frameCount > kMaxFrames ||
        !PictureSizeFitsData(images.width, images.height, frameCount, images.fileBytes))
        return false;

    tGifFrame frame;
    frame.control = control;
    if (desc.ColorMap != nullptr) {
        frame.palette = images.palettes.size();
        images.palettes.push_back(ColoursOf(desc.ColorMap));
        for (tColour c : images.palettes.back())
            images.mapColours.Add(c);
    }
    if (images.palettes[frame.palette].empty())
        return false; // no colour map anywhere: nothing to draw with

    if (desc.Width <= 0 || desc.Height <= 0) {
        images.frames.push_back(std::move(frame));
        return SkipImageData(gif);
    }
    // Decoding work is bounded by the pixels the file claims, not only by what is kept.
    pixelsDecoded += int64_t{desc.Width} * desc.Height;
    if (pixelsDecoded > kMaxPicturePixels)
        return false;

    const int left = std::max(desc.Left, 0), top = std::max(desc.Top, 0);
    const int right = std::min(desc.Left + desc.Width, images.width);
    const int bottom = std::min(desc.Top + desc.Height, images.height);
    frame.rect = {left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
    frame.firstIndex = images.indexes.size();
    images.indexes.resize(frame.firstIndex + size_t(frame.rect.width) * frame.rect.height);

    // Interlaced images arrive in four passes over the rows.
    static constexpr int passStart[4] = {0, 4, 2, 1}, passStep[4] = {8, 8, 4, 2};
    std::vector<GifPixelType> line(static_cast<size_t>(desc.Width));
    auto readRow = [&](int row) {
        if (DGifGetLine(gif, line.data(), desc.Width) == GIF_ERROR)
            return false;
        int y = desc.Top + row;
        if (y >= top && y < bottom && frame.rect.width > 0) {
            uint8_t* out = images.indexes.data() + frame.firstIndex + size_t(y - top) * frame.rect.width;
            std::memcpy(out, line.data() + (left - desc.Left), size_t(frame.rect.width));
        }
        return true;
    };
    if (desc.Interlace) {
        for (int pass = 0; pass < 4; ++pass) {
            for (int row = passStart[pass]; row < desc.Height; row += passStep[pass]) {
                if (!readRow(row))
                    return false;
            }
        }
    } else {
        for (int row = 0; row < desc.Height; ++row) {
            if (!readRow(row))
                return false;
        }
    }
    images.frames.push_back(std::move(frame));
    return true;
}

bool ReadExtension(GifFileType* gif, std::optional<GraphicsControlBlock>& pendingControl) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
        return false;
    if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr) {
        GraphicsControlBlock control;
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK)
            pendingControl = control;
    }
    while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
            return false;
    }
    return true;
}

bool ReadGif(const uint8_t* data, size_t size, tGifImages& images) {
    tGifInput input{data, size, 0};
    int error = 0;
    tGifHandle gif(DGifOpen(&input, ReadFromMemory, &error));
    if (!gif)
        return false;
    images.width = gif->SWidth;
    images.height = gif->SHeight;
    images.fileBytes = size;
    images.palettes.push_back(ColoursOf(gif->SColorMap));
    images.backgroundIndex = gif->SBackGroundColor;
    for (tColour c : images.palettes.front())
        images.mapColours.Add(c);

    std::optional<GraphicsControlBlock> pendingControl; // applies to the next image
    int64_t pixelsDecoded = 0;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            return false;
        if (type == TERMINATE_RECORD_TYPE)
            return !images.frames.empty();
        if (type == IMAGE_DESC_RECORD_TYPE) {
            if (!ReadImage(gif.get(), images, pendingControl, pixelsDecoded))
                return false;
            pendingControl.reset();
            // giflib grows its own record of images by one element per image, copying
            // the whole record each time; nothing here needs it, so it is dropped.
            GifFreeSavedImages(gif.get());
            gif->ImageCount = 0;
        } else if (type == EXTENSION_RECORD_TYPE) {
            if (!ReadExtension(gif.get(), pendingControl))
                return false;
        } else {
            return false;
        }
    }
}

// The colour of the first image's transparent index, when it names one.
std::optional<tColour> FirstTransparentColour(const tGifImages& images) {
    const tGifFrame& first = images.frames.front();
    const std::vector<tColour>& colours = images.palettes[first.palette];
    if (!first.control)
        return std::nullopt;
    int index = first.control->TransparentColor;
    if (index < 0 || index >= static_cast<int>(colours.size()))
        return std::nullopt;
    return colours[size_t(index)];
}

tColour ChooseKeyColour(tGifImages& images) {
    std::optional<tColour> transparent = FirstTransparentColour(images);
    if (transparent && !images.mapColours.Contains(*transparent))
        return *transparent;
    if (std::optional<tColour> unused = images.mapColours.SmallestMissing())
        return *unused;
    const std::vector<tColour>& global = images.palettes.front();
    int background = images.backgroundIndex;
    return background >= 0 && background < static_cast<int>(global.size()) ? global[size_t(background)] : 0;
}

// Draws a frame's image into the strip cell that starts at cellLeft; transparent pixels keep what is there.
void DrawFrame(const tGifImages& images, const tGifFrame& frame, int cellLeft, Bitmap& strip) {
    const int transparent = frame.control ? frame.control->TransparentColor : NO_TRANSPARENT_COLOR;
    const std::vector<tColour>& colours = images.palettes[frame.palette];
    std::vector<uint32_t> values(256, 0);
    std::vector<bool> drawn(256, false);
    for (size_t i = 0; i < colours.size() && i < 256; ++i) {
        values[i] = strip.PixelValue(colours[i]);
        drawn[i] = static_cast<int>(i) != transparent;
    }
    for (int y = 0; y < frame.rect.height; ++y) {
        const uint8_t* indexes = images.indexes.data() + frame.firstIndex + size_t(y) * frame.rect.width;
        uint32_t* out = strip.Row32(frame.rect.top + y) + cellLeft + frame.rect.left;
        for (int x = 0; x < frame.rect.width; ++x) {
            if (drawn[indexes[x]])
                out[x] = values[indexes[x]];
        }
    }
}

// The strip: every frame composed over its predecessor after that one's disposal, and the frame times.
void BuildStrip(tGifImages& images, tEasyAnimatedGif& gif) {
    const int cellWidth = images.width, height = images.height;
    const int frames = static_cast<int>(images.frames.size());
    gif.KeyColour = ChooseKeyColour(images);
    gif.Strip = Bitmap(cellWidth * frames, height, tPixelFormat::Bits24);
    gif.Strip.Fill(gif.KeyColour);

    int64_t runningTime = 0;
    Bitmap previous; // what a "restore to previous" frame covered before it was drawn
    for (int i = 0; i < frames; ++i) {
        const tGifFrame& frame = images.frames[size_t(i)];
        const int cell = i * cellWidth;
        const tRect& r = frame.rect;
        const int disposal = frame.control ? frame.control->DisposalMode : DISPOSAL_UNSPECIFIED;
        if (disposal == DISPOSE_PREVIOUS) {
            previous = Bitmap(r.width, r.height, tPixelFormat::Bits24);
            previous.CopyRect(gif.Strip, cell + r.left, r.top, r.width, r.height, 0, 0);
        }
        DrawFrame(images, frame, cell, gif.Strip);

        if (i + 1 < frames) { // the next frame starts from this one, after its disposal
            const int next = cell + cellWidth;
            gif.Strip.CopyRect(gif.Strip, cell, 0, cellWidth, height, next, 0);
            if (disposal == DISPOSE_BACKGROUND)
                gif.Strip.FillRect(next + r.left, r.top, r.width, r.height, gif.KeyColour);
            else if (disposal == DISPOSE_PREVIOUS)
                gif.Strip.CopyRect(previous, 0, 0, r.width, r.height, next + r.left, r.top);
        }

        if (frame.control)
            runningTime += int64_t{std::max(frame.control->DelayTime, kShortestDelay)} * 10;
        else
            runningTime += kUnmarkedFrameMs;
        runningTime = std::min<int64_t>(runningTime, INT32_MAX); // hours of delays must not wrap around
        gif.FrameEnds.push_back(static_cast<int32_t>(runningTime));
    }
    gif.FrameCount = frames;
    gif.TotalDuration = std::max(static_cast<int32_t>(runningTime), int32_t{10});
}

} // namespace

void tEasyAnimatedGif::Clear() {
    FrameCount = 0;
    TotalDuration = 10;
    Strip = Bitmap();
    KeyColour = 0;
    FrameEnds.clear();
}

bool tEasyAnimatedGif::LoadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxGifFileBytes) {
        Clear();
        return false;
    }
    return LoadFromMemory(file.readAll());
}

bool tEasyAnimatedGif::LoadFromMemory(const QByteArray& bytes) {
    return LoadFromMemory(reinterpret_cast<const uint8_t*>(bytes.constData()),
                          static_cast<size_t>(bytes.size()));
}

bool tEasyAnimatedGif::LoadFromMemory(const uint8_t* data, size_t size) {
    Clear();
    if (data == nullptr || size == 0)
        return false;
    try {
        tGifImages images;
        if (ReadGif(data, size, images)) {
            BuildStrip(images, *this);
            return true;
        }
    } catch (const std::exception&) { // memory for the strip: a picture that cannot be shown
    }
    Clear();
    return false;
}

} // namespace lyrimo
