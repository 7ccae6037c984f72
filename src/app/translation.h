// Interface translation: language files, the translate function and the language list.
//
// A language file is an INI text named after the language ("Deutsch.ini") with two
// sections: "Info" ("FontSize", "Language", "Author") and "translation", whose keys are
// English phrases and whose values are their replacements. Within keys and values the
// character U+00AC stands for the product name, so that a file does not depend on it.
#pragma once

#include <QByteArray>
#include <QChar>
#include <QHash>
#include <QString>

#include <functional>
#include <vector>

namespace lyrimo {

// Stands for the product name inside keys and translations.
inline constexpr QChar kProductNamePlaceholder{0x00AC};

// Trims characters up to and including the blank at both ends (control characters and
// spaces), leaving other white space such as the no-break space in place.
QString TrimBlanks(const QString& text);

// The text of a language file: UTF-8 when it starts with a UTF-8 byte-order mark or is
// valid UTF-8, UTF-16 when it starts with a UTF-16 byte-order mark, and otherwise 8-bit
// text in the given code page (an iconv name; Windows-1252 is decoded without iconv).
QString DecodeLanguageFile(const QByteArray& bytes, const QByteArray& codePage = "WINDOWS-1252");

// An INI text: section name -> key -> value. Section names and keys are stored case-folded
// so that lookups ignore letter case; keys and values are trimmed; the first occurrence of
// a key wins; lines starting with ';' are comments; lines outside a section are ignored.
using tIniSection = QHash<QString, QString>;
using tIniSections = QHash<QString, tIniSection>;
tIniSections ParseIniText(const QString& text);
QString IniKey(const QString& name); // the stored form of a section name or key

struct tLanguageEntry {
    QString DisplayName;
    QString Author;
    QString FileName; // "Deutsch.ini"
};

// Where language files are looked for. Files in the user folder win over installed files
// of the same name.
struct tLanguageFolders {
    QString User;      // writable; created when missing
    QString Installed; // read-only; may be empty
};

// ~/.local/share/Pellix Software/Lyrimo/Languages and, when an application object exists,
// <program folder>/../share/lyrimo/Languages.
tLanguageFolders DefaultLanguageFolders();

class tTranslator {
public:
    tTranslator() = default; // the default folders, resolved on first use
    explicit tTranslator(tLanguageFolders folders);

    void SetFolders(tLanguageFolders folders);
    const tLanguageFolders& Folders();

    // The 8-bit code page of language files that are not Unicode.
    void SetCodePage(const QByteArray& iconvName) { codePage_ = iconvName; }

    // Where the language name comes from when the translator loads on first use or
    // reloads; without one, an unloaded translator has no language and changes nothing.
    void SetLanguageSource(std::function<QString()> source) { languageSource_ = std::move(source); }

    // Reads "<language>.ini". A missing or unreadable file gives an empty table, and an
    // empty language name turns translation off.
    void Load(const QString& languageName);
    void Reload(); // loads the language the source names now
    void EnsureLoaded();
    bool IsLoaded() const { return loaded_; }

    const QString& LanguageName() const { return languageName_; }
    const QString& DisplayName() const { return displayName_; }
    const QString& Author() const { return author_; }
    int FontSize() const { return fontSize_; }                // point-size adjustment for window texts
    const QString& LoadedFile() const { return loadedFile_; } // empty when no file was read

    QString Translate(const QString& text);

    // Translates a window caption that may carry an accelerator ("&Open", "E&xit").
    // An entry keyed with the accelerator inside the phrase ("E&xit") is used as it stands;
    // otherwise the entry of the plain phrase ("Open", "Exit"), whose translation gets an
    // accelerator on its first letter or digit unless it brings its own "&" ("&&" is a
    // literal ampersand). Without an entry the caption keeps its accelerator.
    QString TranslateCaption(const QString& caption);

    // Every language file, each name once, sorted by display name; the single entry
    // "English (Default)" when there is none.
    std::vector<tLanguageEntry> ListLanguages();

    // The full path of a file in the language folders, or empty.
    QString FindLanguageFile(const QString& fileName);

private:
    struct tPrepared {
        QString prefix, core, suffix;
    };
    static tPrepared Prepare(const QString& text);
    bool HasEntry(const QString& text);
    QString Lookup(const QString& core) const;
    void MakeUserFolder();

    tLanguageFolders folders_;
    bool foldersResolved_ = false;
    QByteArray codePage_ = "WINDOWS-1252";
    std::function<QString()> languageSource_;

    bool loaded_ = false;
    QString languageName_;
    QString displayName_;
    QString author_ = QStringLiteral("Unknown");
    int fontSize_ = 0;
    QString loadedFile_;
    tIniSection table_; // folded key -> translation
};

// The program-wide translator, which App().Translate and the window sweep use.
tTranslator& ProgramTranslator();

} // namespace lyrimo
