#include "sequence_editor_window.h"

#include "seqeditor/sequence_editor.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QBrush>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

// The editor's rows as a table: view row r is grid row r + 1 (row 0 is the header).
class EditorGridModel final : public QAbstractTableModel
{
public:
    explicit EditorGridModel(SequenceEditor &editor, QObject *parent)
        : QAbstractTableModel(parent), m_editor(editor)
    {}

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_editor.grid().size()) - 1;
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : 3;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() + 1 >= m_editor.grid().size())
            return {};
        const EditorGridRow &row = m_editor.grid().at(index.row() + 1);
        switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return cell(row, index.column());
        case Qt::ForegroundRole:
            if (row.promptMissing && index.column() == 1)
                return QBrush(Qt::darkRed);
            return {};
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole:
            if (row.promptMissing)
                return QStringLiteral("No recorded prompt for this point");
            return {};
        default:
            return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || m_editor.grid().isEmpty())
            return {};
        return cell(m_editor.grid().first(), section).replace(QChar(13), QChar(10));
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        Qt::ItemFlags f = QAbstractTableModel::flags(index);
        if (index.column() > 0)
            f |= Qt::ItemIsEditable;
        return f;
    }

    bool setData(const QModelIndex &index, const QVariant &value, int role) override
    {
        if (role != Qt::EditRole || !index.isValid())
            return false;
        m_editor.selectRow(index.row() + 1);
        if (index.column() == 1)
            m_editor.setName(value.toString());
        else if (index.column() == 2)
            m_editor.chooseType(value.toString());
        else
            return false;
        if (onEdited)
            onEdited();
        return true;
    }

    std::function<void()> onEdited;

    // Rebuilds the view when rows came or went, else repaints the cells.
    void refresh()
    {
        const int rows = int(m_editor.grid().size()) - 1;
        if (rows != m_shownRows) {
            beginResetModel();
            m_shownRows = rows;
            endResetModel();
        } else if (rows > 0) {
            emit dataChanged(index(0, 0), index(rows - 1, 2));
        }
    }

private:
    static QString cell(const EditorGridRow &row, int column)
    {
        return column == 0 ? row.number : column == 1 ? row.name : row.type;
    }
    SequenceEditor &m_editor;
    int m_shownRows = -1;
};

namespace {
// Names are at most eight characters, in the grid as in the name box.
class NameDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor))
            line->setMaxLength(8);
        return editor;
    }
};

// The type cell is edited with the seven types of the type list.
class TypeDelegate final : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &,
                          const QModelIndex &) const override
    {
        auto *box = new QComboBox(parent);
        box->addItems(SequenceEditor::TypeItems);
        return box;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *box = static_cast<QComboBox *>(editor);
        const int i = box->findText(index.data(Qt::EditRole).toString());
        box->setCurrentIndex(qMax(0, i));
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override
    {
        model->setData(index, static_cast<QComboBox *>(editor)->currentText(), Qt::EditRole);
    }
};

// Keys as in a spreadsheet: Enter goes down, Delete empties the cell, typing edits it.
class EditorGridView final : public QTableView
{
public:
    EditorGridView(SequenceEditor &editor, QWidget *parent) : QTableView(parent), m_editor(editor)
    {}

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const bool plain =
            event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier;
        if (state() != EditingState && plain &&
            (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
            moveDown();
            return;
        }
        if (state() != EditingState && plain && event->key() == Qt::Key_Delete) {
            if (currentIndex().column() == 1)
                m_editor.setName(QString());
            else if (currentIndex().column() == 2)
                m_editor.clearType();
            if (onCellCleared)
                onCellCleared();
            return;
        }
        QTableView::keyPressEvent(event);
    }

    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override
    {
        QTableView::closeEditor(editor, hint);
        if (hint == QAbstractItemDelegate::SubmitModelCache)
            moveDown();
    }

public:
    std::function<void()> onCellCleared;

private:
    void moveDown()
    {
        const QModelIndex next = model()->index(currentIndex().row() + 1, currentIndex().column());
        if (next.isValid())
            setCurrentIndex(next);
    }
    SequenceEditor &m_editor;
};

struct MenuEntry
{
    const char *name;
    const char *caption;
    QKeySequence shortcut = {};
};
} // namespace

