// The window that tells of a successful import, with a check box to stop it appearing for
// files of that type.
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;

namespace lyrimo {

class TImportResultWnd : public QDialog {
    Q_OBJECT

public:
    TImportResultWnd(const QString& text, bool doNotShow, QWidget* parent = nullptr);

    bool DoNotShow() const;
    QString HeadingText() const;
    QString BodyText() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* heading_ = nullptr;
    QLabel* body_ = nullptr;
    QCheckBox* doNotShow_ = nullptr;
};

// Shows the window modally and returns the state of its check box when it closes.
bool ShowImportResultWindow(const QString& text, bool doNotShow, QWidget* parent = nullptr);

} // namespace lyrimo
