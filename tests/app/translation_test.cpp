#include "app/translation.h"

#include "test_support.h"

#include <QDir>

#include <gtest/gtest.h>

#include <ostream>

// Failing comparisons show the texts readably.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace lyrimo {
namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// Each test gets its own user and installed language folders.
class TranslationTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        QString root = test::ScratchFolder() + QStringLiteral("/translation-%1").arg(++counter);
        folders_ = {root + "/user", root + "/installed"};
        translator_.SetFolders(folders_);
    }

    static void Write(const QString& folder, const QString& name, const QByteArray& bytes) {
        QDir().mkpath(folder);
        ASSERT_TRUE(test::WriteFile(folder + "/" + name, bytes));
    }

    tLanguageFolders folders_;
    tTranslator translator_;
};

// Windows-1252 with CR/LF: 0xAC is the product-name placeholder, 0xF6 "ö", 0xDF "ß".
const QByteArray kGerman =
    "; comment\r\n[Info]\r\nLanguage = Deutsch (Test)\r\nAuthor=Tester\r\nFontSize=2\r\n"
    "[Translation]\r\n"
    "Error loading specified file = Fehler beim Laden der Datei\r\n"
    "Open file=Datei \xF6"
    "ffnen\r\n"
    "save=speichern\r\n"
    "Welcome to=Willkommen bei\r\n"
    "restart \xAC now=\xAC jetzt neu starten\r\n"
    "close \xAC window=Fenster von \xAC schlie\xDF"
    "en\r\n"
    "Cancel=   \r\n"
    ";Ignored=Nein\r\nignored=no\r\nSave=second entry\r\n"
    "Volume: 5=Lautst\xE4rke: 5\r\n";

TEST_F(TranslationTest, PhrasesAreLookedUpByTheirCore) {
    Write(folders_.User, "Deutsch.ini", kGerman);
    translator_.Load("Deutsch");
    EXPECT_EQ(translator_.Translate("Error loading specified file."), "Fehler beim Laden der Datei.");
    EXPECT_EQ(translator_.Translate("  -- Error loading specified file!? "),
              "  -- Fehler beim Laden der Datei!? ");
    EXPECT_EQ(translator_.Translate("(Open file...)"), U("(Datei öffnen...)"));
    // Keys ignore letter case, the first occurrence wins, comments are no entries.
    EXPECT_EQ(translator_.Translate("SAVE"), "Speichern");
    EXPECT_EQ(translator_.Translate("Ignored"), "No");
    EXPECT_EQ(translator_.Translate("Cancel"), "Cancel"); // an empty translation
    EXPECT_EQ(translator_.Translate("Volume=5"), U("Lautstärke: 5"));
    EXPECT_EQ(translator_.Translate("Not in the file"), "Not in the file");
}

TEST_F(TranslationTest, LetterCaseAndProductName) {
    Write(folders_.User, "Deutsch.ini", kGerman);
    translator_.Load("Deutsch");
    EXPECT_EQ(translator_.Translate("open file"), U("datei öffnen"));
    EXPECT_EQ(translator_.Translate("save"), "speichern");
    EXPECT_EQ(translator_.Translate("Welcome to LYRIMO"), "Willkommen bei Lyrimo");
    EXPECT_EQ(translator_.Translate("Close lyrimo window."), U("Fenster von Lyrimo schließen."));
    // A translation starting with the product name keeps the name's spelling.
    EXPECT_EQ(translator_.Translate("restart Lyrimo now"), "Lyrimo jetzt neu starten");
    EXPECT_EQ(translator_.Translate("lyrimo!"), "Lyrimo!");
}

TEST_F(TranslationTest, TextsLeftAloneAndLanguagesWithoutFile) {
    Write(folders_.User, "Deutsch.ini", kGerman);
    translator_.Load("Deutsch");
    EXPECT_EQ(translator_.Translate("http://lyrimo.example/?save=1"), "http://lyrimo.example/?save=1");
    EXPECT_EQ(translator_.Translate("HtTp://LYRIMO"), "HtTp://LYRIMO");
    EXPECT_EQ(translator_.Translate(" \t\r\n"), " \t\r\n");
    EXPECT_EQ(translator_.Translate("..."), "...");

    translator_.Load("default");
    EXPECT_TRUE(translator_.LoadedFile().isEmpty());
    EXPECT_EQ(translator_.Translate("Error loading specified file."), "Error loading specified file.");
    EXPECT_EQ(translator_.Translate("about LYRIMO: speed=fast"), "about Lyrimo: speed: fast");

    translator_.Load("");
    EXPECT_EQ(translator_.Translate("save lyrimo=yes"), "save lyrimo=yes");
}

