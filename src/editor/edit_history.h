// Undo and redo for the song editor: before each edit the song's content is kept as a snapshot
// (picture and media bytes are shared, not copied), so every kind of edit undoes the same way.
#pragma once

#include <QString>

#include <deque>
#include <memory>

namespace lyrimo {

class tLyrimoData;

// Copies what a song holds - settings, parts with their lines and pictures, slide-show pictures
// and slides, the background - but not its extracted media file, which stays with its owner.
void CopySongContent(const tLyrimoData& from, tLyrimoData& to);

class tEditHistory {
public:
    static constexpr int kMaxSteps = 200;

    tEditHistory();
    ~tEditHistory();

    // Keeps the song as it is before an edit named what. An edit with the same non-empty merge
    // key as the one just recorded (typing on in the same text) joins it instead.
    void Record(const tLyrimoData& song, const QString& what, const QString& mergeKey = {});
    // Ends merging, so that the next edit starts a step of its own.
    void Seal() { lastMergeKey_.clear(); }
    // Forgets the step just recorded, for an edit that turned out to change nothing.
    void DropLast();

    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    QString UndoText() const; // the name of the edit Undo takes back; empty when none
    QString RedoText() const;

    // Put the song back as it was before the last edit, or again after it. False when there is
    // nothing to undo or redo.
    bool Undo(tLyrimoData& song);
    bool Redo(tLyrimoData& song);

    void Clear();

private:
    struct tStep {
        QString what;
        std::unique_ptr<tLyrimoData> song;
    };
    static tStep Snapshot(const tLyrimoData& song, const QString& what);

    std::deque<tStep> undo_;
    std::deque<tStep> redo_;
    QString lastMergeKey_;
};

} // namespace lyrimo
