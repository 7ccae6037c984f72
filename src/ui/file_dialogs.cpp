#include "ui/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace lyrimo {

QString AskSaveFileName(QWidget* parent, const QString& title, const QString& start, const QString& filter,
                        const QString& extension) {
    QString file = QFileDialog::getSaveFileName(parent, title, start, filter);
    if (!file.isEmpty() && !extension.isEmpty() && QFileInfo(file).suffix().isEmpty())
        file += "." + extension;
    return file;
}

} // namespace lyrimo
