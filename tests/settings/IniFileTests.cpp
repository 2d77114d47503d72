#include "framework/Error.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(IniInteger, ReadsDecimalAndHexadecimalAndRejectsEverythingElse) {
    EXPECT_EQ(ParseIniInteger(L"  42"), 42);
    EXPECT_EQ(ParseIniInteger(L"-17"), -17);
    EXPECT_EQ(ParseIniInteger(L"+5"), 5);
    EXPECT_EQ(ParseIniInteger(L"0x1F"), 31);
    EXPECT_EQ(ParseIniInteger(L"$ff"), 255);
    EXPECT_EQ(ParseIniInteger(L"X10"), 16);
    EXPECT_EQ(ParseIniInteger(L"0x8000000F"), static_cast<int>(0x8000000F)); // a system colour
    EXPECT_EQ(ParseIniInteger(L"2147483647"), 2147483647);
    EXPECT_EQ(ParseIniInteger(L"-2147483648"), -2147483647 - 1);
    for (const wchar_t* bad : {L"", L" ", L"12a", L"True", L"2147483648", L"0x", L"1 2", L"0x100000000"})
        EXPECT_FALSE(ParseIniInteger(bad).has_value()) << bad;
}

TEST(IniFile, TypedValuesRoundTripAndFallBackToTheirDefaults) {
    const std::wstring path = SettingsPath();
    DeleteFileW(path.c_str());
    {
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadInteger(L"Apparence", L"Left", 200), 200); // no file yet
        ini.WriteInteger(L"Apparence", L"Left", -35);
        ini.WriteBool(L"Save", L"AutoSave", false);
        ini.WriteString(L"Apparence", L"Font", L"Times New Roman");
        ini.WriteString(L"Apparence", L"Visible", L"True");
    }
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger(L"apparence", L"left", 200), -35); // names match without regard to case
    EXPECT_FALSE(ini.ReadBool(L"Save", L"Autosave", true));
    EXPECT_EQ(ini.ReadString(L"Apparence", L"Font", L"Arial"), L"Times New Roman");
    EXPECT_TRUE(ini.ReadBool(L"Apparence", L"Visible", true)); // not a number: the default
    EXPECT_FALSE(ini.ReadBool(L"Apparence", L"Visible", false));
    DeleteFileW(path.c_str());
}

TEST(IniFile, AFailedWriteRaisesTheMessageWithThePath) {
    const std::wstring path = SettingsPath();
    DeleteFileW(path.c_str());
    // Another program holds the file and shares it with nobody.
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    TIniFile ini(path);
    try {
        ini.WriteInteger(L"Apparence", L"Top", 10);
        ADD_FAILURE() << "the write went through";
    } catch (const TError& e) {
        EXPECT_EQ(e.Message(), L"Unable to write to " + path);
    }
    CloseHandle(file);
    DeleteFileW(path.c_str());
}

} // namespace
