// Choosing picture and animation files.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QFileDialog;
class QWidget;

namespace lyrimo {

// Filters in the "Name|patterns|Name|patterns" form, patterns separated by ';'.
QString PictureFileFilter();
QString AnimationFileFilter();

// The same filters as QFileDialog takes them: "Name (*.a *.b)", one per entry.
QStringList QtNameFilters(const QString& filter);

enum class tPictureDialogKind { Picture, Animation, SeveralPictures };

// Sets a dialog up for a kind: title, filters, existing files only (several for
// SeveralPictures), starting at currentPath when that file exists.
void PreparePictureDialog(QFileDialog& dialog, tPictureDialogKind kind, const QString& title,
                          const QString& currentPath);

// Each returns nothing when the user cancels.
std::optional<QString> ChoosePictureFile(const QString& title, const QString& currentPath,
                                         QWidget* parent = nullptr);
std::optional<QString> ChooseAnimationFile(const QString& title, const QString& currentPath,
                                           QWidget* parent = nullptr);
std::optional<QStringList> ChooseSeveralPictureFiles(const QString& title, QWidget* parent = nullptr);

} // namespace lyrimo
