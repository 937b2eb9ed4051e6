// The key store: derivation against independently computed digests, and the
// registry layout, read and written in the test prefix's real registry.
#include <gtest/gtest.h>

#include <string>

#include "common/state.h"
#include "keys/keystore.h"
#include "keys_fixture.h"

namespace {

using namespace keytest;

class KeyStore : public KeysTest {};

TEST_F(KeyStore, DerivesKeyAndCheckValueOfThePasswordBytes) {
    for (const KnownPassword& password : {kSecret, kSecretLower, kNewPass}) {
        EXPECT_TRUE(DeriveKeys(password.text));
        EXPECT_EQ(DigestText(g_Key), password.key) << password.text;
        EXPECT_EQ(DigestText(g_CheckValue), password.check) << password.text;
        EXPECT_EQ(DigestText(ComputeCheckValue(password.text, lstrlenA(password.text), DigestFromText(password.key))),
                  password.check);
    }
}

TEST_F(KeyStore, WriteCheckValueCreatesTheKeyAndStoresTheByteForm) {
    ASSERT_TRUE(SetDword(kConfigurationKey, "RetainTime", 7));  // a neighbour that must survive
    KeyDigest check = DigestFromText(kSecret.check);
    ASSERT_TRUE(WriteCheckValue(&check));
    DWORD type = 0;
    EXPECT_EQ(ReadValue(kConfigurationKey, "HashedKey", &type), StoredBytes(kSecret.check));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_TRUE(ReadValue(kConfigurationKey, "RetainTime").has_value());

    // Replacing it reads back through the store.
    check = DigestFromText(kNewPass.check);
    ASSERT_TRUE(WriteCheckValue(&check));
    KeyDigest read{};
    EXPECT_TRUE(ReadConfiguration(&read));
    EXPECT_EQ(DigestText(read), kNewPass.check);
}

TEST_F(KeyStore, WriteCheckValueFailsOnAKeyThatTakesNoValues) {
    ASSERT_TRUE(DenyValueWrites(kConfigurationKey));
    KeyDigest check = DigestFromText(kSecret.check);
    EXPECT_FALSE(WriteCheckValue(&check));
    EXPECT_FALSE(ReadValue(kConfigurationKey, "HashedKey").has_value());
}

TEST_F(KeyStore, ReadConfigurationWithoutAnyKeyChangesNothing) {
    g_bRetainKey = 5;
    g_dwRetainTime = 6;
    KeyDigest destination = DigestFromText(kOther.check);
    EXPECT_FALSE(ReadConfiguration(&destination));
    EXPECT_EQ(g_bRetainKey, 5);
    EXPECT_EQ(g_dwRetainTime, 6u);
    EXPECT_EQ(DigestText(destination), kOther.check);
    EXPECT_FALSE(KeyExists("Software\\Veilfold")) << "reading must not create the key";
}

// Each value lands in memory only when it is complete; anything else leaves
// the earlier value whole, with no partial bytes.
struct ConfigurationCase {
    const char* what;
    std::string retainKey, retainTime, hashedKey;  // empty: value absent
    BOOL readResult;
    BOOL retainKeyAfter;
    DWORD retainTimeAfter;
    const char* destinationAfter;  // kOther.check: untouched
};

std::string Bytes(std::initializer_list<unsigned char> list) { return std::string(list.begin(), list.end()); }

TEST_F(KeyStore, ReadConfigurationTakesOnlyCompleteValues) {
    const std::string stored = StoredBytes(kSecret.check);
    const std::string zeros(20, '\0');
    const char* const read = kSecret.check;
    const char* const untouched = kOther.check;
    const char* const zeroText = "0000000000000000000000000000000000000000";
    const ConfigurationCase cases[] = {
        {"all present", Bytes({1, 0, 0, 0}), Bytes({0x10, 0x0e, 0, 0}), stored, TRUE, 1, 3600, read},
        {"options absent", "", "", stored, TRUE, 0x55, 0x66, read},
        {"all-zero check value", "", "", zeros, TRUE, 0x55, 0x66, zeroText},
        {"check value of 19 bytes", "", "", stored.substr(0, 19), FALSE, 0x55, 0x66, untouched},
        {"check value of 21 bytes", "", "", stored + 'x', FALSE, 0x55, 0x66, untouched},
        {"options of 2 bytes", Bytes({1, 1}), Bytes({2, 2}), stored, TRUE, 0x55, 0x66, read},
        {"options of 8 bytes", std::string(8, '\1'), std::string(8, '\2'), stored, TRUE, 0x55, 0x66, read},
        {"options without a check value", Bytes({0, 0, 0, 0}), Bytes({9, 0, 0, 0}), "", FALSE, 0, 9, untouched},
    };
    const KeyDigest sentinel = DigestFromText(kOther.check);
    for (const ConfigurationCase& c : cases) {
        SCOPED_TRACE(c.what);
        ClearVeilfoldKey();
        ASSERT_TRUE(SetValue(kConfigurationKey, "Unrelated", REG_SZ, "x"));
        const struct {
            const char* name;
            DWORD type;
            const std::string& bytes;
        } values[] = {{"RetainKey", REG_DWORD, c.retainKey},
                      {"RetainTime", REG_DWORD, c.retainTime},
                      {"HashedKey", REG_BINARY, c.hashedKey}};
        for (const auto& value : values) {
            ASSERT_TRUE(value.bytes.empty() || SetValue(kConfigurationKey, value.name, value.type, value.bytes));
        }
        g_bRetainKey = 0x55;
        g_dwRetainTime = 0x66;
        KeyDigest destination = sentinel;

        EXPECT_EQ(ReadConfiguration(&destination), c.readResult);
        EXPECT_EQ(g_bRetainKey, c.retainKeyAfter);
        EXPECT_EQ(g_dwRetainTime, c.retainTimeAfter);
        EXPECT_EQ(DigestText(destination), c.destinationAfter);
    }
}

TEST_F(KeyStore, ReadConfigurationFailsWhenTheKeyCannotBeOpenedWithFullAccess) {
    ASSERT_TRUE(StoreCheckValueOf(kSecret));
    ASSERT_TRUE(DenyValueWrites(kConfigurationKey));
    KeyDigest destination{};
    EXPECT_FALSE(ReadConfiguration(&destination));
}

TEST_F(KeyStore, RetainedKeyGoesToAVolatileKeyAndComesBack) {
    g_Key = DigestFromText(kSecret.key);
    ASSERT_TRUE(StoreRetainedKey());
    DWORD type = 0;
    EXPECT_EQ(ReadValue(kTempKey, "Key", &type), StoredBytes(kSecret.key));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));

    // Only a volatile key refuses a non-volatile child.
    HKEY temp, child;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kTempKey, 0, KEY_ALL_ACCESS, &temp), ERROR_SUCCESS);
    EXPECT_EQ(
        RegCreateKeyExA(temp, "Child", 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &child, nullptr),
        ERROR_CHILD_MUST_BE_VOLATILE);
    RegCloseKey(temp);

    KeyDigest loaded{};
    EXPECT_TRUE(LoadRetainedKey(&loaded));
    EXPECT_EQ(DigestText(loaded), kSecret.key);
}

TEST_F(KeyStore, LoadRetainedKeyRefusesAMissingOrWrongSizedKey) {
    const KeyDigest sentinel = DigestFromText(kOther.key);
    KeyDigest destination = sentinel;
    EXPECT_FALSE(LoadRetainedKey(&destination));
    const std::string stored = StoredBytes(kSecret.key);
    for (const std::string& value : {stored.substr(0, 19), stored + 'x', std::string()}) {
        ASSERT_TRUE(SetValue(kTempKey, "Key", REG_BINARY, value));
        EXPECT_FALSE(LoadRetainedKey(&destination)) << value.size() << " bytes";
        EXPECT_EQ(DigestText(destination), kOther.key) << value.size() << " bytes";
    }
}

}  // namespace
