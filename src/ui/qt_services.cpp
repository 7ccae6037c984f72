#include "ui/qt_services.h"

#include "ui/import_result_window.h"
#include "ui/message_box.h"

#include <QApplication>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>

#include <algorithm>

namespace lyrimo {
namespace {

// The bar counts in steps of 256 bytes so that large files fit its integer range.
int BarSteps(int64_t bytes) { return int(std::clamp<int64_t>(bytes / 256, 0, INT32_MAX)); }

size_t IndexOf(tProgressKind kind) { return kind == tProgressKind::LoadEmbedded ? 0 : 1; }

} // namespace

TProgressWnd::TProgressWnd(tProgressKind kind) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle("Lyrimo");
    const bool saving = kind == tProgressKind::SaveEmbedded;
    text_ = new QLabel(
        saving
            ? Translate("Saving embedded object in .LYM file") + ", " + Translate("please wait") + "..."
            : Translate("Loading embedded object from .LYM file") + ", " + Translate("please wait") + "...");
    bar_ = new QProgressBar;
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(360);
    bar_->setValue(0);

    auto* grid = new QGridLayout(this);
    grid->addWidget(text_, 0, 0, 1, 2);
    if (saving) {
        fileNameLabel_ = new QLabel(Translate("Filename") + ":");
        fileName_ = new QLabel;
        fileName_->setTextFormat(Qt::PlainText);
        grid->addWidget(fileNameLabel_, 1, 0);
        grid->addWidget(fileName_, 1, 1);
    }
    grid->addWidget(bar_, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
}

void TProgressWnd::SetProgress(int64_t done, int64_t total, const QString& fileName) {
    if (fileName_)
        fileName_->setText(fileName);
    if (BarSteps(total) != 0)
        bar_->setMaximum(BarSteps(total));
    bar_->setValue(std::min(BarSteps(done), bar_->maximum()));
}

QString TProgressWnd::Text() const { return text_->text(); }
QString TProgressWnd::FileNameLabel() const { return fileNameLabel_ ? fileNameLabel_->text() : QString(); }
QString TProgressWnd::FileName() const { return fileName_ ? fileName_->text() : QString(); }
int TProgressWnd::Maximum() const { return bar_->maximum(); }
int TProgressWnd::Position() const { return bar_->value(); }

void TProgressWnd::closeEvent(QCloseEvent* event) { event->ignore(); }

tQtServices::tQtServices() = default;
tQtServices::~tQtServices() = default;

int tQtServices::PresentMessageBox(const QString& text, const QString& title, int flags) {
    return ShowMessageBox(text, title, flags);
}

void tQtServices::Progress(tProgressKind kind, int64_t done, int64_t total, const QString& fileName) {
    std::unique_ptr<TProgressWnd>& window = progress_[IndexOf(kind)];
    if (!window) {
        if (status.Quiet)
            return;
        window = std::make_unique<TProgressWnd>(kind);
        window->adjustSize();
        PlaceForPlayback(window.get());
        window->show();
        window->raise();
    }
    window->SetProgress(done, total, fileName);
    QCoreApplication::processEvents();
}

void tQtServices::ProgressFinished(tProgressKind kind) { progress_[IndexOf(kind)].reset(); }

tDisplaySize tQtServices::LyricsDisplaySize() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return displaySize;
    return {screen->size().width(), screen->size().height()};
}

TProgressWnd* tQtServices::ProgressWindow(tProgressKind kind) const { return progress_[IndexOf(kind)].get(); }

bool tQtServices::PresentImportResult(const QString& text, bool doNotShow) {
    return ShowImportResultWindow(text, doNotShow, QApplication::activeWindow());
}

} // namespace lyrimo
