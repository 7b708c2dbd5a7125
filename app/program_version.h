// The program's version, in the resource script's version block and in the first line of every log.
#pragma once

#define SETUP_PROGRAM_VERSION_NUMBERS 1, 0, 0, 0
#define SETUP_PROGRAM_VERSION_TEXT "1.0.0.0"
