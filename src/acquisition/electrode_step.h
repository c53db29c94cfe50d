#pragma once

#include "data/reading.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class Wizard;
class RecordWait;
struct Session;
struct WizardState;

// Step 6: the sequence digitized point by point, converted into the electrode sets and shown;
// single electrodes digitized again by a click on their name or with Edit_Button.
class ElectrodeStep
{
public:
    explicit ElectrodeStep(Wizard &wizard);

    void dispatch(int subStep);
    // Next and Back inside the point loop, after the wizard set its flags and buttons.
    void next();
    void back();
    bool accept();
    void cancel();
    // Electrode `electrode` (0-based) of the set: its sequence point is digitized again.
    void redigitize(int electrode);
    void edit(int electrode);
    // Goes on with a recovered sequence at point `pointCounter` (1-based); past the last point
    // the points are converted at once.
    void resume(int pointCounter);
    // A measurement whose sequence or electrode set was replaced (File > New, File > Open) is
    // abandoned.
    void checkSequence();
    // Another step starts: the point loop stops, its journal stays for a later recovery.
    void leave() { m_mode = Mode::Idle; }

    bool converted() const { return m_converted; }
    bool inLoop() const { return m_mode == Mode::Loop; }

private:
    void leaveSingle();
    enum class Mode { Idle, Loop, Single };

    void startLoop();
    void enterLoop(int pointCounter);
    void promptPoint();
    void pointEnded(const RecordWait &wait);
    void advance();
    void finishLoop();
    void finish(const QStringList &notes);
    void startSingle(int electrode, int point, const QString &prompt);
    void singleEnded(const RecordWait &wait, int electrode, int point);
    bool convertOne(int electrode);
    void store(int point, const QString &record, const std::optional<Reading> &reading);
    int sequenceIndexOf(int electrode) const;
    int retakablePoint(int electrode) const;
    QString pointName(int point) const;
    int receiverBlocks() const;
    bool device() const;
    std::vector<Reading> readings() const;
    bool leaveOutUnread();
    // The electrodes of the sequence that have no reading.
    QStringList unreadElectrodes() const;

    Wizard &m_w;
    Session &m_s;
    WizardState &m_st;
    Mode m_mode = Mode::Idle;
    bool m_converted = false;
    bool m_fixingFiducial = false;
    bool m_journalTold = false;
    std::vector<std::optional<Reading>> m_readings;
    QStringList m_names, m_codes; // the sequence being digitized
    int m_electrodes = 0;         // electrodes of the converted set
    QString m_pressedTwice;       // the warning for the next prompt
};
