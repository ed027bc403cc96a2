// Renders every page of the main window, and the about box, into PNG files
// for review: fennmere-render-pages OUTPUT-FOLDER.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>

#include <cmath>
#include <cstdio>

#include "app/aboutdlg.h"
#include "app/mainfrm.h"
#include "guitestsupport.h"
#include "pages/livemodel.h"
#include "pages/liveplotwindow.h"
#include "pages/liveview.h"
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

// A few outputs with aliases and statistics for the live page.
void UseLiveOutputs(CConfiguration& config)
{
    for (COutput& output : config.m_output) output = COutput{L"0", 0, 0, 0, 0, L"P0", L""};
    config.m_output[0] = COutput{L"A1_Level", 1, 1, 0, 0, L"P0", L"Level"};
    config.m_output[1] = COutput{L"I3_VPOWER", 0, 0, 0, 0, L"P0", L"Battery"};
    config.m_output[2] = COutput{L"S2_Temp", 0, 0, 1, 0, L"P0", L"WaterTemp"};
}

// Rows as a logger would send them, one a minute.
void AddLiveRows(CLiveView& live)
{
    for (int i = 0; i < 40; ++i) {
        const double level = 2.0 + 0.4 * std::sin(i / 6.0);
        const double temp = 11.5 + 0.05 * i;
        const auto text = [](double value) { return QString::number(value, 'f', 2).toStdWString(); };
        live.Model().AddRow(CLiveRow{L"09.12.2026",
                                     QStringLiteral("10:%1:00").arg(i, 2, 10, QLatin1Char('0')).toStdWString(),
                                     {text(level), text(level - 0.1), text(level + 0.1), text(12.8 - 0.002 * i),
                                      text(temp), text(0.01 * (i % 5))}});
    }
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
    config.m_panel.m_strComPort = L"/dev/pts/1";  // a device path must show from its start
    app.Frame().InitialUpdateFrame();
    app.App().ShowMainWindow();
    test::ProcessPostedEvents();

    bool ok = true;
    for (int page = kPageAnalog; page <= kPageLive; ++page) {
        if (page == kPageLive) UseLiveOutputs(config);
        app.Frame().ShowPage(page);
        if (page == kPageLive) AddLiveRows(*app.PageAs<CLiveView>(kPageLive));
        ok = Save(app.Frame(),
                  out.filePath(QStringLiteral("page%1-%2.png").arg(page).arg(QLatin1String(kNames[page])))) &&
             ok;
    }
    CLiveView& live = *app.PageAs<CLiveView>(kPageLive);
    live.OnPlot();
    live.PlotWindow()->Choose({2, 3});
    ok = Save(*live.PlotWindow(), out.filePath(QStringLiteral("live-plot.png"))) && ok;
    live.PlotWindow()->close();

    CAboutDlg about(&app.Frame());
    about.show();
    ok = Save(about, out.filePath(QStringLiteral("about.png"))) && ok;
    about.close();
    return ok ? 0 : 1;
}
