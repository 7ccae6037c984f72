// The tip-of-the-day and about windows of the main menu.
#pragma once

#include <QDialog>
#include <QString>

#include <vector>

class QCheckBox;
class QLabel;

namespace lyrimo {

// A tip: a sentence, translated when shown, and an example command that never is.
struct tTip {
    const char* text;
    const char* example = nullptr;
};

// The tips, in the order they are shown.
const std::vector<tTip>& Tips();
// The tip as the window shows it: the translated text, then the example on its own line.
QString TipText(int index);

// Shows one tip at a time, starting at the "Tips Index" setting; the next start shows the
// tip after the last one seen. The check box is the "Tips Enabled" setting.
class TTipOfDayWnd : public QDialog {
    Q_OBJECT

public:
    explicit TTipOfDayWnd(QWidget* parent = nullptr);

    int ShownTip() const { return shown_; }
    QString TipText() const;
    QCheckBox* ShowAtStartBox() const { return showAtStart_; }
    void NextTip();

    void done(int result) override;

private:
    void ShowTip(int index);

    QLabel* tip_ = nullptr;
    QCheckBox* showAtStart_ = nullptr;
    int shown_ = 0;
};

class TAboutWnd : public QDialog {
    Q_OBJECT

public:
    explicit TAboutWnd(QWidget* parent = nullptr);
};

} // namespace lyrimo
