#include "view_widget.h"

#include "app/plot_area.h"
#include "commands/display_commands.h"
#include "display/points_table_model.h"
#include "display/view_controls.h"
#include "seams/ui_state.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

using namespace ViewControls;

ViewWidget::ViewWidget(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("PointView"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(buildDisplayPanel(), 1);
    m_panel1 = new QFrame(this);
    m_panel1->setObjectName(PromptPanel);
    m_panel1->setAccessibleName(QStringLiteral("Prompt panel"));
    new QVBoxLayout(m_panel1);
    layout->addWidget(m_panel1);
}

QLabel *ViewWidget::addLabel(const QString &name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setAccessibleName(name);
    label->setTextFormat(Qt::PlainText);
    m_labels.insert(name, label);
    return label;
}

QWidget *ViewWidget::buildDisplayPanel()
{
    m_panel2 = new QFrame(this);
    m_panel2->setObjectName(DisplayPanel);
    m_panel2->setAccessibleName(QStringLiteral("Display panel"));
    auto *grid = new QGridLayout(m_panel2);
    QLabel *caption = addLabel(DisplayCaption, m_panel2);
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    grid->addWidget(caption, 0, 0, 1, 2);

    auto *split = new QSplitter(Qt::Horizontal, m_panel2);
    m_picture = new PlotArea(split);
    m_table = new QTableView(split);
    m_table->setObjectName(QStringLiteral("PointsTable"));
    m_table->setAccessibleName(QStringLiteral("Points on display"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 4);
    m_table->horizontalHeader()->setDefaultSectionSize(64);
    m_table->horizontalHeader()->setStretchLastSection(true);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setSizes({520, 440});
    grid->addWidget(split, 1, 0);
    grid->addWidget(buildButtons(), 1, 1, Qt::AlignTop);
    grid->addWidget(buildLegend(), 2, 0, 1, 2);
    // Clearing the display (hiding Panel2) takes the option group with it.
    grid->addWidget(buildOptionPanel(), 3, 0, 1, 2);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(0, 1);
    return m_panel2;
}

QWidget *ViewWidget::buildButtons()
{
    auto *box = new QWidget(m_panel2);
    box->setObjectName(QStringLiteral("ViewButtons"));
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    int n = 0;
    for (const Button &b : Buttons) {
        const QString name = QString::fromLatin1(b.name);
        auto *button = new QPushButton(QString::fromLatin1(b.caption), box);
        button->setObjectName(name);
        button->setAccessibleName(QString::fromLatin1(b.accessibleName));
        button->setToolTip(QString::fromLatin1(b.accessibleName));
        m_buttons.insert(name, button);
        const int code = b.pressCode;
        if (code == 0) {
            connect(button, &QPushButton::clicked, this, [this, name] {
                if (m_invoke)
                    m_invoke(name);
            });
        } else {
            connect(button, &QPushButton::pressed, this, [this, code] {
                if (m_display)
                    m_display->view().press(code);
            });
            connect(button, &QPushButton::released, this, [this, code] {
                if (m_display)
                    m_display->view().release(code + 1);
            });
        }
        // Turning, zooming, moving and Home as four groups.
        if (n == 4 || n == 6 || n == 10)
            column->addSpacing(8);
        column->addWidget(button);
        ++n;
    }
    column->addStretch(1);
    return box;
}

QWidget *ViewWidget::buildLegend()
{
    auto *legend = new QWidget(m_panel2);
    auto *row = new QHBoxLayout(legend);
    row->setContentsMargins(0, 0, 0, 0);
    const struct
    {
        const char *line;
        QColor colour;
        const char *label;
    } items[] = {{"Line1", QColor(0, 0, 255), "XAxis"},
                 {"Line2", QColor(255, 0, 0), "YAxis"},
                 {"Line3", QColor(0, 255, 0), "ZAxis"}};
    for (const auto &item : items) {
        auto *line = new QFrame(legend);
        line->setObjectName(QString::fromLatin1(item.line));
        line->setFixedSize(28, 3);
        line->setAutoFillBackground(true);
        QPalette palette = line->palette();
        palette.setColor(QPalette::Window, item.colour);
        line->setPalette(palette);
        row->addWidget(line, 0, Qt::AlignVCenter);
        row->addWidget(addLabel(QString::fromLatin1(item.label), legend));
        row->addSpacing(12);
    }
    row->addStretch(1);
    return legend;
}

QWidget *ViewWidget::buildOptionPanel()
{
    m_optionPanel = new QFrame(m_panel2);
    m_optionPanel->setObjectName(OptionPanel);
    m_optionPanel->setAccessibleName(QStringLiteral("Label options"));
    auto *row = new QHBoxLayout(m_optionPanel);
    row->addWidget(addLabel(OptionCaption, m_optionPanel));
    auto *group = new QButtonGroup(m_optionPanel);
    for (int index : {1, 0}) {
        auto *option = new QRadioButton(m_optionPanel);
        option->setObjectName(ViewControls::labelOption(index));
        group->addButton(option, index);
        m_options[index] = option;
        row->addWidget(option);
        // Only the operator's click runs the handler; the state shown follows the UiState.
        connect(option, &QRadioButton::clicked, this, [this, index] {
            if (m_invoke)
                m_invoke(ViewControls::labelOption(index));
        });
    }
    row->addStretch(1);
    return m_optionPanel;
}

void ViewWidget::attach(DisplayCommands &display, std::function<bool(const QString &)> invoke)
{
    m_display = &display;
    m_invoke = std::move(invoke);
    m_picture->setView(&display.view());
    m_model = new PointsTableModel(display.view(), this);
    m_table->setModel(m_model);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList rows = m_table->selectionModel()->selectedRows();
        if (m_display)
            m_display->view().setMarkedRow(rows.isEmpty() ? -1 : rows.first().row());
    });
    // A new data set starts unmarked; the columns fit the rows in sight (cheap for any count).
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        m_table->resizeColumnsToContents();
        for (int c : {PointsTableModel::Name, PointsTableModel::Type})
            m_table->setColumnWidth(c, std::min(m_table->columnWidth(c), 110));
        if (m_display)
            m_display->view().setMarkedRow(-1);
    });
}

void ViewWidget::syncFrom(const UiState &ui)
{
    auto visible = [&ui](QWidget *w) {
        if (ui.contains(w->objectName()))
            w->setVisible(ui.value(w->objectName()).visible);
    };
    visible(m_panel1);
    visible(m_panel2);
    visible(m_optionPanel);
    visible(m_picture);
    for (auto it = m_labels.cbegin(); it != m_labels.cend(); ++it)
        it.value()->setText(ui.value(it.key()).text);
    for (QRadioButton *option : m_options) {
        const UiState::Control c = ui.value(option->objectName());
        option->setText(c.text);
        option->setAccessibleName(c.text);
        if (c.checked)
            option->setChecked(true);
    }
    for (auto it = m_buttons.cbegin(); it != m_buttons.cend(); ++it) {
        if (ui.contains(it.key()))
            it.value()->setEnabled(ui.value(it.key()).enabled);
    }
    // With every panel hidden the window gives the room to its other parts.
    setVisible(m_panel1->isVisibleTo(this) || m_panel2->isVisibleTo(this));
}

QWidget *ViewWidget::promptPanel() const
{
    return m_panel1;
}
