// The main window's decisions: panel switch, size probe, field list, start.
#include "ui/MainModel.h"

#include "platform/MessageBox.h"
#include "platform/Path.h"
#include "ui/MainTexts.h"

namespace ui {

const std::vector<std::string>& DivTypeCaptions() {
  static const std::vector<std::string> captions = {
      "wybrane dane", engine::PresetDataName(engine::kDivTolm),
      engine::PresetDataName(engine::kDivWertal), engine::PresetDataName(engine::kDivKadmor)};
  return captions;
}

int WindowDialog::Ask(const std::string& text, const std::string& title, int flags) {
  return platform::ShowMessage(text, title, flags);
}

void WindowDialog::Inform(const std::string& text, const std::string& title, int flags) {
  platform::ShowMessage(text, title, flags);
}

void WindowDialog::InformWithLists(const std::string& text, const std::string& title, int flags,
                                   const std::vector<std::string>& lists) {
  if (!open_text_) return Inform(text, title, flags);
  if (platform::ShowMessage(text, title, flags, kShowListButton) != platform::kIdExtra) return;
  for (const std::string& list : lists) open_text_(list);
}

MainModel::MainModel(MainServices services, platform::Env* env)
    : services_(std::move(services)), env_(env), dialog_(services_.open_text) {}

bool MainModel::DivTypeChanged(int row) {
  row_ = row;
  const Panel panel = row == engine::kDivUser ? Panel::kUser : Panel::kPresets;
  if (panel == panel_) return false;
  panel_ = panel;
  return true;
}

std::optional<int32_t> MainModel::DataFileChosen(const std::string& path) {
  if (path.empty()) return std::nullopt;
  const int32_t limit = services_.max_size(path);
  if (limit != 0) {
    size_note_.clear();
    return limit;
  }
  // 0 means one file of any size: an old file that is already large would
  // stay one file, which is seldom what dividing it was for.
  const uint64_t bytes = services_.data_bytes ? services_.data_bytes(path) : 0;
  if (bytes > uint64_t{kProposedSizeMb} * 1048576) {
    size_note_ = SizeProposedNote(bytes, kProposedSizeMb);
    return kProposedSizeMb;
  }
  size_note_ = kSizeNoLimit;
  return 0;
}

bool MainModel::TableChosen(const std::string& path) {
  if (path.empty()) return false;
  field_names_ =
      services_.field_names(platform::ExtractFileDir(path), platform::ExtractFileName(path));
  return true;
}

engine::RequestResult MainModel::Start(const engine::RequestEntries& entries) {
  engine::DivisionRequest request(&dialog_, services_.run_job, env_);
  request.SetAskBeforeDeleting(true);
  if (services_.progress) request.SetProgress(services_.progress);
  return request.Run(entries);
}

}  // namespace ui
