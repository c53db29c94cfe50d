#pragma once

#include "acquisition/wizard_view.h"

#include <QList>
#include <QStringList>

// Keeps what the wizard showed, for tests to read.
class RecordingWizardView final : public WizardView
{
public:
    void setButtons(const Buttons &b) override { buttons = b; }
    void showPrompt(const Prompt &p) override
    {
        prompt = p;
        if (!p.isEmpty())
            prompts << p.text();
    }
    void setStepTitle(const QString &t) override { title = t; }
    void setPointProgress(int n, int total, const QString &name) override
    {
        point = n;
        points = total;
        pointName = name;
    }
    void setPointNames(const QStringList &n) override { names = n; }
    void showElectrodeSet() override { ++electrodeSetShown; }
    void clearDisplay() override { ++displayCleared; }
    void waitChanged(bool running) override { waiting = running; }
    void waitEnded(Records::Outcome outcome) override { outcomes << outcome; }

    // The buttons as five letters (B R N A C, '-' when off) and 'w' or 'g' for the background.
    QString buttonText() const
    {
        const bool on[] = {buttons.back, buttons.repeat, buttons.next, buttons.accept,
                           buttons.cancel};
        QString s = QStringLiteral("BRNAC");
        for (int i = 0; i < 5; ++i)
            s[i] = on[i] ? s[i] : QChar('-');
        return s + (buttons.white ? " w" : " g");
    }

    Buttons buttons;
    Prompt prompt;
    QStringList prompts;
    QString title, pointName;
    QStringList names;
    int point = 0, points = 0, electrodeSetShown = 0, displayCleared = 0;
    bool waiting = false;
    QList<Records::Outcome> outcomes;
};
