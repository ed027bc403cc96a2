// CAboutDlg: the about box, "About FennmereSetup", built from its template.
//
// Window thread only.
#pragma once

#include <QDialog>

namespace fennmere {

class CDialogForm;

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    CDialogForm& Form() const { return *m_pForm; }

private:
    CDialogForm* m_pForm;
};

}  // namespace fennmere
