#include "framework/Paths.h"
#include "framework/Registry.h"
#include "framework/SystemError.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Every key lives below one named after this test program, removed before and after each test.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring exe = ExecutablePath();
        base = L"Software\\" + exe.substr(exe.find_last_of(L"\\/") + 1) + L" registry test";
        DeleteKeyTree(HKEY_CURRENT_USER, base);
        key = TRegistryKey::Create(HKEY_CURRENT_USER, base);
        ASSERT_TRUE(key.IsOpen());
    }
    void TearDown() override {
        key = TRegistryKey();
        DeleteKeyTree(HKEY_CURRENT_USER, base);
        EXPECT_FALSE(TRegistryKey::Open(HKEY_CURRENT_USER, base).IsOpen());
    }
    // Stores raw bytes, as another program might.
    void Raw(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExW(key.Handle(), name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    DWORD StoredSize(const wchar_t* name, DWORD* type) {
        DWORD size = 0;
        EXPECT_EQ(RegQueryValueExW(key.Handle(), name, nullptr, type, nullptr, &size), ERROR_SUCCESS);
        return size;
    }

    std::wstring base;
    TRegistryKey key;
};

TEST_F(RegistryTest, OpenFindsOnlyExistingKeysAndCreateMakesTheWholePath) {
    TRegistryKey missing = TRegistryKey::Open(HKEY_CURRENT_USER, base + L"\\a\\b");
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.OpenError(), ERROR_FILE_NOT_FOUND);
    try {
        missing.CheckOpen();
        ADD_FAILURE() << "a key that is not open passed the check";
    } catch (const TRegistryError& e) {
        EXPECT_EQ(e.Code(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(e.Message(), SystemErrorText(ERROR_FILE_NOT_FOUND));
        EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_FALSE(missing.ReadString(L"x").has_value()); // reads on a closed key find nothing
    EXPECT_THROW(missing.WriteDword(L"x", 1), TRegistryError);

    TRegistryKey created = TRegistryKey::Create(HKEY_CURRENT_USER, base + L"\\a\\b");
    ASSERT_TRUE(created.IsOpen());
    EXPECT_NO_THROW(created.CheckOpen());
    EXPECT_TRUE(TRegistryKey::Open(HKEY_CURRENT_USER, base + L"\\a\\b").IsOpen());
    EXPECT_EQ(key.SubKeyNames(), std::vector<std::wstring>{L"a"});
}

TEST_F(RegistryTest, StringsAreStoredWithTheirNulAndReadUpToTheFirstNulUnexpanded) {
    key.WriteString(L"path", L"C:\\Notes\\quillpad.exe");
    DWORD type = 0;
    EXPECT_EQ(StoredSize(L"path", &type), (21 + 1) * sizeof(wchar_t));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(key.ReadString(L"path"), L"C:\\Notes\\quillpad.exe");

    key.WriteString(L"empty", L"");
    EXPECT_EQ(StoredSize(L"empty", &type), sizeof(wchar_t));
    EXPECT_EQ(key.ReadString(L"empty"), L"");

    const wchar_t twoParts[] = L"first\0second";
    Raw(L"parts", REG_SZ, twoParts, sizeof twoParts);
    EXPECT_EQ(key.ReadString(L"parts"), L"first");
    const wchar_t unterminated[] = {L'a', L'b', L'c'};
    Raw(L"bare", REG_SZ, unterminated, sizeof unterminated);
    EXPECT_EQ(key.ReadString(L"bare"), L"abc");
    Raw(L"odd", REG_SZ, L"xy", 3); // a character and a half
    EXPECT_EQ(key.ReadString(L"odd"), L"x");
    const wchar_t expandable[] = L"%SystemRoot%\\notes";
    Raw(L"expand", REG_EXPAND_SZ, expandable, sizeof expandable);
    EXPECT_EQ(key.ReadString(L"expand"), L"%SystemRoot%\\notes");
    const std::wstring longText(5000, L'q');
    key.WriteString(L"long", longText);
    EXPECT_EQ(key.ReadString(L"long"), longText);

    EXPECT_FALSE(key.ReadString(L"missing").has_value());
    key.WriteDword(L"number", 7);
    EXPECT_FALSE(key.ReadString(L"number").has_value());
    const wchar_t multi[] = L"one\0two\0";
    Raw(L"multi", REG_MULTI_SZ, multi, sizeof multi);
    EXPECT_FALSE(key.ReadString(L"multi").has_value());
}

TEST_F(RegistryTest, DwordsAreFourBytesOfTheirOwnType) {
    key.WriteDword(L"max", 0xFFFFFFFFu);
    DWORD type = 0;
    EXPECT_EQ(StoredSize(L"max", &type), 4u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(key.ReadDword(L"max"), 0xFFFFFFFFu);
    key.WriteDword(L"max", 0);
    EXPECT_EQ(key.ReadDword(L"max"), 0u);

    const DWORD four = 4;
    Raw(L"binary", REG_BINARY, &four, sizeof four);
    EXPECT_FALSE(key.ReadDword(L"binary").has_value());
    const unsigned long long eight = 8;
    Raw(L"wide", REG_DWORD, &eight, sizeof eight);
    EXPECT_FALSE(key.ReadDword(L"wide").has_value());
    const WORD two = 2;
    Raw(L"short", REG_DWORD, &two, sizeof two);
    EXPECT_FALSE(key.ReadDword(L"short").has_value());
    key.WriteString(L"text", L"12");
    EXPECT_FALSE(key.ReadDword(L"text").has_value());
    EXPECT_FALSE(key.ReadDword(L"missing").has_value());
}

TEST_F(RegistryTest, DeletingAValueAndRefusedWritesCarryThePlatformsText) {
    key.WriteString(L"gone", L"soon");
    EXPECT_TRUE(key.ValueExists(L"gone"));
    key.DeleteValue(L"gone");
    EXPECT_FALSE(key.ValueExists(L"gone"));
    try {
        key.DeleteValue(L"gone");
        ADD_FAILURE() << "deleting a missing value reported success";
    } catch (const TRegistryError& e) {
        EXPECT_EQ(e.Code(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(e.Message(), SystemErrorText(ERROR_FILE_NOT_FOUND));
    }

    TRegistryKey readOnly = TRegistryKey::Open(HKEY_CURRENT_USER, base, KEY_READ);
    ASSERT_TRUE(readOnly.IsOpen());
    try {
        readOnly.WriteDword(L"refused", 1);
        ADD_FAILURE() << "a write through a read-only key reported success";
    } catch (const TRegistryError& e) {
        EXPECT_EQ(e.Code(), ERROR_ACCESS_DENIED);
        EXPECT_EQ(e.Message(), SystemErrorText(ERROR_ACCESS_DENIED));
    }
    EXPECT_FALSE(key.ValueExists(L"refused"));
}

TEST_F(RegistryTest, DeleteKeyTreeRemovesEveryLevelAndNothingBeside) {
    for (const wchar_t* path :
         {L"\\tree\\a\\a1\\a11", L"\\tree\\a\\a2", L"\\tree\\b", L"\\tree\\c\\c1", L"\\tree2"}) {
        TRegistryKey sub = TRegistryKey::Create(HKEY_CURRENT_USER, base + path);
        ASSERT_TRUE(sub.IsOpen());
        sub.WriteString(L"v", path);
    }
    TRegistryKey::Open(HKEY_CURRENT_USER, base + L"\\tree").WriteDword(L"own", 1);

    EXPECT_EQ(DeleteKeyTree(HKEY_CURRENT_USER, base + L"\\tree"), ERROR_SUCCESS);
    EXPECT_FALSE(TRegistryKey::Open(HKEY_CURRENT_USER, base + L"\\tree").IsOpen());
    // A key whose name only starts the same stays.
    EXPECT_EQ(TRegistryKey::Open(HKEY_CURRENT_USER, base + L"\\tree2").ReadString(L"v"), L"\\tree2");
    EXPECT_EQ(key.SubKeyNames(), std::vector<std::wstring>{L"tree2"});
    EXPECT_EQ(DeleteKeyTree(HKEY_CURRENT_USER, base + L"\\tree"), ERROR_FILE_NOT_FOUND);
}

} // namespace
