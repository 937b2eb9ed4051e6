#pragma once
// Texts of the module that are not in the string table.

inline constexpr char kCaption[] = "Veilfold";
inline constexpr wchar_t kCaptionText[] = L"Veilfold";
inline constexpr char kEncryptMenuText[] = "&Encrypt";
inline constexpr char kDecryptMenuText[] = "&Decrypt";
inline constexpr char kMemoryAllocationError[] = "Memory Allocation error";
inline constexpr char kDialogOpenError[] = "Dialog open error";
inline constexpr char kHelpFile[] = "veilfold.hlp";

// A Unicode window, so that its file-name control shows any name as it is.
inline constexpr wchar_t kProgressTemplate[] = L"PROGRESSDLG";
inline constexpr char kEnterPassword95Template[] = "ENTERPASSDLG95";
inline constexpr char kEnterPasswordNTTemplate[] = "ENTERPASSDLGNT";
inline constexpr char kChangePasswordTemplate[] = "CHGPASSDLG";
