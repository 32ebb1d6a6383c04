// What the text editor window decides: how a file's code page 1250 bytes
// become its text and back (keeping the file's own line break), what it
// asks before saving and before closing with changes, its caption, and
// the messages of its search. The window holds the text being edited and
// tells the model when it changed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// Larger files are not loaded: the editor is for short texts, and a huge
// or endless file (a device, a pipe) must not exhaust memory.
inline constexpr size_t kMaxEditorFileSize = 64 * 1024 * 1024;

// "\r\n", "\n" or "\r": the first line break of the bytes; empty when
// there is none.
std::string DetectLineBreak(std::string_view bytes);

// The file's text, with "\n" between lines, and the break the file used
// ("\r\n" for a file without one: the code page's own system).
struct EditorText {
  std::string text;
  std::string line_break = "\r\n";
};
EditorText DecodeEditorFile(std::string_view bytes);

// The bytes of a text with each "\n" turned into line_break. Characters
// code page 1250 has no byte for become "?" and are counted in *unmapped.
std::string EncodeEditorFile(std::string_view text, const std::string& line_break,
                             size_t* unmapped = nullptr);

enum class LoadOutcome {
  kLoaded,   // the bytes are the whole file
  kMissing,  // no such file: an empty text, "Zachowaj" creates it
  kFailed,   // there but unreadable: an empty text, a save asks first
};

class EditorModel {
 public:
  explicit EditorModel(std::string file_name) : file_name_(std::move(file_name)) {}

  const std::string& file_name() const { return file_name_; }
  // The name part of the file's path, or "Bez nazwy".
  std::string Caption() const;

  // After the window read the file: the text to show, unmodified.
  std::string Load(LoadOutcome outcome, std::string_view bytes);

  bool modified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

  // Saving: a text without a file name asks for one first (SetFileName),
  // then every question of the plan in turn, each needing "Tak"; then the
  // bytes are written and Saved() tells the model.
  bool NeedsFileName() const { return file_name_.empty(); }
  void SetFileName(std::string file_name);
  struct SavePlan {
    std::string bytes;
    std::vector<std::string> questions;  // title "Potwierdzenie", Yes and No
  };
  SavePlan PlanSave(std::string_view text) const;
  void Saved();

  // Closing: the question to answer "Tak" before a changed text is left
  // (title "Potwierdzenie", Yes and No, no icon); nullopt: just close.
  std::optional<std::string> CloseQuestion() const;

  // The message of a search or replace that found nothing.
  static std::string NotFound(std::string_view what);

 private:
  std::string file_name_;
  std::string line_break_ = "\r\n";
  bool load_failed_ = false;
  bool modified_ = false;
};

inline constexpr char kUntitled[] = "Bez nazwy";
inline constexpr char kConfirmTitle[] = "Potwierdzenie";
// The save dialog's filter ("description|patterns").
inline constexpr char kEditorSaveFilter[] = "tekst (*.txt)|*.txt";
inline constexpr char kNoPrinter[] = "Nie ma drukarki, na której można wydrukować tekst.";
inline constexpr char kPrintFailed[] =
    "Nie udało się wydrukować tekstu: drukarka odrzuciła wydruk.";
// The print job's title: "Plik: " and the full path, or "Bez nazwy".
inline std::string PrintTitle(const std::string& file_name) {
  return "Plik: " + (file_name.empty() ? std::string(kUntitled) : file_name);
}
inline std::string SaveFailed(const std::string& file_name) {
  return "Nie można zapisać pliku: " + file_name;
}

}  // namespace ui
