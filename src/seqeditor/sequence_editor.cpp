#include "sequence_editor.h"

#include "data/file_error.h"
#include "data/number_text.h"
#include "data/point_types.h"
#include "data/sequence_file.h"
#include "data/text_grammar.h"
#include "data/text_out.h"
#include "data/workspace.h"
#include "seams/dialogs.h"
#include "seqeditor/sequence_check.h"

#include <QDir>
#include <QFileInfo>

const QStringList SequenceEditor::TypeItems = {
    QStringLiteral("Fiducial, Nasion"),
    QStringLiteral("Fiducial, Left Preauricular"),
    QStringLiteral("Fiducial, Right Preauricular"),
    QStringLiteral("Other Named Point"),
    QStringLiteral("Electrode"),
    QStringLiteral("Reference"),
    QStringLiteral("Other Sensor Type"),
};
const QStringList SequenceEditor::TemplateControls = {
    QStringLiteral("MenuOpen32"), QStringLiteral("menuOpen64"), QStringLiteral("menuOpen128"),
    QStringLiteral("menuOpen1020")};
const QStringList SequenceEditor::TemplateFiles = {
    QStringLiteral("pnt32.seq"), QStringLiteral("pnt64.seq"), QStringLiteral("pnt128.seq"),
    QStringLiteral("pnt1020.seq")};

namespace {
// The file name without its folder and its four-character extension.
QString titleOf(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    return name.left(qMax<qsizetype>(0, name.size() - 4));
}
} // namespace

SequenceEditor::SequenceEditor(Workspace &ws, Dialogs &dialogs, WaveAudio &audio,
                               std::function<void(bool)> setSound)
    : m_ws(ws), m_dialogs(dialogs), m_sound(ws, dialogs, audio, ui, std::move(setSound))
{
    m_sound.showRow = [this](int index) { showRow(index + 1); };
    m_sound.changed = [this] {
        if (changed)
            changed();
    };
    m_sound.promptsEdited = [this] {
        markChanged();
        RefreshGrid();
    };
    registerCommands();
}

void SequenceEditor::registerCommands()
{
    CommandTable &t = commands;
    t.add(QStringLiteral("menuNew"), [this] { menuNew_Click(); });
    for (int i = 0; i < TemplateControls.size(); ++i)
        t.add(TemplateControls[i], [this, i] { openTemplate(i); });
    t.add(QStringLiteral("menuOpen"), [this] { menuOpen_Click(); });
    t.add(QStringLiteral("menuSaveAs"), [this] { menuSaveAs_Click(); });
    t.add(QStringLiteral("menuAccept"), [this] { menuAccept_Click(); });
    t.add(QStringLiteral("menuCancel"), [this] { unload(); });
    t.add(QStringLiteral("menuInsertAbove"), [this] { insertAbove(); });
    t.add(QStringLiteral("menuInsertBelow"), [this] { insertBelow(); });
    t.add(QStringLiteral("menuDelete"), [this] { deleteRow(); });
    t.add(QStringLiteral("menuPreview"), [this] { DeleteBlankRows(); });
    t.add(QStringLiteral("menuSoundEnabled"), [this] { menuSoundEnabled_Click(); });
    t.add(QStringLiteral("menuSoundDisabled"), [this] { menuSoundDisabled_Click(); });
    t.add(QStringLiteral("menuDeleteSound"), [this] { menuDeleteSound_Click(); });
    t.add(QStringLiteral("nenuClear"), [this] { nenuClear_Click(); });
    t.add(QStringLiteral("RecordButton"), [this] { recordClick(); });
    t.add(QStringLiteral("StopButton"), [this] { stopClick(); });
    t.add(QStringLiteral("PlayButton"), [this] { PlayButton_Click(); });
    t.add(QStringLiteral("PlayAllCheck"),
          [this] { setPlayAll(!ui.value(QStringLiteral("PlayAllCheck")).checked); });
}

