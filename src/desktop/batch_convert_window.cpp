#include "desktop/batch_convert_window.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "document/import_template.h"
#include "importexport/batch_convert.h"
#include "ui/picture_dialogs.h"
#include "ui/program_style.h"

#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace lyrimo {
namespace {

// Templates whose stored name starts with this are shown without it.
constexpr QChar kHiddenMark(0x01);

constexpr int kFileRole = Qt::UserRole;
constexpr int kStoredNameRole = Qt::UserRole;

enum { kFileColumn = 0, kResultColumn = 1 };

// How often a long import lets the window answer (repaint, the STOP button).
constexpr int kEventsEveryMs = 50;

constexpr const char* kImportFilter =
    "All Supported Files|*.MID;*.KAR;*.MIDI;*.RMI;*.lym;*.kok;*.lrc|Midi Karaoke "
    "Files|*.midi;*.mid;*.kar;*.rmi|"
    "KOK Karaoke Files|*.kok|LRC Karaoke Files|*.lrc|Lyrimo Files|*.lym|All Files|*.*";

// The last stage each importer reports.
int LastStageOf(int kind) {
    switch (kind) {
    case import_kind::Midi: return 4;
    case import_kind::Lrc: return 3;
    case import_kind::Kok: return 2;
    default: return 1;
    }
}

// The filter with its names translated.
QString TranslatedFilter() {
    QStringList pieces = QString(kImportFilter).split('|');
    for (qsizetype i = 0; i < pieces.size(); i += 2)
        pieces[i] = Translate(pieces[i]);
    return pieces.join('|');
}

QString ShownTemplateName(const QString& stored) {
    return stored.startsWith(kHiddenMark) ? stored.mid(1) : stored;
}

QString ConvertCaption() { return Translate("C&onvert Now") + "..."; }
QString StopCaption() { return Translate("STOP").toUpper() + "!"; }

QProgressBar* Bar() {
    auto* bar = new QProgressBar;
    bar->setTextVisible(false);
    bar->setMaximumHeight(12);
    return bar;
}

} // namespace

tImportBars ImportBarsFor(int stage, int maximum, int position, int kind) {
    tImportBars bars;
    bars.stageMaximum = std::max(LastStageOf(kind), stage);
    bars.stage = std::clamp(stage, 0, bars.stageMaximum);
    // A stage of one step (maximum 0) is done as soon as it is reported.
    bars.positionMaximum = std::max(maximum, 1);
    bars.position = maximum <= 0 ? bars.positionMaximum : std::clamp(position, 0, bars.positionMaximum);
    return bars;
}

TBatchConvertWindow::TBatchConvertWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(Translate("Lyrimo - Batch File Converter"));
    setAcceptDrops(true);
    timer_.setSingleShot(true);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &TBatchConvertWindow::Tick);
    BuildWindow();
    FillTemplates();
    SetOutputFolder(QDir::currentPath());
    UpdateButtons();
    UpdateMinimumSize();
    resize(minimumSize().expandedTo(QSize(620, 440)));
}

TBatchConvertWindow::~TBatchConvertWindow() = default;

