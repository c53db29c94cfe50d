#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <vector>

// The digitizer models the program knows. NoDigitizer and Dummy are settings, not devices.
enum class DigitizerModel { NoDigitizer, Dummy, Isotrak, Fastrak, Patriot };

// Where the numbers sit in a record after the model's configuration sequence. Positions are
// 1-based character positions; x, y and z follow each other at `width` characters.
struct RecordLayout
{
    struct Field
    {
        int first = 0;
        int width = 0;
        int decimals = 0;
    };
    int length = 0;            // characters of one whole record as parsed (ISOTRAK: rebuilt)
    int deviceLength = 0;      // characters the device sends for one record
    Field stylus;              // station 1's x
    int blockStart = 0;        // characters before receiver 1's block
    int blockLength = 0;       // from one receiver block to the next; 0: one block for any receiver
    int positionOffset = 0;    // from the block start to x
    int orientationOffset = 0; // from the block start to the first direction-cosine triple
    int tripleStride = 0;      // from one triple to the next
    Field receiverPosition;    // width and decimals of receiver positions (first unused)
    Field cosine;              // width and decimals of direction cosines (first unused)
    // The triples are the columns of the direction-0 rotation (FASTRAK, PATRIOT) or its rows.
    bool triplesAreColumns = true;
    std::vector<int> statusPositions; // per station; a blank means fine
};

// How a sweep of the head-shape step streams. `enter` readies the device before the first
// sweep; the first record of a sweep comes from the button; `start` (sent `startDelayMs` later)
// switches the continuous output on and the button then ends it; `stop` leaves the stream and
// sets the button back after each sweep; `leave` ends the step. A model with no `start` streams
// while its button is held (the ISOTRAK's digitizer mode).
struct ShapeStream
{
    QByteArray enter;
    QByteArray start;
    int startDelayMs = 0;
    QList<QByteArray> stop;
    QByteArray leave;
};

// One row of the model table.
struct ModelTraits
{
    DigitizerModel model;
    QString name;      // as written in pointra.ini and shown in the caption
    bool isDevice;     // talks over the serial line
    int headReceivers; // most receivers the Digitize menu offers on the head; -1: no menu
    int stations;      // stylus included
    QString lineSettings;
    RecordLayout layout;
    // The configuration sequence for a hemisphere such as "0,0,1".
    QList<QByteArray> (*configuration)(const QString &hemisphere);
    // Station switching for a number of head receivers; empty when the model has none.
    QList<QByteArray> (*stationCommands)(int headReceivers);
    ShapeStream shapeStream;
};

const ModelTraits &traitsOf(DigitizerModel model);
// The model of a settings text; anything unknown is NoDigitizer.
DigitizerModel modelFromName(const QString &name);
// The three devices, in the order of the Setup menu.
const QList<DigitizerModel> &deviceModels();
// How the stylus button works a head-shape sequence of the model, as the operator is told (the
// lines joined by CR); empty for settings that are not devices.
QString shapeStylusInstructions(DigitizerModel model);
inline bool isDevice(DigitizerModel m)
{
    return traitsOf(m).isDevice;
}
