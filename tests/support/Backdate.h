// Makes a file or directory look older than it is: a run's working
// directory that died long ago, not one that is starting.
#pragma once

#include <string>

namespace test_support {

// Sets the entry's modification time `seconds` back from now; false when
// the system refused.
bool Backdate(const std::string& path, int seconds);

}  // namespace test_support
