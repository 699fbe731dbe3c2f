// --help and --version of the wizard, answered before the toolkit starts, so
// that they need no display and open no window.
#pragma once

#include <ostream>

// True when the command line asks for the help or the version (before any
// "--"): the text is written to `out` and the program ends with exit code 0.
// Every other argument is left to the window toolkit, as before.
bool AnswerInformationOption(int argc, char **argv, std::ostream &out);
