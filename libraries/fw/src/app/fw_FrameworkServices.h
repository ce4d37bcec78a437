// Where the framework's start-up, run and shutdown reach the other subsystems: one call per
// step, each in its own small file (fw_Sync*, fw_Device*, fw_Music*, fw_Textures*, fw_Resources*),
//, so the sequence in fw_Framework.cpp and fw_Run.cpp reads as the order of work.
#pragma once

#include "frame/fw_Device.h"

#include <platform/win32.h>

#include <string>

// Sync: a new timer (replacing any earlier one) and the PlayerDevice on "data/sync/sync".
void fw_StartSyncSystem();

// Device: the settings the device code reads, built from the framework's settings.
fw_DeviceSettings fw_FrameworkDeviceSettings();
HRESULT fw_CreateDevice();
void fw_ReleaseDevice();
void fw_PresentFrame();

// Music: installs the one music player for the file (destroying any earlier one).
void fw_StartMusicPlayer(const std::string& path, HWND window);
// Takes the player out of its place, stops and destroys it.
void fw_StopMusicPlayer();

// Texture table and owned set: created empty with the framework, emptied when it is destroyed.
void fw_CreateTextureTable();
void fw_DestroyTextureTable();

// Resources: the empty post-effects chain, then everything LoadResources builds.
void fw_CreatePostEffectsChain();
void fw_DestroyPostEffectsChain();
HRESULT fw_LoadFrameworkResources();

// The frame tick (frame/fw_FrameTick.h) gets the scene list, the current scene, the scene start
// time, the mouse update and the device settings from the framework; the run hands them over.
void fw_HandOverFrameContext();
