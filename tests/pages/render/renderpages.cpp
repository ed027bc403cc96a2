// Renders every page of the main window, and the about box, into PNG files
// for review: fennmere-render-pages OUTPUT-FOLDER.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

#include "app/aboutdlg.h"
#include "app/mainfrm.h"
#include "guitestsupport.h"
#include "pages/pageview.h"
#include "pages/resourceids.h"

using namespace fennmere;

namespace {

const char* const kNames[] = {"",       "analog", "digital", "serial", "internal",
                              "output", "ews",    "system",  "modem",  "live"};

bool Save(QWidget& widget, const QString& path)
{
    QApplication::processEvents();
    const bool ok = widget.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char* argv[])
{
    test::IsolateSettings();
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(out.path());

    test::CTestApp app({1, 3, 10}, {"/dev/ttyUSB0"});
    CConfiguration& config = app.Config();
    config.m_driver[1] = {1, 1, L"SOLINST"};
    config.m_driver[2] = {2, 1, L"BDSENSORS_LMP307"};
    config.m_driver[3] = {3, 1, L"VAISALA_WXT"};
    app.Frame().InitialUpdateFrame();
    app.App().ShowMainWindow();
    test::ProcessPostedEvents();

    bool ok = true;
    for (int page = kPageAnalog; page <= kPageLive; ++page) {
        app.Frame().ShowPage(page);
        ok = Save(app.Frame(),
                  out.filePath(QStringLiteral("page%1-%2.png").arg(page).arg(QLatin1String(kNames[page])))) &&
             ok;
    }
    CAboutDlg about(&app.Frame());
    about.show();
    ok = Save(about, out.filePath(QStringLiteral("about.png"))) && ok;
    about.close();
    return ok ? 0 : 1;
}
