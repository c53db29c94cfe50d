#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

struct Workspace;
class Dialogs;
class UiState;
class WaveAudio;

// The sound side of the sequence editor: the prompt of the selected row, recording, playing,
// Play all, Delete Sound, and the moves between the working and the stored prompt folders.
// Rows are passed as the editor's names and a 0-based index; -1 means no row.
class EditorSound
{
public:
    EditorSound(Workspace &ws, Dialogs &dialogs, WaveAudio &audio, UiState &ui,
                std::function<void(bool)> setSound);
    ~EditorSound();
    EditorSound(const EditorSound &) = delete;
    EditorSound &operator=(const EditorSound &) = delete;

    // Window load: the menu follows SoundEnabled; with sound on the stored prompts of `title`
    // are copied in (a working prompt recorded earlier in this run is kept).
    void load(const QString &title);
    void enable(const QString &title);
    void disable();
    // A sequence file was opened: with sound on its stored prompts replace working ones.
    void openedSequence(const QString &title);
    // Row selection: the control is set to the row's working prompt.
    void prepareRow(const QStringList &names, int index);
    void record(const QStringList &names, int index);
    // Ends a recording (kept) or a play.
    void stop();
    // Finishes a recording, then plays the row's prompt.
    void play(const QStringList &names, int index, const QString &title);
    void deleteSound(const QStringList &names, int index);
    // File > Save with sound on: the working prompts become the stored prompts of `title`.
    bool saveInto(const QString &title, QString *error);
    // Window unload: a recording is kept, playing stops.
    void shutdown();

    // The prompt the operator hears for each row: the working one when recorded, else the
    // stored one of `title`; empty when the row has none.
    QStringList heardFiles(const QStringList &names, const QString &title) const;

    void startPlayAll(const QStringList &names, const QString &title);
    void stopPlayAll();
    bool isPlayingAll() const { return m_playAll; }
    bool isRecording() const;

    // Play all selects the row it plays; told after a play ended on its own.
    std::function<void(int index)> showRow;
    std::function<void()> changed;
    // Told when a prompt was recorded or deleted: unsaved work, like an edited row.
    std::function<void()> promptsEdited;

private:
    bool finishRecording();
    void playNext();
    void onPlayFinished();
    void updateControls();
    void setMenuChecks();

    Workspace &m_ws;
    Dialogs &m_dialogs;
    WaveAudio &m_audio;
    UiState &m_ui;
    std::function<void(bool)> m_setSound;
    QString m_file;          // working prompt of the selected row
    QString m_recordingFile; // where the running recording goes
    QSet<QString> m_dropped; // file names removed by Delete Sound since the last save

    struct Queued
    {
        int index;
        QString file;
    };
    QVector<Queued> m_queue;
    qsizetype m_queuePos = 0;
    bool m_playAll = false;
    bool m_waiting = false;
    bool m_inPlayNext = false;
};
