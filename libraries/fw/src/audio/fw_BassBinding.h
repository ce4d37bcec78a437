// Calls into the audio library ("bass.dll"), which is loaded through the module cache on the
// first call and never linked. Each entry point is resolved by name the first time it is used
// and kept; an entry point the library lacks is reported once and the call returns 0.
#pragma once

#include <platform/bass.h>

namespace fw_bass {

BOOL BASS_SetConfig(DWORD option, DWORD value);
BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND win, const void* clsid);
BOOL BASS_Free();
BOOL BASS_GetInfo(BASS_INFO* info);
HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
BOOL BASS_StreamFree(HSTREAM handle);
BOOL BASS_ChannelPlay(DWORD handle, BOOL restart);
BOOL BASS_ChannelPause(DWORD handle);
BOOL BASS_ChannelStop(DWORD handle);
QWORD BASS_ChannelSeconds2Bytes(DWORD handle, double seconds);
BOOL BASS_ChannelSetPosition(DWORD handle, QWORD position, DWORD mode);
BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
DWORD BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);

// Forgets every resolved entry point. Call after the library is released, so that a library
// loaded again later is bound afresh instead of through stale addresses.
void Unbind();

}  // namespace fw_bass
