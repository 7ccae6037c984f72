#include "desktop/file_sorter_window.h"

#include "app/app_services.h"
#include "ui/file_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

enum tColumn { kNowColumn, kTitleColumn, kNewColumn, kResultColumn };

class tBusyCursor {
public:
    tBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~tBusyCursor() { QApplication::restoreOverrideCursor(); }
    tBusyCursor(const tBusyCursor&) = delete;
    tBusyCursor& operator=(const tBusyCursor&) = delete;
};

} // namespace

TFileSorterWindow::tDialogs TFileSorterWindow::StandardDialogs() {
    tDialogs dialogs;
    dialogs.chooseFolder = [](QWidget* parent, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, Translate("Select Search Directory"), start);
    };
    dialogs.chooseListFile = [](QWidget* parent, const QString& start) {
        return AskSaveFileName(parent, Translate("Save CFS File To:"), start,
                               Translate("CSV Files") + " (*.csv *.CSV);;" + Translate("All Files") + " (*)",
                               "csv");
    };
    return dialogs;
}

TFileSorterWindow::TFileSorterWindow(QWidget* parent, tDialogs dialogs)
    : QDialog(parent), dialogs_(std::move(dialogs)) {
    setWindowTitle(Translate("Lyrimo - File Sorter and List Generator"));
    BuildWindow();
    folder_->setText(QDir::currentPath());
    resize(720, 520);
}

void TFileSorterWindow::BuildWindow() {
    auto* heading = new QLabel(Translate("Generates lists of files and renames them to standard forms"));
    heading->setWordWrap(true);

    folder_ = new QLineEdit;
    auto* browseFolder = new QPushButton(Translate("Browse..."));
    connect(browseFolder, &QPushButton::clicked, this, [this] {
        const QString folder = dialogs_.chooseFolder(this, folder_->text());
        if (!folder.isEmpty())
            folder_->setText(folder);
    });
    subfolders_ = new QCheckBox(Translate("Scan s&ubdirectories "));
    listFile_ = new QLineEdit;
    auto* browseList = new QPushButton(Translate("Browse..."));
    connect(browseList, &QPushButton::clicked, this, [this] {
        const QString file = dialogs_.chooseListFile(this, listFile_->text());
        if (!file.isEmpty())
            listFile_->setText(file);
    });
    prefix_ = new QLineEdit;
    startNumber_ = new QSpinBox;
    startNumber_->setRange(0, 32767);
    startNumber_->setValue(1);
    startNumber_->setMaximumWidth(120);
    suffix_ = new QLineEdit("LYM");

    auto row = [](QWidget* field, QWidget* extra) {
        auto* layout = new QHBoxLayout;
        layout->addWidget(field, 1);
        if (extra)
            layout->addWidget(extra);
        return layout;
    };
    auto label = [](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text);
        l->setBuddy(buddy);
        return l;
    };
    auto* form = new QFormLayout;
    form->addRow(label(Translate("Search &Directory:"), folder_), row(folder_, browseFolder));
    form->addRow(QString(), subfolders_);
    form->addRow(label(Translate("Output CS&V File:"), listFile_), row(listFile_, browseList));
    form->addRow(label(Translate("S&tart With:"), prefix_), prefix_);
    form->addRow(label(Translate("Start &Number:"), startNumber_), startNumber_);
    form->addRow(label(Translate("End &With:"), suffix_), row(suffix_, new QLabel(".lym")));

    preview_ = new QTreeWidget;
    preview_->setColumnCount(4);
    preview_->setHeaderLabels(
        {Translate("Song file"), Translate("Song Name"), Translate("New name"), Translate("Result")});
    preview_->setRootIsDecorated(false);
    preview_->setTextElideMode(Qt::ElideLeft);
    preview_->header()->setSectionResizeMode(kNowColumn, QHeaderView::Stretch);
    preview_->header()->setSectionResizeMode(kTitleColumn, QHeaderView::Stretch);
    preview_->header()->setSectionResizeMode(kNewColumn, QHeaderView::ResizeToContents);
    preview_->header()->setSectionResizeMode(kResultColumn, QHeaderView::ResizeToContents);
    preview_->header()->setStretchLastSection(false);

    progress_ = new QProgressBar;
    progress_->setRange(0, 100);
    progress_->setValue(0);
    status_ = new QLabel(" " + Translate("Ready") + "...");

    previewButton_ = new QPushButton(Translate("&Preview"));
    start_ = new QPushButton(Translate("&Start"));
    start_->setDefault(true);
    auto* close = new QPushButton(Translate("&Close"));
    connect(previewButton_, &QPushButton::clicked, this, [this] { Preview(); });
    connect(start_, &QPushButton::clicked, this, &TFileSorterWindow::Start);
    connect(close, &QPushButton::clicked, this, &TFileSorterWindow::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(previewButton_);
    buttons->addWidget(start_);
    buttons->addStretch(1);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(form);
    layout->addWidget(preview_, 1);
    layout->addWidget(progress_);
    layout->addWidget(status_);
    layout->addLayout(buttons);
}

