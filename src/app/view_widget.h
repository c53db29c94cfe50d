#pragma once

#include <QHash>
#include <QWidget>
#include <functional>

class DisplayCommands;
class PlotArea;
class PointsTableModel;
class QAbstractButton;
class QFrame;
class QLabel;
class QRadioButton;
class QTableView;
class UiState;

// The 3-D view of the main window: Panel2 with the caption Label02, the plot Picture1, the eleven
// view buttons, the points table, the axis legend and SSPanel1 with the LabelOption group; and
// Panel1, the prompt panel the measurement steps fill. States come from the UiState; drawing,
// buttons and mouse act on the display commands' point view.
class ViewWidget final : public QWidget
{
    Q_OBJECT
public:
    explicit ViewWidget(QWidget *parent = nullptr);
    // `invoke` runs a handler by control name and refreshes the window.
    void attach(DisplayCommands &display, std::function<bool(const QString &)> invoke);
    void syncFrom(const UiState &ui);

    PlotArea *picture() const { return m_picture; }
    QWidget *promptPanel() const;
    QTableView *pointsTable() const { return m_table; }
    QAbstractButton *button(const QString &name) const { return m_buttons.value(name); }
    QRadioButton *labelOption(int index) const { return m_options[index == 1 ? 1 : 0]; }
    // Label02, Label03, XAxis, YAxis, ZAxis by name.
    const QHash<QString, QLabel *> &labels() const { return m_labels; }

private:
    QWidget *buildDisplayPanel();
    QWidget *buildButtons();
    QWidget *buildLegend();
    QWidget *buildOptionPanel();
    QLabel *addLabel(const QString &name, QWidget *parent);

    DisplayCommands *m_display = nullptr;
    std::function<bool(const QString &)> m_invoke;
    QFrame *m_panel1 = nullptr;
    QFrame *m_panel2 = nullptr;
    QFrame *m_optionPanel = nullptr;
    PlotArea *m_picture = nullptr;
    QTableView *m_table = nullptr;
    PointsTableModel *m_model = nullptr;
    QRadioButton *m_options[2] = {nullptr, nullptr};
    QHash<QString, QAbstractButton *> m_buttons;
    QHash<QString, QLabel *> m_labels;
};
