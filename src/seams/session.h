#pragma once

#include <functional>

struct Workspace;
class Dialogs;
class UiState;
class Clock;
class EventPump;
class WaveAudio;
class SerialLink;

// Flags the window's buttons set while a cooperative wait runs; the wait reads and clears them.
struct WaitFlags
{
    int NextRequested = 0;
    int BackRequested = 0;
    int CancelRequested = 0;
    int PointCounter = 0;
};

// The state and seams one run works on; handlers take it instead of reaching for globals.
struct Session
{
    Workspace &ws;
    Dialogs &dialogs;
    UiState &ui;
    Clock &clock;
    EventPump &pump;
    WaveAudio &audio;
    SerialLink &link;
    // Rebuilds the current text listing; set once the text views exist.
    std::function<void()> updateView;
    WaitFlags wait = {};
};
