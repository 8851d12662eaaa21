// The library "installerwindow.so" of install.pak: the installer loads it when the system can show
// windows, and calls its one export.

#include <QApplication>

#include "installer/installersession.h"
#include "installer/installerwindow.h"

extern "C" __attribute__((visibility("default"))) int QelRunInstallerWindow(qel::installer::InstallerSession* session,
                                                                            int argc, char** argv)
{
    QApplication app(argc, argv);
    qel::installer::InstallerWindow window(*session);
    window.show();
    app.exec();
    return window.Installed() ? 0 : 1;
}
