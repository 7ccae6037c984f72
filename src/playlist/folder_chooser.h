// The song finder's folder chooser: a tree of the file system's folders.
#pragma once

#include <QDialog>
#include <QPoint>

class QFileSystemModel;
class QLabel;
class QPushButton;
class QTreeView;

namespace lyrimo {

// Lets the user pick a folder, starting at path when it names one; true with path set to the
// chosen folder (without a trailing "/") on OK.
bool SelectDirectory(const QString& title, QString& path);

class TDirSelect : public QDialog {
    Q_OBJECT

public:
    TDirSelect(const QString& title, const QString& path, QWidget* parent = nullptr);

    // The selected folder; empty when the selection is not an existing folder.
    QString SelectedFolder() const;
    // Selects the folder in the tree, opening the folders above it; false when it does not exist.
    bool SelectFolder(const QString& folder);

    QTreeView* Tree() const { return tree_; }
    QLabel* TitleLabel() const { return title_; }
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateOk();

    QFileSystemModel* model_ = nullptr;
    QTreeView* tree_ = nullptr;
    QLabel* title_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QString start_; // the folder selected at start
    QPoint pressPoint_;
    QPoint dragOffset_;
    bool pressed_ = false;
    bool dragging_ = false;
};

} // namespace lyrimo
