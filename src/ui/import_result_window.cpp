#include "ui/import_result_window.h"

#include "app/app_services.h"
#include "ui/message_box.h"

#include <QApplication>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace lyrimo {

TImportResultWnd::TImportResultWnd(const QString& text, bool doNotShow, QWidget* parent) : QDialog(parent) {
    setWindowTitle("Lyrimo - " + Translate("Import Sucessful"));

    auto* icon = new QLabel;
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation, nullptr, this).pixmap(iconSize));
    icon->setAlignment(Qt::AlignTop);

    heading_ = new QLabel(Translate("File import was sucessful!!!"));
    QFont bold = heading_->font();
    bold.setBold(true);
    heading_->setFont(bold);
    body_ = new QLabel(text);
    body_->setTextFormat(Qt::PlainText);
    body_->setWordWrap(true);
    body_->setMinimumWidth(360);

    doNotShow_ = new QCheckBox(Translate("Don't show this message for files of this type in future"));
    doNotShow_->setChecked(doNotShow);
    auto* ok = new QPushButton(Translate("&OK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(heading_);
    texts->addWidget(body_);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(doNotShow_, 1);
    bottom->addWidget(ok);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(bottom);
}

bool TImportResultWnd::DoNotShow() const { return doNotShow_->isChecked(); }
QString TImportResultWnd::HeadingText() const { return heading_->text(); }
QString TImportResultWnd::BodyText() const { return body_->text(); }

void TImportResultWnd::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    QApplication::beep();
}

bool ShowImportResultWindow(const QString& text, bool doNotShow, QWidget* parent) {
    TImportResultWnd window(text, doNotShow, parent);
    PlaceForPlayback(&window);
    window.exec();
    return window.DoNotShow();
}

} // namespace lyrimo
