#pragma once
// Obtaining a verified key for a command run: entered, or newly set.
#include "crypto/sha1.h"

// Called when g_bKeyValid is 0. Returns non-zero when g_Key now holds a
// verified key; when it returns 0, g_Key has been wiped.
int AcquireKey(KeyDigest* checkValue);

// Runs the enter-password dialog (the NT form when g_bIsNT); returns g_bKeyValid afterwards.
int PromptForPassword();