void SequenceEditor::Form_Load()
{
    m_seqDirtyAtLoad = m_ws.SeqDirty;
    SequenceTitle = m_ws.SequenceTitle;
    m_sound.load(SequenceTitle);
    if (m_ws.NumSeq != 0) {
        SequenceFile = m_ws.SequenceFile;
        LoadEditorFromSequence(m_ws);
    } else {
        SequenceFile = Untitled;
        NewEditorSequence();
    }
    setCaption(SequenceFile);
    markClean();
    showRow(1);
}

bool SequenceEditor::Form_Unload()
{
    m_sound.stopPlayAll();
    if (m_sound.isRecording())
        m_sound.stop();
    if (EditorDirty == 1) {
        const Dialogs::Answer a =
            m_dialogs.askYesNoCancel(QStringLiteral("Do you want to keep the changes in sequence "
                                                    "file ?"));
        if (a == Dialogs::Answer::Yes) {
            acceptRows();
            menuSaveAs_Click();
        } else if (a == Dialogs::Answer::No) {
            // Only this visit's changes are dropped; an earlier Accept still asks at exit.
            m_ws.SeqDirty = m_seqDirtyAtLoad;
        } else {
            return false;
        }
        markClean();
    }
    m_sound.shutdown();
    return true;
}

void SequenceEditor::unload()
{
    if (Form_Unload() && closeWindow)
        closeWindow();
}

void SequenceEditor::RefreshGrid()
{
    m_grid.clear();
    m_grid.reserve(EditCount + 1);
    m_grid.append({QStringLiteral("Sequence") + QChar(13) + QStringLiteral("Number"),
                   QStringLiteral("Name"), QStringLiteral("Type"), false});
    const bool sound = m_ws.SoundEnabled == 1;
    const QStringList heard = sound ? m_sound.heardFiles(EditName, SequenceTitle) : QStringList();
    for (int i = 0; i < EditCount; ++i) {
        const QString &name = EditName.at(i);
        // Unsupported codes were reported when the file was read, not at every refresh.
        m_grid.append({Str(i + 1), name, pointTypeNameOf(EditCode.at(i)),
                       sound && !name.isEmpty() && heard.at(i).isEmpty()});
    }
    ui.setText(QStringLiteral("TotalTextLabel"), QString::number(EditCount));
}

void SequenceEditor::LoadEditorFromSequence(const Workspace &source)
{
    EditCount = source.NumSeq;
    EditName = source.SeqName.mid(0, EditCount);
    EditCode = source.SeqCode.mid(0, EditCount);
    EditName.resize(EditCount);
    EditCode.resize(EditCount);
    CurrentRow = 1;
    RefreshGrid();
}

void SequenceEditor::NewEditorSequence()
{
    EditCount = 25;
    EditName = QStringList();
    EditCode = QStringList();
    EditName.resize(EditCount);
    EditCode.resize(EditCount);
    const bool besa = m_ws.settings.CoordinateSystem == QLatin1String("BESA");
    const QStringList names = besa ? QStringList{QStringLiteral("FidT9"), QStringLiteral("FidNz"),
                                                 QStringLiteral("FidT10"), QStringLiteral("REF")}
                                   : QStringList{QStringLiteral("NZ"), QStringLiteral("LPA"),
                                                 QStringLiteral("RPA"), QStringLiteral("REF")};
    const QStringList codes =
        besa ? QStringList{PointTypes::LeftPreauricular, PointTypes::Nasion,
                           PointTypes::RightPreauricular, PointTypes::Reference}
             : QStringList{PointTypes::Nasion, PointTypes::LeftPreauricular,
                           PointTypes::RightPreauricular, PointTypes::Reference};
    for (int i = 0; i < 4; ++i) {
        EditName[i] = names[i];
        EditCode[i] = codes[i];
    }
    CurrentRow = 1;
    RefreshGrid();
}

