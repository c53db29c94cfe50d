#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

// What the window shows, kept headless: menu checks, enabled and visible states, label texts.
// The window copies it onto its controls after each handler; tests read it directly.
class UiState
{
public:
    struct Control
    {
        bool checked = false;
        bool enabled = true;
        bool visible = true;
        QString text;
    };

    Control &operator[](const QString &name) { return m_controls[name]; }
    Control value(const QString &name) const { return m_controls.value(name); }
    bool contains(const QString &name) const { return m_controls.contains(name); }
    QStringList names() const { return m_controls.keys(); }

    void setChecked(const QString &name, bool on) { m_controls[name].checked = on; }
    void setEnabled(const QString &name, bool on) { m_controls[name].enabled = on; }
    void setVisible(const QString &name, bool on) { m_controls[name].visible = on; }
    void setText(const QString &name, const QString &text) { m_controls[name].text = text; }
    // Checks `chosen` and unchecks the rest of `group`.
    void checkOnly(const QStringList &group, const QString &chosen)
    {
        for (const QString &n : group)
            m_controls[n].checked = (n == chosen);
    }

    QString caption;
    QString fileFilter;
    int filterIndex = 1;
    QString dialogFolder;
    int busyDepth = 0; // hourglass while > 0
    // Told when the hourglass comes and goes, so a window can show it during a handler.
    std::function<void(bool)> busyChanged;

private:
    QHash<QString, Control> m_controls;
};

// Hourglass for the lifetime of a scope.
class BusyScope
{
public:
    explicit BusyScope(UiState &ui) : m_ui(ui)
    {
        if (++m_ui.busyDepth == 1 && m_ui.busyChanged)
            m_ui.busyChanged(true);
    }
    ~BusyScope()
    {
        if (--m_ui.busyDepth == 0 && m_ui.busyChanged)
            m_ui.busyChanged(false);
    }
    BusyScope(const BusyScope &) = delete;
    BusyScope &operator=(const BusyScope &) = delete;

private:
    UiState &m_ui;
};
