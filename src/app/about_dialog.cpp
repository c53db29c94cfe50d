#include "about_dialog.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

AboutDialog::AboutDialog(const QString &text, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("About Pointra"));
    auto *layout = new QVBoxLayout(this);
    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pctPanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    auto *panelLayout = new QVBoxLayout(panel);
    m_label = new QLabel(panel);
    m_label->setObjectName(QStringLiteral("lblAbout"));
    m_label->setAlignment(Qt::AlignHCenter);
    m_label->setText(QString(text).replace(QChar(13), QChar(10)));
    panelLayout->addWidget(m_label, 0, Qt::AlignHCenter);
    layout->addWidget(panel);
    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}
