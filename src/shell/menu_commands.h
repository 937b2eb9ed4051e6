#pragma once
// The extension's commands. QueryContextMenu, GetCommandString and
// InvokeCommand (and the command run) all read this one table, so a command
// is added or changed in one place.
#include <windows.h>

// Command offsets, relative to the first id the shell gave QueryContextMenu.
inline constexpr UINT IDM_ENCRYPT = 0;
inline constexpr UINT IDM_DECRYPT = 1;

struct MenuCommand {
    UINT offset;
    const char* verb;  // canonical verb, for GCS_VERBA / GCS_VERBW
    const char* text;  // the menu item
    UINT helpId;       // status-bar help text (string table)
    UINT titleId;      // progress window caption (string table)
    int encrypt;       // direction handed to the path walker
};

extern const MenuCommand kMenuCommands[];
inline constexpr UINT kMenuCommandCount = 2;

// The command at `offset`, or null when there is none.
const MenuCommand* FindMenuCommand(UINT_PTR offset);

// The command whose canonical verb is `verb`, in any case, or null.
const MenuCommand* FindMenuCommandByVerb(const char* verb);
const MenuCommand* FindMenuCommandByVerb(const wchar_t* verb);
