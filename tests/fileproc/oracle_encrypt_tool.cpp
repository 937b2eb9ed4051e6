// Encrypts the files named after the password in place with TransformFile,
// the key being the SHA-1 digest of the password. Exit status 0 when every
// file was transformed. Used by check_encrypted_file.py, which decrypts the
// results with an RC4 and a SHA-1 of its own.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "common/state.h"
#include "fileproc/transform.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s PASSWORD FILE...\n", argv[0]);
        return 2;
    }
    g_hInstance = GetModuleHandleA(nullptr);
    Sha1Buffer(argv[1], static_cast<std::uint32_t>(lstrlenA(argv[1])), g_Key);
    std::vector<BYTE> buffer(kIoBufferSize);
    g_pBuffer = buffer.data();
    int failures = 0;
    for (int n = 2; n < argc; ++n) {
        if (GetFileAttributesA(argv[n]) == INVALID_FILE_ATTRIBUTES || TransformFile(argv[n], 1) != 1) {
            std::fprintf(stderr, "not transformed: %s\n", argv[n]);
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
