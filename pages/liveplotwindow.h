// CLivePlotWindow: a window beside the main window with the value columns of
// the live list, each with a check box, and a plot of the checked ones
// against time. It stays open while the operator works on; when the live
// list gets new columns the choice starts again with the first value column.
//
// Window thread only.
#pragma once

#include <QWidget>

class QListWidget;

namespace fennmere {

class CLiveModel;
class CLivePlot;

class CLivePlotWindow : public QWidget {
    Q_OBJECT
public:
    CLivePlotWindow(CLiveModel& model, QWidget* parent);

    CLivePlot& Plot() const { return *m_pPlot; }
    QListWidget& Chooser() const { return *m_pChooser; }
    // Checks exactly the value columns given (model column numbers).
    void Choose(const QList<int>& columns);

private:
    void RebuildChooser();
    void TakeChoice();

    CLiveModel& m_model;
    QListWidget* m_pChooser;
    CLivePlot* m_pPlot;
    bool m_bRebuilding = false;
};

}  // namespace fennmere
