// Tessaline: squares every picture of a folder on white. The window program.

#include "AppInfo.h"
#include "CheckedPictureLoader.h"
#include "Dialogs.h"
#include "MDIForm1.h"
#include "TempBitmapLocation.h"
#include "VipsExporter.h"
#include "VipsPictureLoader.h"
#include "WindowsBitmapStore.h"
#include "frmAbout.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QScreen>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(tessaline::info::productName));
    QApplication::setApplicationVersion(QLatin1String(tessaline::info::version));
    QApplication::setOrganizationName(QLatin1String(tessaline::info::companyName));
    // The installed menu entry, so that the desktop shows its icon for the window.
    QGuiApplication::setDesktopFileName(QStringLiteral("tessaline"));
    if (!tessaline::startVips(argv[0]))
        return 1;

    tessaline::QtFolderDialog folders;
    tessaline::QtUrlOpener opener;
    tessaline::QtMessageBoxes messages;
    tessaline::VipsPictureLoader decoder;
    tessaline::CheckedPictureLoader loader(decoder);
    tessaline::WindowsBitmapStore bitmaps;
    tessaline::VipsExporter exporter(bitmaps);
    const QString programFolder = QApplication::applicationDirPath();
    // Held for the whole run: it keeps the temporary bitmap this copy's own.
    const tessaline::TempBitmapLocation temporary(QFile::encodeName(programFolder).toStdString(),
                                                  tessaline::TempBitmapLocation::userCacheFolder());

    // The About window shows the main window's icon, read when it opens.
    QWidget* mainWindow = nullptr;
    const auto showAbout = [&] {
        tessaline::frmAbout::showModally({opener, mainWindow->windowIcon()});
    };
    tessaline::MDIForm1 window(
        {folders, opener, messages, loader, bitmaps, exporter, programFolder,
         QFile::decodeName(QByteArray::fromStdString(temporary.path())), showAbout});
    mainWindow = &window;
    QIcon rulers(QStringLiteral(":/pictures/Tessaline32.png"));
    rulers.addFile(QStringLiteral(":/pictures/Tessaline16.png"));
    window.setWindowIcon(rulers);
    window.start();
    window.show();
    // Centre the whole window, frame included, on its screen.
    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.frameGeometry().center() + window.pos());
    return QApplication::exec();
}
