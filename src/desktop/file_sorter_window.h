// The file sorter and list generator's window: the renames are listed first, and only once the
// user agrees are the song files renamed, with progress, and the list written; what could not be
// renamed is shown with the reason.
#pragma once

#include "tools/file_sorter.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTreeWidget;

namespace lyrimo {

class TFileSorterWindow : public QDialog {
    Q_OBJECT

public:
    struct tDialogs {
        std::function<QString(QWidget* parent, const QString& start)> chooseFolder;
        std::function<QString(QWidget* parent, const QString& start)> chooseListFile;
    };
    static tDialogs StandardDialogs();

    explicit TFileSorterWindow(QWidget* parent = nullptr, tDialogs dialogs = StandardDialogs());

    void SetRequest(const tSortRequest& request, const QString& listFile);
    tSortRequest Request() const;
    QString ListFile() const;

    // Lists the renames without doing them; the number of songs found.
    int Preview();
    // "Start": the preview, the user's agreement, then the renames and the list.
    void Start();

    QTreeWidget* PreviewList() const { return preview_; }
    QString StatusText() const;

private:
    void BuildWindow();
    void ShowStatus(const QString& text);
    void ShowPlan(const std::vector<tPlannedRename>& plan);
    void ShowOutcome(const std::vector<tPlannedRename>& plan, const tSortOutcome& outcome);

    tDialogs dialogs_;
    std::vector<tPlannedRename> plan_; // the renames last listed
    QLineEdit* folder_ = nullptr;
    QCheckBox* subfolders_ = nullptr;
    QLineEdit* listFile_ = nullptr;
    QLineEdit* prefix_ = nullptr;
    QSpinBox* startNumber_ = nullptr;
    QLineEdit* suffix_ = nullptr;
    QTreeWidget* preview_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* previewButton_ = nullptr;
    QPushButton* start_ = nullptr;
};

} // namespace lyrimo
