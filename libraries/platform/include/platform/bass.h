// Audio library stand-in: the BASS_* calls, types and constants the framework binds by name at
// run time. Built as its own shared library (libbass.so, loaded as "bass.dll"), decoding MP3
// with libmpg123 and playing through SDL2 audio, or silently on the no-sound device (device 0)
// where positions still advance in real time. Never link against it: load it and bind by name.
#pragma once

#include <platform/win32.h>

#include <cstdint>

#if defined(DUSK_BASS_BUILD)
#define BASSDEF(type) extern "C" __attribute__((visibility("default"))) type
#else
#define BASSDEF(type) extern "C" type
#endif

typedef uint64_t QWORD;
typedef DWORD HSTREAM;
typedef DWORD HCHANNEL;

// Device information, 14 words (56 bytes).
typedef struct BASS_INFO {
  DWORD flags;
  DWORD hwsize;
  DWORD hwfree;
  DWORD freesam;
  DWORD free3d;
  DWORD minrate;
  DWORD maxrate;
  BOOL eax;
  DWORD minbuf;
  DWORD dsver;
  DWORD latency;
  DWORD initflags;
  DWORD speakers;
  DWORD freq;
} BASS_INFO;
static_assert(sizeof(BASS_INFO) == 56, "BASS_INFO is 14 words");

typedef struct BASS_CHANNELINFO {
  DWORD freq;
  DWORD chans;
  DWORD flags;
  DWORD ctype;
  DWORD origres;
  DWORD plugin;
  DWORD sample;
  const char* filename;
} BASS_CHANNELINFO;

// ---- Error codes (BASS_ErrorGetCode) -------------------------------------------------------
#define BASS_OK 0
#define BASS_ERROR_MEM 1
#define BASS_ERROR_FILEOPEN 2
#define BASS_ERROR_DRIVER 3
#define BASS_ERROR_HANDLE 5
#define BASS_ERROR_FORMAT 6
#define BASS_ERROR_POSITION 7
#define BASS_ERROR_INIT 8
#define BASS_ERROR_START 9
#define BASS_ERROR_ALREADY 14
#define BASS_ERROR_NOTAUDIO 17
#define BASS_ERROR_ILLTYPE 19
#define BASS_ERROR_ILLPARAM 20
#define BASS_ERROR_DEVICE 23
#define BASS_ERROR_NOPLAY 24
#define BASS_ERROR_NOTAVAIL 37
#define BASS_ERROR_DECODE 38
#define BASS_ERROR_FILEFORM 41
#define BASS_ERROR_ENDED 45
#define BASS_ERROR_UNKNOWN -1

// ---- Configuration options (BASS_SetConfig); volumes run from 0 to 10000 ---------------------
#define BASS_CONFIG_GVOL_SAMPLE 4
#define BASS_CONFIG_GVOL_STREAM 5
#define BASS_CONFIG_GVOL_MUSIC 6

// ---- Flags ---------------------------------------------------------------------------------
#define BASS_DEVICE_LATENCY 0x100
#define BASS_STREAM_PRESCAN 0x20000
#define BASS_STREAM_DECODE 0x200000
#define BASS_POS_BYTE 0

// BASS_ChannelIsActive results.
#define BASS_ACTIVE_STOPPED 0
#define BASS_ACTIVE_PLAYING 1
#define BASS_ACTIVE_STALLED 2
#define BASS_ACTIVE_PAUSED 3

// ---- Calls ---------------------------------------------------------------------------------
BASSDEF(BOOL) BASS_SetConfig(DWORD option, DWORD value);
BASSDEF(DWORD) BASS_GetConfig(DWORD option);
// device -1: the default output; device 0: no sound, positions still move in real time.
BASSDEF(BOOL) BASS_Init(int device, DWORD freq, DWORD flags, HWND win, const void* clsid);
BASSDEF(BOOL) BASS_Free();
BASSDEF(BOOL) BASS_GetInfo(BASS_INFO* info);
BASSDEF(int) BASS_ErrorGetCode();
// mem TRUE: file points at length bytes of MP3 data that must stay alive until the stream is freed.
BASSDEF(HSTREAM) BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD flags);
BASSDEF(BOOL) BASS_StreamFree(HSTREAM handle);
BASSDEF(BOOL) BASS_ChannelPlay(DWORD handle, BOOL restart);
BASSDEF(BOOL) BASS_ChannelPause(DWORD handle);
BASSDEF(BOOL) BASS_ChannelStop(DWORD handle);
BASSDEF(DWORD) BASS_ChannelIsActive(DWORD handle);
BASSDEF(BOOL) BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info);
// Positions and lengths are in bytes of 16-bit PCM in the channel's own rate and channel count.
BASSDEF(QWORD) BASS_ChannelSeconds2Bytes(DWORD handle, double seconds);
BASSDEF(double) BASS_ChannelBytes2Seconds(DWORD handle, QWORD position);
BASSDEF(BOOL) BASS_ChannelSetPosition(DWORD handle, QWORD position, DWORD mode);
BASSDEF(QWORD) BASS_ChannelGetPosition(DWORD handle, DWORD mode);
BASSDEF(QWORD) BASS_ChannelGetLength(DWORD handle, DWORD mode);
// Decoding channels only: decodes up to length bytes of PCM into buffer; (DWORD)-1 at the end.
BASSDEF(DWORD) BASS_ChannelGetData(DWORD handle, void* buffer, DWORD length);