void SequenceEditor::DeleteBlankRows()
{
    QStringList names, codes;
    for (int i = 0; i < EditCount; ++i) {
        if (!EditName.at(i).isEmpty() && !EditCode.at(i).isEmpty()) {
            names << EditName.at(i);
            codes << EditCode.at(i);
        }
    }
    EditName = names;
    EditCode = codes;
    EditCount = names.size();
    CurrentRow = qBound(1, CurrentRow, qMax(1, EditCount));
    RefreshGrid();
    markChanged();
    showRow(CurrentRow);
}

void SequenceEditor::selectRow(int row)
{
    m_sound.stopPlayAll();
    showRow(row);
}

void SequenceEditor::showRow(int row)
{
    CurrentRow = qBound(1, row, qMax(1, EditCount));
    const int i = currentIndex();
    const bool valid = i < EditCount;
    ui.setText(QStringLiteral("SeqTextLabel"), valid ? QString::number(CurrentRow) : QString());
    ui.setText(QStringLiteral("NameText"), valid ? EditName.at(i) : QString());
    ui.setText(QStringLiteral("TypeList"), valid ? pointTypeNameOf(EditCode.at(i)) : QString());
    ui.setText(QStringLiteral("CodeTextLabel"), valid ? EditCode.at(i) : QString());
    ui.setText(QStringLiteral("TotalTextLabel"), QString::number(EditCount));
    m_sound.prepareRow(EditName, valid ? i : -1);
}

void SequenceEditor::setName(const QString &text)
{
    const int i = currentIndex();
    if (i >= EditCount)
        return;
    // A TAB or line break would split the file's line; names are at most eight characters.
    QString name;
    for (const QChar c : text) {
        if (c.unicode() >= 0x20)
            name += c;
    }
    name.truncate(8);
    if (name == EditName.at(i))
        return;
    EditName[i] = name;
    RefreshGrid();
    markChanged();
    showRow(CurrentRow);
}

void SequenceEditor::chooseType(const QString &item)
{
    const int i = currentIndex();
    if (i >= EditCount)
        return;
    QString code = EditCode.at(i);
    PointTypeCode(item, code, m_dialogs);
    if (code == EditCode.at(i))
        return;
    EditCode[i] = code;
    RefreshGrid();
    markChanged();
    showRow(CurrentRow);
}

void SequenceEditor::clearType()
{
    const int i = currentIndex();
    if (i >= EditCount || EditCode.at(i).isEmpty())
        return;
    EditCode[i].clear();
    RefreshGrid();
    markChanged();
    showRow(CurrentRow);
}

void SequenceEditor::insertAbove()
{
    if (CurrentRow > 3)
        insertEmptyAt(CurrentRow - 1);
}

void SequenceEditor::insertBelow()
{
    if (CurrentRow >= 3)
        insertEmptyAt(CurrentRow);
}

// An empty point at `index`; the fiducials at the top stay where they are.
void SequenceEditor::insertEmptyAt(int index)
{
    if (CurrentRow > EditCount)
        return;
    EditName.insert(index, QString());
    EditCode.insert(index, QString());
    ++EditCount;
    ++CurrentRow;
    RefreshGrid();
    markChanged();
    selectRow(CurrentRow);
}

void SequenceEditor::deleteRow()
{
    if (CurrentRow < 4 || CurrentRow > EditCount)
        return;
    EditName.removeAt(CurrentRow - 1);
    EditCode.removeAt(CurrentRow - 1);
    --EditCount;
    RefreshGrid();
    markChanged();
    selectRow(CurrentRow);
}

void SequenceEditor::menuNew_Click()
{
    NewEditorSequence();
    SequenceFile = Untitled;
    setCaption(SequenceFile);
    markChanged();
    selectRow(1);
}

void SequenceEditor::nenuClear_Click()
{
    NewEditorSequence();
    markChanged();
    selectRow(1);
}

