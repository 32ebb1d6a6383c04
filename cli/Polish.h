// The command line in Polish, whatever CLI11 says itself: labels and group
// names of the help, checks of numbers and names with Polish messages, the
// wrong usages answered in Polish with the closest known name, "help
// COMMAND", --version and the examples under a command's help. Shared by
// podzial-cli and podzial-gen.
#pragma once

#include <CLI/CLI.hpp>
#include <map>
#include <string>
#include <vector>

namespace cli {

// A whole number from min to max, told in Polish when it is not.
CLI::Validator IntegerIn(long long min, long long max);
// One of the given words.
CLI::Validator OneOf(std::vector<std::string> words);

// Labels of the help in Polish; call before adding subcommands, which share
// the formatter.
void SetPolishLabels(CLI::App& app);
// Group names of every option and subcommand below `app` in Polish; call
// once everything is added.
void SetPolishGroups(CLI::App& app);
// Footers with examples, keyed by the command's path ("divide", "plan
// divide"); commands not (yet) present are passed over.
void SetExamples(CLI::App& app, const std::map<std::string, std::string>& examples);

// What went wrong in a command line, in Polish: an unknown command or
// option names itself and the closest known one; a missing value, a value
// out of range or a missing command says so.
std::string UsageErrorText(const CLI::App& root, const CLI::ParseError& e);

// The closest of `known` to `typed` (edit distance), "" when none is near.
std::string Closest(const std::string& typed, const std::vector<std::string>& known);

// Parses the command line. "PROGRAM help CMD..." is "PROGRAM CMD... --help".
// Returns -1 to go on, or the exit code after the help (0), the version (0)
// or a usage error (2, message on stderr; with --json among the arguments
// also the error object on stdout) was printed.
int ParseCommandLine(CLI::App& app, int argc, char** argv);

}  // namespace cli
