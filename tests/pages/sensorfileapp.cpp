#include "sensorfileapp.h"

#include <QFile>

#include "app/mainfrm.h"

namespace fennmere::test {

CSensorFileApp::CSensorFileApp(const QStringList& lines)
{
    const QString path = m_folder.filePath(QStringLiteral("sensor.ini"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write((lines.join('\n') + '\n').toLatin1());
    file.close();

    CNimbrelSetupDoc::CServices services;
    services.m_pBoxes = &m_boxes;
    services.m_pLink = &m_link;
    services.m_pPort = &m_port;
    services.m_pClock = &m_clock;
    services.m_strSensorFile = QFile::encodeName(path).toStdString();
    services.m_probe = [](CConfiguration&) { return std::vector<std::string>{}; };
    m_pApp = std::make_unique<CNimbrelSetupApp>(std::move(services));
    m_pApp->InitInstance({});
    ProcessPostedEvents();
}

CPageView* CSensorFileApp::Page(int page)
{
    return Frame().Pages().at(static_cast<std::size_t>(page - 1));
}

bool Choose(CComboList& list, const QString& text)
{
    const int index = list.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index == -1) return false;
    list.setCurrentIndex(index);
    emit list.activated(index);
    return true;
}

}  // namespace fennmere::test