bool SequenceEditor::readSequence(const QString &path, Workspace &target, Dialogs &dialogs)
{
    try {
        LineReader in(readFileBytes(path));
        ReadSequenceFile(in, target, dialogs);
    } catch (const FileError &e) {
        if (e.kind() == FileError::Kind::WrongType)
            dialogs.show(e.message());
        else
            dialogs.message(QStringLiteral("Error number ") + QString::number(e.number()) +
                                QStringLiteral(" - ") + e.message(),
                            QStringLiteral("Error opening input file"), Dialogs::Buttons::Ok,
                            Dialogs::Icon::Information, Dialogs::Answer::Ok);
        return false;
    }
    return true;
}

bool SequenceEditor::loadProgramSequence(const QString &path, Workspace &ws, Dialogs &dialogs)
{
    Workspace read;
    if (!readSequence(path, read, dialogs))
        return false;
    ws.MinorRevision = read.MinorRevision;
    ws.NumSeq = read.NumSeq;
    ws.SeqName = read.SeqName;
    ws.SeqCode = read.SeqCode;
    ws.SeqRaw = read.SeqRaw;
    ws.SequenceFile = path;
    ws.SequenceTitle = titleOf(path);
    ws.DataPath = QFileInfo(path).absolutePath();
    return true;
}

void SequenceEditor::openTemplate(int which)
{
    if (which < 0 || which >= TemplateFiles.size())
        return;
    const QString path =
        QDir(QDir(m_ws.AppPath).filePath(QStringLiteral("Data"))).filePath(TemplateFiles[which]);
    Workspace read;
    if (!readSequence(path, read, m_dialogs))
        return;
    SequenceFile = path;
    setCaption(SequenceFile);
    LoadEditorFromSequence(read);
    markChanged();
    selectRow(1);
}

void SequenceEditor::menuOpen_Click()
{
    const Dialogs::FileRequest request{QStringLiteral("Open File"),
                                       QStringLiteral("Sequence File (*.seq)|*.seq"), 1,
                                       m_ws.DataPath, QString()};
    const auto name = m_dialogs.openFileName(request);
    if (name && !name->isEmpty())
        openPath(*name);
}

bool SequenceEditor::openPath(const QString &path)
{
    const QString ext = path.right(3);
    if (ext != QLatin1String("seq") && ext != QLatin1String("SEQ")) {
        m_dialogs.show(crJoin({QStringLiteral("Cannot open a file with this extension."),
                               QStringLiteral("Please select an extension from the list.")}));
        return false;
    }
    Workspace read;
    if (!readSequence(path, read, m_dialogs))
        return false;
    SequenceFile = path;
    SequenceTitle = titleOf(path);
    setCaption(SequenceFile);
    LoadEditorFromSequence(read);
    m_ws.DataPath = QFileInfo(path).absolutePath();
    m_sound.openedSequence(SequenceTitle);
    markChanged();
    RefreshGrid();
    selectRow(1);
    return true;
}

void SequenceEditor::menuSaveAs_Click()
{
    DeleteBlankRows();
    const QStringList faults = sequenceFaults(EditName, EditCode);
    if (!faults.isEmpty()) {
        m_dialogs.message(crJoin(QStringList{QStringLiteral("The sequence was not saved: the "
                                                            "measurement would refuse it.")} +
                                 faults),
                          Dialogs::DefaultTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Warning,
                          Dialogs::Answer::Ok);
        return;
    }
    const Dialogs::FileRequest request{QStringLiteral("Save File As"),
                                       QStringLiteral("Sequence File(*.seq)|*.seq"), 3,
                                       m_ws.DataPath, QString()};
    const auto name = m_dialogs.saveFileName(request);
    if (!name || name->isEmpty())
        return;
    QString path = *name;
    if (!path.endsWith(QLatin1String(".seq"), Qt::CaseInsensitive))
        path += QStringLiteral(".seq");
    if (QFileInfo::exists(path) &&
        m_dialogs.message(QStringLiteral("Do you want to overwrite existing file?"),
                          Dialogs::QuestionTitle, Dialogs::Buttons::YesNo, Dialogs::Icon::Question,
                          Dialogs::Answer::No) != Dialogs::Answer::Yes)
        return;
    savePath(path);
}