void TBatchConvertWindow::BuildWindow() {
    input_ = new QTreeWidget;
    input_->setColumnCount(2);
    input_->setHeaderLabels({Translate("Files to convert"), Translate("Result")});
    input_->setRootIsDecorated(false);
    input_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    input_->setTextElideMode(Qt::ElideLeft); // the file name matters more than its folder
    input_->header()->setSectionResizeMode(kFileColumn, QHeaderView::Stretch);
    input_->header()->setSectionResizeMode(kResultColumn, QHeaderView::ResizeToContents);
    input_->header()->setStretchLastSection(false);
    input_->setMinimumHeight(70);
    input_->setAcceptDrops(false); // drops go to the window

    add_ = new QPushButton(Translate("&Add Files..."));
    remove_ = new QPushButton(Translate("Remo&ve Files..."));
    connect(add_, &QPushButton::clicked, this, &TBatchConvertWindow::AddFilesClicked);
    connect(remove_, &QPushButton::clicked, this, &TBatchConvertWindow::RemoveFilesClicked);
    connect(input_, &QTreeWidget::itemSelectionChanged, this, &TBatchConvertWindow::UpdateButtons);
    auto* fileButtons = new QVBoxLayout;
    fileButtons->addWidget(add_);
    fileButtons->addWidget(remove_);
    fileButtons->addStretch(1);

    auto* files = new QHBoxLayout;
    files->addWidget(input_, 1);
    files->addLayout(fileButtons);

    output_ = new QLineEdit;
    browse_ = new QPushButton(Translate("Browse..."));
    connect(browse_, &QPushButton::clicked, this, &TBatchConvertWindow::BrowseOutputFolder);
    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(new QLabel(Translate("Output folder:")));
    outputRow->addWidget(output_, 1);
    outputRow->addWidget(browse_);

    templates_ = new QListWidget;
    templates_->setMinimumHeight(50);
    connect(templates_, &QListWidget::itemChanged, this, &TBatchConvertWindow::UpdateButtons);

    progressPanel_ = new QWidget;
    currentFile_ = new QLabel;
    currentFile_->setTextFormat(Qt::PlainText);
    currentTemplate_ = new QLabel;
    currentTemplate_->setTextFormat(Qt::PlainText);
    stageBar_ = Bar();
    positionBar_ = Bar();
    queueBar_ = new QProgressBar;
    queueBar_->setFormat("%v / %m");
    auto* importBars = new QVBoxLayout;
    importBars->setSpacing(3);
    importBars->addWidget(stageBar_);
    importBars->addWidget(positionBar_);
    auto* panel = new QFormLayout(progressPanel_);
    panel->setContentsMargins(0, 0, 0, 0);
    panel->addRow(Translate("Current file:"), currentFile_);
    panel->addRow(Translate("Template:"), currentTemplate_);
    panel->addRow(Translate("Import:"), importBars);
    panel->addRow(Translate("Queue:"), queueBar_);
    progressPanel_->hide();

    summary_ = new QLabel;
    summary_->setWordWrap(true);
    summary_->setTextFormat(Qt::PlainText);
    summary_->setStyleSheet(QString("color: %1;").arg(program_colour::Accent));
    summary_->hide();

    convert_ = new QPushButton(ConvertCaption());
    convert_->setDefault(true);
    close_ = new QPushButton(Translate("&Close"));
    connect(convert_, &QPushButton::clicked, this, &TBatchConvertWindow::ConvertClicked);
    connect(close_, &QPushButton::clicked, this, &TBatchConvertWindow::reject);
    for (QPushButton* button : {add_, remove_, browse_, convert_, close_})
        button->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(convert_);
    buttons->addStretch(1);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(files, 3);
    layout->addLayout(outputRow);
    layout->addWidget(new QLabel(Translate("Templates to apply (one is picked at random for each file):")));
    layout->addWidget(templates_, 2);
    layout->addWidget(progressPanel_);
    layout->addWidget(summary_);
    layout->addLayout(buttons);
}

void TBatchConvertWindow::FillTemplates() {
    const QSignalBlocker quiet(templates_);
    templates_->clear();
    for (const QString& stored : ListTemplates(*OpenSettingsStore(), true)) {
        auto* item = new QListWidgetItem(ShownTemplateName(stored), templates_);
        item->setData(kStoredNameRole, stored);
        item->setFlags((item->flags() | Qt::ItemIsUserCheckable) & ~Qt::ItemIsSelectable);
        item->setCheckState(stored == kDefaultTemplateName ? Qt::Checked : Qt::Unchecked);
    }
}

void TBatchConvertWindow::UpdateMinimumSize() {
    layout()->activate();
    setMinimumSize(layout()->totalMinimumSize().expandedTo(QSize(kMinimumWidth, kMinimumHeight)));
}

