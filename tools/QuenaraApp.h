// The `quenara` program: command line to result. Exit codes: 0 success, 1 a failure (bad
// input, plug-in error, rejected value), 2 a malformed command line, 130 cancelled (Ctrl-C).
// Every failure is one line on stderr starting with "quenara: ", and leaves no output file.
#pragma once

#include <string>
#include <vector>

int QuenaraMain(const std::vector<std::string>& args);
