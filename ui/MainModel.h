// The main window without a toolkit: which panel shows, what the size probe
// proposes and why, the field list of the chosen table, and the start
// action with its questions and notices. A window (Qt now, Win32 next)
// copies its controls into the events below and draws what they return.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engine/DivisionRequest.h"
#include "engine/UserDialog.h"
#include "platform/Env.h"

namespace ui {

// What the window asks of the engine, the table engine and the system;
// tests put fakes in. Each may throw an error whose message the standard
// error box shows.
struct MainServices {
  // The size limit recorded in a description file, in MB (size probe).
  std::function<int32_t(const std::string& data_file)> max_size;
  // The bytes of a description file (null: unknown, nothing is proposed).
  std::function<uint64_t(const std::string& data_file)> data_bytes;
  // The names of a table's fields in the table's order (shared open).
  std::function<std::vector<std::string>(const std::string& dir, const std::string& file)>
      field_names;
  // Runs one job of a request.
  engine::JobRunner run_job;
  // Shows a text file: the list of rows a division left to look at.
  std::function<void(const std::string& path)> open_text;
  // Shows the whole request's progress (null: the jobs' own displays).
  engine::ProgressDisplayFactory* progress = nullptr;
};

// The rows of DivType, in order.
const std::vector<std::string>& DivTypeCaptions();

// The size a description file without a limit is given when it is already
// larger: the program's default.
inline constexpr int32_t kProposedSizeMb = 650;

// The standard boxes of the installed platform service; the extra button
// of a warning opens the lists of rows it names.
class WindowDialog : public engine::UserDialog {
 public:
  explicit WindowDialog(std::function<void(const std::string& path)> open_text)
      : open_text_(std::move(open_text)) {}
  int Ask(const std::string& text, const std::string& title, int flags) override;
  void Inform(const std::string& text, const std::string& title, int flags) override;
  void InformWithLists(const std::string& text, const std::string& title, int flags,
                       const std::vector<std::string>& lists) override;

 private:
  std::function<void(const std::string& path)> open_text_;
};

class MainModel {
 public:
  enum class Panel { kUser, kPresets };

  explicit MainModel(MainServices services, platform::Env* env = platform::Env::Default());

  int Row() const { return row_; }
  Panel CurrentPanel() const { return panel_; }
  const std::vector<std::string>& FieldNames() const { return field_names_; }
  // One line under the size box: why the probe proposed what it did.
  const std::string& SizeNote() const { return size_note_; }

  // A row of DivType picked. True when the other panel is to be shown; the
  // values of both panels stay.
  bool DivTypeChanged(int row);
  // A description file chosen in its picker: the size to put into the size
  // box, or nothing for an empty path. A file without a limit (0) that is
  // already larger than the default gets the default, and SizeNote says
  // why. Errors of the probe pass; the note then stays as it was.
  std::optional<int32_t> DataFileChosen(const std::string& path);
  // A table chosen in its picker: true when FieldNames was replaced. A
  // table that cannot be opened throws and leaves the list as it was.
  bool TableChosen(const std::string& path);
  // The start button: runs the request over the entries the window holds,
  // asking before old data are deleted. Errors pass to the caller.
  engine::RequestResult Start(const engine::RequestEntries& entries);

  engine::UserDialog* Dialog() { return &dialog_; }

 private:
  MainServices services_;
  platform::Env* env_;
  WindowDialog dialog_;
  int row_ = engine::kDivUser;
  Panel panel_ = Panel::kUser;
  std::vector<std::string> field_names_;
  std::string size_note_;
};

}  // namespace ui
