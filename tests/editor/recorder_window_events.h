// Synthetic pointer and key events for the recorder windows' tests, and pictures of the windows
// for the folder named by LYRIMO_SHOTS_DIR.
#pragma once

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace lyrimo::test {

inline void SendMouse(QWidget& target, QEvent::Type type, QPoint at, Qt::MouseButton button,
                      Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(target.mapToGlobal(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&target, &event);
}

inline void Move(QWidget& target, QPoint at, bool held) {
    SendMouse(target, QEvent::MouseMove, at, Qt::NoButton, held ? Qt::LeftButton : Qt::NoButton);
}
inline void Press(QWidget& target, QPoint at) {
    SendMouse(target, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
}
inline void Release(QWidget& target, QPoint at) {
    SendMouse(target, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
}

inline void Key(QWidget& target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&target, &press);
}

inline void SaveShot(QWidget& window, const QString& name) {
    const QString folder = qEnvironmentVariable("LYRIMO_SHOTS_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    window.grab().save(folder + "/" + name + ".png");
}

} // namespace lyrimo::test
