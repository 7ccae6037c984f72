#include "ui/picture_dialogs.h"

#include "app/app_services.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>

namespace lyrimo {
namespace {

const QStringList kGraphicsExtensions{".bmp", ".jpg", ".jpeg", ".gif", ".png", ".ico"};
const QStringList kAnimationExtensions{".gif"};

// "*.bmp;*.jpg;..."
QString PatternList(const QStringList& extensions) {
    QString patterns;
    for (const QString& extension : extensions)
        patterns += (patterns.isEmpty() ? "*" : ";*") + extension;
    return patterns;
}

// "Name (patterns)" unless the name already ends with its patterns in brackets.
QString QtNameFilter(const QString& name, const QString& patterns) {
    static const QRegularExpression endsWithPatterns(R"(\([^()]*\)\s*$)");
    if (endsWithPatterns.match(name).hasMatch())
        return name;
    return name + " (" + QString(patterns).replace(';', ' ') + ")";
}

std::optional<QStringList> RunDialog(tPictureDialogKind kind, const QString& title,
                                     const QString& currentPath, QWidget* parent) {
    QFileDialog dialog(parent);
    PreparePictureDialog(dialog, kind, title, currentPath);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles();
}

} // namespace

QString PictureFileFilter() {
    return Translate("All Supported Graphics Formats") + "|" + PatternList(kGraphicsExtensions) + "|" +
           Translate("All Files") + " (*.*)|*.*";
}

QString AnimationFileFilter() {
    return Translate("All Supported Animation Formats") + "|" + PatternList(kAnimationExtensions) + "|" +
           "All Files (*.*)|*.*";
}

QStringList QtNameFilters(const QString& filter) {
    const QStringList pieces = filter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2)
        filters << QtNameFilter(pieces[i], pieces[i + 1]);
    return filters;
}

void PreparePictureDialog(QFileDialog& dialog, tPictureDialogKind kind, const QString& title,
                          const QString& currentPath) {
    const bool animation = kind == tPictureDialogKind::Animation;
    dialog.setWindowTitle(kind == tPictureDialogKind::Picture
                              ? title + " (GIF " + Translate("images not shown in preview") + ")"
                              : title);
    dialog.setNameFilters(QtNameFilters(animation ? AnimationFileFilter() : PictureFileFilter()));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(kind == tPictureDialogKind::SeveralPictures ? QFileDialog::ExistingFiles
                                                                   : QFileDialog::ExistingFile);
    const QFileInfo current(currentPath);
    if (!currentPath.isEmpty() && current.isFile()) {
        dialog.setDirectory(current.absolutePath());
        dialog.selectFile(current.absoluteFilePath());
    }
}

std::optional<QString> ChoosePictureFile(const QString& title, const QString& currentPath, QWidget* parent) {
    if (auto files = RunDialog(tPictureDialogKind::Picture, title, currentPath, parent))
        return files->first();
    return std::nullopt;
}

std::optional<QString> ChooseAnimationFile(const QString& title, const QString& currentPath,
                                           QWidget* parent) {
    if (auto files = RunDialog(tPictureDialogKind::Animation, title, currentPath, parent))
        return files->first();
    return std::nullopt;
}

std::optional<QStringList> ChooseSeveralPictureFiles(const QString& title, QWidget* parent) {
    return RunDialog(tPictureDialogKind::SeveralPictures, title, {}, parent);
}

} // namespace lyrimo
