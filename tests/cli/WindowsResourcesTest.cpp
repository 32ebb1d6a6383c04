// What Explorer and Windows read from podzial-cli.exe: the version
// information in Polish (a wrong code page mangles the Polish letters),
// the manifest and the icon in the sizes the shell asks for.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

const wchar_t* Exe() {
  static const std::wstring path = [] {
    std::wstring w;
    for (const char* p = PODZIAL_CLI_EXE; *p; ++p) w += static_cast<wchar_t>(*p == '/' ? '\\' : *p);
    return w;
  }();
  return path.c_str();
}

TEST(WindowsResourcesTest, VersionInformationIsPolish) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(Exe(), &ignored);
  ASSERT_GT(size, 0u);
  std::string data(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoW(Exe(), 0, size, data.data()));

  WORD* translation = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &len));
  ASSERT_EQ(len, 4u);
  EXPECT_EQ(translation[0], 0x0415);
  EXPECT_EQ(translation[1], 1200);

  const std::wstring version(PODZIAL_VERSION, PODZIAL_VERSION + sizeof(PODZIAL_VERSION) - 1);
  const struct {
    const wchar_t* key;
    std::wstring value;
  } strings[] = {
      {L"CompanyName", L"Podzia\u0142 plik\u00f3w z danymi opisowymi"},
      {L"ProductName", L"Podzia\u0142 plik\u00f3w z danymi opisowymi"},
      {L"FileDescription",
       L"Podzia\u0142 plik\u00f3w z danymi opisowymi \u2013 wiersz polece\u0144"},
      {L"OriginalFilename", L"podzial-cli.exe"},
      {L"FileVersion", version},
      {L"ProductVersion", version},
  };
  for (const auto& s : strings) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(s.key)));
    wchar_t* text = nullptr;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\041504B0\\") + s.key;
    ASSERT_TRUE(VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&text), &len));
    EXPECT_EQ(std::wstring(text), s.value);
  }

  VS_FIXEDFILEINFO* fixed = nullptr;
  ASSERT_TRUE(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
  const std::wstring numbers = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                               std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                               std::to_wstring(HIWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(numbers, version);
}

TEST(WindowsResourcesTest, ManifestAndIcon) {
  HMODULE exe = LoadLibraryExW(Exe(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(exe, nullptr);

  HRSRC res = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(res, nullptr);
  const std::string manifest(static_cast<const char*>(LockResource(LoadResource(exe, res))),
                             SizeofResource(exe, res));
  for (const char* part : {"level=\"asInvoker\"", ">PerMonitorV2, PerMonitor<", ">true/pm<"}) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
  // A console program keeps the system's own console look.
  EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);

  // The group directory: a header of three WORDs, then 14 bytes per image.
  res = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  ASSERT_NE(res, nullptr);
  const auto* group = static_cast<const BYTE*>(LockResource(LoadResource(exe, res)));
  const WORD count = *reinterpret_cast<const WORD*>(group + 4);
  std::string widths;
  for (WORD i = 0; i < count; ++i) {
    const int w = group[6 + 14 * i];
    widths += std::to_string(w == 0 ? 256 : w) + " ";
  }
  EXPECT_EQ(widths, "16 20 24 32 40 48 64 256 ");
  FreeLibrary(exe);
}

}  // namespace
