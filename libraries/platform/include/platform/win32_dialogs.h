// Win32 stand-in, dialogs part: message boxes, modal dialogs built from the program's resource
// tables, and the tables themselves. Included by win32.h; implemented on GTK 3 (with a console
// path when there is no display) in libraries/platform/win32.
#pragma once

#include <platform/win32.h>

// ---- Dialogs and message boxes -------------------------------------------------------------
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7

#define MB_OK 0x00000000u
#define MB_OKCANCEL 0x00000001u
#define MB_YESNO 0x00000004u
#define MB_ICONERROR 0x00000010u
#define MB_ICONQUESTION 0x00000020u
#define MB_ICONWARNING 0x00000030u
#define MB_ICONINFORMATION 0x00000040u

#define DS_SETFONT 0x40u
#define DS_MODALFRAME 0x80u
#define BS_PUSHBUTTON 0x0u
#define BS_DEFPUSHBUTTON 0x1u
#define BS_CHECKBOX 0x2u
#define BS_AUTOCHECKBOX 0x3u
#define BS_3STATE 0x5u
#define BS_AUTO3STATE 0x6u
#define BS_TYPEMASK 0xFu
#define SS_LEFT 0x0u
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define BST_INDETERMINATE 2
#define BN_CLICKED 0

// Blocks until the box is closed; returns the button pressed (IDOK when closed otherwise).
// Without a display the text goes to standard output and IDOK is returned at once.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
// Runs the dialog resource `templateName` of `instance` modally; returns what EndDialog was given,
// or -1 when the instance has no such dialog.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM initParam);
BOOL EndDialog(HWND dialog, INT_PTR result);
HWND GetDlgItem(HWND dialog, int id);
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
UINT IsDlgButtonChecked(HWND dialog, int id);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);

// ---- Resources -----------------------------------------------------------------------------
// What a resource compiler would put into the executable: the program hands its table to
// RegisterModuleResources and gets the instance handle that DialogBoxParamA and LoadIconA read.
namespace platform {

struct DialogItemResource {
  const char* className;  // "BUTTON" or "STATIC"
  const char* text;
  int id;                 // -1 for static texts without an id
  DWORD style;            // BS_* / SS_* with WS_* bits
  short x, y, cx, cy;     // dialog units
};

struct DialogResource {
  int id;
  const char* caption;
  DWORD style;
  const char* fontName;
  int pointSize;
  short x, y, cx, cy;  // dialog units
  const DialogItemResource* items;
  int itemCount;
};

struct IconResource {
  int id;
  int width, height;
  const uint32_t* pixels;  // 0xAARRGGBB, rows top to bottom
};

struct ResourceTable {
  const DialogResource* dialogs;
  int dialogCount;
  const IconResource* icons;
  int iconCount;
};

// The table must outlive the program's use of the handle. GetModuleHandleA(nullptr) returns the
// handle registered first.
HINSTANCE RegisterModuleResources(const ResourceTable* table);

}  // namespace platform
