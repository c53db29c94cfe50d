#include "workspace.h"

void SensorTables::resize(int n)
{
    NumSensors = n;
    SensorType = QStringList();
    SensorType.resize(n);
    SensorName.assign(n, Fixed8());
    const CoilData zero{};
    SensorCoil.assign(n, zero);
    CoilPar1.assign(n, {0.0, 0.0});
    CoilCode1.assign(n, 0);
    CoilPar23.assign(n, {});
    CoilCode23.assign(n, {0, 0});
    ProbeCoil.assign(n, zero);
}

Workspace::Workspace()
{
    resetData();
}

void Workspace::resetData()
{
    MinorRevision = 0;
    ProbeName = Fixed8();
    ProbeType = 0;
    // Placeholder sizes until a file is read: one element, but no sensor counted.
    sensors.resize(1);
    sensors.NumSensors = 0;
    DewarFid = zeroFids();
    ProbeFid = zeroFids();
    m = NamedTransforms();
    SessionName = Fixed8();
    TransmitterLocation = 2;
    ReceiverFid.assign(1, zeroFids());
    meas.resize(0);
    UnreadElectrodes.clear();
    tevo.resize(0);
    besa.resize(0);
    curry.resize(0);
    meas.unit = tevo.unit = besa.unit = LengthUnit::Metres;
    curry.unit = LengthUnit::Millimetres;
    ShapeName = QStringLiteral("Name");
    ShapeCode = 0;
    NumShapePoints = 0;
    ShapeFid = zeroFids();
    ShapePos.clear();
    RefFid = {zeroFids(), zeroFids(), zeroFids(), zeroFids()};
    MRef = {Transform4::Zero(), Transform4::Zero(), Transform4::Zero(), Transform4::Zero()};
    CurryFidType = {};
    BesaFromTable = false;
    NumSeq = 0;
    SeqName.clear();
    SeqCode.clear();
    SeqRaw.clear();
    raw = RawRecords();
}
