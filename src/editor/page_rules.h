// The choices of the media, background, advanced and title pages, without a window: how a song's
// settings map to the pages' lists and back, and the filters of their Save As dialogs.
#pragma once

#include "document/song.h"

#include <QString>

#include <array>
#include <cstdint>

namespace lyrimo {

// The stored preferred player of each "Preferred Player:" entry, in list order.
constexpr std::array<uint8_t, 6> kPreferredPlayerOrder = {0, 1, 4, 3, 5, 2};
int PreferredPlayerChoice(uint8_t stored); // an unknown player shows as the first entry
uint8_t PreferredPlayerOfChoice(int choice);

// The media type list: CD audio, audio only, audio and video.
enum tMediaType { kMediaCd = 0, kMediaAudio = 1, kMediaVideo = 2 };
int MediaTypeOf(const tSongSettings& s);
void SetMediaType(tSongSettings& s, int type);
// Choosing video media turns the slide show off; the pages ask first when there is one.
bool SlideShowInUse(const tSongSettings& s);

// Whether the lyrics share the screen with a video or a slide show (rather than covering it).
bool SharesScreen(const tSongSettings& s);

// The title effect list shows the stored effect wrapped into its thirteen entries.
int TitleEffectChoice(uint8_t stored);

// The title's three texts, or the example text when all are empty.
struct tTitleTexts {
    QString songName, artist, year;
};
tTitleTexts ExampleTitleTexts(const tTitleTexts& texts);

// The Save As filters ("Name|patterns|..."): of the embedded media, after its extension
// (".mp3"), and of the background picture.
QString EmbeddedMediaFilter(const QString& extension);
QString BackgroundPictureFilter(const QString& extension);

// Whether saving the embedded media to target would write over the file it is extracted to.
bool IsSameFile(const QString& target, const QString& tempFile);

// The lyrics effects example: a song of one part with one line, "Some Example Text for
// Pre-viewing" sung over three seconds. Refreshing takes the edited song's drawing mode and the
// given part's records, effects and pictures, and the colours of its first line.
constexpr const char* kExampleLyricsText = "Some Example Text for Pre-viewing";
void RefreshLyricsExample(tLyrimoData& example, const tLyrimoData& song, int part);
// Whether the part's own first line can be shown instead: it has text and timings.
bool HasRealExampleLine(const tLyricsData& part);

} // namespace lyrimo
