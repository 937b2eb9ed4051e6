// Key acquisition: the enter dialog when a check value is stored, otherwise
// (or when the enter dialog ended without a key and without a cancel) the
// change dialog that sets a new password.
#include "keys/acquire.h"

#include "common/state.h"
#include "common/texts.h"
#include "crypto/wipe.h"
#include "keys/dialog_support.h"
#include "keys/keystore.h"
#include "keys/password_dialogs.h"
#include "resource.h"

namespace {

// A failed acquisition leaves no key behind, not even the digest of a password
// typed on the way.
int FailAcquisition() {
    g_bKeyValid = FALSE;
    SecureWipe(g_Key);
    return 0;
}

}  // namespace

int PromptForPassword() {
    RunModalDialog(g_bIsNT ? kEnterPasswordNTTemplate : kEnterPassword95Template, EnterPasswordDlgProc);
    return g_bKeyValid;
}

int AcquireKey(KeyDigest* checkValue) {
    BOOL haveCheckValue = ReadConfiguration(checkValue);
    // Only the NT dialog offers to keep the key; elsewhere it never outlives the run.
    if (!g_bIsNT) g_bRetainKey = FALSE;

    if (haveCheckValue && PromptForPassword()) return g_bKeyValid;
    if (g_bCancel) return FailAcquisition();

    SetChangeDialogPrompt(IDS_NO_CHECK_VALUE_PROMPT);
    if (!RunModalDialog(kChangePasswordTemplate, ChangePasswordDlgProc) || !g_bKeyValid) return FailAcquisition();
    return g_bKeyValid;
}
