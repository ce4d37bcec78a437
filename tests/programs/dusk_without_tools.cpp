// The show built as a production that leaves the development tools out: the same entry and
// start-up, without fw_UseTools() and without linking dusk_tools.
#include "app/fw_Main.h"
#include "app_Resources.h"
#include "app_WinMain.h"

int main(int argc, char** argv) {
  return fw_Main(argc, argv, {"dusk", "without-tools", dusk_RegisterResources()}, WinMain);
}
