#include "ui/program_style.h"

#include <QApplication>
#include <QPalette>
#include <QString>
#include <QStyleFactory>

namespace lyrimo {

QPalette ProgramPalette() {
    using namespace program_colour;
    QPalette palette;
    auto set = [&](QPalette::ColorRole role, const char* colour) { palette.setColor(role, QColor(colour)); };
    set(QPalette::Window, Window);
    set(QPalette::WindowText, Text);
    set(QPalette::Base, Deep);
    set(QPalette::AlternateBase, Panel);
    set(QPalette::ToolTipBase, Panel);
    set(QPalette::ToolTipText, Text);
    set(QPalette::PlaceholderText, MutedText);
    set(QPalette::Text, Text);
    set(QPalette::Button, Button);
    set(QPalette::ButtonText, Text);
    set(QPalette::BrightText, Accent);
    set(QPalette::Highlight, Border);
    set(QPalette::HighlightedText, "#ffffff");
    set(QPalette::Link, Accent);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(MutedText));
    return palette;
}

QString ProgramStyleSheet() {
    return QString(R"(
QDialog, QMessageBox { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2b1055, stop:1 %1); }
QPushButton {
    color: white; border: 1px solid %2; border-radius: 8px; padding: 5px 16px; background: %3;
}
QPushButton:hover { background: #4d2790; }
QPushButton:pressed { background: #2a1250; }
QPushButton:default { border: 2px solid %4; }
QPushButton:disabled { color: %5; border-color: #443a5c; background: #221a3a; }
QGroupBox { border: 1px solid #5a3d8c; border-radius: 8px; margin-top: 12px; padding-top: 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 10px; padding: 0 4px; color: %4; font-weight: bold; }
QTabWidget::pane { border: 1px solid #5a3d8c; border-radius: 6px; top: -1px; }
QTabBar::tab { background: #221a3a; color: #cfc4ea; border: 1px solid #5a3d8c; padding: 5px 12px;
               border-top-left-radius: 6px; border-top-right-radius: 6px; }
QTabBar::tab:selected { background: %3; color: white; }
QLineEdit, QSpinBox, QComboBox, QListWidget, QTreeWidget {
    background: %1; color: %6; border: 1px solid #5a3d8c; border-radius: 5px; padding: 3px;
    selection-background-color: %2;
}
QLineEdit:focus, QSpinBox:focus, QComboBox:focus, QListWidget:focus, QTreeWidget:focus { border-color: %4; }
QAbstractItemView::indicator:unchecked { border: 1px solid %2; border-radius: 3px; background: %1; }
QProgressBar { border: 1px solid #5a3d8c; border-radius: 5px; background: %1; color: %6; text-align: center; }
QProgressBar::chunk { border-radius: 4px; background: %2; }
QToolTip { background: #2b1d4d; color: %6; border: 1px solid %2; }
)")
        .arg(program_colour::Deep, program_colour::Border, program_colour::Button, program_colour::Accent,
             program_colour::MutedText, program_colour::Text);
}

void ApplyProgramStyle(QApplication& application) {
    // Fusion draws every control from the palette, so the look is the same on every desktop.
    if (QStyle* fusion = QStyleFactory::create("Fusion"))
        application.setStyle(fusion);
    application.setPalette(ProgramPalette());
    application.setStyleSheet(ProgramStyleSheet());
}

} // namespace lyrimo
