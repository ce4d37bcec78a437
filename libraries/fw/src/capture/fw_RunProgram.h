// Starting a helper program (the video muxer) and waiting for it.
#pragma once

#include <string>
#include <vector>

// Runs a program found on PATH with these arguments and waits for it: its exit code, or -1 when
// it could not start.
int fw_RunProgram(const std::vector<std::string>& args);
