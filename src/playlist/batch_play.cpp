#include "playlist/batch_play.h"

#include "app/app_services.h"
#include "document/song.h"
#include "playlist/playlist_file.h"

#include <QFileInfo>

#include <memory>

namespace lyrimo {
namespace {

std::mt19937& StandardRandom() {
    static std::mt19937 random{std::random_device{}()};
    return random;
}

constexpr int kPlayEnded = 2; // the user ended the presentation

int LoadWithMedia(tLyrimoData& song, const QString& file) { return song.LoadFromFile(file, true); }

bool AskToSkip(const QString& file) {
    return App().MessageBox(UnloadableSongQuestion(file), Translate("Error"),
                            mb::OkCancel | mb::IconQuestion) == mb::IdOk;
}

} // namespace

std::vector<int> PlayingOrder(int count, bool randomOrder, std::mt19937& random) {
    std::vector<int> order;
    order.reserve(count > 0 ? count : 0);
    for (int entry = 0; entry < count; ++entry) {
        if (!randomOrder || order.empty()) {
            order.push_back(entry);
            continue;
        }
        std::uniform_int_distribution<int> place(0, static_cast<int>(order.size()) - 1);
        order.insert(order.begin() + place(random), entry);
    }
    return order;
}

QString UnloadableSongQuestion(const QString& file) {
    return Translate("The file") + " \"" + QFileInfo(file).fileName() + "\" " +
           Translate("could not be loaded during Batch Karaoke Playback") + ".\r\n" +
           Translate("Do you want to skip to the next song?");
}

bool PlayPlaylist(const tBatchKaraokeFile& playlist, const tBatchPlaySteps& steps) {
    std::mt19937& random = steps.random ? *steps.random : StandardRandom();
    const auto load = steps.load ? steps.load : LoadWithMedia;
    const auto skipUnloadable = steps.skipUnloadable ? steps.skipUnloadable : AskToSkip;
    const std::vector<int> order = PlayingOrder(playlist.Count(), playlist.RandomOrder, random);
    for (size_t position = 0; position < order.size(); ++position) {
        const QString& entry = playlist.Entries[order[position]];
        const QString file = EntrySongFile(entry);
        if (steps.progress)
            steps.progress(static_cast<int>(position) + 1, static_cast<int>(order.size()));
        auto song = std::make_unique<tLyrimoData>();
        if (load(*song, file) != 0) {
            if (!skipUnloadable(file))
                return false;
            continue;
        }
        if (steps.perform(*song, EntryShowsRequester(entry)) == kPlayEnded)
            return false;
    }
    return true;
}

} // namespace lyrimo
