#include "qt_dialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace {
QString lines(QString text)
{
    return text.replace(QChar(13), QChar(10));
}

QMessageBox::StandardButton toButton(Dialogs::Answer a)
{
    switch (a) {
    case Dialogs::Answer::Yes:
        return QMessageBox::Yes;
    case Dialogs::Answer::No:
        return QMessageBox::No;
    case Dialogs::Answer::Cancel:
        return QMessageBox::Cancel;
    case Dialogs::Answer::Ok:
        break;
    }
    return QMessageBox::Ok;
}
} // namespace

Dialogs::Answer QtDialogs::message(const QString &text, const QString &title, Buttons buttons,
                                   Icon icon, Answer defaultAnswer)
{
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    Answer escape = Answer::Ok;
    switch (buttons) {
    case Buttons::Ok:
        break;
    case Buttons::OkCancel:
        set = QMessageBox::Ok | QMessageBox::Cancel;
        escape = Answer::Cancel;
        break;
    case Buttons::YesNo:
        set = QMessageBox::Yes | QMessageBox::No;
        escape = Answer::No;
        break;
    case Buttons::YesNoCancel:
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        escape = Answer::Cancel;
        break;
    }
    QMessageBox::Icon qicon = QMessageBox::NoIcon;
    switch (icon) {
    case Icon::None:
        break;
    case Icon::Information:
        qicon = QMessageBox::Information;
        break;
    case Icon::Question:
        qicon = QMessageBox::Question;
        break;
    case Icon::Warning:
        qicon = QMessageBox::Warning;
        break;
    case Icon::Critical:
        qicon = QMessageBox::Critical;
        break;
    }
    QMessageBox box(qicon, title, lines(text), set, m_parent);
    box.setDefaultButton(toButton(defaultAnswer));
    box.setEscapeButton(toButton(escape));
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return escape;
    }
}

std::optional<QString> QtDialogs::inputBox(const QString &prompt, const QString &title,
                                           const QString &defaultText)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(m_parent, title, lines(prompt), QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QStringList QtDialogs::qtFilters(const QString &pairs)
{
    const QStringList parts = pairs.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString label = parts[i];
        const QString pattern = parts[i + 1];
        if (label.isEmpty())
            continue;
        out << (label.contains(QLatin1Char('('))
                    ? label
                    : label + QStringLiteral(" (") + pattern + QStringLiteral(")"));
    }
    return out;
}

std::optional<QString> QtDialogs::fileDialog(const FileRequest &r, bool save)
{
    QFileDialog dialog(m_parent, r.title, r.initialFolder);
    const QStringList filters = qtFilters(r.filter);
    dialog.setNameFilters(filters);
    if (r.filterIndex >= 1 && r.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[r.filterIndex - 1]);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (save) {
        // A name typed without an extension gets the one of the file type shown.
        auto suffixOf = [](const QString &filter) {
            const qsizetype at = filter.indexOf(QStringLiteral("(*."));
            return at < 0 ? QString() : filter.mid(at + 3).section(QLatin1Char(')'), 0, 0)
                                            .section(QLatin1Char(' '), 0, 0);
        };
        dialog.setDefaultSuffix(suffixOf(dialog.selectedNameFilter()));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, suffixOf](const QString &filter) {
                             dialog.setDefaultSuffix(suffixOf(filter));
                         });
    }
    if (!r.initialName.isEmpty())
        dialog.selectFile(r.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtDialogs::openFileName(const FileRequest &r)
{
    return fileDialog(r, false);
}

std::optional<QString> QtDialogs::saveFileName(const FileRequest &r)
{
    return fileDialog(r, true);
}
