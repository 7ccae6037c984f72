#include "editor/edit_history.h"

#include "document/song.h"
#include "editor/song_edits.h"

namespace lyrimo {

void CopySongContent(const tLyrimoData& from, tLyrimoData& to) {
    to.SongSettings = from.SongSettings;
    to.NewerVersion = from.NewerVersion;
    to.FileVersion = from.FileVersion;
    to.LoadDamage = from.LoadDamage;
    while (to.PartCount() > 0)
        to.DeletePart(to.PartCount() - 1);
    for (int p = 0; p < from.PartCount(); ++p)
        to.AddPart(DuplicatePart(*from.GetPart(p)));
    to.Pictures = from.Pictures;
    to.Slides = from.Slides;
    to.BackgroundStream = from.BackgroundStream;
}

tEditHistory::tEditHistory() = default;
tEditHistory::~tEditHistory() = default;

tEditHistory::tStep tEditHistory::Snapshot(const tLyrimoData& song, const QString& what) {
    tStep step{what, std::make_unique<tLyrimoData>()};
    CopySongContent(song, *step.song);
    return step;
}

void tEditHistory::Record(const tLyrimoData& song, const QString& what, const QString& mergeKey) {
    redo_.clear();
    if (!mergeKey.isEmpty() && mergeKey == lastMergeKey_ && !undo_.empty())
        return;
    lastMergeKey_ = mergeKey;
    undo_.push_back(Snapshot(song, what));
    while (undo_.size() > kMaxSteps)
        undo_.pop_front();
}

QString tEditHistory::UndoText() const { return undo_.empty() ? QString() : undo_.back().what; }
QString tEditHistory::RedoText() const { return redo_.empty() ? QString() : redo_.back().what; }

bool tEditHistory::Undo(tLyrimoData& song) {
    if (undo_.empty())
        return false;
    redo_.push_back(Snapshot(song, undo_.back().what));
    CopySongContent(*undo_.back().song, song);
    undo_.pop_back();
    Seal();
    return true;
}

bool tEditHistory::Redo(tLyrimoData& song) {
    if (redo_.empty())
        return false;
    undo_.push_back(Snapshot(song, redo_.back().what));
    CopySongContent(*redo_.back().song, song);
    redo_.pop_back();
    Seal();
    return true;
}

void tEditHistory::DropLast() {
    if (!undo_.empty())
        undo_.pop_back();
    Seal();
}

void tEditHistory::Clear() {
    undo_.clear();
    redo_.clear();
    Seal();
}

} // namespace lyrimo
