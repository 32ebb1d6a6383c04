// Fuzz target: the input is the text of an exchange's journal. A plan read
// from it must name only bare file names, hold its tables as the first old
// and last new files, and keep every directory inside the table's
// directory or a preset's backup root beside it ("old" and digits, then
// the table directory's own name); anything else must be refused, never
// half taken.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/Commit.h"
#include "platform/Path.h"

namespace {

std::string Native(std::string s) {
  for (char& c : s) c = c == '/' ? platform::kPathDelim : c;
  return s;
}

bool Bare(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\\:\0", 4)) == std::string::npos;
}

// A preset's backup root beside the table's directory "baza"; names in
// any letter case, as the system finds them.
bool PresetBackup(const std::string& dir, const std::string& database) {
  const std::string tail = platform::kPathDelim + std::string("baza") + platform::kPathDelim;
  if (dir.rfind(database, 0) != 0 || dir.size() <= database.size() + 3 + tail.size() ||
      !platform::SameNameIgnoringCase(dir.substr(database.size(), 3), "old") ||
      !platform::SameNameIgnoringCase(dir.substr(dir.size() - tail.size()), tail)) {
    return false;
  }
  for (size_t i = database.size() + 3; i < dir.size() - tail.size(); ++i) {
    if (dir[i] < '0' || dir[i] > '9') return false;
  }
  return true;
}

// Inside `root`, one plain name after another, ending with a separator.
bool Below(const std::string& dir, const std::string& root) {
  if (dir.rfind(root, 0) != 0 || dir.size() == root.size() || dir.back() != platform::kPathDelim) {
    return false;
  }
  std::string name;
  for (size_t i = root.size(); i < dir.size(); ++i) {
    if (dir[i] == platform::kPathDelim) {
      if (!Bare(name)) return false;
      name.clear();
    } else {
      name += dir[i];
    }
  }
  return true;
}

bool Same(const std::string& a, const std::string& b) {
  return platform::SameNameIgnoringCase(a, b);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string database = Native("/a/"), table_dir = Native("/a/baza/");
  const std::string work = table_dir + "tmp1.tmp" + platform::kPathDelim;
  engine::CommitPlan plan;
  std::string why;
  const engine::JournalRead r = engine::ParseJournal(text, work, &plan, &why);
  if (r == engine::JournalRead::kUnreadable && why.empty()) std::abort();
  if (r != engine::JournalRead::kRead) return 0;
  auto inside = [&](const std::string& dir) {
    return Below(dir, table_dir) || PresetBackup(dir, database);
  };
  if (plan.work_dir != work || plan.table_dir != table_dir || plan.new_files.empty() ||
      plan.tables.empty() || !inside(plan.aside_dir) ||
      (plan.private_aside && plan.aside_dir != engine::PrivateAsideDir(work)) ||
      !inside(plan.from_dir) || (!plan.list_name.empty() && !Bare(plan.list_name))) {
    std::abort();
  }
  for (const auto& n : plan.old_files) {
    if (!Bare(n)) std::abort();
  }
  for (const auto& f : plan.new_files) {
    if (!Bare(f.name)) std::abort();
  }
  // The tables: every one among the last new files, and the only ones
  // there; among the old files only at the front.
  const size_t first = plan.new_files.size() - plan.tables.size();
  if (plan.tables.size() > plan.new_files.size()) std::abort();
  for (size_t i = 0; i < plan.new_files.size(); ++i) {
    bool table = false;
    for (const auto& t : plan.tables) table = table || Same(t, plan.new_files[i].name);
    if (table != (i >= first)) std::abort();
  }
  bool past = false;
  for (const auto& o : plan.old_files) {
    bool table = false;
    for (const auto& t : plan.tables) table = table || Same(t, o);
    if (table && past) std::abort();
    past = past || !table;
  }
  return 0;
}
