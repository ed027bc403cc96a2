// FennmereSetup: prepares, keeps and transfers the configuration of a data
// logger.
#include <QApplication>
#include <QIcon>

#include "nimbrelsetup.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setOrganizationName(fennmere::CNimbrelSetupApp::kOrganisation);
    QApplication::setApplicationName(fennmere::CNimbrelSetupApp::kApplication);
    QApplication::setApplicationVersion(QStringLiteral("1.10"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/icon.png")));

    fennmere::CNimbrelSetupApp app;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!app.InitInstance(arguments)) return 1;
    app.ShowMainWindow();
    return QApplication::exec();
}
