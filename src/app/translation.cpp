#include "app/translation.h"

#include "app/text_codec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>

namespace lyrimo {
namespace {

const QString kProductName = QStringLiteral("Lyrimo");
const QString kUnknownAuthor = QStringLiteral("Unknown");
const QString kLanguageFileSuffix = QStringLiteral(".ini");

// A language's font-size adjustment is kept within what still gives readable windows
// (and cannot overflow when added to a font size).
constexpr int kMaxFontSizeAdjustment = 72;

// Windows-1252 bytes 0x80..0x9F; the five bytes the code page leaves undefined map to the
// C1 controls of the same value, as Windows itself does.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

QString DecodeWindows1252(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        char16_t code = (byte >= 0x80 && byte <= 0x9F) ? kWindows1252High[byte - 0x80] : char16_t{byte};
        text += QChar(code);
    }
    return text;
}

bool StartsWithBytes(const QByteArray& bytes, const char* prefix, qsizetype length) {
    return bytes.size() >= length && bytes.left(length) == QByteArray(prefix, length);
}

bool IsAsciiLetterOrDigit(QChar c) {
    char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z');
}

QString RestoreProductName(QString text) { return text.replace(kProductNamePlaceholder, kProductName); }

// The translation's first letter follows the case of the English phrase's first letter.
void MatchFirstLetterCase(QString& result, QChar englishFirst) {
    if (result.isEmpty() || result.front().isSurrogate())
        return;
    bool upper = englishFirst.unicode() >= 'A' && englishFirst.unicode() <= 'Z';
    result[0] = upper ? result.front().toUpper() : result.front().toLower();
}

// A single "&" marks an accelerator; "&&" is a literal ampersand.
bool HasAccelerator(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != u'&')
            continue;
        if (caption[i + 1] != u'&')
            return true;
        ++i;
    }
    return false;
}

QString WithoutAccelerator(const QString& caption) {
    QString plain;
    plain.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&') {
            plain += caption[i];
        } else if (i + 1 < caption.size() && caption[i + 1] == u'&') {
            plain += u'&';
            ++i;
        }
    }
    return plain;
}

QString WithAcceleratorOnFirstLetter(QString text) {
    auto it = std::find_if(text.cbegin(), text.cend(), [](QChar c) { return c.isLetterOrNumber(); });
    if (it != text.cend())
        text.insert(it - text.cbegin(), u'&');
    return text;
}

int ReadFontSizeAdjustment(const QString& value) {
    bool ok = false;
    int size = TrimBlanks(value).toInt(&ok);
    return ok ? std::clamp(size, -kMaxFontSizeAdjustment, kMaxFontSizeAdjustment) : 0;
}

QString ReadFileText(const QString& path, const QByteArray& codePage, bool* ok) {
    QFile file(path);
    *ok = file.open(QIODevice::ReadOnly);
    return *ok ? DecodeLanguageFile(file.readAll(), codePage) : QString();
}

QFileInfoList LanguageFilesIn(const QString& folder) {
    if (folder.isEmpty())
        return {};
    QDir dir(folder);
    // Name filters ignore letter case, so "GERMAN.INI" is listed too.
    return dir.entryInfoList({QStringLiteral("*") + kLanguageFileSuffix}, QDir::Files | QDir::Readable,
                             QDir::Name);
}

} // namespace

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && text[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ')
        --end;
    return text.mid(begin, end - begin);
}

