// The window layer's answers to what core code asks of the user interface: message
// boxes, the embedded-object progress windows and the size of the playback display.
#pragma once

#include "app/app_services.h"

#include <QDialog>

#include <array>
#include <memory>

class QLabel;
class QProgressBar;

namespace lyrimo {

// Shows how far copying an embedded object has come; the user cannot close it.
class TProgressWnd : public QDialog {
    Q_OBJECT

public:
    explicit TProgressWnd(tProgressKind kind);

    void SetProgress(int64_t done, int64_t total, const QString& fileName);

    QString Text() const;
    QString FileNameLabel() const; // "" for loading, which shows no file name
    QString FileName() const;
    int Maximum() const;
    int Position() const;

    void reject() override {} // Escape does not close it

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* text_ = nullptr;
    QLabel* fileNameLabel_ = nullptr;
    QLabel* fileName_ = nullptr;
    QProgressBar* bar_ = nullptr;
};

class tQtServices : public tAppServices {
public:
    tQtServices();
    ~tQtServices() override;

    int PresentMessageBox(const QString& text, const QString& title, int flags) override;
    void Progress(tProgressKind kind, int64_t done, int64_t total, const QString& fileName) override;
    void ProgressFinished(tProgressKind kind) override;
    tDisplaySize LyricsDisplaySize() const override;
    bool PresentImportResult(const QString& text, bool doNotShow) override;

    // The window of a kind while its load or save lasts, else nullptr.
    TProgressWnd* ProgressWindow(tProgressKind kind) const;

private:
    std::array<std::unique_ptr<TProgressWnd>, 2> progress_;
};

} // namespace lyrimo
