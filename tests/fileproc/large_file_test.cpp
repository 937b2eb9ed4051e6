// A file just over 4 GiB: every block past the 32-bit boundary must be
// written back where it was read, not wrapped around onto the start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "common/state.h"
#include "crypto/rc4.h"
#include "run_fixture.h"

namespace {

constexpr ULONGLONG kFourGiB = 1ULL << 32;
constexpr ULONGLONG kFileSize = kFourGiB + 3 * 65535 + 12345;

struct Window {
    ULONGLONG offset;
    std::string plain;     // what was written there (zeros where the file is sparse)
    std::string expected;  // plain XOR the keystream at that offset
};

bool WriteAt(HANDLE file, ULONGLONG offset, const std::string& bytes) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD written = 0;
    return SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
           WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

std::string ReadAt(const std::string& path, ULONGLONG offset, size_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes(size, '\0');
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD read = 0;
    if (file == INVALID_HANDLE_VALUE) return "<cannot open>";
    bool ok = SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
              ReadFile(file, bytes.data(), static_cast<DWORD>(size), &read, nullptr) && read == size;
    CloseHandle(file);
    return ok ? bytes : "<cannot read>";
}

// A sparse file of kFileSize bytes with the windows' plain bytes written in.
bool MakeSparseFile(const std::string& path, const std::vector<Window>& windows) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(kFileSize);
    bool ok = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    for (const Window& w : windows) ok = ok && WriteAt(file, w.offset, w.plain);
    CloseHandle(file);
    return ok;
}

// Runs the keystream of g_Key from offset 0 past every window and fills in
// what each window must hold once encrypted.
void ComputeExpected(std::vector<Window>& windows) {
    std::uint8_t key[kKeyDigestBytes];
    KeyDigestToBytes(g_Key, key);
    Rc4State state;
    Rc4Init(key, sizeof key, state);
    const size_t kChunk = 1 << 20;
    std::vector<std::uint8_t> stream(kChunk);
    for (Window& w : windows) w.expected = w.plain;
    for (ULONGLONG start = 0; start < kFileSize; start += kChunk) {
        std::fill(stream.begin(), stream.end(), 0);
        Rc4Crypt(stream.data(), static_cast<std::int32_t>(kChunk), state);
        for (Window& w : windows) {
            for (size_t n = 0; n < w.plain.size(); ++n) {
                ULONGLONG at = w.offset + n;
                if (at >= start && at < start + kChunk) w.expected[n] ^= static_cast<char>(stream[at - start]);
            }
        }
    }
}

class LargeFileTest : public vftest::RunFixture {};

TEST_F(LargeFileTest, BlocksOnBothSidesOfFourGibibytesAndAtTheEndLandWhereTheyWereRead) {
    // The windows must not overlap: each is written, then checked, on its own.
    std::vector<Window> windows = {
        {0, vftest::Pattern(3 * 65535, 1), {}},
        {kFourGiB - 100000, vftest::Pattern(200000, 2), {}},  // straddles the boundary
        {kFileSize - 60000, vftest::Pattern(60000, 3), {}},
        {kFourGiB + 110000, std::string(5000, '\0'), {}},  // never written: still sparse
    };
    std::string path = dir_ / "huge.bin";
    ASSERT_TRUE(MakeSparseFile(path, {windows[0], windows[1], windows[2]}));
    ComputeExpected(windows);

    EXPECT_EQ(vftest::TransformWithGui(path, 1, vftest::NothingExpected), 1);

    std::string encrypted = path + ".$#!";
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(GetFileAttributesExA(encrypted.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ((static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow, kFileSize);
    for (const Window& w : windows)
        EXPECT_TRUE(ReadAt(encrypted, w.offset, w.plain.size()) == w.expected) << "window at " << w.offset;
}

}  // namespace
