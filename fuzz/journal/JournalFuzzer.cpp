// Fuzz target: the input is the text of a commit journal. A plan read from
// it must name only bare file names, hold the table as its first old and
// last new file, and keep every path inside the three directories of its
// commit; anything else must be refused, never half taken.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/Commit.h"
#include "platform/Path.h"

namespace {

bool Bare(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\0", 2) + platform::kPathDelim) == std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string work = "/baza/tmp1.tmp/";
  for (char& c : work) c = c == '/' ? platform::kPathDelim : c;
  engine::CommitPlan plan;
  std::string why;
  const engine::JournalRead r = engine::ParseJournal(text, work, &plan, &why);
  if (r == engine::JournalRead::kUnreadable && why.empty()) std::abort();
  if (r != engine::JournalRead::kRead) return 0;
  if (plan.work_dir != work || plan.old_files.empty() || plan.new_files.empty() ||
      plan.aside_dir.empty() || plan.aside_dir.back() != platform::kPathDelim ||
      (plan.private_aside && plan.aside_dir != engine::PrivateAsideDir(work)) ||
      !platform::SameNameIgnoringCase(plan.old_files.front(), plan.new_files.back().name) ||
      (!plan.list_name.empty() && !Bare(plan.list_name))) {
    std::abort();
  }
  for (const auto& n : plan.old_files) {
    if (!Bare(n)) std::abort();
  }
  for (const auto& f : plan.new_files) {
    if (!Bare(f.name)) std::abort();
  }
  return 0;
}
