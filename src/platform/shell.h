#pragma once

#include <string>
#include <vector>

// The few things the program asks of the desktop besides windows and files.
namespace vellomir {

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens a text file in the desktop's text viewer; the outcome is not used.
  virtual void OpenTextFile(const std::string& path) = 0;
  // The current date and time as the system writes them, date then time.
  virtual std::string CurrentDate() = 0;
  virtual std::string CurrentTime() = 0;
};

}  // namespace vellomir
