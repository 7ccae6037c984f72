// The voice suppressor's window: a stereo sound file in, a mono WAVE file out with the centre
// voice taken out. The run goes a slice at a time on a zero-length timer, so the window stays
// responsive, shows progress and the time left, and "STOP!" or closing ends it; the output takes
// its name only when it is complete.
#pragma once

#include "tools/voice_suppressor.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSlider;

namespace lyrimo {

class TVoiceRem : public QDialog {
    Q_OBJECT

public:
    // The file dialogs; tests replace them. Each returns "" when the user cancels.
    struct tDialogs {
        std::function<QString(QWidget* parent, const QString& start)> chooseInput;
        std::function<QString(QWidget* parent, const QString& start)> chooseOutput;
    };
    static tDialogs StandardDialogs();

    static constexpr int kProgressSteps = 1000;
    static constexpr int kSliceMs = 20; // work done between two looks at the events

    explicit TVoiceRem(QWidget* parent = nullptr, tDialogs dialogs = StandardDialogs());
    ~TVoiceRem() override;

    void SetFiles(const QString& input, const QString& output);
    tVoiceRemSettings ChosenSettings() const;
    void SetChosenSettings(const tVoiceRemSettings& settings);

    bool Running() const { return run_ != nullptr; }
    void Begin(); // "Begin VoiceSupressor"
    void Stop();  // "STOP!"
    QString RemainingText() const;
    int ProgressValue() const;
    QPushButton* BeginButton() const { return begin_; }

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildWindow();
    void ReadSettings();
    void WriteSettings() const;
    void Tick();
    void EndRun();
    void ShowProgress();
    void UpdateControls();
    void BrowseInput();
    void BrowseOutput();

    tDialogs dialogs_;
    std::unique_ptr<tVoiceSuppression> run_;
    tRemainingTime remaining_;
    QElapsedTimer elapsed_;
    QTimer timer_;
    bool closeAfterRun_ = false;

    QLineEdit* input_ = nullptr;
    QLineEdit* output_ = nullptr;
    QPushButton* browseInput_ = nullptr;
    QPushButton* browseOutput_ = nullptr;
    QSlider* reduction_ = nullptr;
    QLabel* reductionValue_ = nullptr;
    QComboBox* trebleCut_ = nullptr;
    QComboBox* reverb_ = nullptr;
    QSlider* delay_ = nullptr;
    QCheckBox* recursive_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* timeLeft_ = nullptr;
    QPushButton* begin_ = nullptr;
    QPushButton* close_ = nullptr;
};

} // namespace lyrimo
