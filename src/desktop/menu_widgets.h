// The drawn pieces of the main menu and the about window: the logo and the numbered buttons.
#pragma once

#include <QPushButton>
#include <QWidget>

namespace lyrimo {

// "Lyrimo" in large letters with a ball bouncing over them, drawn with code.
class TLyrimoLogo : public QWidget {
    Q_OBJECT

public:
    explicit TLyrimoLogo(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A large button that shows its key number in a badge beside the caption.
class TMenuButton : public QPushButton {
    Q_OBJECT

public:
    TMenuButton(int number, const QString& caption, QWidget* parent = nullptr);
    int Number() const { return number_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int number_;
};

// The colours and shapes of the menu's windows.
QString MenuStyleSheet();

} // namespace lyrimo