SequenceEditorWindow::SequenceEditorWindow(SequenceEditor &editor, QWidget *parent)
    : QDialog(parent), m_editor(editor)
{
    setObjectName(QStringLiteral("SequenceEditor"));
    setAccessibleName(QStringLiteral("Sequence File Editor"));
    setModal(true);
    setSizeGripEnabled(true);

    auto *layout = new QHBoxLayout(this);
    auto *bar = new QMenuBar(this);
    buildMenus(bar);
    layout->setMenuBar(bar);

    m_gridModel = new EditorGridModel(editor, this);
    auto *view = new EditorGridView(editor, this);
    view->onCellCleared = [this] { syncFromModel(); };
    m_grid = view;
    m_grid->setObjectName(QStringLiteral("EditGrid"));
    m_grid->setAccessibleName(QStringLiteral("Sequence points"));
    m_grid->setModel(m_gridModel);
    m_grid->setItemDelegateForColumn(1, new NameDelegate(m_grid));
    m_grid->setItemDelegateForColumn(2, new TypeDelegate(m_grid));
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { onCurrentRowChanged(current.row()); });
    // Synced after the delegate has finished, not inside its commit.
    m_gridModel->onEdited = [this] {
        QMetaObject::invokeMethod(
            this, [this] { syncFromModel(); }, Qt::QueuedConnection);
    };
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::AnyKeyPressed);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 8);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setMinimumWidth(420);
    layout->addWidget(m_grid, 1);
    layout->addWidget(buildSidePanel());

    editor.closeWindow = [this] {
        m_closing = true;
        done(QDialog::Accepted);
    };
    editor.changed = [this] { syncFromModel(); };
    resize(820, 560);
}

SequenceEditorWindow::~SequenceEditorWindow()
{
    m_editor.closeWindow = nullptr;
    m_editor.changed = nullptr;
}

void SequenceEditorWindow::buildMenus(QMenuBar *bar)
{
    auto add = [this](QMenu *menu, const MenuEntry &e) {
        const QString name = QString::fromLatin1(e.name);
        QAction *a = menu->addAction(QString::fromLatin1(e.caption));
        a->setObjectName(name);
        if (!e.shortcut.isEmpty())
            a->setShortcut(e.shortcut);
        connect(a, &QAction::triggered, this, [this, name] { invoke(name); });
        m_actions.insert(name, a);
        return a;
    };
    auto sub = [this](QMenu *menu, const char *name, const char *caption) {
        QMenu *s = menu->addMenu(QString::fromLatin1(caption));
        s->setObjectName(QString::fromLatin1(name));
        s->menuAction()->setObjectName(QString::fromLatin1(name));
        m_actions.insert(s->objectName(), s->menuAction());
        return s;
    };

    QMenu *file = bar->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("menuFile"));
    add(file, {"menuNew", "&New", QKeySequence::New});
    QMenu *templates = sub(file, "menuOpenTemplate", "&Open");
    for (const MenuEntry &e :
         {MenuEntry{"MenuOpen32", "&32 Electrodes"}, MenuEntry{"menuOpen64", "&64 Electrodes"},
          MenuEntry{"menuOpen128", "12&8 Electrodes"},
          MenuEntry{"menuOpen1020", "&10/20 Electrodes"}})
        add(templates, e);
    add(file, {"menuOpen", "O&pen...", QKeySequence::Open});
    add(file, {"menuSaveAs", "&Save...", QKeySequence::Save});
    add(file, {"menuAccept", "&Accept"});
    add(file, {"menuCancel", "&Close"});

    QMenu *edit = bar->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("menuEdit"));
    QMenu *insert = sub(edit, "menuInsertRow", "&Insert Row");
    add(insert, {"menuInsertAbove", "&Above Selected Row", QKeySequence(Qt::Key_Insert)});
    add(insert,
        {"menuInsertBelow", "&Below Selected Row", QKeySequence(Qt::CTRL | Qt::Key_Insert)});
    add(edit, {"menuDelete", "&Delete Row", QKeySequence(Qt::CTRL | Qt::Key_Delete)});
    add(edit, {"menuPreview", "Delete B&lank Rows"});
    QMenu *sound = sub(edit, "menuCreateSound", "Create &Sound Files");
    add(sound, {"menuSoundEnabled", "&Enabled"})->setCheckable(true);
    add(sound, {"menuSoundDisabled", "&Disabled"})->setCheckable(true);
    add(edit, {"menuDeleteSound", "Delete S&ound"});
    add(edit, {"nenuClear", "&Clear All"});
}

