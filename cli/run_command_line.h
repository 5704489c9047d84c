#pragma once
// The window-less benchmark: one run, one JSON report file, the outcome as the exit code.

// argv[0] is the program; options start at argv[1]. Returns 0, 2 or 3.
int RunCommandLine(int argc, wchar_t** argv);
