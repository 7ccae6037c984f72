#include "desktop/voice_suppressor_window.h"

#include "app/app_services.h"
#include "ui/file_dialogs.h"
#include "ui/help_pages.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

constexpr const char* kIntroduction =
    "The Lyrimo voice supressor takes in a WAVE file and attempts to remove as much of the vocals from the "
    "song as possible.  It is never 100% effective and sometimes doesn't work at all, but when it does work "
    "it works well.";

QString SoundFilter() {
    return Translate("Wave Files") + " (*.wav *.WAV);;" + Translate("Other Sound Files") +
           " (*.mp3 *.ogg *.oga *.opus *.flac *.m4a *.aac *.aiff *.aif *.MP3 *.OGG *.FLAC *.M4A);;" +
           Translate("All Files") + " (*)";
}

QComboBox* LevelList() {
    auto* list = new QComboBox;
    list->addItem(Translate("NONE"));
    for (int level = 1; level <= 5; ++level) {
        QString text = Translate("Level") + " " + QString::number(level);
        if (level == 1)
            text += " " + Translate("(low)");
        if (level == 5)
            text += " " + Translate("(high)");
        list->addItem(text);
    }
    return list;
}

QWidget* Labelled(const QString& low, QSlider* slider, const QString& high) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(low));
    layout->addWidget(slider, 1);
    layout->addWidget(new QLabel(high));
    return row;
}

} // namespace

TVoiceRem::tDialogs TVoiceRem::StandardDialogs() {
    tDialogs dialogs;
    dialogs.chooseInput = [](QWidget* parent, const QString& start) {
        return QFileDialog::getOpenFileName(parent, Translate("Select a wave file to convert:"), start,
                                            SoundFilter());
    };
    dialogs.chooseOutput = [](QWidget* parent, const QString& start) {
        return AskSaveFileName(parent, Translate("Save vocals reduced file as:"), start,
                               Translate("Wave Files") + " (*.wav *.WAV);;" + Translate("All Files") + " (*)",
                               "wav");
    };
    return dialogs;
}

TVoiceRem::TVoiceRem(QWidget* parent, tDialogs dialogs) : QDialog(parent), dialogs_(std::move(dialogs)) {
    setWindowTitle(Translate("Lyrimo Voice Supressor"));
    timer_.setInterval(0);
    connect(&timer_, &QTimer::timeout, this, &TVoiceRem::Tick);
    BuildWindow();
    ReadSettings();
    UpdateControls();
}

TVoiceRem::~TVoiceRem() = default;

