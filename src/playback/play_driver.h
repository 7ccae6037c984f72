// The one doorway through which every part of the program performs a song: optionally the media
// requester, then the playback window run modally, and the way the performance ended.
#pragma once

#include <cstdint>

namespace lyrimo {

class tLyrimoData;

// How a performance ended.
namespace playresult {
constexpr int Finished = 0; // the song ended, or its media failed to start
constexpr int Skipped = 1;  // the user skipped to the next song
constexpr int Ended = 2;    // the user ended the presentation (batch play stops)
} // namespace playresult

// Plays the song from startTime (ms). With showRequester the media requester is shown first; when
// the user cancels it the song is not played and the result is playresult::Skipped, so that a
// batch can go on past an entry whose media is missing (Escape during the next song still ends
// it). editable is whether the requester lets the user change the media. The song keeps any media
// correction made in the requester. The program counts as playing meanwhile. Needs a QApplication.
int PlaySong(tLyrimoData& song, int32_t startTime, bool showRequester, bool batchMode, bool editable);

// Shows or hides the desktop around a performance when "Hide Taskbar" is on.
//
// On Linux desktops the playback window is a frameless full-screen top-level window, which the
// window manager already stacks above panels and docks, so there is no desktop or task bar to
// hide or show. Hiding raises the playback background window when one is shown, so the desktop
// is covered between songs too; showing does nothing.
void ShowDesktop(bool show);

} // namespace lyrimo
