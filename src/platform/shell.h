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

// Records what was opened and tells a fixed time. For tests.
class RecordingShell : public Shell {
 public:
  void OpenTextFile(const std::string& path) override { opened.push_back(path); }
  std::string CurrentDate() override { return date; }
  std::string CurrentTime() override { return time; }

  std::vector<std::string> opened;
  std::string date = "2026/12/7";
  std::string time = "上午 09:30:00";
};

}  // namespace vellomir