void TBatchConvertWindow::AddFiles(const QStringList& files) {
    if (Converting())
        return;
    for (const QString& file : files) {
        const QString path = QFileInfo(file).absoluteFilePath();
        if (!IsConvertibleFile(path) || ItemOf(path))
            continue;
        auto* item = new QTreeWidgetItem(input_);
        item->setText(kFileColumn, QDir::toNativeSeparators(path));
        item->setToolTip(kFileColumn, QDir::toNativeSeparators(path));
        item->setData(kFileColumn, kFileRole, path);
    }
    UpdateButtons();
}

QStringList TBatchConvertWindow::InputFiles() const {
    QStringList files;
    for (int i = 0; i < input_->topLevelItemCount(); ++i)
        files << input_->topLevelItem(i)->data(kFileColumn, kFileRole).toString();
    return files;
}

QTreeWidgetItem* TBatchConvertWindow::ItemOf(const QString& file) const {
    for (int i = 0; i < input_->topLevelItemCount(); ++i)
        if (input_->topLevelItem(i)->data(kFileColumn, kFileRole).toString() == file)
            return input_->topLevelItem(i);
    return nullptr;
}

QString TBatchConvertWindow::FailureOf(const QString& file) const {
    const QTreeWidgetItem* item = ItemOf(QFileInfo(file).absoluteFilePath());
    return item ? item->toolTip(kResultColumn) : QString();
}

QStringList TBatchConvertWindow::TemplateNames() const {
    QStringList names;
    for (int i = 0; i < templates_->count(); ++i)
        names << templates_->item(i)->text();
    return names;
}

