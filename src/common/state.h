#pragma once
// The process-wide state through which the subsystems cooperate during a
// command run. Static storage of the module: zero or null at load, where
// g_hInstance is set for good. Explorer may call in on several threads, but
// one command run at a time holds everything else (a second is refused before
// it touches any), and the run uses it on its own thread without locks.
// g_cObjects is the exception: every thread counts its objects with
// interlocked operations. The selection is not here: each extension object
// keeps its own.
#include <windows.h>

#include "crypto/sha1.h"

inline constexpr DWORD kIoBufferSize = 65535;  // one block of the in-place transform
inline constexpr int kMessageBufferSize = 768;

extern HINSTANCE g_hInstance;                 // this module; every resource is loaded from it
extern HWND g_hwndOwner;                      // active window at load: owner of dialogs and boxes (may be null)
extern HWND g_hwndProgress;                   // progress window of the current run, or null
extern HWND g_hwndProgressBar;                // its bar control
extern BOOL g_bCancel;                        // the user asked to stop the run
extern BYTE* g_pBuffer;                       // kIoBufferSize bytes during a run, else null
extern KeyDigest g_Key;                       // the active key (SHA-1 of the password)
extern KeyDigest g_CheckValue;                // the stored check value a password is verified against
extern BOOL g_bKeyValid;                      // g_Key holds a verified key
extern BOOL g_bRetainKey;                     // keep the key beyond the current run
extern DWORD g_dwRetainTime;                  // "RetainTime" as read from the configuration
extern BOOL g_bIsNT;                          // NT family: retention is offered
extern char g_szMessage[kMessageBufferSize];  // formatted prompts; the change dialog's instruction
extern LONG g_cObjects;                       // live class factories and extension objects (interlocked)