void TFileSorterWindow::SetRequest(const tSortRequest& request, const QString& listFile) {
    folder_->setText(request.Folder);
    subfolders_->setChecked(request.Subfolders);
    prefix_->setText(request.Prefix);
    startNumber_->setValue(request.StartNumber);
    suffix_->setText(request.Suffix);
    listFile_->setText(listFile);
}

tSortRequest TFileSorterWindow::Request() const {
    tSortRequest request;
    request.Folder = folder_->text().trimmed();
    request.Subfolders = subfolders_->isChecked();
    request.Prefix = prefix_->text();
    request.StartNumber = startNumber_->value();
    request.Suffix = suffix_->text();
    return request;
}

QString TFileSorterWindow::ListFile() const { return listFile_->text().trimmed(); }
QString TFileSorterWindow::StatusText() const { return status_->text(); }

void TFileSorterWindow::ShowStatus(const QString& text) {
    status_->setText(" " + Translate(text) + "...");
    status_->repaint();
}

void TFileSorterWindow::ShowPlan(const std::vector<tPlannedRename>& plan) {
    preview_->clear();
    for (const tPlannedRename& rename : plan) {
        auto* item = new QTreeWidgetItem(preview_);
        item->setText(kNowColumn, QDir::toNativeSeparators(rename.From));
        item->setText(kNewColumn, QFileInfo(rename.To).fileName());
        item->setToolTip(kNowColumn, rename.From);
        item->setText(kTitleColumn, rename.Title);
        if (rename.Clash)
            item->setText(kResultColumn, Translate("another file already has this name"));
    }
}

int TFileSorterWindow::Preview() {
    const tSortRequest request = Request();
    if (!QFileInfo(request.Folder).isDir()) {
        App().MessageBox(Translate("The folder to search does not exist") + ":\n" + request.Folder,
                         windowTitle(), mb::Ok | mb::IconWarning);
        return 0;
    }
    tBusyCursor busy;
    ShowStatus("Reading Directory");
    plan_ = PlanSort(request, FindSongFiles(request.Folder, request.Subfolders));
    ShowPlan(plan_);
    ShowStatus("Ready");
    return static_cast<int>(plan_.size());
}

void TFileSorterWindow::Start() {
    const int count = Preview();
    if (count == 0) {
        if (QFileInfo(Request().Folder).isDir())
            App().MessageBox(Translate("No song files were found in this folder"), windowTitle(),
                             mb::Ok | mb::IconInformation);
        return;
    }
    if (App().MessageBox(Translate("Rename the song files as listed?") + " (" + QString::number(count) + ")",
                         windowTitle(), mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return;

    tBusyCursor busy;
    start_->setEnabled(false);
    previewButton_->setEnabled(false);
    std::vector<tPlannedRename>& plan = plan_;
    ShowStatus("Processing Files");
    progress_->setRange(0, 2 * static_cast<int>(plan.size()));
    progress_->setValue(static_cast<int>(plan.size())); // finding the files was the first half
    const tSortOutcome outcome = ApplySort(plan, [this](int done, int total) {
        progress_->setValue(total + done);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    ShowOutcome(plan, outcome);
    progress_->setRange(0, 100);
    progress_->setValue(0);
    const QString listFile = ListFile();
    const bool listWritten = listFile.isEmpty() || WriteSortList(listFile, plan);
    ShowStatus("Ready");
    start_->setEnabled(true);
    previewButton_->setEnabled(true);

    QString report = Translate("Processing Complete") + "!";
    if (!outcome.NotRenamed.isEmpty())
        report += "\n\n" + QString::number(outcome.NotRenamed.size()) + " " +
                  Translate("files kept their names; the list shows why.");
    if (!listWritten)
        report += "\n\n" + Translate("The list could not be written to") + " " + listFile;
    App().MessageBox(report, "Lyrimo",
                     outcome.NotRenamed.isEmpty() && listWritten ? mb::Ok | mb::IconInformation
                                                                 : mb::Ok | mb::IconWarning);
}

void TFileSorterWindow::ShowOutcome(const std::vector<tPlannedRename>& plan, const tSortOutcome& outcome) {
    for (int i = 0; i < preview_->topLevelItemCount() && i < static_cast<int>(plan.size()); ++i) {
        QTreeWidgetItem* item = preview_->topLevelItem(i);
        const QString from = plan[i].From;
        const auto failure = std::find_if(outcome.NotRenamed.begin(), outcome.NotRenamed.end(),
                                          [&](const QString& line) { return line.startsWith(from + ": "); });
        item->setText(kResultColumn, failure == outcome.NotRenamed.end() ? Translate("Renamed")
                                                                         : failure->mid(from.size() + 2));
    }
}

} // namespace lyrimo