QLabel *SequenceEditorWindow::addLabel(const char *name, const QString &text)
{
    auto *l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->setAccessibleName(text.isEmpty() ? QString::fromLatin1(name) : text);
    m_labels.insert(l->objectName(), l);
    return l;
}

QWidget *SequenceEditorWindow::buildSidePanel()
{
    auto *panel = new QWidget(this);
    auto *grid = new QGridLayout(panel);
    int row = 0;
    grid->addWidget(addLabel("SequenceLabel", QStringLiteral("Sequence number")), row, 0);
    grid->addWidget(addLabel("SeqTextLabel"), row++, 1);

    m_nameText = new QLineEdit(panel);
    m_nameText->setObjectName(QStringLiteral("NameText"));
    m_nameText->setAccessibleName(QStringLiteral("Name"));
    m_nameText->setMaxLength(8);
    m_nameText->setFixedWidth(
        m_nameText->fontMetrics().horizontalAdvance(QStringLiteral("WWWWWWWW")) + 12);
    QLabel *nameLabel = addLabel("NameLabel", QStringLiteral("&Name"));
    nameLabel->setBuddy(m_nameText);
    grid->addWidget(nameLabel, row, 0);
    grid->addWidget(m_nameText, row++, 1);
    connect(m_nameText, &QLineEdit::textEdited, this, [this](const QString &text) {
        m_editor.setName(text);
        syncFromModel();
    });

    m_typeList = new QListWidget(panel);
    m_typeList->setObjectName(QStringLiteral("TypeList"));
    m_typeList->setAccessibleName(QStringLiteral("Type"));
    m_typeList->addItems(SequenceEditor::TypeItems);
    m_typeList->setMaximumHeight(m_typeList->sizeHintForRow(0) * 7 + 8);
    QLabel *typeLabel = addLabel("TypeLabel", QStringLiteral("&Type"));
    typeLabel->setBuddy(m_typeList);
    grid->addWidget(typeLabel, row++, 0, 1, 2);
    grid->addWidget(m_typeList, row++, 0, 1, 2);
    auto choose = [this](QListWidgetItem *item) {
        if (!item)
            return;
        m_editor.chooseType(item->text());
        syncFromModel();
    };
    connect(m_typeList, &QListWidget::itemClicked, this, choose);
    connect(m_typeList, &QListWidget::itemActivated, this, choose);

    grid->addWidget(addLabel("CodeLabel", QStringLiteral("Code")), row, 0);
    grid->addWidget(addLabel("CodeTextLabel"), row++, 1);
    grid->addWidget(addLabel("TotalLabel", QStringLiteral("Total Points")), row, 0);
    grid->addWidget(addLabel("TotalTextLabel"), row++, 1);
    grid->addWidget(buildSoundPanel(), row++, 0, 1, 2);
    grid->setRowStretch(row, 1);
    return panel;
}

