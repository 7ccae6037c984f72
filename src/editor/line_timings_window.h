// The line timings editor: the timings of one lyrics line as a list of times and the text shown
// sung from each of them, with fields to change the selected timing within the limits its
// neighbours leave, and commands to insert, delete, re-record, preview or copy the timings of a
// line of another part. TSelectLine picks that other line.
#pragma once

#include "editor/line_timings.h"
#include "editor/sound_timeline.h"
#include "render/font_backend.h"
#include "render/unicode_font_engine.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QColor;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTabBar;
class QTreeWidget;

namespace lyrimo {

class TTimeSpinEdit;

// Records the timings of one line again; true when it changed them.
using tReRecordLine = std::function<bool(tLyrimoData& song, int partIndex, int lineIndex, QWidget* parent)>;
// The single-line recorder the window's Re-record opens; replaceable (tests leave it empty).
tReRecordLine& LineReRecorder();

// Where timings are copied from.
struct tCopySource {
    int partIndex = 0;
    int lineIndex = 0;
    bool copyStart = true;
};

// Lists the lines of the other timed parts, one tab per part.
class TSelectLine : public QDialog {
    Q_OBJECT

public:
    // parts: the parts to offer (CopySourceParts), not empty.
    TSelectLine(const tLyrimoData& song, std::vector<int> parts, QWidget* parent = nullptr);

    // The choice once confirmed.
    std::optional<tCopySource> Choice() const { return choice_; }

    QTabBar* Tabs() const { return tabs_; }
    QListWidget* Lines() const { return lines_; }
    QCheckBox* CopyStartBox() const { return copyStart_; }
    QPushButton* OkButton() const { return ok_; }

    void OkClicked();

private:
    void FillLines();

    const tLyrimoData& song_;
    std::vector<int> parts_;
    std::optional<tCopySource> choice_;
    QTabBar* tabs_ = nullptr;
    QListWidget* lines_ = nullptr;
    QCheckBox* copyStart_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// Asks which line of another timed part to copy from; nothing when the user cancels or when no
// other part has timings (which is reported).
std::optional<tCopySource> SelectCopySource(const tLyrimoData& song, int partIndex, QWidget* parent);

class TLinetime : public QDialog {
    Q_OBJECT

public:
    TLinetime(tLyrimoData& song, int partIndex, int lineIndex, QWidget* parent = nullptr);
    ~TLinetime() override;

    // Runs the editor modally; true when anything was changed.
    bool Run();
    bool Changed() const { return edit_.Changed(); }
    const tLineTimingsEdit& Edit() const { return edit_; }

    // What the commands call out to; replaceable. reRecord starts as LineReRecorder() and its
    // button is enabled only while it is set.
    void SetReRecord(tReRecordLine hook);
    std::function<bool(tLyrimoData& song, int partIndex, int& lineIndex, QWidget* parent)> preview;
    std::function<std::optional<tCopySource>(const tLyrimoData& song, int partIndex, QWidget* parent)>
        selectSource;

    QLabel* LineLabel() const { return lineLabel_; }
    TSoundTimeline* Sound() const { return sound_; }
    QTreeWidget* List() const { return list_; }
    QSpinBox* PositionField() const { return position_; }
    TTimeSpinEdit* DeltaField() const { return delta_; }
    QPushButton* InsertButton() const { return insert_; }
    QPushButton* DeleteButton() const { return delete_; }
    QPushButton* DeleteAllButton() const { return deleteAll_; }
    QPushButton* ReRecordButton() const { return reRecord_; }
    QPushButton* PreviewButton() const { return preview_; }
    QPushButton* CopyButton() const { return copy_; }
    QPushButton* OkButton() const { return ok_; }

    // The selected timing, -1 when none.
    int SelectedRow() const;
    void SelectRow(int row);

    // The commands.
    void InsertClicked();
    void DeleteClicked();
    void DeleteAllClicked();
    void ReRecordClicked();
    void PreviewClicked();
    void CopyFromClicked();

    // Moves the selected timing by ms within its limits (the keys [ and ] by 10 ms, { and } by
    // 100 ms); each nudge can be taken back on its own.
    void NudgeSelected(int ms);
    // Takes back the last change made in this window (Ctrl+Z); false when there is none.
    bool UndoLast();

    // Draws the first glyphs of the line into a cell of the list.
    void DrawShownText(QPainter& painter, const QRect& area, int glyphs, const QColor& back,
                       const QColor& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    class tRowPainter;

    void BuildLineLabel();
    void BuildList();
    void BuildFields();
    void SetupEngine();
    void FillList();
    void LoadFields();
    void PositionEdited(int value);
    void DeltaEdited(int64_t value);
    void RefreshRow(int row);
    void ShowError(const QString& text);
    void OpenHelp();
    void BuildSound();
    void RefreshWaveform();
    void HandleDropped(int index, int partMs);
    void RememberForUndo();

    tLyrimoData& song_;
    int partIndex_;
    int lineIndex_;
    tCanvas canvas_;
    tUnicodeFontEngine engine_;
    tLineTimingsEdit edit_;
    tReRecordLine reRecordHook_;
    bool loadingFields_ = false;

    std::vector<tLineSnapshot> undo_;
    bool rangeShown_ = false;

    QLabel* lineLabel_ = nullptr;
    TSoundTimeline* sound_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QSpinBox* position_ = nullptr;
    TTimeSpinEdit* delta_ = nullptr;
    QPushButton* insert_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* deleteAll_ = nullptr;
    QPushButton* reRecord_ = nullptr;
    QPushButton* preview_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* ok_ = nullptr;
};

// Opens the line timings editor on one line; true when it changed the song.
bool EditLineTimings(tLyrimoData& song, int partIndex, int lineIndex, QWidget* parent);

} // namespace lyrimo
