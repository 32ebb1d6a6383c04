// What a Windows user reads when the system refuses: real failures of the
// Windows Env, each worded in Polish with what was being done and why.
#include <gtest/gtest.h>

#include <functional>

#include "platform/Env.h"
#include "platform/Win32.h"
#include "platform/Win32Text.h"
#include "tests/platform/EnvHelpers.h"
#include "tests/platform/TempDir.h"

using platform::Env;
using platform::File;
using platform::OpenMode;
using platform::Status;
using testing_util::MustOpen;
using testing_util::TempDir;
using testing_util::WriteText;

namespace {

struct Failure {
  const char* name;
  // Does the failing call in a fresh folder that holds "a.dat" ("x") and
  // the folder "d" with "d/b.dat" in it.
  std::function<Status(const TempDir&, Env*)> act;
  // The whole message, "{}" standing for the folder.
  const char* message;
  Status::Code code;
};

std::string Expand(std::string text, const std::string& dir) {
  for (size_t at; (at = text.find("{}")) != std::string::npos;) text.replace(at, 2, dir);
  return text;
}

TEST(EnvWin32Test, RefusalsArePolishAndSayWhatWasDone) {
  const Failure failures[] = {
      {"missing file",
       [](const TempDir& t, Env* env) {
         std::unique_ptr<File> f;
         return env->OpenFile(t / "brak.dat", OpenMode::kReadOnlyShared, &f);
       },
       "otwarcie {}brak.dat: nie ma takiego pliku ani katalogu", Status::Code::kNotFound},
      {"missing folder",
       [](const TempDir& t, Env* env) {
         std::unique_ptr<File> f;
         return env->OpenFile(t / "brak/a.dat", OpenMode::kReadOnlyShared, &f);
       },
       "otwarcie {}brak\\a.dat: nie ma takiego pliku ani katalogu", Status::Code::kNotFound},
      {"file held by another",
       [](const TempDir& t, Env* env) {
         auto held = MustOpen(t / "a.dat", OpenMode::kReadWriteExclusive);
         std::unique_ptr<File> f;
         return env->OpenFile(t / "a.dat", OpenMode::kReadOnlyShared, &f);
       },
       "otwarcie {}a.dat: plik jest używany", Status::Code::kBusy},
      {"folder that exists",
       [](const TempDir& t, Env* env) { return env->CreateNewDirectory(t / "d"); },
       "tworzenie katalogu {}d: plik już istnieje", Status::Code::kExists},
      {"move onto a file",
       [](const TempDir& t, Env* env) { return env->RenameNoReplace(t / "a.dat", t / "d/b.dat"); },
       "zmiana nazwy {}a.dat -> {}d\\b.dat: plik już istnieje", Status::Code::kExists},
      {"folder not empty", [](const TempDir& t, Env* env) { return env->RemoveDirectory(t / "d"); },
       "usunięcie katalogu {}d: katalog nie jest pusty", Status::Code::kExists},
      {"copy of a missing file",
       [](const TempDir& t, Env* env) { return env->CopyFile(t / "brak.dat", t / "c.dat"); },
       "kopiowanie {}brak.dat -> {}c.dat: nie ma takiego pliku ani katalogu",
       Status::Code::kNotFound},
      {"read-only file deleted",
       [](const TempDir& t, Env* env) {
         SetFileAttributesW(platform::WidePath(t / "a.dat").c_str(), FILE_ATTRIBUTE_READONLY);
         Status s = env->DeleteFile(t / "a.dat");
         SetFileAttributesW(platform::WidePath(t / "a.dat").c_str(), FILE_ATTRIBUTE_NORMAL);
         return s;
       },
       "usunięcie {}a.dat: brak uprawnień", Status::Code::kIOError},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.name);
    TempDir t;
    WriteText(t / "a.dat", "x");
    ASSERT_TRUE(Env::Default()->CreateNewDirectory(t / "d").ok());
    WriteText(t / "d/b.dat", "y");
    const Status s = f.act(t, Env::Default());
    EXPECT_EQ(s.message(), Expand(f.message, t.dir()));
    EXPECT_EQ(s.code(), f.code);
    // The failure took nothing away.
    EXPECT_TRUE(Env::Default()->FileExists(t / "a.dat"));
    EXPECT_TRUE(Env::Default()->FileExists(t / "d/b.dat"));
  }
}

// Codes without a wording of their own: the system's text only in Polish,
// never the English one a system without Polish would give, and always the
// number to look the code up by.
TEST(EnvWin32Test, OtherCodesAreNeverEnglish) {
  for (DWORD code : {DWORD{ERROR_INVALID_PARAMETER}, DWORD{ERROR_INVALID_HANDLE}, DWORD{0x2AFF}}) {
    SCOPED_TRACE(code);
    const std::string text = platform::ErrorText(code);
    EXPECT_NE(text.find("błąd systemu " + std::to_string(code)), std::string::npos) << text;
    wchar_t* buf = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
        reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    if (n > 8) {
      const std::string english = platform::FromWide(buf, 8);
      EXPECT_EQ(text.find(english.substr(1)), std::string::npos) << text;
    }
    if (buf) LocalFree(buf);
  }
}

}  // namespace
