#include "shell/class_id.h"

namespace {

// Registry form: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
constexpr int kClassIdTextLength = 38;
constexpr int kHyphenPositions[] = {9, 14, 19, 24};

constexpr int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

constexpr bool IsHyphenPosition(int position) {
    for (int hyphen : kHyphenPositions)
        if (position == hyphen) return true;
    return false;
}

constexpr bool IsWellFormed(const char* text) {
    if (text[0] != '{' || text[kClassIdTextLength - 1] != '}' || text[kClassIdTextLength] != '\0') return false;
    for (int i = 1; i < kClassIdTextLength - 1; ++i) {
        bool ok = IsHyphenPosition(i) ? text[i] == '-' : HexValue(text[i]) >= 0;
        if (!ok) return false;
    }
    return true;
}

constexpr unsigned long HexField(const char* text, int first, int digits) {
    unsigned long value = 0;
    for (int i = first; i < first + digits; ++i) value = value * 16 + static_cast<unsigned long>(HexValue(text[i]));
    return value;
}

constexpr GUID ParseClassId(const char* text) {
    GUID id{};
    id.Data1 = HexField(text, 1, 8);
    id.Data2 = static_cast<unsigned short>(HexField(text, 10, 4));
    id.Data3 = static_cast<unsigned short>(HexField(text, 15, 4));
    constexpr int kByteStarts[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) id.Data4[i] = static_cast<unsigned char>(HexField(text, kByteStarts[i], 2));
    return id;
}

static_assert(IsWellFormed(kShellExtensionClassIdText), "the class identifier must be in registry form");

}  // namespace

constinit const CLSID CLSID_VeilfoldShellExtension = ParseClassId(kShellExtensionClassIdText);
