// Private: GTK 3 runs on a thread of its own, started on first use, so that dialogs and message
// boxes can be shown from any thread and retitled or closed from any other. Everything that
// touches a widget is handed to that thread.
#pragma once

#include <functional>

namespace platform::gtk {

// Starts the GTK thread on first call; false when there is no display or GTK cannot open it.
bool Available();
// Runs `work` on the GTK thread; returns at once.
void Invoke(std::function<void()> work);
// Runs `work` on the GTK thread and waits for it (never call from the GTK thread).
void InvokeAndWait(std::function<void()> work);

}  // namespace platform::gtk