void TBatchConvertWindow::CheckTemplate(const QString& shownName, bool checked) {
    for (QListWidgetItem* item : templates_->findItems(shownName, Qt::MatchExactly))
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

QStringList TBatchConvertWindow::CheckedTemplates() const {
    QStringList names;
    for (int i = 0; i < templates_->count(); ++i)
        if (templates_->item(i)->checkState() == Qt::Checked)
            names << templates_->item(i)->data(kStoredNameRole).toString();
    return names;
}

void TBatchConvertWindow::SetOutputFolder(const QString& folder) {
    output_->setText(QDir::toNativeSeparators(folder));
}

bool TBatchConvertWindow::Converting() const { return converter_ != nullptr; }

QString TBatchConvertWindow::CurrentFileText() const { return currentFile_->text(); }
QString TBatchConvertWindow::CurrentTemplateText() const { return currentTemplate_->text(); }
QString TBatchConvertWindow::SummaryText() const { return summary_->text(); }

void TBatchConvertWindow::AddFilesClicked() {
    QFileDialog dialog(this, Translate("Please select karaoke files to import"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(QtNameFilters(TranslatedFilter()));
    if (dialog.exec() == QDialog::Accepted)
        AddFiles(dialog.selectedFiles());
}

void TBatchConvertWindow::RemoveFilesClicked() {
    if (Converting())
        return;
    qDeleteAll(input_->selectedItems());
    UpdateButtons();
}

void TBatchConvertWindow::BrowseOutputFolder() {
    const QString folder = QFileDialog::getExistingDirectory(this, Translate("Select Output directory"),
                                                             QDir::fromNativeSeparators(output_->text()));
    if (!folder.isEmpty())
        SetOutputFolder(folder);
}

void TBatchConvertWindow::UpdateButtons() {
    const bool converting = Converting();
    convert_->setText(converting ? StopCaption() : ConvertCaption());
    convert_->setEnabled(converting || (input_->topLevelItemCount() > 0 && !CheckedTemplates().isEmpty()));
    add_->setEnabled(!converting);
    remove_->setEnabled(!converting && !input_->selectedItems().isEmpty());
    output_->setEnabled(!converting);
    browse_->setEnabled(!converting);
    templates_->setEnabled(!converting);
}

void TBatchConvertWindow::ConvertClicked() {
    if (!Converting()) {
        StartRun();
        return;
    }
    if (stepping_)
        stopPending_ = true; // the file being converted is finished first
    else
        EndRun();
}

void TBatchConvertWindow::StartRun() {
    if (input_->topLevelItemCount() == 0 || CheckedTemplates().isEmpty())
        return;
    const QString folder = QDir::fromNativeSeparators(output_->text().trimmed());
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        App().MessageBox(Translate("The output folder does not exist") + ":\n" + folder, windowTitle(),
                         mb::Ok | mb::IconWarning);
        return;
    }
    for (int i = 0; i < input_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = input_->topLevelItem(i);
        item->setText(kResultColumn, QString());
        item->setToolTip(kResultColumn, QString());
    }
    converter_ = std::make_unique<tBatchConverter>(
        InputFiles(), ReadChosenTemplates(*OpenSettingsStore(), CheckedTemplates()), folder);
    stopPending_ = false;
    queueBar_->setRange(0, converter_->Total());
    queueBar_->setValue(0);
    stageBar_->reset();
    positionBar_->reset();
    currentFile_->clear();
    currentTemplate_->clear();
    summary_->hide();
    progressPanel_->show();
    UpdateButtons();
    UpdateMinimumSize();
    timer_.start();
}

void TBatchConvertWindow::EndRun() {
    timer_.stop();
    if (converter_) {
        summary_->setText(converter_->Summary());
        summary_->show();
    }
    converter_.reset();
    stopPending_ = false;
    progressPanel_->hide();
    UpdateButtons();
    UpdateMinimumSize();
}

void TBatchConvertWindow::LetEventsRun() {
    QCoreApplication::processEvents();
    eventsDue_ = false;
    sinceEvents_.start();
}

void TBatchConvertWindow::ShowProgress(int stage, int maximum, int position, int kind) {
    const tImportBars bars = ImportBarsFor(stage, maximum, position, kind);
    stageBar_->setRange(0, bars.stageMaximum);
    stageBar_->setValue(bars.stage);
    positionBar_->setRange(0, bars.positionMaximum);
    positionBar_->setValue(bars.position);
    if (eventsDue_ || sinceEvents_.hasExpired(kEventsEveryMs))
        LetEventsRun();
}

void TBatchConvertWindow::Tick() {
    if (!converter_ || stepping_)
        return;
    if (converter_->Finished()) {
        EndRun();
        return;
    }
    stepping_ = true;
    currentFile_->setText(QDir::toNativeSeparators(converter_->NextFile()));
    currentTemplate_->setText(ShownTemplateName(converter_->NextTemplate()));
    stageBar_->setValue(0);
    positionBar_->setValue(0);
    // Painted at once: a song file is read without progress reports, so no events may run
    // before it is done.
    progressPanel_->repaint();
    eventsDue_ = true;
    converter_->Step([this](QObject*, tLyrimoData&, int stage, int maximum, int position, int kind) {
        ShowProgress(stage, maximum, position, kind);
    });
    stepping_ = false;

    ShowLastResult();
    queueBar_->setValue(converter_->Done());
    if (stopPending_)
        EndRun();
    else
        timer_.start();
    if (closePending_) {
        closePending_ = false;
        reject();
    }
}

void TBatchConvertWindow::ShowLastResult() {
    const tConversionResult& result = converter_->Results().back();
    QTreeWidgetItem* item = ItemOf(result.input);
    if (!item)
        return;
    if (result.converted) {
        delete item;
        return;
    }
    item->setText(kResultColumn, Translate("Failed") + ": " + result.reason);
    item->setToolTip(kResultColumn, result.reason);
    item->setForeground(kResultColumn, QColor(program_colour::Accent));
}

bool TBatchConvertWindow::MayClose() {
    if (!Converting())
        return true;
    if (App().MessageBox(Translate("Abort conversion in progress") + "?", Translate("Stop process") + "?",
                         mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return false;
    EndRun();
    return true;
}

void TBatchConvertWindow::reject() {
    // A question asked in the middle of an import would be gathered with the importer's
    // messages and answered unseen, so it waits until the file is done.
    if (stepping_) {
        closePending_ = true;
        return;
    }
    if (MayClose())
        QDialog::reject();
}

void TBatchConvertWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls() && !Converting())
        event->acceptProposedAction();
}

void TBatchConvertWindow::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files << url.toLocalFile();
    event->acceptProposedAction();
    AddFiles(files);
}

} // namespace lyrimo
