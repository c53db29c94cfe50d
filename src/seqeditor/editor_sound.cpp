#include "editor_sound.h"

#include "data/workspace.h"
#include "seams/dialogs.h"
#include "seams/ui_state.h"
#include "seams/wave_audio.h"
#include "data/sound_prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QStringList SoundMenu = {QStringLiteral("menuSoundEnabled"),
                               QStringLiteral("menuSoundDisabled")};
} // namespace

EditorSound::EditorSound(Workspace &ws, Dialogs &dialogs, WaveAudio &audio, UiState &ui,
                         std::function<void(bool)> setSound)
    : m_ws(ws), m_dialogs(dialogs), m_audio(audio), m_ui(ui), m_setSound(std::move(setSound))
{}

EditorSound::~EditorSound()
{
    m_audio.playFinished = nullptr;
}

bool EditorSound::isRecording() const
{
    return !m_recordingFile.isEmpty();
}

void EditorSound::setMenuChecks()
{
    m_ui.checkOnly(SoundMenu, m_ws.SoundEnabled == 1 ? SoundMenu[0] : SoundMenu[1]);
}

void EditorSound::load(const QString &title)
{
    if (m_ws.SoundEnabled == 1) {
        SoundPrompts::copyIn(m_ws.AppPath, title, false);
        m_audio.noticeUnavailableOnce(m_dialogs);
    }
    setMenuChecks();
    updateControls();
}

void EditorSound::enable(const QString &title)
{
    if (m_setSound)
        m_setSound(true);
    m_ws.SoundEnabled = 1;
    SoundPrompts::copyIn(m_ws.AppPath, title, false);
    setMenuChecks();
    m_audio.noticeUnavailableOnce(m_dialogs);
    updateControls();
}

void EditorSound::disable()
{
    stopPlayAll();
    finishRecording();
    if (m_setSound)
        m_setSound(false);
    m_ws.SoundEnabled = 0;
    m_audio.close();
    m_file.clear();
    setMenuChecks();
    updateControls();
}

void EditorSound::openedSequence(const QString &title)
{
    if (m_ws.SoundEnabled == 1)
        SoundPrompts::copyIn(m_ws.AppPath, title, true);
}

void EditorSound::prepareRow(const QStringList &names, int index)
{
    // Moving to another row keeps a recording instead of dropping it.
    finishRecording();
    m_audio.close();
    m_file.clear();
    if (m_ws.SoundEnabled == 1) {
        m_file = SoundPrompts::promptFile(SoundPrompts::workingFolder(m_ws.AppPath), names, index);
        if (!m_file.isEmpty())
            m_audio.open(m_file);
    }
    updateControls();
}

void EditorSound::record(const QStringList &names, int index)
{
    if (m_ws.SoundEnabled != 1 || !m_audio.canRecord())
        return;
    stopPlayAll();
    finishRecording();
    m_audio.close();
    m_file = SoundPrompts::promptFile(SoundPrompts::workingFolder(m_ws.AppPath), names, index);
    if (!m_file.isEmpty()) {
        // The old take goes first, so a recording that fails leaves no stale prompt behind.
        QFile::remove(m_file);
        m_dropped.remove(QFileInfo(m_file).fileName());
        QDir().mkpath(SoundPrompts::workingFolder(m_ws.AppPath));
        m_audio.open(m_file);
        m_audio.record();
        if (m_audio.isRecording())
            m_recordingFile = m_file;
        else
            m_dialogs.show(QStringLiteral("The recording did not start: the audio input could "
                                          "not be opened."));
    }
    updateControls();
}

bool EditorSound::finishRecording()
{
    if (m_recordingFile.isEmpty())
        return false;
    const QString file = m_recordingFile;
    m_recordingFile.clear();
    m_audio.stop();
    const bool saved = m_audio.save(file);
    m_audio.close();
    if (!saved)
        m_dialogs.show(QStringLiteral("The recording could not be saved as ") +
                       QDir::toNativeSeparators(file) + QStringLiteral("."));
    else if (!m_file.isEmpty())
        m_audio.open(m_file);
    updateControls();
    if (saved && promptsEdited)
        promptsEdited();
    return saved;
}

void EditorSound::stop()
{
    if (isRecording()) {
        finishRecording();
        return;
    }
    stopPlayAll();
    m_audio.stop();
    updateControls();
}

void EditorSound::play(const QStringList &names, int index, const QString &title)
{
    stopPlayAll();
    prepareRow(names, index);
    if (m_ws.SoundEnabled != 1)
        return;
    const QString file = heardFiles(names, title).value(index);
    if (file.isEmpty())
        return;
    m_audio.open(file);
    m_audio.play();
}

