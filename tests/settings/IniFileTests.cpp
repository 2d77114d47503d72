#include "support/FileTestHelpers.h"
#include "framework/Error.h"
#include "settings/IniFile.h"
#include "settings/SettingsFile.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
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

void WriteAll(TIniFile& ini, const std::wstring& font, int left) {
    ini.WriteString(L"Apparence", L"Font", font);
    ini.WriteInteger(L"Apparence", L"Left", left);
    ini.WriteBool(L"Save", L"AutoSave", false);
    ini.WriteString(L"Apparence", L"Empty", L"");
}

TEST(IniFile, ValuesTheFileAlreadyHoldsAreNotWrittenAgain) {
    const std::wstring path = SettingsPath();
    DeleteFileW(path.c_str());
    {
        TIniFile ini(path);
        WriteAll(ini, L"Arial", 12);
    }
    const std::string bytes = FileBytes(path);
    EXPECT_EQ(bytes, "[Apparence]\r\nFont=Arial\r\nLeft=12\r\nEmpty=\r\n[Save]\r\nAutoSave=0\r\n");
    const FILETIME aged = AgeFile(path);
    ASSERT_TRUE(SameTime(LastWriteTime(path), aged));
    {
        TIniFile ini(path);
        WriteAll(ini, L"Arial", 12);
    }
    EXPECT_EQ(FileBytes(path), bytes);
    EXPECT_TRUE(SameTime(LastWriteTime(path), aged));

    // Nothing is asked of a file that cannot be written while nothing changes.
    {
        TFileLock reader(path, FILE_SHARE_READ);
        ASSERT_TRUE(reader.Held());
        TIniFile ini(path);
        EXPECT_NO_THROW(WriteAll(ini, L"Arial", 12));
    }

    // A key written under another case is the same key; a changed value is written in place.
    {
        TIniFile ini(path);
        ini.WriteBool(L"save", L"Autosave", false);
        ini.WriteInteger(L"Apparence", L"Left", 13);
        ini.WriteString(L"Apparence", L"Font", L"Arial Black");
    }
    EXPECT_EQ(FileBytes(path),
              "[Apparence]\r\nFont=Arial Black\r\nLeft=13\r\nEmpty=\r\n[Save]\r\nAutoSave=0\r\n");
    EXPECT_FALSE(SameTime(LastWriteTime(path), aged));

    // An empty value for a key that is not there yet is still written.
    {
        TIniFile ini(path);
        ini.WriteString(L"Save", L"Nothing", L"");
    }
    EXPECT_EQ(TIniFile(path).ReadString(L"Save", L"Nothing", L"<none>"), L"");
    DeleteFileW(path.c_str());
}

TEST(IniFile, AnUnwritableFileIsReportedOnceUntilAWriteSucceedsAgain) {
    const std::wstring path = SettingsPath();
    DeleteFileW(path.c_str());
    TIniFile(path).WriteInteger(L"Apparence", L"Left", 1);
    auto reader = std::make_unique<TFileLock>(path, FILE_SHARE_READ); // it reads, nobody writes
    ASSERT_TRUE(reader->Held());
    auto failingBatch = [&](int left) {
        TIniFile ini(path);
        ini.WriteInteger(L"Apparence", L"Left", left);
        ini.WriteInteger(L"Apparence", L"Top", left);
    };
    try {
        failingBatch(2);
        ADD_FAILURE() << "the first failure was not raised";
    } catch (const TError& e) {
        EXPECT_EQ(e.Message(), L"Unable to write to " + path);
    }
    for (int step = 3; step < 40; ++step) // a drag: many batches, no second report
        EXPECT_NO_THROW(failingBatch(step));

    // The batch whose first write failed makes none of its later writes, even when they could be.
    {
        TIniFile ini(path);
        ini.WriteInteger(L"Apparence", L"Left", 50);
        reader->Release();
        ini.WriteInteger(L"Apparence", L"Top", 50);
    }
    EXPECT_EQ(TIniFile(path).ReadString(L"Apparence", L"Top", L"<none>"), L"<none>");

    // Written again: the next failure is news and is reported.
    TIniFile(path).WriteInteger(L"Apparence", L"Left", 60);
    reader = std::make_unique<TFileLock>(path, FILE_SHARE_READ);
    EXPECT_THROW(failingBatch(61), TError);
    EXPECT_NO_THROW(failingBatch(62));
    reader.reset();
    TIniFile(path).WriteInteger(L"Apparence", L"Left", 63);
    EXPECT_EQ(TIniFile(path).ReadInteger(L"Apparence", L"Left", 0), 63);
    DeleteFileW(path.c_str());
}

} // namespace
