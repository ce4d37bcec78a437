// The log as the editor's server thread writes it. A warning or an error becomes an alert when
// the log has no other output, and an alert waits for a click: on the server thread that would
// stop every page (and the show at its next log line, behind the log's lock). There such a line
// goes to standard error instead, and to the log as a plain line.
#pragma once

void fw_EditorLog(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
