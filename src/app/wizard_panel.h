#pragma once

#include "acquisition/wizard_view.h"

#include <QHash>
#include <QTimer>
#include <QWidget>
#include <functional>

class QLabel;
class QListWidget;
class QPushButton;

// The measurement panel: the prompt in letters large enough to read from the subject's chair,
// "Point n of N" and the point's name, the five wizard buttons, the list of electrode names
// (a click digitizes one again) and Edit_Button. It polls the wizard while a wait runs.
class WizardPanel final : public QWidget, public WizardView
{
    Q_OBJECT
public:
    explicit WizardPanel(QWidget *parent = nullptr);

    // What the panel asks of the window.
    std::function<void(const QString &control)> invoke; // a button, by control name
    std::function<void()> poll;                         // the wait's timer ticked
    std::function<void(int electrode)> nameClicked;
    std::function<void(int electrode)> nameSelected;
    std::function<void()> showElectrodes;
    std::function<void()> clearElectrodes;
    std::function<void(bool white)> background;
    std::function<void(int sequence)> sequenceClicked; // 1-based
    std::function<void(bool on)> shapeShown;
    std::function<void(const std::vector<int> &starts, int selected)> sequencesChanged;

    void setButtons(const Buttons &buttons) override;
    void showPrompt(const Prompt &prompt) override;
    void setStepTitle(const QString &title) override;
    void setPointProgress(int n, int total, const QString &name) override;
    void setPointNames(const QStringList &names) override;
    void showElectrodeSet() override;
    void clearDisplay() override;
    void waitChanged(bool running) override;
    void shapeMode(bool on) override;
    void showShapeSequences(const std::vector<int> &starts, int selected) override;

    QPushButton *button(const QString &name) const { return m_buttons.value(name); }
    QLabel *promptLabel() const { return m_prompt; }
    QLabel *progressLabel() const { return m_progress; }
    QLabel *pointNameLabel() const { return m_pointName; }
    QLabel *titleLabel() const { return m_title; }
    QListWidget *nameList() const { return m_names; }
    QListWidget *sequenceList() const { return m_sequences; }
    bool polling() const { return m_timer.isActive(); }

private:
    QLabel *m_title = nullptr;
    QLabel *m_prompt = nullptr;
    QLabel *m_progress = nullptr;
    QLabel *m_pointName = nullptr;
    QListWidget *m_names = nullptr;
    QPushButton *m_edit = nullptr;
    QListWidget *m_sequences = nullptr;
    QPushButton *m_deleteSequence = nullptr;
    QHash<QString, QPushButton *> m_buttons;
    QTimer m_timer;
};
