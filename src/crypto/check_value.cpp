#include "crypto/check_value.h"

#include "crypto/wipe.h"

KeyDigest ComputeCheckValue(const char* password, std::uint32_t length, const KeyDigest& key) {
    char keyText[kKeyDigestTextLength + 1];
    KeyDigestToText(key, keyText);
    // Hashed one after the other: the dialogs run this, and must neither
    // allocate nor leave a joined copy of the password to wipe.
    Sha1Context context;
    Sha1Init(context);
    Sha1Update(context, password, length);
    Sha1Update(context, keyText, kKeyDigestTextLength);
    KeyDigest checkValue;
    Sha1Final(context, checkValue);
    SecureWipe(keyText);
    return checkValue;
}