void TVoiceRem::BuildWindow() {
    auto* introduction = new QLabel(Translate(kIntroduction));
    introduction->setWordWrap(true);

    input_ = new QLineEdit;
    output_ = new QLineEdit;
    browseInput_ = new QPushButton(Translate("Browse..."));
    browseOutput_ = new QPushButton(Translate("Browse..."));
    connect(browseInput_, &QPushButton::clicked, this, &TVoiceRem::BrowseInput);
    connect(browseOutput_, &QPushButton::clicked, this, &TVoiceRem::BrowseOutput);
    auto fileRow = [](QLineEdit* field, QPushButton* browse) {
        auto* row = new QHBoxLayout;
        row->addWidget(field, 1);
        row->addWidget(browse);
        return row;
    };

    reduction_ = new QSlider(Qt::Horizontal);
    reduction_->setRange(50, 100);
    reductionValue_ = new QLabel;
    reductionValue_->setMinimumWidth(reductionValue_->fontMetrics().horizontalAdvance("100%") + 4);
    connect(reduction_, &QSlider::valueChanged, this,
            [this](int value) { reductionValue_->setText(QString::number(value) + "%"); });
    auto* reductionRow = new QHBoxLayout;
    reductionRow->addWidget(reduction_, 1);
    reductionRow->addWidget(reductionValue_);
    trebleCut_ = LevelList();
    reverb_ = LevelList();
    delay_ = new QSlider(Qt::Horizontal);
    delay_->setRange(0, 9);
    delay_->setPageStep(1);
    delay_->setTickPosition(QSlider::TicksBelow);
    recursive_ = new QCheckBox(Translate("Recursive &Reverb"));

    auto* form = new QFormLayout;
    auto label = [](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text);
        l->setBuddy(buddy);
        return l;
    };
    form->addRow(label(Translate("Stereo &Input File:"), input_), fileRow(input_, browseInput_));
    form->addRow(label(Translate("MONO &Output File:"), output_), fileRow(output_, browseOutput_));
    form->addRow(label(Translate("Reduction E&ffect:"), reduction_), reductionRow);
    form->addRow(label(Translate("Treble C&ut:"), trebleCut_), trebleCut_);
    form->addRow(label(Translate("Re&verb:"), reverb_), reverb_);
    form->addRow(label(Translate("Reverb &Delay:"), delay_),
                 Labelled(Translate("Low"), delay_, Translate("High")));
    form->addRow(QString(), recursive_);

    progress_ = new QProgressBar;
    progress_->setRange(0, kProgressSteps);
    progress_->setValue(0);
    progress_->setTextVisible(false);
    timeLeft_ = new QLabel("--:--");
    timeLeft_->setMinimumWidth(timeLeft_->fontMetrics().horizontalAdvance("00:00") + 6);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(new QLabel(Translate("Estimated Time Remaining:")));
    progressRow->addWidget(timeLeft_);

    begin_ = new QPushButton(Translate("&Begin VoiceSupressor"));
    begin_->setDefault(true);
    close_ = new QPushButton(Translate("&Close"));
    connect(begin_, &QPushButton::clicked, this, [this] { Running() ? Stop() : Begin(); });
    connect(close_, &QPushButton::clicked, this, &TVoiceRem::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(begin_);
    buttons->addStretch(1);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(introduction);
    layout->addLayout(form);
    layout->addLayout(progressRow);
    layout->addLayout(buttons);
    setMinimumWidth(560);
}

void TVoiceRem::ReadSettings() {
    const tSettingsClass& s = Settings();
    tVoiceRemSettings chosen;
    chosen.Reduction = s.ReducePos;
    chosen.TrebleCut = s.BassBoostLevel;
    chosen.ReverbLevel = s.ReverbLevel;
    chosen.ReverbDelay = s.ReverbDelay;
    chosen.RecursiveReverb = s.RecursiveReverb;
    SetChosenSettings(chosen.Bounded());
}

void TVoiceRem::WriteSettings() const {
    const tVoiceRemSettings chosen = ChosenSettings();
    tSettingsClass& s = Settings();
    s.ReducePos = chosen.Reduction;
    s.BassBoostLevel = chosen.TrebleCut;
    s.ReverbLevel = chosen.ReverbLevel;
    s.ReverbDelay = chosen.ReverbDelay;
    s.RecursiveReverb = chosen.RecursiveReverb;
}

tVoiceRemSettings TVoiceRem::ChosenSettings() const {
    tVoiceRemSettings chosen;
    chosen.Reduction = reduction_->value();
    chosen.TrebleCut = trebleCut_->currentIndex();
    chosen.ReverbLevel = reverb_->currentIndex();
    chosen.ReverbDelay = delay_->value();
    chosen.RecursiveReverb = recursive_->isChecked();
    return chosen;
}

void TVoiceRem::SetChosenSettings(const tVoiceRemSettings& settings) {
    reduction_->setValue(settings.Reduction);
    reductionValue_->setText(QString::number(settings.Reduction) + "%");
    trebleCut_->setCurrentIndex(settings.TrebleCut);
    reverb_->setCurrentIndex(settings.ReverbLevel);
    delay_->setValue(settings.ReverbDelay);
    recursive_->setChecked(settings.RecursiveReverb);
}

