#include "ui/translate_window.h"

#include "app/translation.h"
#include "test_support.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Failing comparisons show the texts readably.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace lyrimo {
namespace {

// "Datei" and "Allgemein" are keys too: a text translated twice would come out as "Kette".
const QByteArray kGerman = "[Info]\nFontSize=2\n[translation]\n"
                           "Sample Window=Beispielfenster\nTitle=Titel\nOpen=\xD6"
                           "ffnen\nShows help=Zeigt Hilfe\nRemember me=Merken\nLoud=Laut\n"
                           "Options=Optionen\nGeneral=Allgemein\nFirst item=Erster Eintrag\nSmall=Klein\n"
                           "Large=Gro\xDF\nColumn=Spalte\nChild=Kind\nRow=Zeile\nFile=Datei\n"
                           "Recent files=Zuletzt ge\xF6"
                           "ffnet\nClear list=Liste leeren\nChoose a song=W\xE4hle ein Lied\n"
                           "Look in=Schau in\nBold=Fett\nDatei=Kette\nAllgemein=Kette\n";

const QByteArray kDutch = "[translation]\nSample Window=Voorbeeldvenster\nFile=Bestand\nGeneral=Algemeen\n"
                          "Small=Klein\n";

// A window with one of every kind of widget the sweep knows.
struct tSampleWindow {
    tSampleWindow() {
        window.setWindowTitle("Sample Window");
        plainLabel = new QLabel("Speed=fast", &window);
        buddyLabel = new QLabel("&Title:", &window);
        buddyLabel->setBuddy(new QLineEdit(&window));
        richLabel = new QLabel("<b>Bold</b> <a href=\"x\">Open</a>", &window);
        button = new QPushButton("&Open", &window);
        button->setToolTip("Shows help");
        check = new QCheckBox("Remember me", &window);
        radio = new QRadioButton("Loud", &window);
        radio->setToolTip("<b>Bold</b>");
        group = new QGroupBox("Options", &window);
        tabs = new QTabWidget(&window);
        tabs->addTab(new QWidget, "&General");
        list = new QListWidget(group);
        list->addItems({"First item", "Second"});
        list->setCurrentRow(1);
        combo = new QComboBox(group);
        combo->addItems({"Small", "Large"});
        combo->setCurrentIndex(1);
        editableCombo = new QComboBox(&window);
        editableCombo->setEditable(true);
        editableCombo->addItem("Open=1");
        tree = new QTreeWidget(tabs->widget(0));
        tree->setHeaderLabels({"Column", "Title"});
        new QTreeWidgetItem(new QTreeWidgetItem(tree, QStringList{"Row"}), QStringList{"Child"});
        table = new QTableWidget(1, 1, tabs->widget(0));
        table->setHorizontalHeaderItem(0, new QTableWidgetItem("Column"));
        table->setItem(0, 0, new QTableWidgetItem("Open"));

        fileMenu = (new QMenuBar(&window))->addMenu("&File");
        openAction = fileMenu->addAction("&Open...");
        recentMenu = fileMenu->addMenu("Recent files");
        clearAction = recentMenu->addAction("Clear list");
        clearAction->setToolTip("Shows help");

        fileDialog = new QFileDialog(&window);
        fileDialog->setOption(QFileDialog::DontUseNativeDialog);
        fileDialog->setWindowTitle("Choose a song");

        for (QWidget* widget : {static_cast<QWidget*>(plainLabel), static_cast<QWidget*>(button)}) {
            QFont font = widget->font();
            font.setPointSize(10);
            widget->setFont(font);
        }
    }

    QDialog window;
    QLabel *plainLabel, *buddyLabel, *richLabel;
    QPushButton* button;
    QCheckBox* check;
    QRadioButton* radio;
    QGroupBox* group;
    QTabWidget* tabs;
    QListWidget* list;
    QComboBox *combo, *editableCombo;
    QTreeWidget* tree;
    QTableWidget* table;
    QMenu *fileMenu, *recentMenu;
    QAction *openAction, *clearAction;
    QFileDialog* fileDialog;
};

class TranslateWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        folder_ = test::ScratchFolder() + QStringLiteral("/sweep-%1").arg(++counter);
        QDir().mkpath(folder_);
        translator_.SetFolders({folder_, QString()});
    }

    void UseLanguage(const QString& name, const QByteArray& bytes) {
        ASSERT_TRUE(test::WriteFile(folder_ + "/" + name + ".ini", bytes));
        translator_.Load(name);
    }

    QString folder_;
    tTranslator translator_;
    tSampleWindow sample_;
};

