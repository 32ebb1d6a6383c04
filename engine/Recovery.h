// Repair of divisions that ended without cleaning up after themselves: a
// crash, a kill or a power cut. Each run keeps a lock file in its working
// directory ("tmp" + digits + ".tmp" beside the table) for its whole life;
// a working directory whose lock can be taken belongs to no live run.
// With a complete journal its commit had begun: it is finished when every
// new file is whole, else undone. Without one nothing outside the working
// directory was touched, and the directory simply goes. Directories that
// hold no lock file are not the division's and are left alone.
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
