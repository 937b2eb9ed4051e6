#include "shell/menu_commands.h"

#include "common/texts.h"
#include "resource.h"

const MenuCommand kMenuCommands[kMenuCommandCount] = {
    {IDM_ENCRYPT, "encrypt", kEncryptMenuText, IDS_ENCRYPT_HELP, IDS_ENCRYPTING_TITLE, 1},
    {IDM_DECRYPT, "decrypt", kDecryptMenuText, IDS_DECRYPT_HELP, IDS_DECRYPTING_TITLE, 0},
};

const MenuCommand* FindMenuCommand(UINT_PTR offset) {
    return offset < kMenuCommandCount ? &kMenuCommands[offset] : nullptr;
}

namespace {

// The verbs are ASCII: compared letter by letter, so that no code page or
// locale can make another text equal to one of them.
template <typename Char>
bool SameVerb(const char* verb, const Char* text) {
    auto lower = [](unsigned c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    for (;; ++verb, ++text) {
        unsigned a = static_cast<unsigned char>(*verb);
        unsigned b = static_cast<unsigned>(*text);
        if constexpr (sizeof(Char) == 1) b &= 0xFF;
        if (lower(a) != lower(b)) return false;
        if (a == 0) return true;
    }
}

template <typename Char>
const MenuCommand* FindByVerb(const Char* verb) {
    if (!verb) return nullptr;
    for (const MenuCommand& command : kMenuCommands)
        if (SameVerb(command.verb, verb)) return &command;
    return nullptr;
}

}  // namespace

const MenuCommand* FindMenuCommandByVerb(const char* verb) { return FindByVerb(verb); }
const MenuCommand* FindMenuCommandByVerb(const wchar_t* verb) { return FindByVerb(verb); }
