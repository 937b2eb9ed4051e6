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
