#pragma once

#include "data/digitizer_models.h"
#include "data/fixed8.h"
#include "data/transform4.h"

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// Index ranges that the measurement model numbers 1..N are 0-based here: element k-1 holds item k.
//
// Glossary: names in code that differ from the names labs and older documents use.
//   Digitizer            "DigitizerType" (the INI key keeps that name; the text is the model's)
//   CommPort             "nCommPort" (also the INI key)
//   ReceiverCount        "nReceivers": receivers fixed on the subject's head, -1 not chosen
//   TransmitterLocation  "Tlocation"
//   ElectrodesDirty      "SetDirtyEletrodes": electrode data not yet saved
//   ShapeDirty           "SetDirtyShape": shape data not yet saved
//   meas, tevo, besa, curry   the Meas*, Tevo*, Besa*, Curry* electrode sets
//   m.MCalib ... m.MPosition  the named transforms; MRef[k] and RefFid[k] per reference

using CoilData = std::array<std::array<double, 6>, 3>; // coil 0..2, then x y z dx dy dz

struct Settings
{
    DigitizerModel Digitizer = DigitizerModel::NoDigitizer;
    QString CoordinateSystem;
    QString DecimalPoint;
    QString Hemisphere;
    int CommPort = 0;
    QString SoundSetting;
};

struct NamedTransforms
{
    Transform4 MPosition = Transform4::Zero();
    Transform4 MRotation = Transform4::Zero();
    Transform4 MCalib1 = Transform4::Zero();
    Transform4 MCalib2 = Transform4::Zero();
    Transform4 MCalib = Transform4::Zero();
    Transform4 MFid1 = Transform4::Zero();
    Transform4 MFid2a = Transform4::Zero();
    Transform4 MFid2b = Transform4::Zero();
    Transform4 MFida = Transform4::Zero();
    Transform4 MFidb = Transform4::Zero();
    Transform4 MFidfa = Transform4::Zero();
    Transform4 MFidfb = Transform4::Zero();
    Transform4 MProbe = Transform4::Zero();
    Transform4 MHeada = Transform4::Zero();
    Transform4 MHeadb = Transform4::Zero();
    Transform4 MAlla = Transform4::Zero();
    Transform4 MAllb = Transform4::Zero();
    Transform4 MStep1 = Transform4::Zero();
    Transform4 MStep2a = Transform4::Zero();
    Transform4 MStep2b = Transform4::Zero();
};

// The MEG sensor tables of one calibration or dewar file.
struct SensorTables
{
    int NumSensors = 0;
    QStringList SensorType;
    std::vector<Fixed8> SensorName;
    std::vector<CoilData> SensorCoil;
    std::vector<std::array<double, 2>> CoilPar1;
    std::vector<int> CoilCode1;
    std::vector<std::array<std::array<double, 2>, 2>> CoilPar23; // [coil 2 or 3][value]
    std::vector<std::array<int, 2>> CoilCode23;
    std::vector<CoilData> ProbeCoil;

    void resize(int n);
};

// The unit a set's coordinates are held in: files and measurements give metres, Curry files
// millimetres, a table import the centimetres it was typed in.
enum class LengthUnit { Metres, Centimetres, Millimetres };
// Factor from `unit` to centimetres, the unit of the listings.
inline double toCentimetres(LengthUnit unit)
{
    return unit == LengthUnit::Metres ? 100.0 : unit == LengthUnit::Millimetres ? 0.1 : 1.0;
}

// One of the four parallel electrode sets.
template <typename NameT> struct ElectrodeSetOf
{
    LengthUnit unit = LengthUnit::Metres;
    FidTriple Fid = zeroFids();
    std::array<NameT, 3> FidName{};
    QStringList Type;
    std::vector<NameT> Name;
    std::vector<Point3> Pos;

    void resize(int n)
    {
        Type = QStringList();
        Type.resize(n);
        Name.assign(n, NameT());
        Pos.assign(n, Point3::Zero());
    }
};