TEST_F(TranslationTest, FileEncodingsAndInfo) {
    Write(folders_.User, "Deutsch.ini", kGerman);
    translator_.Load("Deutsch");
    EXPECT_EQ(translator_.DisplayName(), "Deutsch (Test)");
    EXPECT_EQ(translator_.Author(), "Tester");
    EXPECT_EQ(translator_.FontSize(), 2);

    // UTF-8 without a byte-order mark: U+00AC is the placeholder.
    Write(folders_.User, "Francais.ini", "[translation]\nClose \xC2\xAC now=Fermer \xC2\xAC \xE2\x82\xAC\n");
    translator_.Load("Francais");
    EXPECT_EQ(translator_.Translate("Close Lyrimo now"), U("Fermer Lyrimo €"));
    EXPECT_EQ(translator_.DisplayName(), "Francais");
    EXPECT_EQ(translator_.Author(), "Unknown");

    QString wide = U("[Info]\r\nFontSize=2147483647\r\n[translation]\r\nNo=Ня\r\n");
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2);
    Write(folders_.User, "Wide.ini", utf16);
    translator_.Load("Wide");
    EXPECT_EQ(translator_.Translate("No"), U("Ня"));
    EXPECT_EQ(translator_.FontSize(), 72);

    EXPECT_EQ(DecodeLanguageFile("\x80\x8A\x9F\xAC\xFC"), U("€ŠŸ¬ü"));
    EXPECT_EQ(DecodeLanguageFile("\xEF\xBB\xBF\xC3\xAD"), U("í"));
    EXPECT_EQ(DecodeLanguageFile("\xC0\xAC", "WINDOWS-1251"), U("А¬"));
}

TEST_F(TranslationTest, CaptionsWithAccelerators) {
    Write(folders_.User, "Deutsch.ini",
          "[translation]\nOpen=\xD6"
          "ffnen\nE&xit=&Beenden\nPrint=Dr&ucken\nSave & Close=Speichern && Schlie\xDF"
          "en\n");
    translator_.Load("Deutsch");
    EXPECT_EQ(translator_.TranslateCaption("&Open"), U("&Öffnen"));
    EXPECT_EQ(translator_.TranslateCaption("Op&en..."), U("&Öffnen..."));
    EXPECT_EQ(translator_.TranslateCaption("E&xit"), "&Beenden");
    EXPECT_EQ(translator_.TranslateCaption("&Print"), "Dr&ucken");
    EXPECT_EQ(translator_.TranslateCaption("Save && Close"), "Save && Close");
    EXPECT_EQ(translator_.TranslateCaption("&Save && Close"), U("Speichern && Schließen"));
    EXPECT_EQ(translator_.TranslateCaption("&Help"), "&Help");
}

TEST_F(TranslationTest, LanguageList) {
    std::vector<tLanguageEntry> list = translator_.ListLanguages();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].DisplayName, "English (Default)");
    EXPECT_EQ(list[0].Author, "Lyrimo");
    EXPECT_EQ(list[0].FileName, "default.ini");
    EXPECT_TRUE(QDir(folders_.User).exists()); // made so that files can be dropped in

    Write(folders_.Installed, "Deutsch.ini", "[Info]\nLanguage=Deutsch (installed)\nAuthor=Packager\n");
    Write(folders_.Installed, "Svenska.INI", "[translation]\nYes=Ja\n");
    Write(folders_.Installed, "notes.txt", "[Info]\nLanguage=Not a language\n");
    Write(folders_.User, "deutsch.ini", "[Info]\nLanguage=Deutsch (mine)\n[translation]\nYes=Jawohl\n");
    list = translator_.ListLanguages();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].DisplayName, "Deutsch (mine)");
    EXPECT_EQ(list[0].FileName, "deutsch.ini");
    EXPECT_EQ(list[0].Author, "Unknown");
    EXPECT_EQ(list[1].DisplayName, "Svenska");
    EXPECT_EQ(list[1].FileName, "Svenska.INI");

    // Loading prefers the user's file too, whatever the letter case of the name.
    translator_.Load("DEUTSCH");
    EXPECT_EQ(translator_.Translate("Yes"), "Jawohl");
    translator_.Load("svenska");
    EXPECT_EQ(translator_.Translate("Yes"), "Ja");
    // The name is a file name, never a path.
    translator_.Load("../installed/Svenska");
    EXPECT_EQ(translator_.Translate("Yes"), "Yes");
}

TEST_F(TranslationTest, LoadsOnFirstUseAndReloadsOnRequest) {
    Write(folders_.User, "Deutsch.ini", "[translation]\nYes=Ja\n");
    Write(folders_.User, "Nederlands.ini", "[translation]\nYes=Ja hoor\n");
    QString chosen = "Deutsch";
    translator_.SetLanguageSource([&] { return chosen; });
    EXPECT_EQ(translator_.Translate("Yes"), "Ja");
    chosen = "Nederlands";
    EXPECT_EQ(translator_.Translate("Yes"), "Ja");
    translator_.Reload();
    EXPECT_EQ(translator_.Translate("Yes"), "Ja hoor");

    tTranslator unwired(folders_); // nothing chosen, nothing changed
    EXPECT_EQ(unwired.Translate("lyrimo=1"), "lyrimo=1");
}

} // namespace
} // namespace lyrimo
