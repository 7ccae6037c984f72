// The main menu: nine activities on numbered buttons (keys 1 to 9 anywhere in the window),
// a help button, the version line and a status line that shows the hint of the button under
// the pointer. Songs dropped on it are played at once.
#pragma once

#include "desktop/shell_actions.h"

#include <QPoint>
#include <QRect>
#include <QWidget>

#include <array>
#include <functional>

class QLabel;
class QPushButton;

namespace lyrimo {

class TMenuButton;

class TMainMenu : public QWidget {
    Q_OBJECT

public:
    static constexpr int kActivityCount = 9;

    explicit TMainMenu(tShellSteps steps = StandardShellSteps(), QWidget* parent = nullptr);
    ~TMainMenu() override;

    // The button of key 1 to 9; nullptr for any other number.
    QPushButton* ActivityButton(int key) const;
    QPushButton* HelpButton() const { return help_; }
    QString StatusText() const;
    QString VersionText() const;
    bool BetaShown() const;
    QString HelpFile() const { return helpFile_; }

    // What each button starts, index 0 for key 1. Replaceable, so the menu can be driven
    // without opening the real windows.
    std::array<std::function<void()>, kActivityCount> Activities;
    tShellSteps& Steps() { return steps_; }

    // While an activity replaces the menu the window is out of sight and disabled;
    // Restore puts back its place, size and enabled state.
    void Collapse();
    void Restore();
    bool IsCollapsed() const { return collapsed_; }

    // The files of a drop; only the first counts.
    void HandleDrop(const QStringList& files);

signals:
    void Closed();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildLayout();
    void StandardActivities();
    void PlayLoopActivity();
    void OpenHelp();
    void ShowStatus(const QString& text);
    void StartMoving(const QPoint& globalPos);

    tShellSteps steps_;
    std::array<TMenuButton*, kActivityCount> buttons_{};
    QPushButton* help_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* version_ = nullptr;
    QLabel* beta_ = nullptr;
    QString helpFile_;

    bool collapsed_ = false;
    QRect savedGeometry_;
    bool savedEnabled_ = true;
    bool savedVisible_ = false;

    bool moving_ = false;
    QPoint moveOffset_;
};

// Collapses the menu for the life of the scope.
class tMenuCollapsed {
public:
    explicit tMenuCollapsed(TMainMenu& menu) : menu_(menu) { menu_.Collapse(); }
    ~tMenuCollapsed() { menu_.Restore(); }
    tMenuCollapsed(const tMenuCollapsed&) = delete;
    tMenuCollapsed& operator=(const tMenuCollapsed&) = delete;

private:
    TMainMenu& menu_;
};

// Tells the user that an activity is not part of this version.
void ShowNotAvailable();

} // namespace lyrimo
