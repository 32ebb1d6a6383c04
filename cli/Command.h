// Subcommands of podzial-cli register themselves here, one file each, so
// that adding a subcommand touches no shared file.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <vector>

namespace cli {

// Exit codes: 0 = fine, 1 = the file has problems or an operation failed,
// 2 = wrong usage, 3 = a division completed but kept old files the user
// should look at (references not copied, marker rows reading old records,
// old files that could not be deleted).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWarnings = 3;

// A registrar adds its subcommand to the app and stores the callback that
// runs it; the callback returns the exit code.
using Registrar = std::function<void(CLI::App& app, std::function<int()>* run)>;

std::vector<Registrar>& Registry();

struct AutoRegister {
  explicit AutoRegister(Registrar r) { Registry().push_back(std::move(r)); }
};

}  // namespace cli