void TVoiceRem::SetFiles(const QString& input, const QString& output) {
    input_->setText(input);
    output_->setText(output);
}

QString TVoiceRem::RemainingText() const { return timeLeft_->text(); }
int TVoiceRem::ProgressValue() const { return progress_->value(); }

void TVoiceRem::UpdateControls() {
    const bool running = Running();
    for (QWidget* control :
         std::initializer_list<QWidget*>{input_, output_, browseInput_, browseOutput_, reduction_, trebleCut_,
                                         reverb_, delay_, recursive_})
        control->setEnabled(!running);
    begin_->setText(running ? Translate("&STOP!") : Translate("&Begin VoiceSupressor"));
}

void TVoiceRem::BrowseInput() {
    const QString file = dialogs_.chooseInput(this, input_->text());
    if (!file.isEmpty())
        input_->setText(file);
}

void TVoiceRem::BrowseOutput() {
    const QString start =
        QFileInfo::exists(output_->text()) ? output_->text() : QFileInfo(input_->text()).path();
    const QString file = dialogs_.chooseOutput(this, start);
    if (!file.isEmpty())
        output_->setText(file);
}

void TVoiceRem::Begin() {
    if (Running())
        return;
    auto run = std::make_unique<tVoiceSuppression>();
    const QString refusal = run->Begin(input_->text().trimmed(), output_->text().trimmed(), ChosenSettings());
    if (!refusal.isEmpty()) {
        App().MessageBox(Translate(refusal), Translate("Error"), mb::Ok | mb::IconWarning);
        return;
    }
    run_ = std::move(run);
    remaining_ = {};
    elapsed_.start();
    progress_->setValue(0);
    UpdateControls();
    timer_.start();
}

void TVoiceRem::Stop() {
    if (run_)
        run_->Stop();
}

void TVoiceRem::Tick() {
    if (!run_)
        return;
    QElapsedTimer slice;
    slice.start();
    bool more = true;
    while (more && !slice.hasExpired(kSliceMs))
        more = run_->Step();
    ShowProgress();
    if (!more)
        EndRun();
}

void TVoiceRem::ShowProgress() {
    const int64_t total = run_->FrameCount();
    const int64_t done = run_->FramesDone();
    progress_->setValue(total > 0 ? static_cast<int>(std::min<int64_t>(done, total) * kProgressSteps / total)
                                  : 0);
    if (const auto text = remaining_.Update(done, total, elapsed_.elapsed()))
        timeLeft_->setText(*text);
}

void TVoiceRem::EndRun() {
    timer_.stop();
    const bool stopped = run_->StopRequested();
    const QString failure = stopped ? QString() : run_->Finish();
    run_.reset(); // a run that did not finish takes its partial output with it
    UpdateControls();
    timeLeft_->setText("??:??");
    progress_->setValue(0);
    if (closeAfterRun_) {
        WriteSettings();
        QDialog::reject();
        return;
    }
    if (stopped)
        App().MessageBox(Translate("Voice removal process was not complete") + ", " +
                             Translate("so no output file was written") + ".",
                         Translate("Stopped"), mb::Ok | mb::IconInformation);
    else if (!failure.isEmpty())
        App().MessageBox(Translate(failure), Translate("Error"), mb::Ok | mb::IconWarning);
    else
        App().MessageBox(Translate("Voice Supression completed sucessfully"), Translate("Finished") + "!",
                         mb::Ok | mb::IconInformation);
}

void TVoiceRem::reject() {
    if (Running()) {
        if (App().MessageBox(Translate("Processing is in progress, stop and exit") + "?",
                             Translate("Well") + "?", mb::OkCancel | mb::IconQuestion) == mb::IdOk) {
            closeAfterRun_ = true;
            Stop();
        }
        return;
    }
    WriteSettings();
    QDialog::reject();
}

void TVoiceRem::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

void TVoiceRem::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        OpenHelpPage("voice.html");
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace lyrimo
