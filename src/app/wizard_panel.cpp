#include "wizard_panel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {
constexpr int PollMs = 10;
constexpr int PromptLines = 5;

// Letters this many times the menu's: the prompt is read from the subject's chair.
QFont scaledMenuFont(double factor, bool bold)
{
    QFont f = QApplication::font("QMenu");
    if (f.pointSizeF() > 0)
        f.setPointSizeF(f.pointSizeF() * factor);
    else
        f.setPixelSize(static_cast<int>(f.pixelSize() * factor));
    f.setBold(bold);
    return f;
}

QLabel *label(QWidget *parent, const QString &name, const QString &accessible)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setAccessibleName(accessible);
    l->setTextFormat(Qt::PlainText);
    return l;
}
} // namespace

WizardPanel::WizardPanel(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("WizardPanel"));
    setAccessibleName(QStringLiteral("Measurement"));

    m_title = label(this, QStringLiteral("Label2"), QStringLiteral("Step"));
    m_title->setFont(scaledMenuFont(1.2, true));
    m_progress = label(this, QStringLiteral("PointCounter"), QStringLiteral("Point"));
    m_progress->setFont(scaledMenuFont(1.5, false));
    m_pointName = label(this, QStringLiteral("PointName"), QStringLiteral("Point name"));
    m_pointName->setFont(scaledMenuFont(2.5, true));
    m_prompt = new QLabel(this);
    m_prompt->setObjectName(QStringLiteral("Label1"));
    m_prompt->setAccessibleName(QStringLiteral("Prompt"));
    m_prompt->setTextFormat(Qt::RichText);
    m_prompt->setWordWrap(true);
    m_prompt->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    m_prompt->setFont(scaledMenuFont(2.5, false));
    // The buttons stay where the hand expects them: the prompt never changes the panel's height.
    m_prompt->setFixedHeight(QFontMetrics(m_prompt->font()).lineSpacing() * PromptLines);

    auto *buttons = new QHBoxLayout;
    const std::pair<const char *, const char *> captions[] = {{"AcceptButton", "&Accept"},
                                                              {"BackButton", "&Back"},
                                                              {"RepeatButton", "&Repeat"},
                                                              {"NextButton", "&Next"},
                                                              {"CancelButton", "Cance&l"}};
    for (const auto &[name, caption] : captions) {
        auto *b = new QPushButton(QString::fromLatin1(caption), this);
        const QString control = QString::fromLatin1(name);
        b->setObjectName(control);
        b->setAccessibleName(QString::fromLatin1(caption).remove(QLatin1Char('&')));
        b->setFont(scaledMenuFont(1.5, false));
        b->setEnabled(false);
        connect(b, &QPushButton::clicked, this, [this, control] {
            if (invoke)
                invoke(control);
        });
        buttons->addWidget(b);
        m_buttons.insert(control, b);
    }
    // Presentation remotes and foot switches send Page Down and Page Up.
    auto shortcut = [this](QKeySequence key, const QString &control) {
        auto *s = new QShortcut(key, this);
        s->setContext(Qt::WindowShortcut);
        connect(s, &QShortcut::activated, this, [this, control] {
            if (invoke && m_buttons.value(control)->isEnabled())
                invoke(control);
        });
    };
    shortcut(QKeySequence(Qt::Key_PageDown), QStringLiteral("NextButton"));
    shortcut(QKeySequence(Qt::Key_PageUp), QStringLiteral("BackButton"));

    m_names = new QListWidget(this);
    m_names->setObjectName(QStringLiteral("NameLabel"));
    m_names->setAccessibleName(QStringLiteral("Electrode names"));
    m_names->setToolTip(QStringLiteral("Click a name to digitize that electrode again"));
    m_names->setVisible(false);
    connect(m_names, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (nameClicked)
            nameClicked(m_names->row(item));
    });
    connect(m_names, &QListWidget::currentRowChanged, this, [this](int row) {
        if (nameSelected)
            nameSelected(row);
    });
    m_edit = new QPushButton(QStringLiteral("Edit P&oint"), this);
    m_edit->setObjectName(QStringLiteral("Edit_Button"));
    m_edit->setAccessibleName(QStringLiteral("Edit point"));
    m_edit->setVisible(false);
    connect(m_edit, &QPushButton::clicked, this, [this] {
        if (invoke)
            invoke(QStringLiteral("Edit_Button"));
    });

    m_sequences = new QListWidget(this);
    m_sequences->setObjectName(QStringLiteral("SequenceList"));
    m_sequences->setAccessibleName(QStringLiteral("Head-shape sequences"));
    m_sequences->setToolTip(QStringLiteral("Click a sequence to show it highlighted"));
    m_sequences->setVisible(false);
    connect(m_sequences, &QListWidget::itemClicked, this, [this](QListWidgetItem *item) {
        if (sequenceClicked)
            sequenceClicked(m_sequences->row(item) + 1);
    });
    m_deleteSequence = new QPushButton(QStringLiteral("&Delete Sequence"), this);
    m_deleteSequence->setObjectName(QStringLiteral("SeqDelete"));
    m_deleteSequence->setAccessibleName(QStringLiteral("Delete sequence"));
    m_deleteSequence->setVisible(false);
    connect(m_deleteSequence, &QPushButton::clicked, this, [this] {
        if (invoke)
            invoke(QStringLiteral("SeqDelete"));
    });

    auto *text = new QVBoxLayout;
    text->addWidget(m_title);
    auto *point = new QHBoxLayout;
    point->addWidget(m_progress);
    point->addWidget(m_pointName, 1);
    text->addLayout(point);
    text->addWidget(m_prompt, 1);
    text->addLayout(buttons);
    auto *names = new QVBoxLayout;
    names->addWidget(m_names, 1);
    names->addWidget(m_edit);
    names->addWidget(m_sequences, 1);
    names->addWidget(m_deleteSequence);
    auto *all = new QHBoxLayout(this);
    all->addLayout(text, 1);
    all->addLayout(names);

    m_timer.setInterval(PollMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (poll)
            poll();
    });
}

