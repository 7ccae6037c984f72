// Batch play on the screen: each song of a playlist performed in the playback window.
#pragma once

namespace lyrimo {

class tBatchKaraokeFile;

// Plays the playlist song after song through the play driver, the media requester shown before
// the entries that ask for it and editable there. While it runs the program status tells the
// controls window which song of how many is playing. True when the end of the list was reached,
// false when the user ended the batch.
bool PlayPlaylistOnScreen(const tBatchKaraokeFile& playlist);

} // namespace lyrimo