QString DecodeLanguageFile(const QByteArray& bytes, const QByteArray& codePage) {
    if (StartsWithBytes(bytes, "\xEF\xBB\xBF", 3))
        return QString::fromUtf8(bytes.mid(3));
    if (StartsWithBytes(bytes, "\xFF\xFE", 2) || StartsWithBytes(bytes, "\xFE\xFF", 2)) {
        bool little = bytes.front() == '\xFF';
        QStringDecoder utf16(little ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return utf16.decode(bytes.mid(2));
    }

    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;

    QByteArray name = codePage.toUpper();
    if (name == "WINDOWS-1252" || name == "CP1252")
        return DecodeWindows1252(bytes);
    // Other 8-bit code pages; undecodable bytes become U+FFFD, an unknown code page reads as Windows-1252.
    const QString decoded = DecodeText(bytes, codePage.constData());
    return decoded.isEmpty() && !bytes.isEmpty() ? DecodeWindows1252(bytes) : decoded;
}

QString IniKey(const QString& name) { return name.toCaseFolded(); }

tIniSections ParseIniText(const QString& text) {
    tIniSections sections;
    tIniSection* current = nullptr;
    QString normalised = text;
    normalised.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    for (const QString& rawLine : normalised.split(u'\n')) {
        QString line = TrimBlanks(rawLine);
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            qsizetype close = line.indexOf(u']');
            QString name = TrimBlanks(close < 0 ? line.mid(1) : line.mid(1, close - 1));
            current = &sections[IniKey(name)];
            continue;
        }
        qsizetype equals = line.indexOf(u'=');
        if (current == nullptr || equals <= 0)
            continue;
        QString key = IniKey(TrimBlanks(line.left(equals)));
        if (!key.isEmpty() && !current->contains(key))
            current->insert(key, TrimBlanks(line.mid(equals + 1)));
    }
    return sections;
}

tLanguageFolders DefaultLanguageFolders() {
    tLanguageFolders folders;
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!data.isEmpty())
        folders.User = data + QStringLiteral("/Pellix Software/Lyrimo/Languages");
    if (QCoreApplication::instance() != nullptr)
        folders.Installed = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                            QStringLiteral("/../share/lyrimo/Languages"));
    return folders;
}

tTranslator::tTranslator(tLanguageFolders folders) : folders_(std::move(folders)), foldersResolved_(true) {}

void tTranslator::SetFolders(tLanguageFolders folders) {
    folders_ = std::move(folders);
    foldersResolved_ = true;
}

const tLanguageFolders& tTranslator::Folders() {
    if (!foldersResolved_) {
        folders_ = DefaultLanguageFolders();
        foldersResolved_ = true;
    }
    return folders_;
}

void tTranslator::MakeUserFolder() {
    if (!Folders().User.isEmpty())
        QDir().mkpath(folders_.User);
}

QString tTranslator::FindLanguageFile(const QString& fileName) {
    // The language name is a file name, never a path.
    if (fileName.isEmpty() || fileName.contains(u'/') || fileName.contains(QChar(0)))
        return {};
    for (const QString& folder : {Folders().User, folders_.Installed}) {
        if (folder.isEmpty())
            continue;
        QFileInfo exact(QDir(folder).filePath(fileName));
        if (exact.isFile())
            return exact.filePath();
        // Language names were chosen where file names ignore letter case.
        for (const QFileInfo& info : QDir(folder).entryInfoList(QDir::Files)) {
            if (info.fileName().compare(fileName, Qt::CaseInsensitive) == 0)
                return info.filePath();
        }
    }
    return {};
}

void tTranslator::Load(const QString& languageName) {
    loaded_ = true;
    languageName_ = languageName;
    displayName_ = languageName;
    author_ = kUnknownAuthor;
    fontSize_ = 0;
    loadedFile_.clear();
    table_.clear();
    MakeUserFolder();
    if (languageName.isEmpty())
        return;

    QString path = FindLanguageFile(languageName + kLanguageFileSuffix);
    bool ok = false;
    QString text = path.isEmpty() ? QString() : ReadFileText(path, codePage_, &ok);
    if (!ok)
        return;
    loadedFile_ = path;
    tIniSections ini = ParseIniText(text);

    const tIniSection info = ini.value(IniKey(QStringLiteral("Info")));
    fontSize_ = ReadFontSizeAdjustment(info.value(IniKey(QStringLiteral("FontSize"))));
    QString display = info.value(IniKey(QStringLiteral("Language")));
    if (!display.isEmpty())
        displayName_ = display;
    QString author = info.value(IniKey(QStringLiteral("Author")));
    if (!author.isEmpty())
        author_ = author;

    // A key written with the product name matches the phrase with the placeholder.
    const tIniSection phrases = ini.value(IniKey(QStringLiteral("translation")));
    for (auto it = phrases.cbegin(); it != phrases.cend(); ++it) {
        QString key = it.key();
        key.replace(kProductName, QString(kProductNamePlaceholder), Qt::CaseInsensitive);
        if (!table_.contains(key))
            table_.insert(key, it.value());
    }
}

