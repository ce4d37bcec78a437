// The program's entry in the platform's shape: makes the framework, registers the scene, runs.
#pragma once

#include <platform/win32.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine, int showCommand);
