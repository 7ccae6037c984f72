// Mending what karaoke MIDI files from the wild put on screen once their lyrics are imported:
// credits glued to the first sung line, syllable hyphens, and parts that repeat the lyrics of
// another part.
#pragma once

#include "document/song.h"
#include "importexport/midi_file.h"
#include "importexport/text_detect.h"

#include <QString>
#include <QStringList>

#include <vector>

namespace lyrimo {

// Parts found to sing the same words: the name of the one kept and those of the ones dropped.
struct tMergedParts {
    QString kept;
    QStringList dropped;
};

// Runs on a song just imported from `midi`; partTracks holds the track each part was read
// from and `text` how the song's texts are stored.
// - Text before the first syllable sung on a note becomes a line of its own.
// - A trailing "-" on a syllable joins it to the next one and is not drawn; when a blank
//   stood before it the word ends there and one blank separates it from the next. An "_"
//   is drawn as a blank.
// - Of parts that sing the same words at the same times, the one with the most timings is
//   kept (a text-event track wins ties) and the others are dropped.
// Returns the parts merged.
std::vector<tMergedParts> CleanUpMidiLyrics(tLyrimoData& song, std::vector<int> partTracks,
                                            const MidiType& midi, const tImportedText& text);

// What the import result says about merged parts; empty when there were none.
QString MergedPartsNote(const std::vector<tMergedParts>& merged);

} // namespace lyrimo