void WizardPanel::setButtons(const Buttons &b)
{
    m_buttons.value(QStringLiteral("AcceptButton"))->setEnabled(b.accept);
    m_buttons.value(QStringLiteral("BackButton"))->setEnabled(b.back);
    m_buttons.value(QStringLiteral("RepeatButton"))->setEnabled(b.repeat);
    m_buttons.value(QStringLiteral("NextButton"))->setEnabled(b.next);
    m_buttons.value(QStringLiteral("CancelButton"))->setEnabled(b.cancel);
    if (background)
        background(b.white);
}

void WizardPanel::showPrompt(const Prompt &prompt)
{
    QStringList html;
    for (int i = 0; i < prompt.lines.size(); ++i) {
        const QString line = prompt.lines[i].toHtmlEscaped();
        html << (prompt.isWarning(i)
                     ? QStringLiteral("<span style=\"color:#b00020; font-weight:bold\">%1</span>")
                           .arg(line)
                     : line);
    }
    // A prompt longer than the area is set smaller rather than moving the buttons.
    QFont f = scaledMenuFont(2.5, false);
    const int lines = std::max(1, int(prompt.lines.size()));
    if (lines > PromptLines) {
        if (f.pointSizeF() > 0)
            f.setPointSizeF(f.pointSizeF() * PromptLines / lines);
        else
            f.setPixelSize(std::max(8, f.pixelSize() * PromptLines / lines));
    }
    m_prompt->setFont(f);
    // Kept as written: "Digitize  Cz" has two blanks.
    m_prompt->setText(QStringLiteral("<div style=\"white-space:pre-wrap\">%1</div>")
                          .arg(html.join(QStringLiteral("<br>"))));
    m_prompt->setAccessibleDescription(prompt.lines.join(QLatin1Char('\n')));
}

void WizardPanel::setStepTitle(const QString &title)
{
    m_title->setText(title);
}

void WizardPanel::setPointProgress(int n, int total, const QString &name)
{
    m_progress->setText(n > 0 ? QStringLiteral("Point %1 of %2").arg(n).arg(total) : QString());
    m_pointName->setText(n > 0 ? name : QString());
}

void WizardPanel::setPointNames(const QStringList &names)
{
    m_names->clear();
    m_names->addItems(names);
    m_names->setVisible(!names.isEmpty());
    m_edit->setVisible(!names.isEmpty());
}

void WizardPanel::showElectrodeSet()
{
    if (showElectrodes)
        showElectrodes();
}

void WizardPanel::clearDisplay()
{
    if (clearElectrodes)
        clearElectrodes();
}

void WizardPanel::waitChanged(bool running)
{
    if (running)
        m_timer.start();
    else
        m_timer.stop();
}

void WizardPanel::shapeMode(bool on)
{
    m_sequences->clear();
    m_sequences->setVisible(on);
    m_deleteSequence->setVisible(on);
    m_deleteSequence->setEnabled(false);
    if (shapeShown)
        shapeShown(on);
}

void WizardPanel::showShapeSequences(const std::vector<int> &starts, int selected)
{
    if (m_sequences->count() != int(starts.size())) {
        m_sequences->clear();
        for (size_t k = 1; k <= starts.size(); ++k)
            m_sequences->addItem(QString::number(k));
    }
    m_sequences->setCurrentRow(selected - 1);
    m_deleteSequence->setEnabled(starts.size() > 1);
    if (sequencesChanged)
        sequencesChanged(starts, selected);
}
