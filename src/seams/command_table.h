#pragma once

#include <QHash>
#include <QString>
#include <functional>

// Menu and button handlers by control name, so the window and the tests invoke the same code.
class CommandTable
{
public:
    void add(const QString &control, std::function<void()> handler)
    {
        m_handlers.insert(control, std::move(handler));
    }
    bool has(const QString &control) const { return m_handlers.contains(control); }
    // False when no handler is registered under that name.
    bool invoke(const QString &control) const
    {
        const auto it = m_handlers.constFind(control);
        if (it == m_handlers.constEnd())
            return false;
        (*it)();
        return true;
    }

private:
    QHash<QString, std::function<void()>> m_handlers;
};
