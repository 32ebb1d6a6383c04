// The text editor window's model.
#include "ui/EditorModel.h"

#include "platform/Cp1250.h"
#include "platform/Path.h"

namespace ui {

namespace {

// The next character of UTF-8 text at *i; a broken sequence gives one
// character that no code page holds.
char32_t NextChar(std::string_view s, size_t* i) {
  const auto b = static_cast<unsigned char>(s[*i]);
  const int n = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
  if (n == 0 || *i + n > s.size()) {
    ++*i;
    return 0xFFFD;
  }
  char32_t v = n == 1 ? b : b & (0x3F >> (n - 1));
  for (int k = 1; k < n; ++k) v = (v << 6) | (static_cast<unsigned char>(s[*i + k]) & 0x3F);
  *i += n;
  return v;
}

}  // namespace

std::string DetectLineBreak(std::string_view bytes) {
  const size_t lf = bytes.find('\n');
  const size_t cr = bytes.find('\r');
  if (lf == std::string_view::npos) return cr == std::string_view::npos ? "" : "\r";
  if (cr != std::string_view::npos && cr + 1 < lf) return "\r";
  return cr + 1 == lf ? "\r\n" : "\n";
}

EditorText DecodeEditorFile(std::string_view bytes) {
  EditorText out;
  const std::string line_break = DetectLineBreak(bytes);
  if (!line_break.empty()) out.line_break = line_break;
  const std::string text = platform::Cp1250ToUtf8(bytes);
  // Only the file's own break separates lines; a stray other one stays.
  for (size_t i = 0; i < text.size(); ++i) {
    if (line_break == "\r\n" && text.compare(i, 2, "\r\n") == 0) {
      out.text += '\n';
      ++i;
    } else if (line_break == "\r" && text[i] == '\r') {
      out.text += '\n';
    } else {
      out.text += text[i];
    }
  }
  return out;
}

std::string EncodeEditorFile(std::string_view text, const std::string& line_break,
                             size_t* unmapped) {
  std::string bytes;
  size_t missing = 0;
  for (size_t i = 0; i < text.size();) {
    const char32_t c = NextChar(text, &i);
    if (c == '\n') {
      bytes += line_break;
    } else if (c < 0x80) {
      bytes += static_cast<char>(c);
    } else {
      int b = 0x80;
      while (b < 0x100 && platform::kCp1250UpperHalf[b - 0x80] != c) ++b;
      if (b == 0x100) {
        bytes += '?';
        ++missing;
      } else {
        bytes += static_cast<char>(b);
      }
    }
  }
  if (unmapped) *unmapped = missing;
  return bytes;
}

std::string EditorModel::Caption() const {
  return file_name_.empty() ? kUntitled : platform::ExtractFileName(file_name_);
}

std::string EditorModel::Load(LoadOutcome outcome, std::string_view bytes) {
  load_failed_ = outcome == LoadOutcome::kFailed;
  modified_ = false;
  EditorText t;
  if (outcome == LoadOutcome::kLoaded) t = DecodeEditorFile(bytes);
  line_break_ = t.line_break;
  return t.text;
}

void EditorModel::SetFileName(std::string file_name) {
  file_name_ = std::move(file_name);
  // A new file: nothing unread is replaced.
  load_failed_ = false;
}

EditorModel::SavePlan EditorModel::PlanSave(std::string_view text) const {
  SavePlan plan;
  if (load_failed_) {
    plan.questions.push_back("Nie udało się wczytać pliku " + file_name_ +
                             ". Zapisanie tekstu zastąpi jego zawartość. Kontynuować?");
  }
  size_t unmapped = 0;
  plan.bytes = EncodeEditorFile(text, line_break_, &unmapped);
  if (unmapped > 0) {
    plan.questions.push_back(
        "Tekst zawiera znaki, których nie można zapisać w stronie kodowej 1250 (" +
        std::to_string(unmapped) + "). Zostaną zapisane jako \"?\". Kontynuować?");
  }
  return plan;
}

void EditorModel::Saved() {
  load_failed_ = false;
  modified_ = false;
}

std::optional<std::string> EditorModel::CloseQuestion() const {
  if (!modified_) return std::nullopt;
  return std::string("Plik nie został zapisany. Kontynuować wyjście?");
}

std::string EditorModel::NotFound(std::string_view what) {
  return "Nie znaleziono tekstu \"" + std::string(what) + "\"";
}

}  // namespace ui
