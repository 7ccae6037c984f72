// Playing a playlist song after song: the playing order and the loop around the play driver.
// The loop reaches the song loader, the question box and the playback window through steps,
// so that it runs without a screen in tests.
#pragma once

#include <QString>

#include <functional>
#include <random>
#include <vector>

namespace lyrimo {

class tBatchKaraokeFile;
class tLyrimoData;

// The entries' indices in playing order. In random order each entry is inserted at an index
// chosen uniformly among those before the end, so an entry is never appended last (the first
// entry therefore always plays last); the playlist itself is not reordered.
std::vector<int> PlayingOrder(int count, bool randomOrder, std::mt19937& random);

struct tBatchPlaySteps {
    // Performs the song; returns a play result (playresult::Ended stops the batch). Required.
    std::function<int(tLyrimoData& song, bool showRequester)> perform;
    // Loads the song with its media; 0 on success, the loader's result otherwise. By default the
    // song loader.
    std::function<int(tLyrimoData& song, const QString& file)> load;
    // A song could not be loaded: true goes on with the next one, false ends the batch. By
    // default the question box, whose OK skips the song and Cancel ends the batch.
    std::function<bool(const QString& file)> skipUnloadable;
    // Before each song: its place in the playing order (from 1) and the count.
    std::function<void(int position, int count)> progress;
    std::mt19937* random = nullptr; // the standard generator when null
};

// True when the end of the playing order was reached, false when the user ended the batch.
bool PlayPlaylist(const tBatchKaraokeFile& playlist, const tBatchPlaySteps& steps);

// The question asked when a song cannot be loaded, with the file's name without its folder.
QString UnloadableSongQuestion(const QString& file);

} // namespace lyrimo
