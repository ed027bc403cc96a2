// CPageView: one page of the main window, a view of the document built from
// its dialog template. The frame keeps all nine pages as children and shows
// one at a time; every page takes part in every update notification.
//
// Writing a page: derive from CConfigPageView (configuration pages, with the
// communication panel) or from CPageView (the live page), pass the page
// number and template id to the constructor, and override
//   - DoDataExchange(CDataExchange&) to bind controls to the configuration
//     (configuration pages call CConfigPageView::DoDataExchange last, for the
//     panel);
//   - OnInitialUpdate() for what is filled once per New and Open (call the
//     base first);
//   - OnUpdate(sender, hint) for the page's reaction to the update
//     notification.
// Controls are reached by number with Control / ControlAs; the template's
// signals are connected in the constructor.
//
// Window thread only, like every widget.
#pragma once

#include <QScrollArea>

#include "config/configuration.h"
#include "dialogform.h"

namespace fennmere {

class CDataExchange;
class CPageDocument;

class CPageView : public QScrollArea {
    Q_OBJECT
public:
    // Builds the page from template templateId, hidden, with window number =
    // page number.
    CPageView(int page, int templateId, QWidget* parent);

    // 1 Analog, 2 Digital, 3 Serial, 4 Internal, 5 Output, 6 EWS, 7 System,
    // 8 Modem, 9 Live view.
    int PageNumber() const { return m_nPage; }
    int TemplateId() const { return m_nTemplateId; }

    // The frame's number for this page: its page number while hidden, the
    // main-pane number while on display.
    int WindowNumber() const { return m_nWindowNumber; }
    void SetWindowNumber(int number) { m_nWindowNumber = number; }

    // The document this page views; set when the frame attaches the page.
    CPageDocument* GetDocument() const { return m_pDocument; }
    void SetDocument(CPageDocument* document) { m_pDocument = document; }

    // Store (controls into the configuration) or load (configuration into
    // controls). Returns false when a store stopped at a refused field; the
    // operator has been told then.
    bool UpdateData(bool store = true);

    // Once per New and Open, for every page: loads the page, then runs the
    // update reaction.
    virtual void OnInitialUpdate();
    // The update notification (sender: the page that caused it, or nullptr;
    // hint: 0). The base repaints.
    virtual void OnUpdate(CPageView* sender, int hint);

    CDialogForm& Form() const { return *m_pForm; }
    QWidget* Control(int id) const { return m_pForm->Control(id); }
    template <class T>
    T* ControlAs(int id) const
    {
        return m_pForm->ControlAs<T>(id);
    }
    // Showing, hiding, enabling and disabling by number; unknown numbers are
    // ignored.
    void ShowControl(int id, bool show);
    void EnableControl(int id, bool enable);

protected:
    // Binds the page's controls to the configuration. The base binds nothing.
    virtual void DoDataExchange(CDataExchange& dx);
    // The document's configuration.
    CConfiguration& Config() const;

private:
    int m_nPage;
    int m_nTemplateId;
    int m_nWindowNumber;
    CPageDocument* m_pDocument = nullptr;
    CDialogForm* m_pForm;
};

}  // namespace fennmere
