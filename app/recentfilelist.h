// CRecentFileList: the files most recently opened or saved, most recent
// first, kept in the user settings between runs (group "Recent File List",
// entries "File1" to "File<n>").
//
// Window thread only.
#pragma once

#include <QString>
#include <QStringList>

namespace fennmere {

class CRecentFileList {
public:
    // organisation and application name the settings.
    CRecentFileList(QString organisation, QString application, int size);

    // Reads the list from the settings.
    void ReadList();
    // Puts path first (moving it if it is already listed, dropping the oldest
    // entry when the list is full) and writes the list.
    void Add(const QString& path);
    // Removes entry index and writes the list.
    void Remove(int index);

    const QStringList& Files() const { return m_files; }
    int Size() const { return m_nSize; }

private:
    void WriteList() const;

    QString m_strOrganisation;
    QString m_strApplication;
    int m_nSize;
    QStringList m_files;
};

}  // namespace fennmere
