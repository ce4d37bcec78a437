// Win32 stand-in: the types, constants and calls of the Windows platform that the framework
// uses, implemented on SDL2 (windows, messages), GTK 3 (dialogs, message boxes) and POSIX
// (time, threads, modules, files). Names, numbers and calling shapes follow the platform's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// ---- Basic types ---------------------------------------------------------------------------
typedef int BOOL;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef unsigned int UINT;
typedef int INT;
typedef float FLOAT;
typedef char CHAR;
typedef wchar_t WCHAR;
typedef const char* LPCSTR;
typedef char* LPSTR;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t SIZE_T;
typedef int32_t HRESULT;
typedef unsigned short ATOM;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif
#define WINAPI
#define CALLBACK
#define APIENTRY

#define MAX_PATH 260
#define INFINITE 0xFFFFFFFFu

// ---- Result codes --------------------------------------------------------------------------
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_FAIL ((HRESULT)0x80004005)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_NOTIMPL ((HRESULT)0x80004001)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

// ---- Handles -------------------------------------------------------------------------------
// Distinct pointer types, as the platform declares them, so a window cannot be passed as a module.
#define DUSK_DECLARE_HANDLE(name) struct name##__; typedef struct name##__* name
DUSK_DECLARE_HANDLE(HWND);
DUSK_DECLARE_HANDLE(HINSTANCE);
DUSK_DECLARE_HANDLE(HICON);
DUSK_DECLARE_HANDLE(HCURSOR);
DUSK_DECLARE_HANDLE(HBRUSH);
DUSK_DECLARE_HANDLE(HMENU);
DUSK_DECLARE_HANDLE(HMONITOR);
DUSK_DECLARE_HANDLE(HDC);
typedef HINSTANCE HMODULE;
typedef void* HANDLE;
#undef DUSK_DECLARE_HANDLE

typedef union _LARGE_INTEGER {
  struct { DWORD LowPart; LONG HighPart; } u;
  LONGLONG QuadPart;
} LARGE_INTEGER;

typedef struct tagPOINT { LONG x, y; } POINT;
typedef struct tagRECT { LONG left, top, right, bottom; } RECT;

// ---- Kernel: time --------------------------------------------------------------------------
// The performance counter reads CLOCK_MONOTONIC in nanoseconds (frequency 10^9), unless a
// virtual clock is installed: offline capture advances time exactly one frame per frame.
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
DWORD GetTickCount();
ULONGLONG GetTickCount64();
void Sleep(DWORD milliseconds);

namespace platform {
// Installs a source of performance-counter ticks (10^9 per second); an empty function restores
// the real clock. Call before any clock is created.
void SetVirtualPerformanceCounter(std::function<LONGLONG()> source);
}

// ---- Kernel: threads and synchronisation ---------------------------------------------------
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID parameter);
typedef struct _SECURITY_ATTRIBUTES SECURITY_ATTRIBUTES;
#define WAIT_OBJECT_0 0u
#define WAIT_TIMEOUT 258u
#define WAIT_FAILED 0xFFFFFFFFu

HANDLE CreateThread(SECURITY_ATTRIBUTES* attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, DWORD* threadId);
// Thread and process handles are waitable; INFINITE waits for the thread or process to end.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL CloseHandle(HANDLE handle);
DWORD GetCurrentThreadId();

struct CRITICAL_SECTION_IMPL;
typedef struct _CRITICAL_SECTION { CRITICAL_SECTION_IMPL* impl; } CRITICAL_SECTION;
BOOL InitializeCriticalSectionAndSpinCount(CRITICAL_SECTION* section, DWORD spinCount);
void InitializeCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);

// ---- Kernel: processes ---------------------------------------------------------------------
typedef struct _FILETIME { DWORD dwLowDateTime, dwHighDateTime; } FILETIME;
typedef struct _STARTUPINFOA {
  DWORD cb;
  DWORD dwFlags;
  HANDLE hStdInput, hStdOutput, hStdError;
} STARTUPINFOA;
typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION;
#define STILL_ACTIVE 259u

// Starts a program. The command line splits into arguments as the platform's runtime splits it
// (spaces between arguments; double quotes group; backslashes escape a quote); without an
// application name the first argument is looked up on PATH. The child's standard input is
// empty. hProcess is waitable; hThread is null. Returns FALSE when the program cannot start.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, STARTUPINFOA* startupInfo,
                    PROCESS_INFORMATION* processInformation);
// The exit code of an ended process, STILL_ACTIVE while it runs; a process ended by a signal
// gives 128 + the signal number.
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
// The pseudo handle of the calling process (for GetProcessTimes).
HANDLE GetCurrentProcess();
// User and kernel time of the calling process in 100-nanosecond units; only the current process.
BOOL GetProcessTimes(HANDLE process, FILETIME* creationTime, FILETIME* exitTime, FILETIME* kernelTime,
                     FILETIME* userTime);
// Finds a file (fileName, plus extension when it has none) in the directories of `path`
// (';'-separated) or, when path is null, of the PATH variable. Returns the full path's length
// (without the terminator) and copies it when it fits, the size needed when it does not, and 0
// when no such file exists.
DWORD SearchPathA(LPCSTR path, LPCSTR fileName, LPCSTR extension, DWORD bufferLength, LPSTR buffer, LPSTR* filePart);

// ---- Kernel: modules -----------------------------------------------------------------------
typedef void (*FARPROC)();
// "name.dll" loads "libname.so", first from the executable's directory, then from the system's
// library path. Returns null when neither can be loaded.
HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
// With a null module: the running executable's full path.
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
DWORD GetLastError();

// ---- Kernel: files and directories ---------------------------------------------------------
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define FILE_ATTRIBUTE_DIRECTORY 0x10u
#define FILE_ATTRIBUTE_NORMAL 0x80u
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);
BOOL CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES* attributes);
DWORD GetFileAttributesA(LPCSTR path);
// Makes a path absolute against the working directory (no file system access beyond that).
DWORD GetFullPathNameA(LPCSTR path, DWORD size, LPSTR buffer, LPSTR* filePart);
#define STD_INPUT_HANDLE ((DWORD)-10)
#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define STD_ERROR_HANDLE ((DWORD)-12)
#define FILE_TYPE_UNKNOWN 0x0000u
#define FILE_TYPE_DISK 0x0001u
#define FILE_TYPE_CHAR 0x0002u
#define FILE_TYPE_PIPE 0x0003u
// The standard streams' handles (for GetFileType only).
HANDLE GetStdHandle(DWORD which);
// FILE_TYPE_CHAR for a terminal, FILE_TYPE_PIPE for a pipe or socket, FILE_TYPE_DISK for a file.
DWORD GetFileType(HANDLE file);


#include <platform/win32_user.h>
#include <platform/win32_dialogs.h>
