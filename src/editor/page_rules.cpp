#include "editor/page_rules.h"

#include "app/app_services.h"
#include "render/title_effect.h"

#include <QFileInfo>

#include <algorithm>

namespace lyrimo {

int PreferredPlayerChoice(uint8_t stored) {
    const auto* it = std::find(kPreferredPlayerOrder.begin(), kPreferredPlayerOrder.end(), stored);
    return it == kPreferredPlayerOrder.end() ? 0 : int(it - kPreferredPlayerOrder.begin());
}

uint8_t PreferredPlayerOfChoice(int choice) {
    return choice < 0 || choice >= int(kPreferredPlayerOrder.size()) ? 0 : kPreferredPlayerOrder[choice];
}

int MediaTypeOf(const tSongSettings& s) {
    if (!s.UseMediaFile())
        return kMediaCd;
    return s.HasVideo() ? kMediaVideo : kMediaAudio;
}

void SetMediaType(tSongSettings& s, int type) {
    s.setUseMediaFile(type != kMediaCd);
    s.setHasVideo(type == kMediaVideo);
    if (type != kMediaVideo)
        s.setFullScreenVideo(false);
}

bool SlideShowInUse(const tSongSettings& s) { return s.SlideShowEnabled() || s.FullScreenSlideShow(); }

bool SharesScreen(const tSongSettings& s) {
    return (s.HasVideo() && !s.FullScreenVideo()) || (s.SlideShowEnabled() && !s.FullScreenSlideShow());
}

int TitleEffectChoice(uint8_t stored) { return stored % kTitleEffectCount; }

tTitleTexts ExampleTitleTexts(const tTitleTexts& texts) {
    if (texts.songName.isEmpty() && texts.artist.isEmpty() && texts.year.isEmpty())
        return {Translate("Example Title Text"), {}, {}};
    return texts;
}

QString EmbeddedMediaFilter(const QString& extension) {
    return extension + " " + Translate("files") + " |*" + extension + "|" + Translate("All Files") +
           " (*.*)|*.*";
}

QString BackgroundPictureFilter(const QString& extension) {
    return extension.mid(1) + " " + Translate("Files") + " (*" + extension + ")|*" + extension + "|" +
           Translate("All Files") + "|*.*";
}

bool IsSameFile(const QString& target, const QString& tempFile) {
    if (target.compare(tempFile, Qt::CaseInsensitive) == 0)
        return true;
    const QFileInfo a(target), b(tempFile);
    return a.exists() && b.exists() && a.canonicalFilePath() == b.canonicalFilePath();
}

} // namespace lyrimo
