#include "ui/help_pages.h"

#include "app/app_services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace lyrimo {

void OpenHelpPage(const QString& page) {
    const QString folder = QCoreApplication::applicationDirPath() + "/../share/doc/lyrimo/";
    if (QFileInfo::exists(folder + page))
        QDesktopServices::openUrl(QUrl::fromLocalFile(folder + page));
    else
        App().MessageBox(Translate("The help pages are not installed") + ".", "Lyrimo",
                         mb::Ok | mb::IconInformation);
}

} // namespace lyrimo
