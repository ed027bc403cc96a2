// FennmereSetup: prepares, keeps and transfers the configuration of a data
// logger.
#include <QApplication>
#include <QIcon>

#include "nimbrelsetup.h"
#include "pages/resourceids.h"

namespace {

// "--port P" (or "--port=P") chooses the communication panel's port at
// start, for example the pseudo-terminal of the logger simulator; it is
// taken out of the arguments before the setup-file name is looked for.
QString TakePortArgument(QStringList& arguments)
{
    QString port;
    for (int i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == QLatin1String("--port") && i + 1 < arguments.size()) {
            port = arguments[i + 1];
            arguments.remove(i, 2);
            break;
        }
        if (arguments[i].startsWith(QLatin1String("--port="))) {
            port = arguments[i].mid(7);
            arguments.removeAt(i);
            break;
        }
    }
    return port;
}

}  // namespace

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
    const QString port = TakePortArgument(arguments);
    if (!app.InitInstance(arguments)) return 1;
    if (!port.isEmpty()) {
        // Queued behind the show-Serial-page message: that page switch stores
        // the panel of the page it leaves, which would overwrite the port.
        QMetaObject::invokeMethod(
            &application,
            [&app, port] {
                app.Document().Config().m_panel.m_strComPort = port.toStdWString();
                app.Document().PostFrameMessage(fennmere::kRefreshMessage);
            },
            Qt::QueuedConnection);
    }
    app.ShowMainWindow();
    return QApplication::exec();
}
