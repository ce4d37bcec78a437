// The startup dialog's procedure.
#include "app/fw_StartupDialog.h"

#include "app/fw_Framework.h"
#include "app/fw_StartupOptions.h"

INT_PTR CALLBACK fw_StartupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG: {
      // Both start checked whatever mFullscreen holds; only the command line presets them.
      const fw_StartupOptions& options = fw_GetStartupOptions();
      bool fullscreen = options.fullscreen.value_or(true);
      SendDlgItemMessageA(dialog, fw_IDC_FULLSCREEN, BM_SETCHECK, fullscreen ? BST_CHECKED : BST_UNCHECKED, 0);
      SendDlgItemMessageA(dialog, fw_IDC_SOUND, BM_SETCHECK, options.mute ? BST_UNCHECKED : BST_CHECKED, 0);
      return TRUE;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case fw_IDC_FULLSCREEN: {
          bool checked = SendDlgItemMessageA(dialog, fw_IDC_FULLSCREEN, BM_GETCHECK, 0, 0) == BST_CHECKED;
          SendDlgItemMessageA(dialog, fw_IDC_FULLSCREEN, BM_SETCHECK, checked ? BST_UNCHECKED : BST_CHECKED, 0);
          return TRUE;
        }
        case IDOK:
          fw_Framework::mFullscreen = SendDlgItemMessageA(dialog, fw_IDC_FULLSCREEN, BM_GETCHECK, 0, 0) == BST_CHECKED;
          fw_Framework::mSound = SendDlgItemMessageA(dialog, fw_IDC_SOUND, BM_GETCHECK, 0, 0) == BST_CHECKED;
          EndDialog(dialog, 1);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 2);
          PostQuitMessage(0);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_CLOSE:
      EndDialog(dialog, 2);
      PostQuitMessage(0);
      return TRUE;
    default:
      return FALSE;
  }
}
