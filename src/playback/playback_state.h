// The states a performance passes through and the commands it takes, shared by the session that
// runs it, the controls window that shows the state and sends the commands, and the key rules.
#pragma once

namespace lyrimo {

// The values are the state numbers the controls window is told.
enum class tPlaybackState {
    ShowingScreen = 0,
    WaitAfterFade = 1,
    PreparingTitle = 2,
    ShowingTitle = 3,
    WaitAfterTitle = 4,
    StartingMedia = 5,
    Playing = 6,
    Stepping = 7,
    Closing = 8,
    Finished = 10,
    Paused = 20, // shown by the controls only; the session itself stays in Playing
};

enum class tPlaybackCommand {
    Play = 0,
    Pause = 1,
    Stop = 2,
    Skip = 3,
    Faster = 4,
    Slower = 5,
    Continue = 6,
    Step = 7,
    Rewind = 8,
    KeyUp = 9,
    KeyDown = 10,
};

} // namespace lyrimo
