#include "desktop/main_menu.h"

#include "app/app_services.h"
#include "app/command_line.h"
#include "desktop/batch_convert_window.h"
#include "desktop/file_sorter_window.h"
#include "desktop/info_windows.h"
#include "desktop/menu_widgets.h"
#include "desktop/preferences_window.h"
#include "desktop/voice_suppressor_window.h"
#include "ui/translate_window.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QStatusTipEvent>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <QWindow>

namespace lyrimo {
namespace {

struct tActivityButton {
    const char* name;
    const char* caption;
    const char* hint;
    bool available; // the others come with later versions
};

constexpr tActivityButton kActivityButtons[TMainMenu::kActivityCount] = {
    {"PlayButton", "Play Karaoke", "Click to play a karaoke back", true},
    {"BatchPlayButton", "Batch Play", "Click to Batch Play a karaoke back", true},
    {"EditFileButton", "Edit Karaoke", "Click here to edit a new/existing karaoke", true},
    {"BatchConvertButton", "Batch Convert", "Click here to use the batch file converter", true},
    {"CodeGenButton", "Codes Generate", "Click here to use the File Code Generator", true},
    {"VoiceSupressorButton", "Voice Supressor", "Click here to use the WAV voice supressor", true},
    {"TipOfDayButton", "Tip of   the day", "Click here for tip of the day", true},
    {"PrefsButton", "Prefs", "Click for Lyrimo Preferences", true},
    {"AboutButton", "About", "Click for more information about Lyrimo", true},
};

constexpr int kBatchConvertActivity = 3;
constexpr int kCodeGenActivity = 4;
constexpr int kVoiceActivity = 5;
constexpr int kTipActivity = 6;
constexpr int kTipsDelayMs = 10;

QString InstalledManual() {
    return QCoreApplication::applicationDirPath() + "/../share/doc/lyrimo/lyrimo.html";
}

} // namespace

void ShowNotAvailable() {
    App().MessageBox(Translate(kNotAvailableYet), "Lyrimo", mb::Ok | mb::IconInformation);
}

TMainMenu::TMainMenu(tShellSteps steps, QWidget* parent)
    : QWidget(parent, Qt::Window), steps_(std::move(steps)) {
    setObjectName("MainMenu");
    setWindowTitle("Lyrimo - Main Menu");
    setAcceptDrops(true);

    if (QCoreApplication::instance())
        helpFile_ = FindHelpFile(QCoreApplication::applicationFilePath(), InstalledManual());
    BuildLayout();
    StandardActivities();

    TranslateWindow(this);
    // These two are made of translated pieces already.
    ShowStatus(WelcomeText());
    version_->setText(VersionLine());

    if (Settings().TipsEnabled)
        QTimer::singleShot(kTipsDelayMs, this, [this] { Activities[kTipActivity](); });
}

TMainMenu::~TMainMenu() = default;

void TMainMenu::BuildLayout() {
    auto* logo = new TLyrimoLogo;
    beta_ = new QLabel("BETA");
    beta_->setObjectName("BetaLabel");
    beta_->setVisible(IsPreRelease(ProgramVersion()));

    auto* top = new QHBoxLayout;
    top->addWidget(logo, 1);
    top->addWidget(beta_, 0, Qt::AlignTop | Qt::AlignRight);

    auto* grid = new QGridLayout;
    grid->setSpacing(12);
    for (int i = 0; i < kActivityCount; ++i) {
        const tActivityButton& spec = kActivityButtons[i];
        auto* button = new TMenuButton(i + 1, spec.caption);
        button->setObjectName(spec.name);
        button->setEnabled(spec.available);
        button->setStatusTip(spec.available ? spec.hint : kNotAvailableYet);
        connect(button, &QPushButton::clicked, this, [this, i] {
            if (Activities[i])
                Activities[i]();
        });
        grid->addWidget(button, i / 3, i % 3);
        buttons_[i] = button;
    }

    status_ = new QLabel;
    status_->setObjectName("StatusLine");
    status_->setTextFormat(Qt::PlainText);
    status_->setAlignment(Qt::AlignCenter);
    status_->setMinimumHeight(52);

    version_ = new QLabel;
    version_->setObjectName("VersionLine");
    version_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    help_ = new QPushButton("Help");
    help_->setObjectName("HELP");
    help_->setStatusTip("Click here for On-Line Help...");
    help_->setEnabled(!helpFile_.isEmpty());
    connect(help_, &QPushButton::clicked, this, &TMainMenu::OpenHelp);

    auto* side = new QVBoxLayout;
    side->addWidget(version_);
    side->addWidget(help_, 0, Qt::AlignRight);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addLayout(side);

    // The look is set on a body inside the window so that it does not spill over into the
    // dialogs the menu opens.
    auto* body = new QWidget;
    body->setObjectName("MenuBody");
    body->setAttribute(Qt::WA_StyledBackground);
    body->setStyleSheet(MenuStyleSheet());
    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->addWidget(body);

    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(20, 14, 20, 16);
    layout->setSpacing(14);
    layout->addLayout(top);
    layout->addLayout(grid, 1);
    layout->addLayout(bottom);

    for (QWidget* label : std::initializer_list<QWidget*>{logo, beta_, status_, version_})
        label->installEventFilter(this);
}

void TMainMenu::StandardActivities() {
    for (int i = 0; i < kActivityCount; ++i)
        Activities[i] = ShowNotAvailable;
    Activities[0] = [this] { PlayLoopActivity(); };
    Activities[1] = [this] {
        tMenuCollapsed collapsed(*this);
        SetUpNewBatch(steps_);
    };
    Activities[2] = [this] {
        tMenuCollapsed collapsed(*this);
        if (steps_.editSong)
            steps_.editSong({});
    };
    Activities[kBatchConvertActivity] = [this] {
        TBatchConvertWindow converter(this);
        converter.exec();
    };
    Activities[kCodeGenActivity] = [this] {
        TFileSorterWindow sorter(this);
        sorter.exec();
    };
    Activities[kVoiceActivity] = [this] {
        TVoiceRem suppressor(this);
        suppressor.exec();
    };
    Activities[kTipActivity] = [this] {
        TTipOfDayWnd tips(this);
        tips.exec();
    };
    Activities[7] = [this] {
        TPrefsWnd preferences(this);
        preferences.exec();
    };
    Activities[8] = [this] {
        TAboutWnd about(this);
        about.exec();
    };
}

void TMainMenu::PlayLoopActivity() {
    tMenuCollapsed collapsed(*this);
    PlayLoop(steps_);
}

QPushButton* TMainMenu::ActivityButton(int key) const {
    return key >= 1 && key <= kActivityCount ? buttons_[key - 1] : nullptr;
}

QString TMainMenu::StatusText() const { return status_->text(); }
QString TMainMenu::VersionText() const { return version_->text(); }
bool TMainMenu::BetaShown() const { return !beta_->isHidden(); }

void TMainMenu::ShowStatus(const QString& text) {
    if (status_->text() != text)
        status_->setText(text);
}

void TMainMenu::Collapse() {
    if (collapsed_)
        return;
    savedGeometry_ = geometry();
    savedEnabled_ = isEnabled();
    savedVisible_ = isVisible();
    collapsed_ = true;
    setEnabled(false);
    hide();
}

void TMainMenu::Restore() {
    if (!collapsed_)
        return;
    collapsed_ = false;
    setGeometry(savedGeometry_);
    setEnabled(savedEnabled_);
    if (savedVisible_)
        show();
}

void TMainMenu::HandleDrop(const QStringList& files) {
    const tDrop drop = ClassifyDrop(files);
    switch (drop.kind) {
    case tDropKind::Nothing: break;
    case tDropKind::Song: {
        tMenuCollapsed collapsed(*this);
        PlayDroppedSong(drop.file, steps_);
        break;
    }
    case tDropKind::Playlist: {
        // The menu folds away only once the playlist has loaded and its window opens.
        tShellSteps steps = steps_;
        steps.setUpBatch = [this](tBatchKaraokeFile& playlist, const QString& fileName) {
            tMenuCollapsed collapsed(*this);
            steps_.setUpBatch(playlist, fileName);
        };
        SetUpDroppedPlaylist(drop.file, steps);
        break;
    }
    case tDropKind::Unknown:
        App().MessageBox(Translate("Error loading specified file."), Translate("Error"),
                         mb::Ok | mb::IconWarning);
        break;
    }
}

void TMainMenu::OpenHelp() {
    if (helpFile_.isEmpty())
        return;
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile_)))
        App().MessageBox(Translate("Unable to open the help file") + "\n" + helpFile_, Translate("Error"),
                         mb::Ok | mb::IconWarning);
}

