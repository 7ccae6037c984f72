// The background layer behind the lyrics: the background colour, the song's background
// picture, or a slide show of timed pictures brought in by transitions.
//
// Every picture is decoded and scaled to the screen once in Prepare; a frame only
// copies one picture or composes one transition.
#pragma once

#include "document/song.h"
#include "picture/bitmap.h"
#include "render/changes_list.h"

#include <QString>

#include <cstdint>
#include <random>
#include <vector>

namespace lyrimo {

// Transition numbers as stored in a slide; numbers outside 1..24 mean none.
enum tTransitionNumber : int {
    kNoTransition = 0,
    kCrossFade = 1,
    kWipeLeft = 2,
    kWipeRight = 3,
    kWipeUp = 4,
    kWipeDown = 5,
    kHorizontalBlinds = 6,
    kVerticalBlinds = 7,
    kWaterfall = 8,
    kCheckerBoardLeft = 9,
    kCheckerBoardRight = 10,
    kCheckerBoardUp = 11,
    kCheckerBoardDown = 12,
    kScrollLeft = 13,
    kScrollRight = 14,
    kScrollUp = 15,
    kScrollDown = 16,
    kDissolve = 17,
    kBoxIn = 18,
    kBoxOut = 19,
    kCenterWipeInHorizontal = 20,
    kCenterWipeOutHorizontal = 21,
    kCenterWipeInVertical = 22,
    kCenterWipeOutVertical = 23,
    kRandomTransition = 24,
};
constexpr int kTransitionCount = 25; // "No Transition" .. "Random"

// The untranslated name of a transition number ("" outside 0..24), in list order, for the
// slide editor's list (which passes them through the translation).
const char* TransitionName(int number);

// A slide of the song in show order, with the transition it really uses ("Random"
// resolved once when the schedule is built).
struct tScheduledSlide {
    tSlideRecord Record;
    uint8_t EffectiveTransition = 0;
};

// The slide showing at a time.
struct tCurrentSlide {
    int Position = -1; // in the schedule; -1 for none
    int Picture = -1;
    int Transition = 0;
    int32_t Duration = 0; // ms
    int32_t ShowTime = 0; // slide-show time
};

class tSlideShowhandler {
public:
    // Every picture is prepared in format, the frame's; the process's working format unless given.
    explicit tSlideShowhandler(tPixelFormat format = WorkingPixelFormat());

    // Builds the background layer, every slide picture and the schedule for a window of
    // width × height. With avoidKey the background picture never holds keyColour.
    void Prepare(tLyrimoData* song, int width, tColour keyColour, bool avoidKey, const tMyRect& pictureArea,
                 int height);

    // The slide showing at a media time (the song's slide-show offset is added here).
    tCurrentSlide CurrentSlideAt(int32_t mediaTime) const;

    // Draws the background layer for the media time onto the window-sized frame; true when it changed since
    // the last call (new slide or transition in progress).
    bool DrawLayer(Bitmap& frame, int32_t mediaTime, tColour backgroundColour);

    // DrawLayer in two steps, for a caller that keeps the layer in its frame and repaints only
    // what was drawn over it: UpdateLayer brings the layer to the media time without drawing and
    // answers as DrawLayer does; the Draw functions then draw the layer as last brought up to
    // date, every pixel once.
    bool UpdateLayer(int32_t mediaTime);
    void DrawWholeLayer(Bitmap& frame, tColour backgroundColour) const;
    // Only the area of the frame; while a transition runs (UpdateLayer answered true) the
    // transition is composed as a whole, so then the whole layer is drawn.
    void DrawLayerArea(Bitmap& frame, const tMyRect& area, tColour backgroundColour) const;

    // Composes out, in format, from two images of equal size at progress 0..1 of a transition. Both
    // images are brought to format first; nothing is drawn when the three sizes differ.
    static void Transition(const Bitmap& oldImage, const Bitmap& newImage, Bitmap& out, int number,
                           double progress, tPixelFormat format = WorkingPixelFormat());

    // Makes the "Random" choices reproducible.
    void SeedRandom(uint32_t seed) { Random.seed(seed); }

    // The prepared pictures: entry i belongs to picture i of the song and is empty when
    // that picture could not be decoded.
    std::vector<Bitmap> Pictures;
    Bitmap Background;
    bool FullScreen = false;
    bool Active = false;
    bool HasBackground = false;
    tLyrimoData* Song = nullptr;
    std::vector<tScheduledSlide> Schedule;
    bool Settled = true;
    int32_t CurrentSlide = -1;
    int32_t PreviousSlide = -1;
    tMyRect PictureArea;

private:
    void PrepareBackground(int width, int height, tColour keyColour, bool avoidKey);
    void PreparePictures(int width, int height);
    void BuildSchedule();
    const Bitmap& ImageOfSlide(int position) const;

    std::mt19937 Random;
    tPixelFormat format_;
    // The layer as UpdateLayer left it: the slide's picture (for pictures centred in the
    // picture area) and the transition running, if any.
    int shownPicture_ = -1;
    int transitionNumber_ = 0;
    double transitionProgress_ = 0;
    bool inTransition_ = false;
};

} // namespace lyrimo
