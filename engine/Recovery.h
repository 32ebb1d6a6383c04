// Repair of divisions that ended without cleaning up after themselves: a
// crash, a kill or a power cut. Each run keeps a lock file in its working
// directory ("tmp" + digits + ".tmp" beside the table) for its whole life;
// a working directory whose lock can be taken belongs to no live run.
// Without a journal, or with one cut short, nothing outside the working
// directory was touched, and the directory goes. With a journal the
// commit had begun, and the table's .dbf tells how far: the old one still
// in place means nothing moved, and the new set is dropped; the new one in
// place means every move was made, and only the tidying is left. Either
// set may have been worked on since the run died, so neither is ever moved
// away. With no .dbf in place the commit is finished when every new file
// is whole, else undone. A journal that cannot be read, or files that fit
// no point of the commit, are left as they are and the report says where
// they are. Directories that hold no lock file are not the division's and
// are left alone.
#pragma once

#include <string>
#include <vector>

#include "platform/Env.h"

namespace engine {

struct RecoveryReport {
  // What was done, one sentence each, for the user.
  std::vector<std::string> done;
  // What could not be repaired, with where the files are.
  std::vector<std::string> failed;
  bool Nothing() const { return done.empty() && failed.empty(); }
};

// Repairs every abandoned working directory directly in `dir`.
RecoveryReport RecoverDirectory(platform::Env* env, const std::string& dir);
// The same for `dir` and each directory directly below it (a preset's
// database keeps its tables one level down).
RecoveryReport RecoverDatabase(platform::Env* env, const std::string& dir);

}  // namespace engine