bool TMainMenu::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        ShowStatus(tip.isEmpty() ? WelcomeText() : tip);
        return true;
    }
    return QWidget::event(event);
}

void TMainMenu::StartMoving(const QPoint& globalPos) {
    // The window manager moves the window where it can (it must on Wayland).
    if (QWindow* window = windowHandle(); window && window->startSystemMove())
        return;
    moving_ = true;
    moveOffset_ = globalPos - frameGeometry().topLeft();
}

bool TMainMenu::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            StartMoving(mouse->globalPosition().toPoint());
            return true;
        }
        break;
    }
    case QEvent::MouseMove:
        if (moving_) {
            move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - moveOffset_);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease: moving_ = false; break;
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void TMainMenu::keyPressEvent(QKeyEvent* event) {
    const int key = event->key() - Qt::Key_0;
    Qt::KeyboardModifiers modifiers = event->modifiers();
    modifiers.setFlag(Qt::KeypadModifier, false);
    const bool plain = modifiers == Qt::NoModifier;
    if (plain && !event->isAutoRepeat() && ActivityButton(key)) {
        ActivityButton(key)->click();
        event->accept();
        return;
    }
    // Leaving from the keyboard ends the program as the close box does.
    const bool quit = (plain && event->key() == Qt::Key_Escape) ||
                      (modifiers == Qt::ControlModifier && event->key() == Qt::Key_Q);
    if (quit) {
        event->accept();
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMainMenu::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    raise();
    activateWindow();
}

void TMainMenu::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    emit Closed();
}

void TMainMenu::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainMenu::dropEvent(QDropEvent* event) {
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        files << (url.isLocalFile() ? url.toLocalFile() : url.toString());
    event->acceptProposedAction();
    // Playing inside the drop would keep the file manager waiting for the whole song.
    QTimer::singleShot(0, this, [this, files] { HandleDrop(files); });
}

} // namespace lyrimo
