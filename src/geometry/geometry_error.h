#pragma once

#include <QString>
#include <stdexcept>

// A computation that cannot give finite results (degenerate fiducials, no receivers, overflow).
class GeometryError : public std::runtime_error
{
public:
    explicit GeometryError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};