bool SequenceEditor::savePath(const QString &path)
{
    Workspace out;
    out.settings = m_ws.settings;
    out.NumSeq = EditCount;
    out.SeqName = EditName;
    out.SeqCode = EditCode;
    try {
        saveText(path, sequenceFileText(out));
    } catch (const FileError &e) {
        m_dialogs.message(crJoin({QStringLiteral("Error: read-only file"), e.message()}),
                          Dialogs::DefaultTitle, Dialogs::Buttons::Ok, Dialogs::Icon::Information,
                          Dialogs::Answer::Ok);
        return false;
    }
    const QString title = titleOf(path);
    QString error;
    if (!m_sound.saveInto(title, &error))
        m_dialogs.show(error);
    SequenceFile = path;
    SequenceTitle = title;
    copyRowsToProgram();
    m_ws.SeqDirty = 0;
    m_seqDirtyAtLoad = 0;
    setCaption(SequenceFile);
    markClean();
    RefreshGrid();
    showRow(CurrentRow);
    return true;
}

// The program's sequence becomes the editor's rows, with no readings yet.
void SequenceEditor::copyRowsToProgram()
{
    m_ws.NumSeq = EditCount;
    m_ws.SeqName = EditName;
    m_ws.SeqCode = EditCode;
    m_ws.SeqRaw = QStringList();
    m_ws.SeqRaw.resize(EditCount);
    m_ws.SequenceFile = SequenceFile;
    m_ws.SequenceTitle = SequenceTitle;
}

void SequenceEditor::acceptRows()
{
    DeleteBlankRows();
    copyRowsToProgram();
    m_ws.SeqDirty = 1;
    markClean();
}

void SequenceEditor::menuAccept_Click()
{
    if (EditorDirty != 1)
        return;
    acceptRows();
    unload();
}

void SequenceEditor::menuSoundEnabled_Click()
{
    m_sound.enable(SequenceTitle);
    RefreshGrid();
    showRow(CurrentRow);
}

void SequenceEditor::menuSoundDisabled_Click()
{
    m_sound.disable();
    RefreshGrid();
    showRow(CurrentRow);
}

void SequenceEditor::menuDeleteSound_Click()
{
    m_sound.deleteSound(EditName, currentIndex());
    RefreshGrid();
}

void SequenceEditor::recordClick()
{
    if (currentIndex() < EditCount)
        m_sound.record(EditName, currentIndex());
}

void SequenceEditor::stopClick()
{
    m_sound.stop();
    RefreshGrid();
}

void SequenceEditor::PlayButton_Click()
{
    if (currentIndex() < EditCount)
        m_sound.play(EditName, currentIndex(), SequenceTitle);
    RefreshGrid();
}

void SequenceEditor::setPlayAll(bool on)
{
    if (on)
        m_sound.startPlayAll(EditName, SequenceTitle);
    else
        m_sound.stopPlayAll();
}

void SequenceEditor::markChanged()
{
    EditorDirty = 1;
    ui.setEnabled(QStringLiteral("menuAccept"), true);
    ui.setText(QStringLiteral("menuCancel"), QStringLiteral("Cancel"));
}

void SequenceEditor::markClean()
{
    EditorDirty = 0;
    ui.setEnabled(QStringLiteral("menuAccept"), false);
    ui.setText(QStringLiteral("menuCancel"), QStringLiteral("Close"));
}

void SequenceEditor::setCaption(const QString &file)
{
    ui.caption = CaptionPrefix + file;
}
