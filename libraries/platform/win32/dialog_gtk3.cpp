// DialogBoxParamA over the program's dialog templates. The dialog's state (check marks, texts) is
// kept here; a GTK view on the GTK thread mirrors it and turns clicks, Escape and the close box
// into messages. The dialog procedure runs on the caller's thread, fed from the dialog's queue.
// Without a display the dialog runs headless: a line on standard output, then its default button.
#include "gtk_p.h"
#include "resources_p.h"
#include "user_p.h"

#include <platform/win32_testing.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <map>
#include <vector>

using namespace platform::user;

namespace {

// Dialog units to pixels: the dialog font's base units (6 x 13 for an 8-point sans font), scaled
// by 1.5 because GTK's own text is larger than the template's font.
constexpr double kPixelsPerUnitX = 6.0 / 4.0 * 1.5;
constexpr double kPixelsPerUnitY = 13.0 / 8.0 * 1.5;

int px(int units) { return static_cast<int>(units * kPixelsPerUnitX + 0.5); }
int py(int units) { return static_cast<int>(units * kPixelsPerUnitY + 0.5); }

struct Item {
  int id = -1;
  std::string className;
  std::string text;
  DWORD style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  int check = BST_UNCHECKED;
  HWND hwnd = nullptr;
  GtkWidget* widget = nullptr;  // GTK thread only
  gulong clickHandler = 0;

  DWORD buttonType() const { return style & BS_TYPEMASK; }
  bool isButton() const { return className == "BUTTON"; }
  bool isCheckBox() const {
    DWORD t = buttonType();
    return isButton() && (t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE);
  }
  bool isAutomatic() const { return buttonType() == BS_AUTOCHECKBOX || buttonType() == BS_AUTO3STATE; }
  bool isThreeState() const { return buttonType() == BS_3STATE || buttonType() == BS_AUTO3STATE; }
};

struct Dialog {
  HWND hwnd = nullptr;
  DLGPROC proc = nullptr;
  const platform::DialogResource* resource = nullptr;
  std::mutex mutex;  // guards queue, ended, result and the items' check and text
  std::condition_variable wake;
  std::deque<MSG> queue;
  bool ended = false;
  INT_PTR result = 0;
  std::vector<Item> items;
  bool gtkView = false;
  GtkWidget* window = nullptr;  // GTK thread only
};

std::mutex gDialogsMutex;
std::map<HWND, std::shared_ptr<Dialog>> gDialogs;
std::atomic<bool> gHeadless{false};
std::mutex gDriverMutex;
std::function<void(HWND)> gDriver;

std::shared_ptr<Dialog> findDialog(HWND hwnd) {
  std::lock_guard<std::mutex> lock(gDialogsMutex);
  auto it = gDialogs.find(hwnd);
  return it == gDialogs.end() ? nullptr : it->second;
}

Item* findItem(Dialog& dialog, int id) {
  for (auto& item : dialog.items)
    if (item.id == id && id != -1) return &item;
  return nullptr;
}

void enqueue(Dialog& dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard<std::mutex> lock(dialog.mutex);
  dialog.queue.push_back(MSG{dialog.hwnd, message, wParam, lParam, GetTickCount(), {0, 0}});
  dialog.wake.notify_all();
}

void postClick(Dialog& dialog, const Item& item) {
  enqueue(dialog, WM_COMMAND, MAKEWPARAM(item.id, BN_CLICKED), reinterpret_cast<LPARAM>(item.hwnd));
}

int defaultButtonId(const Dialog& dialog) {
  for (auto& item : dialog.items)
    if (item.isButton() && item.buttonType() == BS_DEFPUSHBUTTON) return item.id;
  return IDOK;
}

// ---- GTK view (GTK thread) -----------------------------------------------------------------

void showCheck(Item& item, int check) {
  if (!item.widget) return;
  g_signal_handler_block(item.widget, item.clickHandler);
  gtk_toggle_button_set_inconsistent(GTK_TOGGLE_BUTTON(item.widget), check == BST_INDETERMINATE);
  gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(item.widget), check == BST_CHECKED);
  g_signal_handler_unblock(item.widget, item.clickHandler);
}

struct ClickContext {
  std::shared_ptr<Dialog> dialog;
  int id;
};

void onClicked(GtkButton*, gpointer data) {
  auto* context = static_cast<ClickContext*>(data);
  Dialog& dialog = *context->dialog;
  Item* item = findItem(dialog, context->id);
  if (!item) return;
  if (item->isCheckBox()) {
    int check;
    {
      std::lock_guard<std::mutex> lock(dialog.mutex);
      if (item->isAutomatic()) item->check = item->isThreeState() ? (item->check + 1) % 3 : !item->check;
      check = item->check;
    }
    // GTK has already flipped the box; a manually managed box shows the state the procedure sets.
    showCheck(*item, check);
  }
  postClick(dialog, *item);
}

