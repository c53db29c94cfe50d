#pragma once

#include "commands/convert_commands.h"
#include "commands/display_commands.h"
#include "commands/file_commands.h"
#include "commands/service_commands.h"
#include "commands/setup_commands.h"
#include "commands/view_commands.h"

struct Session;
class CommandTable;

// The menu commands of one run, wired to each other; the window and pointra-cli share them.
struct CommandSet
{
    explicit CommandSet(Session &session);
    // Registers every handler under its control name.
    void registerAll(CommandTable &table);

    SetupCommands setup;
    FileCommands files;
    ViewCommands views;
    ConvertCommands conversions;
    DisplayCommands display;
    ServiceCommands service;
};
