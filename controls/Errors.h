// The toolkit's error classes that the controls raise. Every one carries a
// Polish message for the standard error display.
#pragma once

#include <stdexcept>
#include <string>

namespace controls {

// The general error of the toolkit.
class Exception : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// An operation the control cannot do in its present state, such as a range
// whose maximum lies below its minimum.
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};

// A text that is not a number where a number is read.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace controls
