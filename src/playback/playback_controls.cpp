#include "playback/playback_controls.h"

#include "app/app_services.h"
#include "playback/monitors.h"
#include "ui/translate_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>

#include <tuple>

namespace lyrimo {

namespace {

// The two rounded rectangles of the compact window's speech bubble, with exclusive right and
// bottom edges, and the diameter of their corner ellipses.
const QRect kSmallBubble(QPoint(0, 0), QPoint(190, 138));
const QRect kLargeBubble(QPoint(80, 58), QPoint(478, 275));
constexpr int kCornerDiameter = 40;
// Small rectangles filling the notches where the two bubbles meet.
const QRect kConnectors[] = {QRect(70, 139, 10, 10), QRect(191, 48, 10, 10)};

QRegion RoundedRectRegion(const QRect& r) {
    const int d = kCornerDiameter, half = d / 2;
    QRegion region(r.adjusted(half, 0, -half, 0));
    region += r.adjusted(0, half, 0, -half);
    region += QRegion(QRect(r.left(), r.top(), d, d), QRegion::Ellipse);
    region += QRegion(QRect(r.right() + 1 - d, r.top(), d, d), QRegion::Ellipse);
    region += QRegion(QRect(r.left(), r.bottom() + 1 - d, d, d), QRegion::Ellipse);
    region += QRegion(QRect(r.right() + 1 - d, r.bottom() + 1 - d, d, d), QRegion::Ellipse);
    return region;
}

QPainterPath BubblePath() {
    QPainterPath path;
    path.addRoundedRect(QRectF(kSmallBubble).adjusted(0.5, 0.5, 0.5, 0.5), kCornerDiameter / 2.0,
                        kCornerDiameter / 2.0);
    QPainterPath large;
    large.addRoundedRect(QRectF(kLargeBubble).adjusted(0.5, 0.5, 0.5, 0.5), kCornerDiameter / 2.0,
                         kCornerDiameter / 2.0);
    path = path.united(large);
    for (const QRect& connector : kConnectors) {
        QPainterPath piece;
        piece.addRect(QRectF(connector));
        path = path.united(piece);
    }
    return path.simplified();
}

const char* kStyleSheet = R"(
QWidget#TPlaybackControls { background: transparent; }
QLabel { color: #ECEAF7; background: transparent; }
QLabel[role="caption"] { color: #B9B2DA; font-weight: bold; }
QLabel#SongName { font-size: 15pt; font-weight: bold; color: #FFFFFF; }
QLabel#Status { color: #FFE9F5; background: rgba(0, 0, 0, 90); border: 1px solid #6A4C9C;
                border-radius: 6px; padding: 2px 8px; }
QLabel#Time { font-family: "DejaVu Sans Mono"; font-size: 11pt; color: #FFFFFF; }
QLabel#Speed, QLabel#Key { font-weight: bold; color: #7FD8FF; }
QLabel#Batch { font-weight: bold; color: #FFC83C; }
QLabel[role="key"] { color: #FF9FD2; font-weight: bold; }
QFrame[role="panel"] { background: rgba(255, 255, 255, 18); border: 1px solid #4E3A78; border-radius: 8px; }
QFrame#SpeedPanel, QFrame#KeyPanel { background: transparent; border: none; }
QProgressBar { border: 1px solid #4E3A78; border-radius: 5px; background: #120C22; height: 14px; }
QProgressBar::chunk { border-radius: 4px;
    background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #FF40A0, stop:1 #40C8FF); }
QPushButton { color: white; font-weight: bold; border: 1px solid #2A1A45; border-radius: 8px; padding: 4px 10px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #7A4BC4, stop:1 #43267A); }
QPushButton:hover { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #9262DC, stop:1 #55319A); }
QPushButton:pressed { background: #33205E; }
QPushButton#Abort { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #E0506E, stop:1 #9A2040); }
QPushButton#Runn { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #FF5CB0, stop:1 #B82A78); }
)";

QLabel* MakeLabel(QWidget* parent, const QString& text, const char* role = nullptr) {
    auto* label = new QLabel(text, parent);
    if (role)
        label->setProperty("role", role);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& objectName, const QString& text,
                        const QString& hint = {}) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    // Keys belong to the playback window: a focused button would swallow Enter and Space.
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::PointingHandCursor);
    if (!hint.isEmpty())
        button->setToolTip(hint);
    return button;
}

struct tKeyHelp {
    const char* key;
    const char* action;
};
constexpr tKeyHelp kKeys[] = {{"Arrow Up/Down:", "Speed up/down."}, {"+ / -:", "Key up/down a semitone"},
                              {"Arrow Left:", "Rewind Song"},       {"Enter:", "Play/Pause/Continue"},
                              {"Escape:", "End Presentation"},      {"Space Bar:", "Skip Song (Batch Play)"}};

} // namespace

QRegion TPlaybackControls::BubbleRegion() {
    QRegion region = RoundedRectRegion(kSmallBubble) + RoundedRectRegion(kLargeBubble);
    for (const QRect& connector : kConnectors)
        region += connector;
    return region;
}

QSize TPlaybackControls::BubbleWindowSize() {
    const QRect picture = kSmallBubble.united(kLargeBubble);
    return {picture.right() + 1 + 20, picture.bottom() + 1};
}

TPlaybackControls::TPlaybackControls(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TPlaybackControls"));
    setWindowTitle(QStringLiteral("Lyrimo Playback Controls"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TranslucentBackground, false);
    setStyleSheet(QString::fromLatin1(kStyleSheet));

    details_ = new QFrame(this);
    details_->setProperty("role", "panel");
    songCaption_ = MakeLabel(details_, QStringLiteral("Song:"), "caption");
    artistCaption_ = MakeLabel(details_, QStringLiteral("Artist:"), "caption");
    albumCaption_ = MakeLabel(details_, QStringLiteral("Album:"), "caption");
    yearCaption_ = MakeLabel(details_, QStringLiteral("Year:"), "caption");
    songName_ = MakeLabel(details_, {});
    songName_->setObjectName(QStringLiteral("SongName"));
    artist_ = MakeLabel(details_, {});
    album_ = MakeLabel(details_, {});
    year_ = MakeLabel(details_, {});
    for (QLabel* value : {songName_, artist_, album_, year_})
        value->setTextFormat(Qt::PlainText);

    playerCaption_ = MakeLabel(this, QStringLiteral("Player:"), "caption");
    player_ = MakeLabel(this, {});
    player_->setTextFormat(Qt::PlainText);
    progressCaption_ = MakeLabel(this, QStringLiteral("Playback Progress:"), "caption");
    progress_ = new QProgressBar(this);
    progress_->setTextVisible(false);
    progress_->setRange(0, 1);
    progress_->setValue(0);
    time_ = MakeLabel(this, QStringLiteral("00:00/00:00"));
    time_->setObjectName(QStringLiteral("Time"));
    time_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    speedPanel_ = new QFrame(this);
    speedPanel_->setObjectName(QStringLiteral("SpeedPanel"));
    tempoCaption_ = MakeLabel(speedPanel_, QStringLiteral("Tempo:"), "caption");
    speed_ = MakeLabel(speedPanel_, QStringLiteral("0%"));
    speed_->setObjectName(QStringLiteral("Speed"));
    slower_ = MakeButton(speedPanel_, QStringLiteral("Slower"), QStringLiteral("Slower"));
    faster_ = MakeButton(speedPanel_, QStringLiteral("Faster"), QStringLiteral("Faster"));
    speedPanel_->hide();

    keyPanel_ = new QFrame(this);
    keyPanel_->setObjectName(QStringLiteral("KeyPanel"));
    keyCaption_ = MakeLabel(keyPanel_, QStringLiteral("Key:"), "caption");
    key_ = MakeLabel(keyPanel_, QStringLiteral("0"));
    key_->setObjectName(QStringLiteral("Key"));
    keyDown_ = MakeButton(keyPanel_, QStringLiteral("KeyDown"), QStringLiteral("Lower"),
                          QStringLiteral("Play the music a semitone lower"));
    keyUp_ = MakeButton(keyPanel_, QStringLiteral("KeyUp"), QStringLiteral("Higher"),
                        QStringLiteral("Play the music a semitone higher"));
    keyPanel_->hide();

    status_ = MakeLabel(this, {});
    status_->setObjectName(QStringLiteral("Status"));
    status_->setTextFormat(Qt::PlainText);
    status_->setAlignment(Qt::AlignCenter);
    status_->setWordWrap(true);

    batch_ = MakeLabel(this, {});
    batch_->setObjectName(QStringLiteral("Batch"));
    batch_->setTextFormat(Qt::PlainText);
    batch_->setAlignment(Qt::AlignCenter);
    batch_->hide();

    run_ = MakeButton(this, QStringLiteral("Runn"), QStringLiteral("Start"));
    rewind_ = MakeButton(this, QStringLiteral("Rewind"), QStringLiteral("Rewind"),
                         QStringLiteral("Click to rewind this song"));
    skip_ = MakeButton(this, QStringLiteral("Skip"), QStringLiteral("Skip"),
                       QStringLiteral("Click to skip this song"));
    abort_ = MakeButton(this, QStringLiteral("Abort"), QStringLiteral("Abort"),
                        QStringLiteral("Click to exit playback"));
    shrink_ = MakeButton(this, QStringLiteral("Shrink"), QStringLiteral("Shrink"));

    keyList_ = new QFrame(this);
    keyList_->setProperty("role", "panel");
    int row = 0;
    for (const tKeyHelp& help : kKeys) {
        QLabel* key = MakeLabel(keyList_, QString::fromLatin1(help.key), "key");
        QLabel* action = MakeLabel(keyList_, QString::fromLatin1(help.action));
        key->setGeometry(16, 8 + row * 21, 150, 20);
        action->setGeometry(172, 8 + row * 21, 380, 20);
        ++row;
    }

    connect(run_, &QPushButton::clicked, this, &TPlaybackControls::RunClicked);
    connect(rewind_, &QPushButton::clicked, this, [this] { Send(tPlaybackCommand::Rewind); });
    connect(skip_, &QPushButton::clicked, this, &TPlaybackControls::SkipClicked);
    connect(abort_, &QPushButton::clicked, this, &TPlaybackControls::AbortClicked);
    connect(faster_, &QPushButton::clicked, this, [this] { Send(tPlaybackCommand::Faster); });
    connect(slower_, &QPushButton::clicked, this, [this] { Send(tPlaybackCommand::Slower); });
    connect(keyUp_, &QPushButton::clicked, this, [this] { Send(tPlaybackCommand::KeyUp); });
    connect(keyDown_, &QPushButton::clicked, this, [this] { Send(tPlaybackCommand::KeyDown); });
    connect(shrink_, &QPushButton::clicked, this, &TPlaybackControls::ShrinkClicked);

    skip_->hide();
    ShowState(tPlaybackState::ShowingScreen);
    TranslateWindow(this);
    ApplyLayout();
}

TPlaybackControls::~TPlaybackControls() = default;

void TPlaybackControls::Send(std::optional<tPlaybackCommand> command) {
    if (command && OnCommand)
        OnCommand(*command);
}

void TPlaybackControls::RunClicked() { Send(runCommand_); }

void TPlaybackControls::AbortClicked() {
    // Hidden first, so that closing the window afterwards sends no second stop.
    abort_->hide();
    PlaceButtons();
    Send(tPlaybackCommand::Stop);
}

void TPlaybackControls::SkipClicked() {
    skip_->hide();
    PlaceButtons();
    Send(tPlaybackCommand::Skip);
}

void TPlaybackControls::ShrinkClicked() {
    tSettingsClass& settings = Settings();
    settings.ShrinkPlaybackControls = !settings.ShrinkPlaybackControls;
    const bool wasVisible = isVisible();
    ApplyLayout();
    if (wasVisible && !isVisible())
        show(); // changing the frame hides the window
    CentreOnRole(this, monitor_role::Control);
    settings.Save(*OpenSettingsStore());
}

void TPlaybackControls::ShowStatus(const QString& text) {
    status_->setText(text);
    status_->repaint();
}

void TPlaybackControls::ShowState(tPlaybackState state) {
    state_ = state;
    bool runVisible = true;
    bool rewindVisible = false;
    switch (state) {
    case tPlaybackState::WaitAfterFade:
    case tPlaybackState::WaitAfterTitle:
        run_->setText(Translate(QStringLiteral("Start")));
        runCommand_ = tPlaybackCommand::Continue;
        break;
    case tPlaybackState::StartingMedia:
    case tPlaybackState::Playing:
        run_->setText(Translate(QStringLiteral("Pause")));
        runCommand_ = tPlaybackCommand::Pause;
        rewindVisible = state == tPlaybackState::Playing;
        break;
    case tPlaybackState::Stepping:
        run_->setText(Translate(QStringLiteral("Next")));
        runCommand_ = tPlaybackCommand::Step;
        break;
    case tPlaybackState::Paused:
        run_->setText(Translate(QStringLiteral("Play")));
        runCommand_ = tPlaybackCommand::Play;
        rewindVisible = true;
        break;
    default: // the caption stays as it was
        runVisible = false;
        runCommand_ = std::nullopt;
        break;
    }
    run_->setVisible(runVisible);
    rewind_->setVisible(rewindVisible);
    PlaceButtons();
}

void TPlaybackControls::SetBatchMode(bool on) {
    batchMode_ = on;
    skip_->setVisible(on);
    const tProgramStatus& status = Status();
    const bool known = on && status.BatchCount > 0;
    batch_->setText(known
                        ? Translate(QStringLiteral("Song")) + " " + QString::number(status.BatchPosition) +
                              " " + Translate(QStringLiteral("of")) + " " + QString::number(status.BatchCount)
                        : QString());
    batch_->setVisible(known);
    PlaceButtons();
}

QString TPlaybackControls::BatchText() const { return batch_->isHidden() ? QString() : batch_->text(); }

void TPlaybackControls::SetSongDetails(const QString& album, const QString& artist, const QString& songName,
                                       const QString& year) {
    album_->setText(album);
    artist_->setText(artist);
    songName_->setText(songName);
    year_->setText(year);
}

void TPlaybackControls::SetPlayerLine(const QString& text) { player_->setText(text); }

void TPlaybackControls::SetTimeText(const QString& text) {
    if (time_->text() != text)
        time_->setText(text);
}

void TPlaybackControls::SetProgress(int maximum, int position) {
    // A bar with a maximum of 0 would show a busy indicator instead of an empty bar.
    progress_->setRange(0, std::max(1, maximum));
    progress_->setValue(std::clamp(position, 0, std::max(1, maximum)));
}

void TPlaybackControls::SetSpeedText(const QString& text) { speed_->setText(text); }

void TPlaybackControls::ShowSpeedPanel(bool visible) {
    speedPanelWanted_ = visible;
    speedPanel_->setVisible(visible);
}

void TPlaybackControls::SetKeyText(const QString& text) { key_->setText(text); }

void TPlaybackControls::ShowKeyPanel(bool visible) {
    keyPanelWanted_ = visible;
    keyPanel_->setVisible(visible);
}

QString TPlaybackControls::StatusText() const { return status_->text(); }
QString TPlaybackControls::TimeText() const { return time_->text(); }
QString TPlaybackControls::SpeedText() const { return speed_->text(); }
QString TPlaybackControls::KeyText() const { return key_->text(); }
QString TPlaybackControls::PlayerLine() const { return player_->text(); }

void TPlaybackControls::setVisible(bool visible) {
    if (visible && !isVisible()) {
        RefreshMonitorRoles();
        ApplyLayout();
    }
    QWidget::setVisible(visible);
    if (visible)
        CentreOnRole(this, monitor_role::Control);
}

void TPlaybackControls::SetFramelessFlag(bool frameless) {
    Qt::WindowFlags flags = Qt::Window | Qt::WindowStaysOnTopHint;
    if (frameless)
        flags |= Qt::FramelessWindowHint;
    if (windowFlags() != flags)
        setWindowFlags(flags);
}

void TPlaybackControls::ApplyLayout() {
    compact_ = Settings().ShrinkPlaybackControls;
    SetFramelessFlag(compact_);
    if (compact_) {
        LayOutCompact();
    } else {
        LayOutFull();
    }
    PlaceButtons();
    update();
}

void TPlaybackControls::LayOutFull() {
    clearMask();
    setMinimumSize(kFullMinWidth, kFullMinHeight);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const int width = 600;
    resize(width, 490);
    shrink_->setText(Translate(QStringLiteral("Shrink")));
    shrink_->setToolTip(Translate(QStringLiteral("Make this window small")));

    details_->show();
    details_->setGeometry(12, 12, width - 24, 106);
    const int captionWidth = 70;
    const int valueWidth = details_->width() - captionWidth - 30;
    songCaption_->setGeometry(14, 10, captionWidth, 26);
    songName_->setGeometry(14 + captionWidth + 8, 8, valueWidth, 30);
    artistCaption_->setGeometry(14, 42, captionWidth, 18);
    artist_->setGeometry(14 + captionWidth + 8, 42, valueWidth, 18);
    albumCaption_->setGeometry(14, 62, captionWidth, 18);
    album_->setGeometry(14 + captionWidth + 8, 62, valueWidth, 18);
    yearCaption_->setGeometry(14, 82, captionWidth, 18);
    year_->setGeometry(14 + captionWidth + 8, 82, valueWidth, 18);

    playerCaption_->show();
    player_->show();
    playerCaption_->setGeometry(18, 128, 70, 20);
    player_->setGeometry(96, 128, width - 114, 20);
    progressCaption_->show();
    progressCaption_->setGeometry(18, 154, 260, 20);
    time_->setGeometry(width - 200, 154, 182, 20);
    progress_->setGeometry(18, 178, width - 36, 18);
    batch_->setGeometry(width / 2 - 80, 154, 160, 20);

    // Tempo on the left half of the row, the key on the right.
    const int half = (width - 36) / 2;
    speedPanel_->setGeometry(12, 204, half, 40);
    keyPanel_->setGeometry(24 + half, 204, half, 40);
    LayOutStepPanels(true, 80);

    status_->setGeometry(12, 252, width - 24, 34);
    buttonRow_ = QRect(12, 296, width - 24, 34);
    keyList_->show();
    keyList_->setGeometry(12, 342, width - 24, 138);
}

void TPlaybackControls::LayOutCompact() {
    const QSize size = BubbleWindowSize();
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(size);
    setMask(BubbleRegion());
    shrink_->setText(Translate(QStringLiteral("Expand")));
    shrink_->setToolTip(Translate(QStringLiteral("Show the whole window")));

    details_->hide();
    playerCaption_->hide();
    player_->hide();
    progressCaption_->hide();
    keyList_->hide();

    // The small bubble holds the name and the layout button, the large one everything else.
    shrink_->setGeometry(8, 84, 68, 28);
    status_->setGeometry(106, 76, 350, 46);
    progress_->setGeometry(112, 131, 226, 14);
    time_->setGeometry(344, 127, 112, 22);
    buttonRow_ = QRect(100, 158, 362, 32);
    batch_->setGeometry(12, 54, 168, 24);

    speedPanel_->setGeometry(100, 202, 180, 36);
    keyPanel_->setGeometry(284, 202, 180, 36);
    LayOutStepPanels(false, 84);
}

// The tempo and key panels, each a caption, its value and a down and an up button at its right.
void TPlaybackControls::LayOutStepPanels(bool withCaptions, int buttonWidth) {
    for (auto [panel, caption, value, down, up] :
         {std::tuple(speedPanel_, tempoCaption_, speed_, slower_, faster_),
          std::tuple(keyPanel_, keyCaption_, key_, keyDown_, keyUp_)}) {
        caption->setVisible(withCaptions);
        value->setVisible(withCaptions);
        caption->setGeometry(6, 10, 56, 20);
        value->setGeometry(62, 10, 48, 20);
        const int top = (panel->height() - 30) / 2;
        down->setGeometry(panel->width() - 2 * (buttonWidth + 4), top, buttonWidth, 30);
        up->setGeometry(panel->width() - (buttonWidth + 4), top, buttonWidth, 30);
    }
    speedPanel_->setVisible(speedPanelWanted_);
    keyPanel_->setVisible(keyPanelWanted_);
}

void TPlaybackControls::PlaceButtons() {
    std::vector<QPushButton*> row;
    for (QPushButton* button : {run_, rewind_, skip_, abort_}) {
        if (!button->isHidden())
            row.push_back(button);
    }
    if (!compact_)
        row.push_back(shrink_);
    if (row.empty() || buttonRow_.isEmpty())
        return;
    const int spacing = 8;
    const int count = int(row.size());
    const int buttonWidth = std::min(110, (buttonRow_.width() - spacing * (count - 1)) / count);
    int x = buttonRow_.left() + (buttonRow_.width() - (buttonWidth * count + spacing * (count - 1))) / 2;
    for (QPushButton* button : row) {
        button->setGeometry(x, buttonRow_.top(), buttonWidth, buttonRow_.height());
        x += buttonWidth + spacing;
    }
}

void TPlaybackControls::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!compact_) {
        QLinearGradient background(0, 0, 0, height());
        background.setColorAt(0, QColor(34, 22, 62));
        background.setColorAt(1, QColor(10, 8, 20));
        p.fillRect(rect(), background);
        return;
    }
    p.fillRect(rect(), QColor(10, 8, 20));
    QLinearGradient bubble(0, 0, 0, height());
    bubble.setColorAt(0, QColor(62, 38, 112));
    bubble.setColorAt(1, QColor(16, 10, 34));
    p.setPen(QPen(QColor(255, 92, 176), 2));
    p.setBrush(bubble);
    p.drawPath(BubblePath());

    QFont font = p.font();
    font.setPixelSize(30);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(12, 12, 168, 44), Qt::AlignCenter, QStringLiteral("Lyrimo"));
}

void TPlaybackControls::closeEvent(QCloseEvent* event) {
    if (!abort_->isHidden())
        Send(tPlaybackCommand::Stop);
    QWidget::closeEvent(event);
}

void TPlaybackControls::keyPressEvent(QKeyEvent* event) {
    if (OnKey) {
        OnKey(event);
    } else {
        QWidget::keyPressEvent(event);
    }
}

void TPlaybackControls::mousePressEvent(QMouseEvent* event) {
    // The compact window has no title bar; it is moved by dragging the bubble.
    if (compact_ && event->button() == Qt::LeftButton) {
        dragOffset_ = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}

void TPlaybackControls::mouseMoveEvent(QMouseEvent* event) {
    if (compact_ && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - dragOffset_);
        event->accept();
        return;
    }
    QWidget::mouseMoveEvent(event);
}

} // namespace lyrimo
