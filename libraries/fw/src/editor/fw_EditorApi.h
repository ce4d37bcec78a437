// The editor's JSON calls, after the gate let the request through: GET /api/tracks, POST /api/edit
// and POST /api/transport (GET /api/show is the site's fixed answer).
#pragma once

#include "editor/fw_EditorRequest.h"

fw_EditorResponse fw_EditorGetTracks(const fw_EditorSite& site);
fw_EditorResponse fw_EditorPostEdit(const std::string& body, const fw_EditorSite& site);
fw_EditorResponse fw_EditorPostTransport(const std::string& body, const fw_EditorSite& site);
