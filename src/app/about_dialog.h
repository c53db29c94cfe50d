#pragma once

#include <QDialog>

class QLabel;

// Help > About: the program, build and version lines centred on a panel.
class AboutDialog final : public QDialog
{
    Q_OBJECT
public:
    AboutDialog(const QString &text, QWidget *parent = nullptr);
    QLabel *aboutLabel() const { return m_label; }

private:
    QLabel *m_label;
};
