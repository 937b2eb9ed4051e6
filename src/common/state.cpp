#include "common/state.h"

HINSTANCE g_hInstance;
HWND g_hwndOwner;
HWND g_hwndProgress;
HWND g_hwndProgressBar;
BOOL g_bCancel;
BYTE* g_pBuffer;
KeyDigest g_Key;
KeyDigest g_CheckValue;
BOOL g_bKeyValid;
BOOL g_bRetainKey;
DWORD g_dwRetainTime;
BOOL g_bIsNT;
char g_szMessage[kMessageBufferSize];
LONG g_cObjects;
