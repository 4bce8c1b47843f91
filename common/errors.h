#pragma once
// The error types of the program. Every failure is an exception whose message is
// the text the user sees: the window shows it in a message box, the command-line
// tool prints it to standard error.

#include <stdexcept>
#include <string>

namespace nevalorum {

// Any failure of the program.
class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file or folder that cannot be opened, read or written, or a table file that
// does not hold what the program asks of it.
class InputOutputError : public Error {
  public:
    using Error::Error;
};

// A text that is not a valid integer where the program requires one.
class ConversionError : public Error {
  public:
    using Error::Error;
};

}  // namespace nevalorum
