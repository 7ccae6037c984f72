// Display order of lyric text that mixes left-to-right and right-to-left writing.
//
// A compact form of the Unicode bidirectional algorithm for one line without explicit
// embedding controls: strong letters, numbers and neutrals are resolved to embedding
// levels around a base direction (the song's reading order), and runs of higher levels
// are reversed for display. Lyric lines need no more than that.
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

namespace lyrimo {

// The embedding level of every code unit of text: even levels read left to right, odd
// levels right to left. Both units of a surrogate pair get the level of their character.
std::vector<uint8_t> ResolveLevels(const QString& text, bool rightToLeftBase);

// The logical indexes of the units in display order, from left to right. Surrogate
// pairs keep their high unit first, so the result can be drawn unit by unit.
std::vector<int> DisplayOrder(const QString& text, const std::vector<uint8_t>& levels);

// The order in which runs of given levels are shown, left to right (indexes into levels).
std::vector<int> ReorderRuns(const std::vector<uint8_t>& levels);

} // namespace lyrimo