void freeClickContext(gpointer data, GClosure*) { delete static_cast<ClickContext*>(data); }

gboolean onDelete(GtkWidget*, GdkEvent*, gpointer data) {
  enqueue(**static_cast<std::shared_ptr<Dialog>*>(data), WM_CLOSE, 0, 0);
  return TRUE;  // the procedure decides whether the dialog closes
}

gboolean onKey(GtkWidget* window, GdkEventKey* event, gpointer data) {
  Dialog& dialog = **static_cast<std::shared_ptr<Dialog>*>(data);
  if (event->keyval == GDK_KEY_Escape) {
    enqueue(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
  }
  if (event->keyval == GDK_KEY_Return || event->keyval == GDK_KEY_KP_Enter) {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
    if (focus && GTK_IS_BUTTON(focus) && !GTK_IS_TOGGLE_BUTTON(focus)) return FALSE;  // the button itself
    enqueue(dialog, WM_COMMAND, MAKEWPARAM(defaultButtonId(dialog), BN_CLICKED), 0);
    return TRUE;
  }
  return FALSE;
}

void freeDialogRef(gpointer data, GClosure*) { delete static_cast<std::shared_ptr<Dialog>*>(data); }

void buildView(const std::shared_ptr<Dialog>& dialog, const std::string& title) {
  const platform::DialogResource& res = *dialog->resource;
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(window), title.c_str());
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(GTK_WINDOW(window), TRUE);
  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, px(res.cx), py(res.cy));
  gtk_container_add(GTK_CONTAINER(window), fixed);

  for (auto& item : dialog->items) {
    GtkWidget* widget = nullptr;
    // Controls are clipped to the dialog, as the template's wide static texts would be.
    int width = std::max(1, std::min(px(item.cx), px(res.cx) - px(item.x)));
    if (item.className == "STATIC") {
      widget = gtk_label_new(item.text.c_str());
      gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
      gtk_label_set_ellipsize(GTK_LABEL(widget), PANGO_ELLIPSIZE_END);
    } else if (item.isCheckBox()) {
      widget = gtk_check_button_new_with_label(item.text.c_str());
    } else if (item.isButton()) {
      widget = gtk_button_new_with_label(item.text.c_str());
    } else {
      continue;
    }
    gtk_widget_set_size_request(widget, width, py(item.cy));
    gtk_fixed_put(GTK_FIXED(fixed), widget, px(item.x), py(item.y));
    item.widget = widget;
    if (item.isButton()) {
      item.clickHandler = g_signal_connect_data(widget, "clicked", G_CALLBACK(onClicked),
                                                new ClickContext{dialog, item.id}, freeClickContext, GConnectFlags(0));
    }
    if (item.isButton() && item.buttonType() == BS_DEFPUSHBUTTON) {
      gtk_widget_set_can_default(widget, TRUE);
      gtk_window_set_default(GTK_WINDOW(window), widget);
    }
  }
  g_signal_connect_data(window, "delete-event", G_CALLBACK(onDelete), new std::shared_ptr<Dialog>(dialog),
                        freeDialogRef, GConnectFlags(0));
  g_signal_connect_data(window, "key-press-event", G_CALLBACK(onKey), new std::shared_ptr<Dialog>(dialog),
                        freeDialogRef, GConnectFlags(0));
  dialog->window = window;
}

// ---- The dialog's own messages ----------------------------------------------------------------

