// Encrypts (or with --decrypt, decrypts) each path named after the password
// in place, files and folders alike, through the module's own run over the
// Win32 file system, the key being the SHA-1 digest of the password. Every
// question is answered No and printed, as is what the run passed over; exit
// status 0 when nothing was asked. Used by check_encrypted_file.py, which
// checks the results with an RC4 and a SHA-1 of its own.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/state.h"
#include "engine/run.h"
#include "platform/win32_file_system.h"

namespace {

// Names go out in UTF-8, whatever the console's code page.
std::string Utf8(const std::wstring& text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), size, nullptr, nullptr);
    utf8.resize(utf8.empty() ? 0 : utf8.size() - 1);
    return utf8;
}

class AnsweringNo final : public RunUser {
public:
    int questions = 0;
    Answer Ask(Question question, const PathString& path) override {
        ++questions;
        std::printf("asked %d: %s\n", static_cast<int>(question), Utf8(path).c_str());
        return Answer::No;
    }
    bool Cancelled() override { return false; }
    bool CancelledDuringFile() override { return false; }
    void ShowFile(const PathString&) override {}
    void ShowProgress(std::uint64_t, std::uint64_t) override {}
    void ReportPassedOver(const std::vector<PassedOver>& items) override {
        for (const PassedOver& item : items)
            std::printf("passed over %d: %s\n", static_cast<int>(item.reason), Utf8(item.path).c_str());
    }
};

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    int first = 1;
    bool encrypt = true;
    if (argc > 1 && std::wstring(argv[1]) == L"--decrypt") {
        encrypt = false;
        ++first;
    }
    if (argc < first + 2) {
        std::fprintf(stderr, "usage: fileproc_oracle_tool [--decrypt] PASSWORD PATH...\n");
        return 2;
    }
    std::string password = Utf8(argv[first]);
    Sha1Buffer(password.data(), static_cast<std::uint32_t>(password.size()), g_Key);
    std::vector<std::uint8_t> buffer(kIoBufferSize);

    Win32FileSystem fileSystem;
    AnsweringNo user;
    TransformRun run(fileSystem, user, g_Key, buffer, encrypt);
    bool goOn = true;
    for (int n = first + 1; n < argc && goOn; ++n) goOn = run.WalkPath(argv[n]);
    run.Finish(!goOn);
    std::fflush(stdout);
    return user.questions ? 1 : 0;
}