QWidget *SequenceEditorWindow::buildSoundPanel()
{
    auto *box = new QGroupBox(QStringLiteral("Record Sound"), this);
    box->setObjectName(QStringLiteral("SoundControl"));
    box->setAccessibleName(QStringLiteral("Record Sound"));
    m_soundWidgets.insert(box->objectName(), box);
    auto *layout = new QVBoxLayout(box);
    auto *buttons = new QHBoxLayout;
    for (const auto &[name, caption] :
         {std::pair{"RecordButton", "&Record"}, std::pair{"StopButton", "S&top"},
          std::pair{"PlayButton", "&Play"}}) {
        auto *b = new QPushButton(QString::fromLatin1(caption), box);
        const QString control = QString::fromLatin1(name);
        b->setObjectName(control);
        b->setAccessibleName(QString::fromLatin1(caption).remove(QLatin1Char('&')));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, control] { invoke(control); });
        buttons->addWidget(b);
        m_soundWidgets.insert(control, b);
    }
    layout->addLayout(buttons);
    m_playAll = new QCheckBox(QStringLiteral("Play &all"), box);
    m_playAll->setObjectName(QStringLiteral("PlayAllCheck"));
    m_playAll->setAccessibleName(QStringLiteral("Play all"));
    m_playAll->setToolTip(QStringLiteral("Plays every prompt in sequence order"));
    connect(m_playAll, &QCheckBox::toggled, this, [this](bool on) {
        if (m_syncing)
            return;
        m_editor.setPlayAll(on);
        syncFromModel();
    });
    m_soundWidgets.insert(m_playAll->objectName(), m_playAll);
    layout->addWidget(m_playAll);
    layout->addWidget(addLabel("SoundStatusLabel"));
    QLabel *legend = addLabel("PromptLegendLabel", QStringLiteral("Names in red have no prompt."));
    legend->setStyleSheet(QStringLiteral("color: darkred"));
    layout->addWidget(legend);
    return box;
}

void SequenceEditorWindow::load()
{
    m_editor.Form_Load();
    syncFromModel();
}

void SequenceEditorWindow::invoke(const QString &control)
{
    m_editor.commands.invoke(control);
    if (!m_closing)
        syncFromModel();
}

void SequenceEditorWindow::reject()
{
    if (m_closing) {
        QDialog::reject();
        return;
    }
    m_editor.unload();
    if (!m_closing)
        syncFromModel();
}

void SequenceEditorWindow::onCurrentRowChanged(int viewRow)
{
    if (m_syncing || viewRow < 0)
        return;
    m_editor.selectRow(viewRow + 1);
    syncFromModel();
}

void SequenceEditorWindow::syncFromModel()
{
    if (m_syncing)
        return;
    m_syncing = true;
    const UiState &ui = m_editor.ui;
    setWindowTitle(ui.caption);

    m_actions.value(QStringLiteral("menuAccept"))
        ->setEnabled(ui.value(QStringLiteral("menuAccept")).enabled);
    m_actions.value(QStringLiteral("menuCancel"))
        ->setText(QLatin1Char('&') + ui.value(QStringLiteral("menuCancel")).text);
    for (const char *name : {"menuSoundEnabled", "menuSoundDisabled"})
        m_actions.value(QString::fromLatin1(name))
            ->setChecked(ui.value(QString::fromLatin1(name)).checked);
    for (const char *name : {"SeqTextLabel", "CodeTextLabel", "TotalTextLabel", "SoundStatusLabel"})
        m_labels.value(QString::fromLatin1(name))
            ->setText(ui.value(QString::fromLatin1(name)).text);

    const QString name = ui.value(QStringLiteral("NameText")).text;
    if (m_nameText->text() != name)
        m_nameText->setText(name);
    const QList<QListWidgetItem *> type =
        m_typeList->findItems(ui.value(QStringLiteral("TypeList")).text, Qt::MatchExactly);
    if (type.isEmpty())
        m_typeList->setCurrentRow(-1);
    else
        m_typeList->setCurrentItem(type.first());

    for (auto it = m_soundWidgets.cbegin(); it != m_soundWidgets.cend(); ++it) {
        if (it.key() == QLatin1String("SoundControl"))
            continue; // Play all stays usable on rows without a name
        it.value()->setEnabled(ui.value(it.key()).enabled);
    }
    m_playAll->setChecked(ui.value(QStringLiteral("PlayAllCheck")).checked);
    const auto &rows = m_editor.grid();
    m_labels.value(QStringLiteral("PromptLegendLabel"))
        ->setVisible(std::any_of(rows.cbegin(), rows.cend(),
                                 [](const EditorGridRow &r) { return r.promptMissing; }));

    // A reset forgets the current cell; the column the operator was in is kept.
    const int column = m_grid->currentIndex().isValid() ? m_grid->currentIndex().column() : 1;
    m_gridModel->refresh();
    const int row = m_editor.CurrentRow - 1;
    if (row >= 0 && row < m_gridModel->rowCount() && m_grid->currentIndex().row() != row)
        m_grid->setCurrentIndex(m_gridModel->index(row, column));
    m_syncing = false;
}
