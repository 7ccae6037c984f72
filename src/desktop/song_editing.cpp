#include "desktop/song_editing.h"

#include "editor/song_editor.h"

namespace lyrimo {

void EditSong(const QString& fileName) {
    TSongEdit editor(nullptr, fileName);
    editor.exec();
}

} // namespace lyrimo
