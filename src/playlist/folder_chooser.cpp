#include "playlist/folder_chooser.h"

#include "app/app_services.h"
#include "playback/monitors.h"

#include <QApplication>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace lyrimo {

namespace {

// A folder as the chooser takes it: without a trailing "/", except the root itself.
QString WithoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

} // namespace

TDirSelect::TDirSelect(const QString& title, const QString& path, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Lyrimo - " + title);
    title_ = new QLabel(title);
    title_->setTextFormat(Qt::PlainText);

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setRootPath("/");
    tree_ = new QTreeView;
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    for (int column = 1; column < model_->columnCount(); ++column)
        tree_->hideColumn(column);
    tree_->setRootIndex(model_->index("/"));
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this, &TDirSelect::UpdateOk);
    // The folders are read in the background: once those above the start folder are in, it is
    // shown again where the tree has grown.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        if (!start_.isEmpty() && (start_ == loaded || start_.startsWith(loaded)) &&
            model_->filePath(tree_->currentIndex()) == start_)
            tree_->scrollTo(tree_->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
    connect(tree_, &QTreeView::doubleClicked, this, [this] {
        if (ok_->isEnabled())
            accept();
    });

    ok_ = new QPushButton(Translate("OK"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(Translate("Cancel"));
    connect(ok_, &QPushButton::clicked, this, &TDirSelect::accept);
    connect(cancel_, &QPushButton::clicked, this, &TDirSelect::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title_);
    layout->addWidget(tree_, 1);
    layout->addLayout(buttons);
    // The window can be dragged by its text, as by its frame.
    title_->installEventFilter(this);
    tree_->viewport()->installEventFilter(this);

    resize(420, 480);
    SelectFolder(WithoutTrailingSlash(path));
    UpdateOk();
    if (Status().Playing) {
        RefreshMonitorRoles();
        CentreOnRole(this, monitor_role::Control);
    }
}

QString TDirSelect::SelectedFolder() const {
    const QModelIndex current = tree_->currentIndex();
    if (!current.isValid())
        return {};
    const QString folder = model_->filePath(current);
    return QFileInfo(folder).isDir() ? folder : QString();
}

bool TDirSelect::SelectFolder(const QString& folder) {
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    const QModelIndex index = model_->index(QFileInfo(folder).absoluteFilePath());
    if (!index.isValid())
        return false;
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index, QAbstractItemView::PositionAtCenter);
    start_ = model_->filePath(index);
    UpdateOk();
    return true;
}

void TDirSelect::UpdateOk() { ok_->setEnabled(!SelectedFolder().isEmpty()); }

// A press on the text starts moving the window at once; on the tree, which selects with the
// press, only once the pointer has moved a little, so a click still just selects.
bool TDirSelect::eventFilter(QObject* watched, QEvent* event) {
    const bool onText = watched == title_;
    if (!onText && watched != tree_->viewport())
        return QDialog::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        pressed_ = mouse->button() == Qt::LeftButton;
        dragging_ = pressed_ && onText;
        pressPoint_ = mouse->globalPosition().toPoint();
        dragOffset_ = pressPoint_ - frameGeometry().topLeft();
        return dragging_;
    case QEvent::MouseMove:
        if (pressed_ && (mouse->globalPosition().toPoint() - pressPoint_).manhattanLength() >=
                            QApplication::startDragDistance())
            dragging_ = true;
        if (dragging_)
            move(mouse->globalPosition().toPoint() - dragOffset_);
        return dragging_;
    case QEvent::MouseButtonRelease: {
        const bool moved = dragging_;
        pressed_ = dragging_ = false;
        return moved;
    }
    default: return QDialog::eventFilter(watched, event);
    }
}

bool SelectDirectory(const QString& title, QString& path) {
    TDirSelect window(title, path, QApplication::activeWindow());
    if (window.exec() != QDialog::Accepted || window.SelectedFolder().isEmpty())
        return false;
    path = window.SelectedFolder();
    return true;
}

} // namespace lyrimo
