#pragma once
// What a user does in the module's password dialogs, for a helper thread
// (vftest::GuiHelper) to do in their place. The shell host's --password and
// the end-to-end tests answer the dialogs through these steps only.
#include <windows.h>

#include <functional>
#include <string>

#include "gui.h"

namespace vfhost {

inline constexpr char kEnterPasswordCaption[] = "Enter Encryption Password";
inline constexpr char kChangePasswordCaption[] = "Change Encryption Password";
inline constexpr char kEncryptingCaption[] = "Encrypting Files...";
inline constexpr char kDecryptingCaption[] = "Decrypting Files...";

// Whichever password dialog opens first. Throws vftest::GuiFailure.
HWND WaitPasswordDialog(vftest::Gui& ui, DWORD timeoutMs = vftest::kDefaultTimeoutMs);

// The change dialog on first use: new password twice, OK.
void SetNewPassword(vftest::Gui& ui, HWND dialog, const std::string& password);
// The enter dialog: the password, whether to keep it until shutdown, OK.
void EnterPassword(vftest::Gui& ui, HWND dialog, const std::string& password, bool keepUntilShutdown);

// Answers whichever dialog comes with `password` (not kept), calling
// `photograph` with "change-password" or "enter-password" while it is filled in.
void AnswerPasswordDialog(vftest::Gui& ui, const std::string& password,
                          const std::function<void(const std::string&)>& photograph);

}  // namespace vfhost
