// Whether the players' sound goes nowhere: set for the tests and benchmarks (LYRIMO_AUDIO_OUTPUT
// is "null"), so that every engine plays on its null sink at real speed, silently, also on
// machines that have no sound server.
#pragma once

#include <cstdlib>
#include <cstring>

namespace lyrimo {

inline bool NullAudioOutputRequested() {
    const char* output = std::getenv("LYRIMO_AUDIO_OUTPUT");
    return output && std::strcmp(output, "null") == 0;
}

} // namespace lyrimo
