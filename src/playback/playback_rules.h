// The small rules of a performance that need no window: how a command changes the speed, how the
// controls word the time and the speed, which command a key stands for, how the statistics read.
// The playback window applies them; tests check them without a screen.
#pragma once

#include "playback/playback_state.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace lyrimo {

class tLyrimoData;

// One of the song's details (name, artist, album, year) for display: the wide text when the song's
// texts are Unicode, else its 8-bit text read in the title font's character set.
QString SongDetailText(const tLyrimoData& song, const QByteArray& narrow, const QString& wide);

// The song's media as a person names it: the file, the CD track or the embedded media.
QString MediaDescription(const tLyrimoData& song);
// The message shown when the media does not start: what could not be started and why (the
// engine's reason, when it gave one), one per line.
QString MediaStartErrorText(const tLyrimoData& song, const QString& reason);

// The key as the controls and the screen show it: "0", "+2", "-3".
QString KeyText(int semitones);

// Whether a media file holds video, judged by its extension.
bool IsVideoFileName(const QString& fileName);
// Makes a media file the user chose the song's media: played from that file, with video when the
// file is a video.
void UseChosenMediaFile(tLyrimoData& song, const QString& fileName);

constexpr double kFastestRate = 4.5;
constexpr double kSlowestRate = 0.4;
constexpr double kRateStep = 0.1;

// The rate after one press of faster (up) or slower, kept within the two limits.
double NextRate(double rate, bool faster);
// The speed as the controls show it: (rate - 1) × 100 truncated toward zero, then "%". Truncation
// ignores the last bits of floating-point noise, so 0.9 shows as -10% and not -9%.
QString SpeedText(double rate);

// "mm:ss" of a media time; minutes wrap at 100, negative times show as 0.
QString MinutesSecondsText(int32_t ms);
// The controls' time text: position and length joined by "/" ("00:05/03:20").
QString PlaybackTimeText(int32_t position, int32_t length);

// The frame counter's text.
QString StatisticsText(int fps, int lastFps, int bitDepth, int32_t averagePrep, int32_t endEarlyMargin);

// A key as a sound-effect shortcut: the key's code in the low byte (letters and digits as their
// capital characters, function and cursor keys by the usual virtual-key numbers) and Shift, Ctrl,
// Alt in bits 13, 14 and 15. 0 for keys that cannot be a shortcut.
constexpr uint16_t kShortcutShift = 0x2000, kShortcutCtrl = 0x4000, kShortcutAlt = 0x8000;
uint16_t ShortcutOfKey(int qtKey, bool shift, bool ctrl, bool alt);

// What a key does in the playback window.
enum class tKeyAction { None, Enter, Stop, Skip, Rewind, Faster, Slower, KeyUp, KeyDown };
tKeyAction KeyActionOf(int qtKey);

// The command Enter sends, for the state the controls show (below state 7): continue while
// waiting for a click, play while paused, else pause.
tPlaybackCommand EnterCommandFor(tPlaybackState shownState);

} // namespace lyrimo