LRESULT itemMessage(const std::shared_ptr<Dialog>& dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  std::unique_lock<std::mutex> lock(dialog->mutex);
  Item* item = findItem(*dialog, id);
  if (!item) return 0;
  switch (message) {
    case BM_GETCHECK:
      return item->isCheckBox() ? item->check : BST_UNCHECKED;
    case BM_SETCHECK: {
      if (!item->isCheckBox()) return 0;
      int check = static_cast<int>(wParam);
      if (check != BST_CHECKED && check != BST_INDETERMINATE) check = BST_UNCHECKED;
      if (check == BST_INDETERMINATE && !item->isThreeState()) check = BST_CHECKED;
      item->check = check;
      lock.unlock();
      if (dialog->gtkView) {
        platform::gtk::Invoke([dialog, id, check] {
          if (Item* i = findItem(*dialog, id)) showCheck(*i, check);
        });
      }
      return 0;
    }
    case WM_SETTEXT: {
      item->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      std::string text = item->text;
      lock.unlock();
      if (dialog->gtkView) {
        platform::gtk::Invoke([dialog, id, text] {
          Item* i = findItem(*dialog, id);
          if (!i || !i->widget) return;
          if (GTK_IS_LABEL(i->widget)) gtk_label_set_text(GTK_LABEL(i->widget), text.c_str());
          else if (GTK_IS_BUTTON(i->widget)) gtk_button_set_label(GTK_BUTTON(i->widget), text.c_str());
        });
      }
      return TRUE;
    }
    case WM_GETTEXT: {
      if (!lParam || wParam == 0) return 0;
      size_t n = std::min(item->text.size(), static_cast<size_t>(wParam - 1));
      memcpy(reinterpret_cast<LPSTR>(lParam), item->text.data(), n);
      reinterpret_cast<LPSTR>(lParam)[n] = '\0';
      return static_cast<LRESULT>(n);
    }
    default:
      return 0;
  }
}

bool nextMessage(Dialog& dialog, MSG* message) {
  std::unique_lock<std::mutex> lock(dialog.mutex);
  if (dialog.gtkView) dialog.wake.wait(lock, [&] { return !dialog.queue.empty() || dialog.ended; });
  if (dialog.ended || dialog.queue.empty()) return false;
  *message = dialog.queue.front();
  dialog.queue.pop_front();
  return true;
}

}  // namespace

