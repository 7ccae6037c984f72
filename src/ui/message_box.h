// The program's own message box: a text, a title and a flags word whose low four bits
// choose the buttons and whose next four bits choose the icon; the result is the
// identifier of the button pressed (see mb:: in app/app_services.h).
#pragma once

#include <QDialog>
#include <QList>
#include <QPoint>
#include <QString>

#include <array>

class QLabel;
class QPushButton;
class QScreen;

namespace lyrimo {

struct tBoxButton {
    const char* caption = nullptr; // untranslated; nullptr leaves the place empty
    int result = 0;
};

// The buttons (left, middle, right) of a flags word and what Escape and Enter give.
struct tBoxLayout {
    std::array<tBoxButton, 3> buttons;
    int escapeResult = 0;
    int enterResult = 0;
};

tBoxLayout BoxLayoutFor(int flags);

class TMessageBox : public QDialog {
    Q_OBJECT

public:
    TMessageBox(const QString& text, const QString& title, int flags, QWidget* parent = nullptr);

    // The buttons shown, left to right.
    QList<QPushButton*> VisibleButtons() const { return buttons_; }
    QString HeadingText() const;
    QString BodyText() const;

    // Closing the window counts as Escape.
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddButton(const tBoxButton& button);
    bool PressButtonStartingWith(const QString& letter);

    tBoxLayout layout_;
    QLabel* heading_ = nullptr;
    QLabel* body_ = nullptr;
    QList<QPushButton*> buttons_;
    bool dragging_ = false;
    QPoint dragOffset_;
};

// Shows the box modally and returns the identifier of the button pressed. While a song
// plays the box appears on the playback screen.
int ShowMessageBox(const QString& text, const QString& title, int flags);

// The screen songs are played on; the primary screen until one is chosen.
void SetPlaybackScreen(QScreen* screen);
QScreen* PlaybackScreen();

// Centres a window on the playback screen while a song plays; otherwise leaves it alone.
void PlaceForPlayback(QWidget* window);

} // namespace lyrimo
