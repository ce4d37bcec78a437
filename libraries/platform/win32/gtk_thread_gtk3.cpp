// The GTK thread: gtk_init_check once, then gtk_main for the rest of the process.
#include "gtk_p.h"

#include <gtk/gtk.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace platform::gtk {
namespace {

std::once_flag gStartOnce;
bool gAvailable = false;

gboolean runWork(gpointer data) {
  auto* work = static_cast<std::function<void()>*>(data);
  (*work)();
  delete work;
  return G_SOURCE_REMOVE;
}

bool haveDisplay() {
  const char* x = getenv("DISPLAY");
  const char* wayland = getenv("WAYLAND_DISPLAY");
  return (x && *x) || (wayland && *wayland);
}

void start() {
  // gtk_init_check without a display prints warnings and fails; skip it when none is set.
  if (!haveDisplay()) return;
  std::mutex mutex;
  std::condition_variable ready;
  bool done = false;
  bool ok = false;
  std::thread([&] {
    bool initialised = gtk_init_check(nullptr, nullptr);
    {
      std::lock_guard<std::mutex> lock(mutex);
      ok = initialised;
      done = true;
      ready.notify_all();  // under the lock: the waiter's locals die as soon as it wakes
    }
    if (initialised) gtk_main();
  }).detach();
  std::unique_lock<std::mutex> lock(mutex);
  ready.wait(lock, [&] { return done; });
  gAvailable = ok;
}

}  // namespace

bool Available() {
  std::call_once(gStartOnce, start);
  return gAvailable;
}

void Invoke(std::function<void()> work) {
  if (!Available()) return;
  g_idle_add_full(G_PRIORITY_HIGH_IDLE, runWork, new std::function<void()>(std::move(work)), nullptr);
}

void InvokeAndWait(std::function<void()> work) {
  if (!Available()) return;
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  Invoke([&] {
    work();
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
    finished.notify_all();
  });
  std::unique_lock<std::mutex> lock(mutex);
  finished.wait(lock, [&] { return done; });
}

}  // namespace platform::gtk
