#pragma once

#include <QString>
#include <stdexcept>

// A fault that ends a file read or write; the boundary shows `message` and nothing is committed.
class FileError : public std::runtime_error
{
public:
    // Refused: a save turned down before anything was written (nothing to save, a value that
    // cannot be written so that it reads back).
    enum class Kind { WrongType, PastEnd, InvalidArgument, Malformed, Io, Refused };
    FileError(Kind kind, const QString &message)
        : std::runtime_error(message.toStdString()), m_kind(kind), m_message(message)
    {}
    Kind kind() const { return m_kind; }
    // The error number the operator is shown ("Error number 62 - ...").
    int number() const
    {
        switch (m_kind) {
        case Kind::PastEnd:
            return 62;
        case Kind::InvalidArgument:
            return 5;
        case Kind::Io:
            return 75;
        case Kind::Malformed:
            return 13;
        case Kind::WrongType:
        case Kind::Refused:
            break;
        }
        return 0;
    }
    const QString &message() const { return m_message; }

private:
    Kind m_kind;
    QString m_message;
};
