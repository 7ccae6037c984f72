#include "desktop/info_windows.h"

#include "app/app_services.h"
#include "desktop/menu_widgets.h"
#include "desktop/shell_actions.h"
#include "ui/translate_window.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lyrimo {

const std::vector<tTip>& Tips() {
    static const std::vector<tTip> tips = {
        {"Press the keys 1 to 9 in the main menu to start its activities without the mouse; the number "
         "of each activity is shown on its button."},
        {"Drop a song file (.lym) from your file manager onto the main menu to play it straight away."},
        {"Songs can be played from a terminal or from a file manager's \"Open with\" command:",
         "lyrimo \"My Song.lym\" /PLAY"},
        {"A song can carry its music inside the song file, so one .lym file is all you need to take to "
         "the party."},
        {"With two monitors connected, the lyrics can be shown on one while the playback controls stay on "
         "the other."},
        {"While a song plays, the controls window lets you pause, rewind, skip to the next song or change "
         "the "
         "speed."},
        {"MIDI karaoke (.kar), LRC and KOK files can be turned into songs from a terminal:",
         "lyrimo-cli convert song.kar song.lym"},
        {"The lyrics and timings of a song can be written as an LRC file that other players understand:",
         "lyrimo-cli export-lrc song.lym song.lrc"},
    };
    return tips;
}

QString TipText(int index) {
    const tTip& tip = Tips().at(size_t(index));
    QString text = Translate(tip.text);
    if (tip.example)
        text += QString("\n\n    ") + tip.example;
    return text;
}

TTipOfDayWnd::TTipOfDayWnd(QWidget* parent) : QDialog(parent) {
    setWindowTitle("Tip of the day");
    setStyleSheet(MenuStyleSheet());
    setMinimumWidth(460);

    auto* heading = new QLabel("Did you know...");
    QFont headingFont = heading->font();
    headingFont.setPointSize(headingFont.pointSize() + 6);
    headingFont.setBold(true);
    heading->setFont(headingFont);

    tip_ = new QLabel;
    tip_->setObjectName("TipText");
    tip_->setWordWrap(true);
    tip_->setTextFormat(Qt::PlainText);
    tip_->setMinimumHeight(90);
    tip_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    showAtStart_ = new QCheckBox("Show tips when Lyrimo starts");
    showAtStart_->setChecked(Settings().TipsEnabled);
    connect(showAtStart_, &QCheckBox::toggled, this, [](bool on) { Settings().TipsEnabled = on; });

    auto* next = new QPushButton("Next Tip");
    auto* close = new QPushButton("Close");
    close->setDefault(true);
    connect(next, &QPushButton::clicked, this, &TTipOfDayWnd::NextTip);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(showAtStart_);
    buttons->addStretch();
    buttons->addWidget(next);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(tip_, 1);
    layout->addLayout(buttons);

    TranslateWindow(this);
    ShowTip(Settings().TipsIndex);
}

QString TTipOfDayWnd::TipText() const { return tip_->text(); }

void TTipOfDayWnd::NextTip() { ShowTip(shown_ + 1); }

void TTipOfDayWnd::ShowTip(int index) {
    const int count = int(Tips().size());
    // A stored index from another version may lie outside the list, or be negative.
    shown_ = ((index % count) + count) % count;
    tip_->setText(lyrimo::TipText(shown_));
}

void TTipOfDayWnd::done(int result) {
    Settings().TipsIndex = (shown_ + 1) % int(Tips().size());
    QDialog::done(result);
}

TAboutWnd::TAboutWnd(QWidget* parent) : QDialog(parent) {
    setWindowTitle("About Lyrimo");
    setStyleSheet(MenuStyleSheet());

    auto* title = new QLabel(kApplicationTitle);
    title->setAlignment(Qt::AlignCenter);
    QFont titleFont = title->font();
    titleFont.setPointSize(titleFont.pointSize() + 3);
    titleFont.setBold(true);
    title->setFont(titleFont);

    auto* about =
        new QLabel("Create karaoke songs with timed lyrics, fonts, colours, pictures and a bouncing "
                   "ball, and play them full screen with music, video or a slide show.");
    about->setWordWrap(true);
    about->setAlignment(Qt::AlignCenter);

    auto* version = new QLabel(VersionLine());
    version->setObjectName("VersionLine");
    version->setAlignment(Qt::AlignCenter);
    auto* toolkit = new QLabel(QString("Qt %1").arg(qVersion()));
    toolkit->setObjectName("VersionLine");
    toolkit->setAlignment(Qt::AlignCenter);

    auto* close = new QPushButton("Close");
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new TLyrimoLogo);
    layout->addWidget(title);
    layout->addWidget(about);
    layout->addWidget(version);
    layout->addWidget(toolkit);
    layout->addWidget(close, 0, Qt::AlignCenter);
    setMinimumWidth(440);

    TranslateWindow(this);
    // The version line is translated already; set it again in case the sweep touched it.
    version->setText(VersionLine());
    toolkit->setText(QString("Qt %1").arg(qVersion()));
}

} // namespace lyrimo
