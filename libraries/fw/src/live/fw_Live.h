// Live mode, for people making a show: saved track files, track sources, effects and images are
// taken while the show runs; transport keys move the row; the window title shows row, bar,
// section and frame rate. Needs the live sync device, the loaded resources and the
// window; the run starts it after loading and the frame tick drives it. Without --live it is off
// and every call here does nothing.
#pragma once

#include "sync/sync_Sections.h"

#include <platform/win32.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Starts watching the project's track, track-source, shader and image folders and the
// framework's shader folder, and reads the soundtrack's section map (the music file's name with
// ".sections"). False when it could not watch; the show then runs without reloading.
bool fw_LiveStart(HWND window, const std::string& title, const std::string& musicPath);
void fw_LiveStop();
bool fw_LiveActive();

// At the start of a frame, before the sync device is updated: takes every file saved since the
// last frame, and keeps a looped section looping.
void fw_LiveBeginFrame();
// After the frame is drawn and scaled out, before it is presented: writes an asked-for
// screenshot, and now and then the status title.
void fw_LiveEndFrame();
// The end of the show: live mode holds on the last row instead of ending.
void fw_LiveHoldAtEnd();
// Moves the show, music included, to the row it starts at (--live --from-row); after the clocks
// and the music have started.
void fw_LiveStartAtRow(float row);

// A key went down (`repeat`: an auto-repeat of a held key); transport keys act and the key still
// goes on to the scene.
void fw_LiveKeyDown(int key, bool shift, bool repeat);

// Takes one saved file by its path (what the watch reports). For tests and for the frame.
void fw_LiveFileSaved(const std::string& path);

// The transport as the timeline editor drives it, applied by the frame: a seek, pause or play, and
// a loop over rows first..last (both inside; a playhead outside moves to first) or none.
void fw_LiveSeek(float row);
void fw_LiveSetPaused(bool paused);
void fw_LiveSetLoop(std::optional<std::pair<int, int>> loop);
// What the transport is now: paused, and the looped rows.
bool fw_LivePaused();
std::optional<std::pair<int, int>> fw_LiveLoop();
// Why the track sources were last refused (the first error, as the title shows it); "" once they
// compiled.
const std::string& fw_LiveSourceError();
// The soundtrack's section map as live mode read it.
const std::vector<sync::Section>& fw_LiveSections();
