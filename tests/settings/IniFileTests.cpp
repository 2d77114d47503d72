#include "framework/Error.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

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

TEST(IniFile, AMissingFileGivesTheDefaultsAsAFileWithoutTheKeysDoes) {
    const std::wstring path = SettingsPath();
    DeleteFileW(path.c_str());
    const std::wstring longDefault = std::wstring(2100, L'x') + L"end";
    const std::wstring fallbacks[] = {L"Arial", L"two blanks after  ", L"   ", L"", longDefault};
    std::vector<std::wstring> missing;
    {
        TIniFile ini(path);
        for (const auto& fallback : fallbacks)
            missing.push_back(ini.ReadString(L"Apparence", L"Font", fallback));
        EXPECT_EQ(ini.ReadInteger(L"Apparence", L"Size", 8), 8);
    }
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES); // reading made no file
    {
        TIniFile ini(path);
        ini.WriteInteger(L"Apparence", L"Left", 5); // written in the batch that found no file
        EXPECT_EQ(ini.ReadInteger(L"Apparence", L"Left", 200), 5);
    }
    TIniFile ini(path);
    for (size_t i = 0; i < missing.size(); ++i)
        EXPECT_EQ(missing[i], ini.ReadString(L"Apparence", L"Font", fallbacks[i])) << i;
    EXPECT_EQ(missing[1], L"two blanks after");
    EXPECT_EQ(missing[4].size(), 2047u);
    DeleteFileW(path.c_str());
}

TEST(IniFile, AFailedWriteRaisesTheMessageWithThePath) {
    const std::wstring path = SettingsPath();
    DeleteFileW(path.c_str());
    // Another program holds the file and shares it with nobody.
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
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
