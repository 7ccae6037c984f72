// The batch file converter: karaoke files are dropped or picked, and each is imported, stamped
// with one of the checked import templates (picked at random) and saved as a song in the output
// folder. One file is converted per tick of a short timer, so the window stays responsive and
// the run can be stopped between files.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>
#include <QTimer>

#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace lyrimo {

class tBatchConverter;
class tLyrimoData;

// What the two import bars show for one progress report: the stage within the importer's
// stages, and the position within that stage.
struct tImportBars {
    int stage = 0;
    int stageMaximum = 1;
    int position = 0;
    int positionMaximum = 1;
};
tImportBars ImportBarsFor(int stage, int maximum, int position, int kind);

class TBatchConvertWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int kTickMs = 10;
    static constexpr int kMinimumWidth = 460;
    static constexpr int kMinimumHeight = 200;

    explicit TBatchConvertWindow(QWidget* parent = nullptr);
    ~TBatchConvertWindow() override;

    // Adds the files that can be converted and are not listed yet; the others are left out.
    void AddFiles(const QStringList& files);
    QStringList InputFiles() const;
    // Why a listed file failed in the last run; empty for a file that has not.
    QString FailureOf(const QString& file) const;

    QStringList TemplateNames() const; // as shown
    // Checks or unchecks the template shown under that name.
    void CheckTemplate(const QString& shownName, bool checked);
    // The stored names of the checked templates.
    QStringList CheckedTemplates() const;

    void SetOutputFolder(const QString& folder);

    bool Converting() const;
    // Starts a run, or stops the one going on (the "Convert Now" / "STOP!" button).
    void ConvertClicked();
    // Converts the next file of the run; what the timer does.
    void Tick();

    QPushButton* ConvertButton() const { return convert_; }
    QPushButton* CloseButton() const { return close_; }
    QPushButton* AddButton() const { return add_; }
    QPushButton* RemoveButton() const { return remove_; }
    QTreeWidget* InputList() const { return input_; }
    QListWidget* TemplateList() const { return templates_; }
    QWidget* ProgressPanel() const { return progressPanel_; }
    QProgressBar* StageBar() const { return stageBar_; }
    QProgressBar* PositionBar() const { return positionBar_; }
    QProgressBar* QueueBar() const { return queueBar_; }
    QString CurrentFileText() const;
    QString CurrentTemplateText() const;
    QString SummaryText() const;

protected:
    // Escape, the close box and "Close": while converting, only when the user agrees to stop.
    void reject() override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildWindow();
    void FillTemplates();
    void AddFilesClicked();
    void RemoveFilesClicked();
    void BrowseOutputFolder();
    void UpdateButtons();
    void StartRun();
    void EndRun();
    void LetEventsRun();
    void ShowProgress(int stage, int maximum, int position, int kind);
    void ShowLastResult();
    void UpdateMinimumSize();
    QTreeWidgetItem* ItemOf(const QString& file) const;
    // Asks whether a run going on may be stopped; true when there is none or it may.
    bool MayClose();

    std::unique_ptr<tBatchConverter> converter_;
    QTimer timer_;
    QElapsedTimer sinceEvents_;
    bool eventsDue_ = false;    // the next progress report lets the window answer
    bool stepping_ = false;     // a file is being converted; the timer and the buttons wait
    bool stopPending_ = false;  // stop once the file being converted is done
    bool closePending_ = false; // asked to close while a file was being converted

    QTreeWidget* input_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QLineEdit* output_ = nullptr;
    QPushButton* browse_ = nullptr;
    QListWidget* templates_ = nullptr;
    QWidget* progressPanel_ = nullptr;
    QLabel* currentFile_ = nullptr;
    QLabel* currentTemplate_ = nullptr;
    QProgressBar* stageBar_ = nullptr;
    QProgressBar* positionBar_ = nullptr;
    QProgressBar* queueBar_ = nullptr;
    QLabel* summary_ = nullptr;
    QPushButton* convert_ = nullptr;
    QPushButton* close_ = nullptr;
};

} // namespace lyrimo
