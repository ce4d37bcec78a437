// Resource table of the program, as a resource script would give it.
#include "app_Resources.h"

#include "app/fw_StartupDialog.h"

namespace {

const platform::DialogItemResource kStartupItems[] = {
    {"STATIC", "amber over the hills", -1, SS_LEFT, 17, 17, 320, 8},
    {"STATIC", "by Pale Kestrel.", -1, SS_LEFT, 17, 33, 320, 8},
    {"BUTTON", "Fullscreen", fw_IDC_FULLSCREEN, BS_3STATE | WS_TABSTOP, 18, 69, 85, 8},
    {"BUTTON", "Sound", fw_IDC_SOUND, BS_AUTOCHECKBOX | WS_TABSTOP, 18, 79, 85, 8},
    {"BUTTON", "Run", IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 120, 68, 93, 13},
    {"BUTTON", "Exit", IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 120, 84, 93, 13},
};

const platform::DialogResource kDialogs[] = {
    {fw_IDD_STARTUP, "Basalt", DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU, "MS Sans Serif", 8, 0,
     0, 230, 132, kStartupItems, static_cast<int>(sizeof(kStartupItems) / sizeof(kStartupItems[0]))},
};

// A 32 x 32 icon: an amber sun over two dark hills on a dusk sky.
const uint32_t* iconPixels() {
  static uint32_t pixels[32 * 32];
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      uint32_t sky = 0xFF000000u | (static_cast<uint32_t>(40 + y * 4) << 16) | (static_cast<uint32_t>(30 + y * 2) << 8) | 70u;
      int dx = x - 16, dy = y - 14;
      bool sun = dx * dx + dy * dy <= 49;
      bool hill = y > 20 + (x < 16 ? (x - 8) * (x - 8) / 12 : (x - 24) * (x - 24) / 10);
      pixels[y * 32 + x] = hill ? 0xFF1E1A24u : sun ? 0xFFFFB02Eu : sky;
    }
  }
  return pixels;
}

}  // namespace

const platform::ResourceTable& dusk_GetResourceTable() {
  static const platform::IconResource icons[] = {{fw_IDI_ICON, 32, 32, iconPixels()}};
  static const platform::ResourceTable table = {kDialogs, 1, icons, 1};
  return table;
}

HINSTANCE dusk_RegisterResources() {
  static HINSTANCE instance = platform::RegisterModuleResources(&dusk_GetResourceTable());
  return instance;
}