namespace platform {

void SetHeadlessDialogs(bool headless) { gHeadless = headless; }

void SetDialogDriver(std::function<void(HWND)> driver) {
  std::lock_guard<std::mutex> lock(gDriverMutex);
  gDriver = std::move(driver);
}

BOOL ClickDialogItem(HWND hwnd, int id) {
  auto dialog = findDialog(hwnd);
  if (!dialog) return FALSE;
  {
    std::lock_guard<std::mutex> lock(dialog->mutex);
    Item* item = findItem(*dialog, id);
    if (!item || !item->isButton()) return FALSE;
    if (!dialog->gtkView) {
      if (item->isCheckBox() && item->isAutomatic())
        item->check = item->isThreeState() ? (item->check + 1) % 3 : !item->check;
      dialog->queue.push_back(MSG{hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(item->hwnd),
                                  GetTickCount(), {0, 0}});
      dialog->wake.notify_all();
      return TRUE;
    }
  }
  gtk::Invoke([dialog, id] {
    Item* item = findItem(*dialog, id);
    if (item && item->widget) gtk_button_clicked(GTK_BUTTON(item->widget));
  });
  return TRUE;
}

BOOL GetDialogItemRect(HWND hwnd, int id, RECT* rect) {
  auto dialog = findDialog(hwnd);
  if (!dialog || !rect) return FALSE;
  Item* item = findItem(*dialog, id);
  if (!item) return FALSE;
  *rect = RECT{px(item->x), py(item->y), px(item->x) + px(item->cx), py(item->y) + py(item->cy)};
  return TRUE;
}

}  // namespace platform

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND, DLGPROC dialogProc, LPARAM initParam) {
  const platform::DialogResource* resource = platform::resources::FindDialog(instance, templateName);
  if (!resource || !dialogProc) return -1;

  auto dialog = std::make_shared<Dialog>();
  dialog->proc = dialogProc;
  dialog->resource = resource;
  for (int i = 0; i < resource->itemCount; ++i) {
    const platform::DialogItemResource& r = resource->items[i];
    Item item;
    item.id = r.id;
    item.className = r.className ? r.className : "";
    for (auto& c : item.className) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    item.text = r.text ? r.text : "";
    item.style = r.style;
    item.x = r.x, item.y = r.y, item.cx = r.cx, item.cy = r.cy;
    dialog->items.push_back(item);
  }

  auto record = std::make_shared<WindowRecord>();
  record->kind = WindowKind::Dialog;
  record->className = "#32770";
  record->title = resource->caption ? resource->caption : "";
  std::weak_ptr<Dialog> weak = dialog;
  record->onPost = [weak](UINT message, WPARAM wParam, LPARAM lParam) {
    if (auto d = weak.lock()) enqueue(*d, message, wParam, lParam);
  };
  // Sent messages are queued too: the procedure only ever runs on the dialog's own thread.
  record->onSend = [weak](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (auto d = weak.lock()) enqueue(*d, message, wParam, lParam);
    return 0;
  };
  record->onTitle = [weak](const std::string& title) {
    auto d = weak.lock();
    if (!d || !d->gtkView) return;
    platform::gtk::Invoke([d, title] {
      if (d->window) gtk_window_set_title(GTK_WINDOW(d->window), title.c_str());
    });
  };
  HWND hwnd = Register(record);
  dialog->hwnd = hwnd;
  for (auto& item : dialog->items) {
    auto itemRecord = std::make_shared<WindowRecord>();
    itemRecord->kind = WindowKind::DialogItem;
    itemRecord->className = item.className;
    itemRecord->title = item.text;
    int id = item.id;
    itemRecord->onSend = [weak, id](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
      auto d = weak.lock();
      return d ? itemMessage(d, id, message, wParam, lParam) : 0;
    };
    item.hwnd = Register(itemRecord);
  }
  {
    std::lock_guard<std::mutex> lock(gDialogsMutex);
    gDialogs[hwnd] = dialog;
  }

  dialog->gtkView = !gHeadless && platform::gtk::Available();
  if (dialog->gtkView) platform::gtk::InvokeAndWait([dialog, title = record->title] { buildView(dialog, title); });

  // Setup: the procedure sees WM_INITDIALOG before the dialog is on screen.
  dialogProc(hwnd, WM_INITDIALOG, 0, initParam);
  if (dialog->gtkView) {
    platform::gtk::Invoke([dialog] {
      if (dialog->window) gtk_widget_show_all(dialog->window);
    });
  }
  std::function<void(HWND)> driver;
  {
    std::lock_guard<std::mutex> lock(gDriverMutex);
    driver = gDriver;
  }
  if (driver) {
    driver(hwnd);
  } else if (!dialog->gtkView) {
    printf("[dialog] \"%s\": no display; choosing its default button, as Enter would.\n", record->title.c_str());
    fflush(stdout);
    enqueue(*dialog, WM_COMMAND, MAKEWPARAM(defaultButtonId(*dialog), BN_CLICKED), 0);
  }

  // Modal loop. Headless, a procedure that leaves the queue empty without ending the dialog gets
  // Cancel once; if even that does not end it, the dialog ends with -1 instead of hanging.
  int headlessRescues = 0;
  MSG message;
  for (;;) {
    if (!nextMessage(*dialog, &message)) {
      std::lock_guard<std::mutex> lock(dialog->mutex);
      if (dialog->ended) break;
      if (headlessRescues++ == 0) {
        dialog->queue.push_back(MSG{hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0, GetTickCount(), {0, 0}});
        continue;
      }
      dialog->ended = true;
      dialog->result = -1;
      break;
    }
    INT_PTR handled = dialogProc(hwnd, message.message, message.wParam, message.lParam);
    // Default dialog handling: the close box means Cancel.
    if (!handled && message.message == WM_CLOSE) enqueue(*dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  }

  // Cleanup
  if (dialog->gtkView) {
    platform::gtk::InvokeAndWait([dialog] {
      if (dialog->window) gtk_widget_destroy(dialog->window);
      dialog->window = nullptr;
      for (auto& item : dialog->items) item.widget = nullptr;
    });
  }
  {
    std::lock_guard<std::mutex> lock(gDialogsMutex);
    gDialogs.erase(hwnd);
  }
  for (auto& item : dialog->items) Unregister(item.hwnd);
  Unregister(hwnd);
  std::lock_guard<std::mutex> lock(dialog->mutex);
  return dialog->result;
}

BOOL EndDialog(HWND hwnd, INT_PTR result) {
  auto dialog = findDialog(hwnd);
  if (!dialog) return FALSE;
  std::lock_guard<std::mutex> lock(dialog->mutex);
  if (!dialog->ended) {
    dialog->ended = true;
    dialog->result = result;
  }
  dialog->wake.notify_all();
  return TRUE;
}

HWND GetDlgItem(HWND hwnd, int id) {
  auto dialog = findDialog(hwnd);
  if (!dialog) return nullptr;
  Item* item = findItem(*dialog, id);
  return item ? item->hwnd : nullptr;
}

LRESULT SendDlgItemMessageA(HWND hwnd, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  auto dialog = findDialog(hwnd);
  return dialog ? itemMessage(dialog, id, message, wParam, lParam) : 0;
}

UINT IsDlgButtonChecked(HWND hwnd, int id) { return static_cast<UINT>(SendDlgItemMessageA(hwnd, id, BM_GETCHECK, 0, 0)); }

BOOL CheckDlgButton(HWND hwnd, int id, UINT check) {
  if (!GetDlgItem(hwnd, id)) return FALSE;
  SendDlgItemMessageA(hwnd, id, BM_SETCHECK, check, 0);
  return TRUE;
}
