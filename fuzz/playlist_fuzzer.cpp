// A playlist file from anywhere: read, written again and read back. Writing what was read must
// keep it: the second reading gives the same flags and entries as the first.
#include "fuzz_support.h"

#include "playlist/playlist_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace lyrimo;
    fuzz::Setup();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Relative song paths are taken from the playlist's folder.
    const QString folder = QStringLiteral("/srv/karaoke/lists");
    tBatchKaraokeFile first;
    if (!ParsePlaylist(first, bytes, folder))
        return 0;
    tBatchKaraokeFile second;
    if (!ParsePlaylist(second, PlaylistBytes(first), folder))
        std::abort();
    if (second.Entries != first.Entries || second.RandomOrder != first.RandomOrder ||
        second.ReservedFlag != first.ReservedFlag)
        std::abort();
    return 0;
}
