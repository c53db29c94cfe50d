#pragma once

#include "digitizer/records.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

// What the measurement wizard shows. The window, pointra-cli and the tests implement it; the
// wizard never reads anything back from it.
class WizardView
{
public:
    // The five wizard buttons and the background: white while a step wants the operator,
    // grey otherwise.
    struct Buttons
    {
        bool back = false;
        bool repeat = false;
        bool next = false;
        bool accept = false;
        bool cancel = false;
        bool white = false;
        bool operator==(const Buttons &) const = default;
    };

    // The prompt, line by line; a warning line is shown in a warning colour.
    struct Prompt
    {
        QStringList lines;
        QList<bool> warning;

        bool isEmpty() const { return lines.isEmpty(); }
        // The lines joined by CR, as the program's texts are.
        QString text() const { return lines.join(QChar(13)); }
        // A text of CR-separated lines, every line a warning or none.
        static Prompt fromText(const QString &text, bool isWarning = false)
        {
            Prompt p;
            for (const QString &line : text.split(QChar(13)))
                p.add(line, isWarning);
            return p;
        }
        bool isWarning(int line) const { return warning.value(line, false); }
        void add(const QString &line, bool isWarning = false)
        {
            lines << line;
            warning << isWarning;
        }
    };

    virtual ~WizardView() = default;

    virtual void setButtons(const Buttons &buttons) = 0;
    // An empty prompt clears the prompt area.
    virtual void showPrompt(const Prompt &prompt) = 0;
    // The title of the running step ("Measurement of dewar fiducials"); empty clears it.
    virtual void setStepTitle(const QString &title) = 0;
    // "Point n of N" and the name of the point being digitized; n = 0 hides both.
    virtual void setPointProgress(int n, int total, const QString &name) = 0;
    // The clickable names of the electrode set (the NameLabel list); empty removes them.
    virtual void setPointNames(const QStringList &names) = 0;
    // The 3-D view: show data set 6 (the electrodes) with their name labels.
    virtual void showElectrodeSet() = 0;
    // The 3-D view: clear the digitizing display.
    virtual void clearDisplay() = 0;
    // Head-shape digitizing began (true) or ended (false): the 3-D view shows the shape data
    // and the sequences are listed.
    virtual void shapeMode(bool on) { Q_UNUSED(on); }
    // The head-shape sequences changed: first point of each in ShapePos (0-based) and the
    // selected one (1-based, 0 none); the points are the workspace's.
    virtual void showShapeSequences(const std::vector<int> &starts, int selected)
    {
        Q_UNUSED(starts);
        Q_UNUSED(selected);
    }
    // A wait for the digitizer started (true) or ended (false): poll the wizard while it runs.
    virtual void waitChanged(bool running) = 0;
    // How the last wait ended; pointra-cli stops on a lost device or a refused reading.
    virtual void waitEnded(Records::Outcome outcome) { Q_UNUSED(outcome); }
};

// A view that shows nothing, for a wizard no window is attached to yet.
class NoWizardView final : public WizardView
{
public:
    void setButtons(const Buttons &) override {}
    void showPrompt(const Prompt &) override {}
    void setStepTitle(const QString &) override {}
    void setPointProgress(int, int, const QString &) override {}
    void setPointNames(const QStringList &) override {}
    void showElectrodeSet() override {}
    void clearDisplay() override {}
    void waitChanged(bool) override {}
};
