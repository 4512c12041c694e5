// Tessaline: squares every picture of a folder on white. The window program.

#include "AppInfo.h"
#include "Dialogs.h"
#include "MDIForm1.h"
#include "VipsPictureLoader.h"

#include <QApplication>
#include <QScreen>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(tessaline::info::productName));
    QApplication::setApplicationVersion(QLatin1String(tessaline::info::version));
    QApplication::setOrganizationName(QLatin1String(tessaline::info::companyName));
    if (!tessaline::startVips(argv[0]))
        return 1;

    tessaline::QtFolderDialog folders;
    tessaline::QtUrlOpener opener;
    tessaline::QtMessageBoxes messages;
    tessaline::VipsPictureLoader loader;

    tessaline::MDIForm1 window({folders, opener, messages, loader, QApplication::applicationDirPath()});
    window.start();
    window.show();
    // Centre the whole window, frame included, on its screen.
    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.frameGeometry().center() + window.pos());
    return QApplication::exec();
}
