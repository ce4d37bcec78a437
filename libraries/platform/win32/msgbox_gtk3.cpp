// MessageBoxA: a GTK message dialog on the GTK thread while the caller waits; findable by title,
// retitled and closed (WM_CLOSE) from any thread through the HWND table. Without a display the
// text goes to standard output. A virtual backend keeps the box open without any view (tests).
#include "gtk_p.h"
#include "user_p.h"

#include <platform/win32_testing.h>

#include <gtk/gtk.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>

namespace {

std::atomic<platform::MessageBoxBackend> gBackend{platform::MessageBoxBackend::Automatic};

struct Box {
  std::mutex mutex;
  std::condition_variable closed;
  bool done = false;
  int result = 0;
  UINT type = 0;
  GtkWidget* widget = nullptr;  // GTK thread only
};

void finish(const std::shared_ptr<Box>& box, int result) {
  std::lock_guard<std::mutex> lock(box->mutex);
  if (box->done) return;
  box->done = true;
  box->result = result;
  box->closed.notify_all();
}

// What closing the box without a button means: OK for boxes that only have OK, else Cancel/No.
int closeResult(UINT type) {
  switch (type & 0xF) {
    case MB_OKCANCEL: return IDCANCEL;
    case MB_YESNO: return IDNO;
    default: return IDOK;
  }
}

int responseToResult(int response, UINT type) {
  switch (response) {
    case GTK_RESPONSE_OK: return IDOK;
    case GTK_RESPONSE_CANCEL: return IDCANCEL;
    case GTK_RESPONSE_YES: return IDYES;
    case GTK_RESPONSE_NO: return IDNO;
    default: return closeResult(type);
  }
}

void onResponse(GtkDialog* dialog, int response, gpointer data) {
  auto* holder = static_cast<std::shared_ptr<Box>*>(data);
  finish(*holder, responseToResult(response, (*holder)->type));
  (*holder)->widget = nullptr;
  gtk_widget_destroy(GTK_WIDGET(dialog));
}

void freeHolder(gpointer data, GClosure*) { delete static_cast<std::shared_ptr<Box>*>(data); }

void showGtk(const std::shared_ptr<Box>& box, const std::string& text, const std::string& title) {
  GtkMessageType messageType = GTK_MESSAGE_INFO;
  switch (box->type & 0xF0) {
    case MB_ICONERROR: messageType = GTK_MESSAGE_ERROR; break;
    case MB_ICONQUESTION: messageType = GTK_MESSAGE_QUESTION; break;
    case MB_ICONWARNING: messageType = GTK_MESSAGE_WARNING; break;
    default: break;
  }
  GtkButtonsType buttons = GTK_BUTTONS_OK;
  if ((box->type & 0xF) == MB_OKCANCEL) buttons = GTK_BUTTONS_OK_CANCEL;
  if ((box->type & 0xF) == MB_YESNO) buttons = GTK_BUTTONS_YES_NO;
  GtkWidget* widget = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, messageType, buttons, "%s", text.c_str());
  gtk_window_set_title(GTK_WINDOW(widget), title.c_str());
  gtk_window_set_keep_above(GTK_WINDOW(widget), TRUE);
  box->widget = widget;
  g_signal_connect_data(widget, "response", G_CALLBACK(onResponse), new std::shared_ptr<Box>(box), freeHolder,
                        GConnectFlags(0));
  gtk_widget_show_all(widget);
}

}  // namespace

namespace platform {
void SetMessageBoxBackend(MessageBoxBackend backend) { gBackend = backend; }
bool GtkAvailable() { return gtk::Available(); }
}  // namespace platform

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  using platform::MessageBoxBackend;
  std::string body = text ? text : "";
  std::string title = caption ? caption : "Error";  // the platform's title for a null caption
  MessageBoxBackend backend = gBackend;
  if (backend == MessageBoxBackend::Automatic)
    backend = platform::gtk::Available() ? MessageBoxBackend::Automatic : MessageBoxBackend::Console;
  if (backend == MessageBoxBackend::Console) {
    printf("[message box] %s: %s\n", title.c_str(), body.c_str());
    fflush(stdout);
    return IDOK;
  }

  auto box = std::make_shared<Box>();
  box->type = type;
  bool gtkView = backend == MessageBoxBackend::Automatic;
  auto record = std::make_shared<platform::user::WindowRecord>();
  record->kind = platform::user::WindowKind::MessageBox;
  record->className = "#32770";  // the platform's dialog class, which message boxes belong to
  record->title = title;
  record->onPost = [box, gtkView](UINT message, WPARAM wParam, LPARAM) {
    int result = 0;
    if (message == WM_CLOSE) result = closeResult(box->type);
    if (message == WM_COMMAND && LOWORD(wParam) >= IDOK && LOWORD(wParam) <= IDNO) result = LOWORD(wParam);
    if (!result) return;
    if (!gtkView) {
      finish(box, result);
      return;
    }
    platform::gtk::Invoke([box, result] {
      if (box->widget) {
        GtkWidget* widget = box->widget;
        box->widget = nullptr;
        finish(box, result);
        gtk_widget_destroy(widget);
      }
    });
  };
  record->onSend = [post = record->onPost](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    post(message, wParam, lParam);
    return 0;
  };
  record->onTitle = [box, gtkView](const std::string& newTitle) {
    if (!gtkView) return;
    platform::gtk::Invoke([box, newTitle] {
      if (box->widget) gtk_window_set_title(GTK_WINDOW(box->widget), newTitle.c_str());
    });
  };
  HWND hwnd = platform::user::Register(record);
  if (gtkView) {
    platform::gtk::Invoke([box, body, record] {
      std::string current;
      {
        std::lock_guard<std::mutex> lock(platform::user::TableMutex());
        current = record->title;  // a retitle may have come before the view
      }
      showGtk(box, body, current);
    });
  }

  int result;
  {
    std::unique_lock<std::mutex> lock(box->mutex);
    box->closed.wait(lock, [&] { return box->done; });
    result = box->result;
  }
  platform::user::Unregister(hwnd);
  return result;
}
