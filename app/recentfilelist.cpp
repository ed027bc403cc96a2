#include "recentfilelist.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace fennmere {

namespace {

const QString kSection = QStringLiteral("Recent File List");

QString EntryKey(int index)
{
    return kSection + QStringLiteral("/File%1").arg(index + 1);
}

QString Normalised(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

}  // namespace

CRecentFileList::CRecentFileList(QString organisation, QString application, int size)
    : m_strOrganisation(std::move(organisation)), m_strApplication(std::move(application)), m_nSize(size)
{
}

void CRecentFileList::ReadList()
{
    QSettings settings(m_strOrganisation, m_strApplication);
    m_files.clear();
    for (int i = 0; i < m_nSize; ++i) {
        const QString path = settings.value(EntryKey(i)).toString();
        if (!path.isEmpty() && !m_files.contains(path)) m_files.append(path);
    }
}

void CRecentFileList::Add(const QString& path)
{
    const QString entry = Normalised(path);
    m_files.removeAll(entry);
    m_files.prepend(entry);
    while (m_files.size() > m_nSize) m_files.removeLast();
    WriteList();
}

void CRecentFileList::Remove(int index)
{
    if (index < 0 || index >= m_files.size()) return;
    m_files.removeAt(index);
    WriteList();
}

void CRecentFileList::WriteList() const
{
    QSettings settings(m_strOrganisation, m_strApplication);
    for (int i = 0; i < m_nSize; ++i) {
        if (i < m_files.size()) {
            settings.setValue(EntryKey(i), m_files[i]);
        } else {
            settings.remove(EntryKey(i));
        }
    }
}

}  // namespace fennmere
