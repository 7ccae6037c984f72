#include "playback/playback_rules.h"

#include "app/app_services.h"
#include "app/text_codec.h"
#include "document/binary_file.h"
#include "document/song.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <Qt>

#include <algorithm>
#include <cmath>

namespace lyrimo {

QString SongDetailText(const tLyrimoData& song, const QByteArray& narrow, const QString& wide) {
    if (song.SongSettings.UnicodeText())
        return wide;
    // Character set 1 is the "default" set: the system code page.
    const int charset = song.SongSettings.TitleFontCharset();
    return DecodeText(narrow, charset == 1 ? SystemCodePage() : CodePageForCharset(charset));
}

QString MediaDescription(const tLyrimoData& song) {
    const tSongSettings& s = song.SongSettings;
    if (s.UseMediaFile() == 0)
        return Translate("Audio CD track") + " " + QString::number(s.CdTrack());
    const QString fileName = PathFromField(s.MediaFileName());
    if (fileName.isEmpty())
        return Translate("No media file is set");
    // The extracted copy lives in the temporary folder under a made-up name; only its kind tells
    // the user anything.
    if (s.EmbedMedia())
        return Translate("The media embedded in the song") + " (" + QFileInfo(fileName).suffix().toLower() +
               ")";
    return QDir::toNativeSeparators(fileName);
}

QString MediaStartErrorText(const tLyrimoData& song, const QString& reason) {
    QString text =
        Translate("There was an error starting the media for this karaoke") + "\r\n" + MediaDescription(song);
    if (!reason.trimmed().isEmpty())
        text += "\r\n" + reason.trimmed();
    return text;
}

bool IsVideoFileName(const QString& fileName) {
    static const QStringList kVideoSuffixes = {"mp4", "m4v", "mkv", "webm", "avi", "mov",  "mpg", "mpeg",
                                               "wmv", "ogv", "flv", "3gp",  "ts",  "m2ts", "vob", "asf"};
    return kVideoSuffixes.contains(QFileInfo(fileName).suffix().toLower());
}

void UseChosenMediaFile(tLyrimoData& song, const QString& fileName) {
    tSongSettings& s = song.SongSettings;
    s.setUseMediaFile(1);
    s.setMediaFileName(QFile::encodeName(fileName));
    s.setHasVideo(IsVideoFileName(fileName) ? 1 : 0);
}

double NextRate(double rate, bool faster) {
    const double next = faster ? rate + kRateStep : rate - kRateStep;
    return std::clamp(next, kSlowestRate, kFastestRate);
}

QString SpeedText(double rate) {
    const double percent = (rate - 1.0) * 100.0;
    // A step of 0.1 from 1.0 lands a hair short of the whole percent it stands for.
    const double nudged = percent + (percent < 0 ? -1e-6 : 1e-6);
    return QString::number(static_cast<int>(std::trunc(nudged))) + "%";
}

QString KeyText(int semitones) { return (semitones > 0 ? "+" : "") + QString::number(semitones); }

QString MinutesSecondsText(int32_t ms) {
    ms = std::max(ms, 0);
    const int seconds = ms / 1000 % 60;
    const int minutes = ms / 60000 % 100;
    QString text = QString::number(minutes) + ":" + QString::number(seconds).rightJustified(2, '0');
    return text.rightJustified(5, '0');
}

QString PlaybackTimeText(int32_t position, int32_t length) {
    return MinutesSecondsText(position) + "/" + MinutesSecondsText(length);
}

QString StatisticsText(int fps, int lastFps, int bitDepth, int32_t averagePrep, int32_t endEarlyMargin) {
    const QString depth =
        bitDepth == 16 || bitDepth == 24 || bitDepth == 32 ? QString::number(bitDepth) : "??";
    return QString::number((fps + lastFps) / 2) + "fps - " + depth +
           "Bit - Av.PrepTime: " + QString::number(averagePrep) +
           " IntelliCrop: " + QString::number(endEarlyMargin) + " ";
}

uint16_t ShortcutOfKey(int qtKey, bool shift, bool ctrl, bool alt) {
    int code = 0;
    if ((qtKey >= '0' && qtKey <= '9') || (qtKey >= 'A' && qtKey <= 'Z'))
        code = qtKey;
    else if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        code = 0x70 + (qtKey - Qt::Key_F1);
    else {
        switch (qtKey) {
        case Qt::Key_Backspace: code = 0x08; break;
        case Qt::Key_Tab: code = 0x09; break;
        case Qt::Key_Return:
        case Qt::Key_Enter: code = 0x0D; break;
        case Qt::Key_Pause: code = 0x13; break;
        case Qt::Key_Escape: code = 0x1B; break;
        case Qt::Key_Space: code = 0x20; break;
        case Qt::Key_PageUp: code = 0x21; break;
        case Qt::Key_PageDown: code = 0x22; break;
        case Qt::Key_End: code = 0x23; break;
        case Qt::Key_Home: code = 0x24; break;
        case Qt::Key_Left: code = 0x25; break;
        case Qt::Key_Up: code = 0x26; break;
        case Qt::Key_Right: code = 0x27; break;
        case Qt::Key_Down: code = 0x28; break;
        case Qt::Key_Insert: code = 0x2D; break;
        case Qt::Key_Delete: code = 0x2E; break;
        default: return 0;
        }
    }
    return static_cast<uint16_t>(code | (shift ? kShortcutShift : 0) | (ctrl ? kShortcutCtrl : 0) |
                                 (alt ? kShortcutAlt : 0));
}

tKeyAction KeyActionOf(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return tKeyAction::Enter;
    case Qt::Key_Escape: return tKeyAction::Stop;
    case Qt::Key_Space: return tKeyAction::Skip;
    case Qt::Key_Left: return tKeyAction::Rewind;
    case Qt::Key_Up: return tKeyAction::Faster;
    case Qt::Key_Down: return tKeyAction::Slower;
    case Qt::Key_Plus:
    case Qt::Key_Equal: return tKeyAction::KeyUp; // the plus key without Shift
    case Qt::Key_Minus: return tKeyAction::KeyDown;
    default: return tKeyAction::None;
    }
}

tPlaybackCommand EnterCommandFor(tPlaybackState shownState) {
    if (shownState == tPlaybackState::WaitAfterFade || shownState == tPlaybackState::WaitAfterTitle)
        return tPlaybackCommand::Continue;
    if (shownState == tPlaybackState::Paused)
        return tPlaybackCommand::Play;
    return tPlaybackCommand::Pause;
}

} // namespace lyrimo
