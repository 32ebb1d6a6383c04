// What makes a division fail before it writes anything and a dry run does
// not meet by itself, because it only reads: a table or description file
// that another program has open (the division needs them to itself), a
// directory this user may not write in, and too little free space for the
// new files and the working copy of the table. The plan runs these checks
// so that a plan that passes is a division that can start.
#pragma once

#include <cstdint>
#include <string>

#include "engine/Job.h"
#include "platform/Env.h"

namespace engine {

// Files in use and the directory's write permission. Nothing happens for a
// job whose table or description file does not exist (it is skipped).
// Raises EngineError with the reason.
void CheckFilesAndDirectory(platform::Env* env, const TDividerInfo& info);

// Free space in the table's directory for new_bytes of new description
// files plus the working copy of the table (.dbf, .mdx, .dbt). Raises
// EngineError when it is short; says nothing where the system cannot tell.
void CheckFreeSpace(platform::Env* env, const TDividerInfo& info, uint64_t new_bytes);

// The bytes of the working copy of the job's table (.dbf, .mdx, .dbt).
uint64_t WorkingCopyBytes(platform::Env* env, const TDividerInfo& info);

}  // namespace engine
