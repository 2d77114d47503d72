#include "Harness.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

#pragma pack(push, 2)
struct TGroupIconEntry {
    BYTE Width, Height, ColorCount, Reserved;
    WORD Planes, BitCount;
    DWORD BytesInRes;
    WORD Id;
};
struct TGroupIconDir {
    WORD Reserved, Type, Count;
    TGroupIconEntry Entries[1];
};
#pragma pack(pop)

class ResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = TProgramUnderTest::BuiltProgram().wstring();
        module =
            LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module, nullptr);
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
    std::string Resource(const wchar_t* name, const wchar_t* type) {
        HRSRC res = FindResourceW(module, name, type);
        if (!res) return {};
        auto* data = static_cast<const char*>(LockResource(LoadResource(module, res)));
        return std::string(data, SizeofResource(module, res));
    }
    std::wstring path;
    HMODULE module = nullptr;
};

TEST_F(ResourceTest, IconComesIn16And32And48Pixels) {
    std::string group = Resource(L"MAINICON", RT_GROUP_ICON);
    ASSERT_GE(group.size(), sizeof(TGroupIconDir));
    auto* dir = reinterpret_cast<const TGroupIconDir*>(group.data());
    std::set<int> sizes;
    for (WORD i = 0; i < dir->Count; ++i)
        sizes.insert(dir->Entries[i].Width);
    EXPECT_EQ(sizes, (std::set<int>{16, 32, 48}));
}

TEST_F(ResourceTest, ManifestAsksForVersion6OfTheCommonControls) {
    std::string manifest = Resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_FALSE(manifest.empty());
    auto dependency = manifest.find("Microsoft.Windows.Common-Controls");
    ASSERT_NE(dependency, std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\"", dependency), std::string::npos);
}

// Both numbers come from the project version; a manifest whose own identity is not four numbers
// stops Windows from starting the program at all (a side-by-side error), Wine or not.
TEST_F(ResourceTest, ManifestIdentityCarriesTheFileVersion) {
    std::string manifest = Resource(MAKEINTRESOURCEW(1), RT_MANIFEST);
    auto identity = manifest.find("<assemblyIdentity");
    ASSERT_NE(identity, std::string::npos);
    auto versionAt = manifest.find("version=\"", identity);
    ASSERT_LT(versionAt, manifest.find("/>", identity)) << "the program's own identity has no version";
    versionAt += 9;
    std::string version = manifest.substr(versionAt, manifest.find('"', versionAt) - versionAt);

    DWORD ignored = 0;
    std::vector<BYTE> data(GetFileVersionInfoSizeW(path.c_str(), &ignored));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    const std::string fileVersion = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                    std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                    std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                    std::to_string(LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(version, fileVersion);
}

TEST_F(ResourceTest, VersionInformationIsFrenchQuillpad1612) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> data(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, data.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(6, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(2, 1));

    struct {
        WORD Language, CodePage;
    }* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &len));
    EXPECT_EQ(translation->Language, 0x040C);
    EXPECT_EQ(translation->CodePage, 1252);

    auto text = [&](const std::wstring& key) {
        wchar_t* value = nullptr;
        UINT n = 0;
        std::wstring query = L"\\StringFileInfo\\040C04E4\\" + key;
        if (!VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &n) || !value)
            return std::wstring(L"<missing>");
        return std::wstring(value);
    };
    EXPECT_EQ(text(L"ProductVersion"), L"1.6");
    EXPECT_EQ(text(L"FileVersion"), L"1.6.1.2");
    EXPECT_EQ(text(L"ProductName"), L"Quillpad");
    EXPECT_EQ(text(L"FileDescription"), L"Quillpad");
    EXPECT_EQ(text(L"InternalName"), L"Quillpad");
}

} // namespace
