// The error every failure of the division engine and of the division request
// is raised as: it carries the Polish message shown to the user, unchanged.
#pragma once

#include <stdexcept>
#include <string>

namespace engine {

class EngineError : public std::runtime_error {
 public:
  explicit EngineError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace engine
