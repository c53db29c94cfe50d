#pragma once

#include "data/digitizer_models.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct Workspace;

// The journal of an electrode measurement in progress: the sequence, then every record as it is
// taken, each on disk (flushed and synced) before the next prompt, so that a crash or a power
// loss costs at most the reading being taken. A saved or discarded measurement leaves none.
class Journal
{
public:
    struct Entry
    {
        int point = 0; // sequence index, 0-based
        QString name;
        QDateTime time;
        QString record;
    };
    struct Contents
    {
        QDateTime started;
        QString sequenceFile;
        QString sequenceTitle;
        DigitizerModel model = DigitizerModel::NoDigitizer;
        int receivers = 0;
        QStringList names;
        QStringList codes;
        std::vector<Entry> entries; // in the order taken; a later entry of a point replaces it

        // Points that have a record.
        int taken() const;
        // The sequence index of the last record taken, or -1.
        int lastPoint() const;
        // The latest record of every point (empty for points without one).
        QStringList records() const;
    };

    // The journal of a program folder.
    static QString defaultPath(const QString &appPath);
    // Reads a journal; a last line cut by a crash is ignored. Empty with `error` set when the file
    // is missing or is not a journal.
    static std::optional<Contents> read(const QString &path, QString *error = nullptr);

    explicit Journal(const QString &path = {}) : m_file(path) {}
    QString path() const { return m_file.fileName(); }
    void setPath(const QString &path);
    bool exists() const { return QFile::exists(path()); }
    bool isOpen() const { return m_file.isOpen(); }

    // Starts the journal of a new measurement of the sequence in `ws`, replacing any old one.
    bool begin(const Workspace &ws, QString *error = nullptr);
    // Opens an existing journal to go on appending to it.
    bool resume(QString *error = nullptr);
    // Appends one record of sequence point `point` (0-based) and syncs it to the disk.
    bool append(int point, const QString &name, const QString &record, QString *error = nullptr);
    // Closes the journal and keeps the file (it is offered at the next start).
    void close();
    // Closes and deletes the journal.
    void discard();

private:
    bool writeAndSync(const QByteArray &bytes, QString *error);
    QFile m_file;
};