void EditorSound::deleteSound(const QStringList &names, int index)
{
    if (m_ws.SoundEnabled != 1)
        return;
    const QString working =
        SoundPrompts::promptFile(SoundPrompts::workingFolder(m_ws.AppPath), names, index);
    if (working.isEmpty())
        return;
    if (QFileInfo::exists(working)) {
        m_audio.close();
        QFile::remove(working);
    }
    // The stored prompt goes at the next save, so the row stays silent after it.
    m_dropped.insert(QFileInfo(working).fileName());
    prepareRow(names, index);
    if (promptsEdited)
        promptsEdited();
}

bool EditorSound::saveInto(const QString &title, QString *error)
{
    if (m_ws.SoundEnabled != 1)
        return true;
    finishRecording();
    if (!SoundPrompts::hasWorkingPrompts(m_ws.AppPath) && m_dropped.isEmpty())
        return true;
    m_audio.close();
    const bool moved = SoundPrompts::moveOut(m_ws.AppPath, title, m_dropped.values(), error);
    m_dropped.clear();
    m_file.clear();
    updateControls();
    return moved;
}

void EditorSound::shutdown()
{
    stopPlayAll();
    finishRecording();
    m_audio.close();
    m_audio.playFinished = nullptr;
}

QStringList EditorSound::heardFiles(const QStringList &names, const QString &title) const
{
    const QStringList working =
        SoundPrompts::promptFiles(SoundPrompts::workingFolder(m_ws.AppPath), names);
    const QStringList stored =
        SoundPrompts::promptFiles(SoundPrompts::storedFolder(m_ws.AppPath, title), names);
    QStringList heard;
    heard.reserve(names.size());
    for (int i = 0; i < names.size(); ++i) {
        if (!working.at(i).isEmpty() && QFileInfo::exists(working.at(i)))
            heard << working.at(i);
        else if (!stored.at(i).isEmpty() && QFileInfo::exists(stored.at(i)) &&
                 !m_dropped.contains(QFileInfo(stored.at(i)).fileName()))
            heard << stored.at(i);
        else
            heard << QString();
    }
    return heard;
}

void EditorSound::startPlayAll(const QStringList &names, const QString &title)
{
    stopPlayAll();
    finishRecording();
    m_queue.clear();
    if (m_ws.SoundEnabled == 1 && m_audio.canPlay()) {
        const QStringList files = heardFiles(names, title);
        for (int i = 0; i < files.size(); ++i) {
            if (!files.at(i).isEmpty())
                m_queue.append({i, files.at(i)});
        }
    }
    m_queuePos = 0;
    m_playAll = !m_queue.isEmpty();
    if (m_playAll) {
        m_audio.playFinished = [this] { onPlayFinished(); };
        playNext();
    }
    updateControls();
}

void EditorSound::stopPlayAll()
{
    if (!m_playAll)
        return;
    m_playAll = false;
    m_waiting = false;
    m_audio.playFinished = nullptr;
    m_audio.stop();
    updateControls();
}

// A play may end inside play() (a silent device): the loop goes on instead of recursing.
void EditorSound::playNext()
{
    m_inPlayNext = true;
    while (m_playAll && m_queuePos < m_queue.size()) {
        const Queued q = m_queue.at(m_queuePos++);
        if (showRow)
            showRow(q.index);
        m_waiting = true;
        m_audio.open(q.file);
        m_audio.play();
        if (m_waiting) {
            m_inPlayNext = false;
            return;
        }
    }
    m_inPlayNext = false;
    if (m_playAll) {
        m_playAll = false;
        m_audio.playFinished = nullptr;
        updateControls();
    }
}

void EditorSound::onPlayFinished()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    if (m_inPlayNext)
        return;
    playNext();
    if (changed)
        changed();
}

void EditorSound::updateControls()
{
    const bool on = m_ws.SoundEnabled == 1;
    const bool rowReady = on && !m_file.isEmpty();
    const bool recording = isRecording();
    m_ui.setEnabled(QStringLiteral("SoundControl"), rowReady);
    m_ui.setEnabled(QStringLiteral("RecordButton"), rowReady && m_audio.canRecord() && !recording);
    m_ui.setEnabled(QStringLiteral("StopButton"),
                    recording || m_playAll || (rowReady && m_audio.canPlay()));
    m_ui.setEnabled(QStringLiteral("PlayButton"), rowReady && (m_audio.canPlay() || recording));
    m_ui.setEnabled(QStringLiteral("PlayAllCheck"), on && m_audio.canPlay());
    m_ui.setChecked(QStringLiteral("PlayAllCheck"), m_playAll);
    QString status;
    if (recording)
        status = QStringLiteral("Recording...");
    else if (on && m_audio.isSilent())
        status = QStringLiteral("Sound unavailable");
    else if (on && !m_audio.canRecord())
        status = QStringLiteral("No audio input");
    m_ui.setText(QStringLiteral("SoundStatusLabel"), status);
}