void tTranslator::Reload() { Load(languageSource_ ? languageSource_() : languageName_); }

void tTranslator::EnsureLoaded() {
    if (!loaded_)
        Load(languageSource_ ? languageSource_() : QString());
}

tTranslator::tPrepared tTranslator::Prepare(const QString& text) {
    QString prepared = text;
    prepared.replace(kProductName, QString(kProductNamePlaceholder), Qt::CaseInsensitive);
    prepared.replace(u'=', QStringLiteral(": "));
    qsizetype begin = 0, end = prepared.size();
    while (begin < end && !IsAsciiLetterOrDigit(prepared[begin]))
        ++begin;
    while (end > begin && !IsAsciiLetterOrDigit(prepared[end - 1]))
        --end;
    return {prepared.left(begin), prepared.mid(begin, end - begin), prepared.mid(end)};
}

QString tTranslator::Lookup(const QString& core) const {
    QString translation = table_.value(IniKey(core));
    return translation.isEmpty() ? core : translation;
}

QString tTranslator::Translate(const QString& text) {
    EnsureLoaded();
    if (languageName_.isEmpty() || TrimBlanks(text).isEmpty() ||
        text.startsWith(QStringLiteral("HTTP://"), Qt::CaseInsensitive))
        return text;
    tPrepared parts = Prepare(text);
    if (parts.core.isEmpty())
        return RestoreProductName(parts.prefix + parts.suffix);
    // The letter case is settled while the product name is still a placeholder, so that
    // a translation starting with the product name keeps its spelling.
    QString result = Lookup(parts.core);
    MatchFirstLetterCase(result, parts.core.front());
    return RestoreProductName(parts.prefix + result + parts.suffix);
}

bool tTranslator::HasEntry(const QString& text) {
    EnsureLoaded();
    if (languageName_.isEmpty())
        return false;
    tPrepared parts = Prepare(text);
    return !parts.core.isEmpty() && !table_.value(IniKey(parts.core)).isEmpty();
}

QString tTranslator::TranslateCaption(const QString& caption) {
    if (!HasAccelerator(caption))
        return Translate(caption);
    // A file may key the caption with its accelerator inside the phrase ("E&xit").
    if (HasAccelerator(Prepare(caption).core) && HasEntry(caption))
        return Translate(caption);
    QString plain = WithoutAccelerator(caption);
    if (!HasEntry(plain))
        return Translate(caption);
    QString translated = Translate(plain);
    return translated.contains(u'&') ? translated : WithAcceleratorOnFirstLetter(translated);
}

std::vector<tLanguageEntry> tTranslator::ListLanguages() {
    MakeUserFolder();
    std::vector<tLanguageEntry> entries;
    QHash<QString, bool> seen;
    for (const QString& folder : {Folders().User, folders_.Installed}) {
        for (const QFileInfo& file : LanguageFilesIn(folder)) {
            QString folded = file.fileName().toCaseFolded();
            if (seen.contains(folded))
                continue;
            seen.insert(folded, true);
            bool ok = false;
            const tIniSection info = ParseIniText(ReadFileText(file.filePath(), codePage_, &ok))
                                         .value(IniKey(QStringLiteral("Info")));
            QString display = info.value(IniKey(QStringLiteral("Language")));
            QString author = info.value(IniKey(QStringLiteral("Author")));
            entries.push_back({display.isEmpty() ? file.completeBaseName() : display,
                               author.isEmpty() ? kUnknownAuthor : author, file.fileName()});
        }
    }
    if (entries.empty())
        return {{QStringLiteral("English (Default)"), kProductName, QStringLiteral("default.ini")}};
    std::sort(entries.begin(), entries.end(), [](const tLanguageEntry& a, const tLanguageEntry& b) {
        return a.DisplayName.compare(b.DisplayName, Qt::CaseInsensitive) < 0;
    });
    return entries;
}

tTranslator& ProgramTranslator() {
    static tTranslator translator;
    return translator;
}

} // namespace lyrimo
