// Lazy by-name binding of the audio library's entry points.
#include "audio/fw_BassBinding.h"

#include "audio/fw_ModuleCache.h"
#include "diag/fw_Log.h"

namespace fw_bass {
namespace {

template <typename Fn>
struct Entry {
  const char* name;
  Fn fn = nullptr;
  bool missing = false;
};

template <typename R, typename... P, typename... A>
R call(Entry<R (*)(P...)>& entry, A... args) {
  if (!entry.fn && !entry.missing) {
    entry.fn = reinterpret_cast<R (*)(P...)>(GetProcAddress(fw_LoadModule("bass.dll"), entry.name));
    if (!entry.fn) {
      entry.missing = true;
      fw_Log(fw_LogError, "bass.dll has no entry point %s", entry.name);
    }
  }
  if (!entry.fn) return R{};
  return entry.fn(args...);
}

#define FW_BASS_ENTRY(name) Entry<decltype(&::name)> g##name{#name}
FW_BASS_ENTRY(BASS_SetConfig);
FW_BASS_ENTRY(BASS_Init);
FW_BASS_ENTRY(BASS_Free);
FW_BASS_ENTRY(BASS_GetInfo);
FW_BASS_ENTRY(BASS_StreamCreateFile);
FW_BASS_ENTRY(BASS_StreamFree);
FW_BASS_ENTRY(BASS_ChannelPlay);
FW_BASS_ENTRY(BASS_ChannelPause);
FW_BASS_ENTRY(BASS_ChannelStop);
FW_BASS_ENTRY(BASS_ChannelSeconds2Bytes);
FW_BASS_ENTRY(BASS_ChannelSetPosition);
FW_BASS_ENTRY(BASS_ChannelGetInfo);
FW_BASS_ENTRY(BASS_ChannelGetData);
#undef FW_BASS_ENTRY

template <typename E>
void reset(E& entry) {
  entry.fn = nullptr;
  entry.missing = false;
}

}  // namespace

BOOL BASS_SetConfig(DWORD option, DWORD value) { return call(gBASS_SetConfig, option, value); }
BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND win, const void* clsid) {
  return call(gBASS_Init, device, freq, flags, win, clsid);
}
BOOL BASS_Free() { return call(gBASS_Free); }
BOOL BASS_GetInfo(BASS_INFO* info) { return call(gBASS_GetInfo, info); }
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags) {
  return call(gBASS_StreamCreateFile, mem, file, offset, length, flags);
}
BOOL BASS_StreamFree(HSTREAM handle) { return call(gBASS_StreamFree, handle); }
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) { return call(gBASS_ChannelPlay, handle, restart); }
BOOL BASS_ChannelPause(DWORD handle) { return call(gBASS_ChannelPause, handle); }
BOOL BASS_ChannelStop(DWORD handle) { return call(gBASS_ChannelStop, handle); }
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double seconds) { return call(gBASS_ChannelSeconds2Bytes, handle, seconds); }
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD position, DWORD mode) {
  return call(gBASS_ChannelSetPosition, handle, position, mode);
}
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) { return call(gBASS_ChannelGetInfo, handle, info); }
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length) {
  return call(gBASS_ChannelGetData, handle, buffer, length);
}

void Unbind() {
  reset(gBASS_SetConfig);
  reset(gBASS_Init);
  reset(gBASS_Free);
  reset(gBASS_GetInfo);
  reset(gBASS_StreamCreateFile);
  reset(gBASS_StreamFree);
  reset(gBASS_ChannelPlay);
  reset(gBASS_ChannelPause);
  reset(gBASS_ChannelStop);
  reset(gBASS_ChannelSeconds2Bytes);
  reset(gBASS_ChannelSetPosition);
  reset(gBASS_ChannelGetInfo);
  reset(gBASS_ChannelGetData);
}

}  // namespace fw_bass
