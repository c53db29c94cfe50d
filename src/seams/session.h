#pragma once

#include <functional>

struct Workspace;
class Dialogs;
class UiState;
class Clock;
class EventPump;
class WaveAudio;
class SerialLink;

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
};