// The raw records the measurement steps keep, as the device sent them (ISOTRAK rebuilt), for
// the service dumps. Two-pass steps keep pass 1 fiducials 1..3, then pass 2 fiducials 1..3.
struct RawRecords
{
    std::array<QString, 6> calibration; // dewar fiducials
    std::array<QString, 6> fiducials;   // subject fiducials
    std::array<QString, 2> probe;       // before and after the field recording
    std::array<QString, 6> shapeFiducials;
    QStringList shapePoints;            // one record per kept shape point
};

// All data sets of one run: settings, working values, measurement data, transforms, flags.
struct Workspace
{
    Settings settings;

    int SoundEnabled = 0;
    int ReceiverCount = -1;
    int TransmitterLocation = 2;
    double MinStepDistance = 0.5;
    int PointDelay = 100;
    QString AppPath;
    QString DataPath;
    int SeqDirty = 0;
    int ElectrodesDirty = 0;
    int ShapeDirty = 0;
    int ExitCancelled = 0;
    QString CurrentView = QStringLiteral("Clear View");

    QString DewarFile, CalibrationFile, FiducialsFile, ElectrodeFile, ShapeFile, SequenceFile,
        SequenceTitle;

    int MinorRevision = 0;
    Fixed8 ProbeName;
    int ProbeType = 0;
    SensorTables sensors;
    FidTriple DewarFid = zeroFids();
    FidTriple ProbeFid = zeroFids();

    NamedTransforms m;
    // Fiducials measured relative to each reference (transmitter, receivers 1..3) and the
    // transforms from each reference into the head frame.
    std::array<FidTriple, 4> RefFid = {zeroFids(), zeroFids(), zeroFids(), zeroFids()};
    std::array<Transform4, 4> MRef = {Transform4::Zero(), Transform4::Zero(), Transform4::Zero(),
                                      Transform4::Zero()};

    Fixed8 SessionName;
    std::vector<FidTriple> ReceiverFid;

    ElectrodeSetOf<Fixed8> meas;
    ElectrodeSetOf<Fixed8> tevo;
    ElectrodeSetOf<QString> besa;
    ElectrodeSetOf<QString> curry;
    std::array<QString, 3> CurryFidType;

    Fixed8 ShapeName = Fixed8("Name");
    int ShapeCode = 0;
    int NumShapePoints = 0;
    FidTriple ShapeFid = zeroFids();
    std::vector<Point3> ShapePos;

    // The BESA set came from Convert > Table to TEVO, so BESA to TEVO accepts it in any convention.
    bool BesaFromTable = false;

    // Electrodes of the converted set that were never digitized (skipped with Next): their
    // positions are placeholders, so no electrode file is written while any is listed.
    QStringList UnreadElectrodes;

    int NumSeq = 0;
    QStringList SeqName;
    QStringList SeqCode;
    QStringList SeqRaw;

    RawRecords raw;

    Workspace();

    // The start-up values of every measurement data set (settings untouched).
    void resetData();
};

// The first n fixed-8 names as text, eight characters each (blank names past the end).
inline std::vector<QString> namesAsText(const std::vector<Fixed8> &names, int n)
{
    std::vector<QString> out(n, Fixed8().text());
    for (int i = 0; i < n && i < int(names.size()); ++i)
        out[i] = names[i].text();
    return out;
}

// Text names cut or padded to eight characters.
inline std::vector<Fixed8> namesAsFixed8(const std::vector<QString> &names)
{
    return std::vector<Fixed8>(names.begin(), names.end());
}

// The measured set becomes a copy of the first n electrodes of `set` (names cut to eight
// characters), with its fiducials and their labels; NumSensors becomes n.
template <typename NameT>
void copyToMeasured(Workspace &ws, const ElectrodeSetOf<NameT> &set, int n)
{
    ws.sensors.NumSensors = n;
    ws.meas.unit = set.unit;
    ws.meas.Fid = set.Fid;
    for (int j = 0; j < 3; ++j)
        ws.meas.FidName[j] = QString(set.FidName[j]);
    ws.meas.resize(n);
    for (int i = 0; i < n; ++i) {
        ws.meas.Type[i] = set.Type.value(i);
        if (i < int(set.Name.size()))
            ws.meas.Name[i] = QString(set.Name[i]);
        if (i < int(set.Pos.size()))
            ws.meas.Pos[i] = set.Pos[i];
    }
}
