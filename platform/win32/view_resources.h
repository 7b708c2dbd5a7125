// Resource IDs the program's resource script and the view share. Plain macros: the resource compiler
// reads this file too.
#pragma once

// The program's icon: the window's icon and the one Explorer shows for server.exe.
#define SETUP_PROGRAM_ICON 1
