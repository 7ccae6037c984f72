#include "ui/template_windows.h"

#include "app/app_services.h"
#include "app/settings.h"
#include "document/import_template.h"
#include "ui/message_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace lyrimo {
namespace {

QLabel* Heading(const QString& text) {
    auto* heading = new QLabel(text);
    heading->setWordWrap(true);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    return heading;
}

QPushButton* DialogButton(const QString& caption) {
    auto* button = new QPushButton(caption);
    button->setAutoDefault(false);
    return button;
}

} // namespace

TChooseTemplateWnd::TChooseTemplateWnd(const QStringList& templates, const QString& prompt, bool allowCancel,
                                       QWidget* parent)
    : QDialog(parent), allowCancel_(allowCancel) {
    setWindowTitle(prompt);
    heading_ = Heading(prompt);

    list_ = new QListWidget;
    list_->addItems(templates);
    const QList<QListWidgetItem*> defaults = list_->findItems(kDefaultTemplateName, Qt::MatchExactly);
    if (!defaults.isEmpty())
        list_->setCurrentItem(defaults.first());
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    ok_ = DialogButton(Translate("OK"));
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    // OK stands at the right end either way, where Cancel would otherwise be.
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    if (allowCancel_) {
        cancel_ = DialogButton(Translate("Cancel"));
        connect(cancel_, &QPushButton::clicked, this, &TChooseTemplateWnd::reject);
        buttons->addWidget(cancel_);
    }

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    setMinimumSize(320, 260);
}

tTemplateChoice TChooseTemplateWnd::Choice() const {
    const QListWidgetItem* current = list_->currentItem();
    const bool selected = current && current->isSelected();
    return {selected ? current->text() : kDefaultTemplateName, cancelled_};
}

QString TChooseTemplateWnd::HeadingText() const { return heading_->text(); }

void TChooseTemplateWnd::reject() {
    if (!allowCancel_) {
        accept();
        return;
    }
    cancelled_ = true;
    QDialog::reject();
}

tTemplateChoice ChooseTemplate(const QString& prompt, bool allowCancel, QWidget* parent) {
    TChooseTemplateWnd window(ListTemplates(*OpenSettingsStore(), true), prompt, allowCancel, parent);
    window.adjustSize();
    PlaceForPlayback(&window);
    window.exec();
    tTemplateChoice choice = window.Choice();
    if (choice.cancelled)
        choice.name = kDefaultTemplateName;
    return choice;
}

TSaveTemplateWnd::TSaveTemplateWnd(const tLyrimoData& song, QSettings& store, QWidget* parent)
    : QDialog(parent), song_(song), store_(store) {
    setWindowTitle(Translate("Lyrimo - Save As Import Template To..."));
    heading_ = Heading(Translate("Save current Lyrimo file as Import Template as:"));

    name_ = new QLineEdit;
    list_ = new QListWidget;
    FillList();
    connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
        if (item)
            name_->setText(item->text());
        delete_->setEnabled(item != nullptr);
    });
    connect(list_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { name_->setText(item->text()); });

    ok_ = DialogButton(Translate("OK"));
    ok_->setDefault(true);
    cancel_ = DialogButton(Translate("Cancel"));
    delete_ = DialogButton(Translate("Delete"));
    delete_->setEnabled(false);
    connect(ok_, &QPushButton::clicked, this, &TSaveTemplateWnd::OkClicked);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(delete_, &QPushButton::clicked, this, &TSaveTemplateWnd::DeleteClicked);
    connect(name_, &QLineEdit::returnPressed, this, &TSaveTemplateWnd::OkClicked);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(delete_);
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading_);
    layout->addWidget(name_);
    layout->addWidget(new QLabel(Translate("Existing templates:")));
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    setMinimumSize(360, 300);
}

void TSaveTemplateWnd::FillList() {
    list_->clear();
    list_->addItems(ListTemplates(store_, false));
}

QString TSaveTemplateWnd::HeadingText() const { return heading_->text(); }

void TSaveTemplateWnd::OkClicked() {
    const QString name = name_->text().trimmed();
    const QString title = Translate("Save Template");
    if (name.isEmpty()) {
        App().MessageBox(Translate("You have not entered a name for this template") + ".", title,
                         mb::Ok | mb::IconWarning);
        return;
    }
    if (name == kDefaultTemplateName) {
        App().MessageBox(Translate("You can't overwrite this template, please enter a different name") + ".",
                         title, mb::Ok | mb::IconWarning);
        return;
    }
    if (TemplateExists(store_, name) &&
        App().MessageBox(
            Translate("A template with this name already exists, would you like to overwrite it?"),
            Translate("Overrwrite Template"), mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return;
    if (!SaveTemplate(store_, name, song_))
        return;
    store_.sync();
    saved_ = name;
    accept();
}

void TSaveTemplateWnd::DeleteClicked() {
    QListWidgetItem* item = list_->currentItem();
    if (!item)
        return;
    if (App().MessageBox(Translate("Delete this template? Are you sure?"), Translate("Delete Template"),
                         mb::OkCancel | mb::IconQuestion) != mb::IdOk)
        return;
    const QString name = item->text();
    DeleteTemplate(store_, name);
    store_.sync();
    {
        // The next template becoming current is no choice of the user's.
        const QSignalBlocker quiet(list_);
        delete list_->takeItem(list_->row(item));
        list_->setCurrentItem(nullptr);
    }
    delete_->setEnabled(false);
    if (name_->text().trimmed() == name)
        name_->clear();
}

bool SaveSongAsTemplate(const tLyrimoData& song, QWidget* parent) {
    const std::unique_ptr<QSettings> store = OpenSettingsStore();
    TSaveTemplateWnd window(song, *store, parent);
    window.adjustSize();
    PlaceForPlayback(&window);
    window.exec();
    return !window.SavedName().isEmpty();
}

} // namespace lyrimo