TEST_F(TranslateWindowTest, SweepTranslatesEveryKindOfWidget) {
    UseLanguage("Deutsch", kGerman);
    TranslateWindow(&sample_.window, translator_);
    const tSampleWindow& s = sample_;

    EXPECT_EQ(s.window.windowTitle(), "Beispielfenster");
    EXPECT_EQ(s.plainLabel->text(), "Speed: fast");
    EXPECT_EQ(s.buddyLabel->text(), "&Titel:");
    EXPECT_EQ(s.richLabel->text(), "<b>Bold</b> <a href=\"x\">Open</a>");
    EXPECT_EQ(s.button->text(), QString::fromUtf8("&Öffnen"));
    EXPECT_EQ(s.button->toolTip(), "Zeigt Hilfe");
    EXPECT_EQ(s.check->text(), "Merken");
    EXPECT_EQ(s.radio->text(), "Laut");
    EXPECT_EQ(s.radio->toolTip(), "<b>Bold</b>");
    EXPECT_EQ(s.group->title(), "Optionen");
    EXPECT_EQ(s.tabs->tabText(0), "&Allgemein");
    EXPECT_EQ(s.list->item(0)->text(), "Erster Eintrag");
    EXPECT_EQ(s.list->currentRow(), 1);
    EXPECT_EQ(s.combo->itemText(1), QString::fromUtf8("Groß"));
    EXPECT_EQ(s.combo->currentIndex(), 1);
    EXPECT_EQ(s.editableCombo->itemText(0), "Open=1");
    EXPECT_EQ(s.tree->headerItem()->text(0), "Spalte");
    EXPECT_EQ(s.tree->headerItem()->text(1), "Titel");
    EXPECT_EQ(s.tree->topLevelItem(0)->child(0)->text(0), "Kind");
    EXPECT_EQ(s.table->horizontalHeaderItem(0)->text(), "Spalte");
    EXPECT_EQ(s.table->item(0, 0)->text(), "Open"); // cells are data, not captions

    EXPECT_EQ(s.fileMenu->menuAction()->text(), "&Datei");
    EXPECT_EQ(s.openAction->text(), QString::fromUtf8("&Öffnen..."));
    EXPECT_EQ(s.openAction->toolTip(), QString::fromUtf8("Öffnen"));
    EXPECT_EQ(s.recentMenu->title(), QString::fromUtf8("Zuletzt geöffnet"));
    EXPECT_EQ(s.clearAction->text(), "Liste leeren");
    EXPECT_EQ(s.clearAction->toolTip(), "Zeigt Hilfe");

    // Only the title of a standard dialog is the program's.
    EXPECT_EQ(s.fileDialog->windowTitle(), QString::fromUtf8("Wähle ein Lied"));
    QList<QLabel*> dialogLabels = s.fileDialog->findChildren<QLabel*>();
    ASSERT_FALSE(dialogLabels.isEmpty());
    for (QLabel* label : dialogLabels)
        EXPECT_FALSE(label->text().startsWith("Schau")) << label->text().toStdString();
}

TEST_F(TranslateWindowTest, RepeatedSweepsChangeNothing) {
    UseLanguage("Deutsch", kGerman);
    TranslateWindow(&sample_.window, translator_);
    TranslateWindow(&sample_.window, translator_);
    TranslateWindow(sample_.tabs, translator_); // a part of a window swept again on its own

    EXPECT_EQ(sample_.fileMenu->menuAction()->text(), "&Datei");
    EXPECT_EQ(sample_.tabs->tabText(0), "&Allgemein");
    EXPECT_EQ(sample_.plainLabel->font().pointSize(), 12);
    EXPECT_EQ(sample_.button->font().pointSize(), 12);
}

TEST_F(TranslateWindowTest, SweepAfterLoadingAnotherLanguageStartsFromEnglish) {
    UseLanguage("Deutsch", kGerman);
    TranslateWindow(&sample_.window, translator_);
    // A text the program sets in between is new English text.
    sample_.check->setText("Loud");

    UseLanguage("Nederlands", kDutch);
    TranslateWindow(&sample_.window, translator_);
    EXPECT_EQ(sample_.window.windowTitle(), "Voorbeeldvenster");
    EXPECT_EQ(sample_.fileMenu->menuAction()->text(), "&Bestand");
    EXPECT_EQ(sample_.tabs->tabText(0), "&Algemeen");
    EXPECT_EQ(sample_.combo->itemText(0), "Klein");
    EXPECT_EQ(sample_.combo->itemText(1), "Large");
    EXPECT_EQ(sample_.check->text(), "Loud");
    EXPECT_EQ(sample_.button->text(), "&Open");
    EXPECT_EQ(sample_.plainLabel->font().pointSize(), 10); // no size adjustment in this language
}

TEST_F(TranslateWindowTest, SmallFontSizes) {
    UseLanguage("Tiny", "[Info]\nFontSize=-3\n");
    QString family = sample_.plainLabel->font().family();
    TranslateWindow(&sample_.window, translator_);
    EXPECT_EQ(sample_.plainLabel->font().pointSize(), 7);
    bool smallFace = QFontDatabase::hasFamily(kSmallTextFace);
    EXPECT_EQ(sample_.plainLabel->font().family(), smallFace ? QString(kSmallTextFace) : family);

    UseLanguage("Tinier", "[Info]\nFontSize=-7\n");
    TranslateWindow(&sample_.window, translator_);
    EXPECT_EQ(sample_.plainLabel->font().pointSize(), 6);

    UseLanguage("Huge", "[Info]\nFontSize=2147483647\n");
    TranslateWindow(&sample_.window, translator_);
    EXPECT_EQ(sample_.plainLabel->font().pointSize(), 10 + 72);
}

TEST_F(TranslateWindowTest, NoLanguageLeavesTheWindowAlone) {
    UseLanguage("", "[Info]\nFontSize=4\n");
    TranslateWindow(&sample_.window, translator_);
    EXPECT_EQ(sample_.plainLabel->text(), "Speed=fast");
    EXPECT_EQ(sample_.plainLabel->font().pointSize(), 10);
    EXPECT_EQ(sample_.fileMenu->menuAction()->text(), "&File");

    // A language without a file still normalises the texts.
    translator_.Load("default");
    TranslateWindow(&sample_.window, translator_);
    EXPECT_EQ(sample_.plainLabel->text(), "Speed: fast");
    EXPECT_EQ(sample_.fileMenu->menuAction()->text(), "&File");
}

} // namespace
} // namespace lyrimo
