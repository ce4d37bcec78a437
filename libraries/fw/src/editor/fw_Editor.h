// The timeline editor in the running show (--live --editor [PORT]): starts the server for the
// production's tracks/ and the page in <framework root>/editor, prints its address, and is the
// frame's side of the bridge: live mode's begin-frame hook applies the transport commands the
// page sent, its end-frame hook publishes the row, pause, loop and every track's value. Edits
// reach the show as saved files, through live mode's watch.
#pragma once

#include <string>

// After live mode started. A port that cannot be had is reported and the show goes on without
// the editor; false then.
bool fw_EditorStart(int port, const std::string& title);
void fw_EditorStop();

void fw_EditorBeginFrame();
void fw_EditorEndFrame();
