#include "ui/message_box.h"

#include "app/app_services.h"

#include <QApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

QPointer<QScreen> g_playbackScreen;

constexpr tBoxButton kOk{"OK", mb::IdOk}, kCancel{"Cancel", mb::IdCancel}, kAbort{"Abort", mb::IdAbort},
    kRetry{"Retry", mb::IdRetry}, kIgnore{"Ignore", mb::IdIgnore}, kYes{"Yes", mb::IdYes},
    kNo{"No", mb::IdNo};
constexpr tBoxButton kNone{};

QStyle::StandardPixmap IconFor(int flags) {
    switch (flags & 0xF0) {
    case mb::IconStop: return QStyle::SP_MessageBoxCritical;
    case mb::IconQuestion: return QStyle::SP_MessageBoxQuestion;
    case mb::IconWarning: return QStyle::SP_MessageBoxWarning;
    default: return QStyle::SP_MessageBoxInformation;
    }
}

// The letter a key press types, in upper case ("" for keys that type none).
QString TypedLetter(const QKeyEvent& event) {
    QString typed = event.text();
    if (typed.isEmpty() && event.key() >= Qt::Key_A && event.key() <= Qt::Key_Z)
        typed = QChar(event.key()); // Alt+letter types nothing but still names the letter
    return typed.left(1).toUpper();
}

} // namespace

tBoxLayout BoxLayoutFor(int flags) {
    switch (flags & 0x0F) {
    case mb::OkCancel: return {{kNone, kOk, kCancel}, mb::IdCancel, mb::IdOk};
    case mb::AbortRetryIgnore: return {{kAbort, kRetry, kIgnore}, mb::IdAbort, mb::IdRetry};
    case mb::YesNoCancel: return {{kYes, kNo, kCancel}, mb::IdCancel, mb::IdYes};
    case mb::YesNo: return {{kNone, kYes, kNo}, mb::IdNo, mb::IdYes};
    case mb::RetryCancel: return {{kNone, kRetry, kCancel}, mb::IdCancel, mb::IdRetry};
    default: return {{kNone, kNone, kOk}, mb::IdOk, mb::IdOk};
    }
}

TMessageBox::TMessageBox(const QString& text, const QString& title, int flags, QWidget* parent)
    : QDialog(parent), layout_(BoxLayoutFor(flags)) {
    setWindowTitle(title);
    setModal(true);

    heading_ = new QLabel(title);
    QFont headingFont = heading_->font();
    headingFont.setBold(true);
    headingFont.setPointSizeF(headingFont.pointSizeF() * 1.25);
    heading_->setFont(headingFont);

    auto* icon = new QLabel;
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(IconFor(flags), nullptr, this).pixmap(iconSize, iconSize));
    icon->setAlignment(Qt::AlignTop);

    body_ = new QLabel(text);
    body_->setWordWrap(true);
    body_->setTextFormat(Qt::PlainText);

    auto* message = new QHBoxLayout;
    message->addWidget(icon);
    message->addWidget(body_, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (const tBoxButton& button : layout_.buttons)
        if (button.caption)
            AddButton(button);

    auto* main = new QVBoxLayout(this);
    main->addWidget(heading_);
    main->addLayout(message);
    main->addLayout(row);
    for (QPushButton* button : buttons_)
        row->addWidget(button);

    heading_->installEventFilter(this);
    body_->installEventFilter(this);
    setFocusPolicy(Qt::StrongFocus);
}

void TMessageBox::AddButton(const tBoxButton& button) {
    auto* push = new QPushButton(Translate(button.caption));
    // The keys belong to the box: Enter and Escape give the table's results whatever was clicked last.
    push->setFocusPolicy(Qt::NoFocus);
    push->setAutoDefault(false);
    const int result = button.result;
    connect(push, &QPushButton::clicked, this, [this, result] { done(result); });
    buttons_ << push;
}

QString TMessageBox::HeadingText() const { return heading_->text(); }
QString TMessageBox::BodyText() const { return body_->text(); }

void TMessageBox::reject() { done(layout_.escapeResult); }

bool TMessageBox::PressButtonStartingWith(const QString& letter) {
    for (QPushButton* button : buttons_) {
        if (button->text().left(1).toUpper() == letter) {
            button->click();
            return true;
        }
    }
    return false;
}

void TMessageBox::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape: reject(); return;
    case Qt::Key_Return:
    case Qt::Key_Enter: done(layout_.enterResult); return;
    default: break;
    }
    const QString letter = TypedLetter(*event);
    if (!letter.isEmpty() && letter[0].isLetter() && PressButtonStartingWith(letter))
        return;
    QDialog::keyPressEvent(event);
}

void TMessageBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QApplication::beep();
}

bool TMessageBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched != heading_ && watched != body_)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() != Qt::LeftButton)
            break;
        dragging_ = true;
        dragOffset_ = mouse->globalPosition().toPoint() - pos();
        return true;
    }
    case QEvent::MouseMove:
        if (dragging_) {
            move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset_);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (dragging_) {
            dragging_ = false;
            return true;
        }
        break;
    default: break;
    }
    return QDialog::eventFilter(watched, event);
}

int ShowMessageBox(const QString& text, const QString& title, int flags) {
    TMessageBox box(text, title, flags, QApplication::activeWindow());
    box.adjustSize();
    PlaceForPlayback(&box);
    return box.exec();
}

void SetPlaybackScreen(QScreen* screen) { g_playbackScreen = screen; }

QScreen* PlaybackScreen() {
    return g_playbackScreen ? g_playbackScreen.data() : QGuiApplication::primaryScreen();
}

void PlaceForPlayback(QWidget* window) {
    QScreen* screen = PlaybackScreen();
    if (!Status().Playing || !screen)
        return;
    window->setScreen(screen);
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace lyrimo
