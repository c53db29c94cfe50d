#pragma once

struct Session;
class CommandTable;
class FileCommands;
class ViewCommands;

// The Convert menu: TEVO, BESA and Curry conversions and the table import.
class ConvertCommands
{
public:
    ConvertCommands(Session &session, FileCommands &files, ViewCommands &views)
        : m_s(session), m_files(files), m_views(views)
    {}
    void registerCommands(CommandTable &table);

    bool convertTevoToBesa();
    bool convertBesaToTevo();
    bool convertTevoToCurry();
    bool convertCurryOldToCurry();
    bool convertCurryOldToTevo();
    bool importTable();

private:
    // The "only while in X" check; true when the command may go on.
    bool requireSystem(const char *system, bool acceptTable = false);
    // The "You need to be in X" check of the Curry conversions.
    bool requireIn(const char *system);
    Session &m_s;
    FileCommands &m_files;
    ViewCommands &m_views;
};
