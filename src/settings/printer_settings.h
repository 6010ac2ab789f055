#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// Per-printer settings kept in "$XDG_CONFIG_HOME/vellomir/printers.ini": one section per CUPS
// queue or printer address ("[zebra]", "[socket://10.0.0.5:9100]"), each line "key = value".
// They say what a raw queue or a printer on the network speaks and how the head is calibrated.
namespace vellomir {

enum class LabelLanguage { kNone, kZpl, kEpl };
enum class MediaType { kGap, kMark, kContinuous };

struct PrinterSettings {
  LabelLanguage language = LabelLanguage::kNone;  // kNone: the queue's driver gets PDF
  int resolution = 0;                             // dots per inch; 0: the driver's, else 203
  std::optional<int> darkness = std::nullopt;     // ZPL 0..30, EPL 0..15
  std::optional<int> speed = std::nullopt;        // inches a second, 1..14
  double x_offset_mm = 0;  // where the first ink lands is moved right / down by these
  double y_offset_mm = 0;
  int bar_width_reduction = 0;  // dots taken off every bar, for heads that print bars wide
  MediaType media = MediaType::kGap;
  int timeout_seconds = 10;  // a printer at an address that stays silent this long has failed
  bool operator==(const PrinterSettings&) const = default;
};

// The file's sections by name. Problems (an unknown key, a value out of range) are collected as
// one line each, naming the line; the offending line is ignored, the rest stand.
struct PrinterSettingsFile {
  std::map<std::string, PrinterSettings> sections;
  std::vector<std::string> problems;
};

PrinterSettingsFile ParsePrinterSettings(const std::string& text);

// The file as text: every section with every key, so a user sees what can be set.
std::string FormatPrinterSettings(const std::map<std::string, PrinterSettings>& sections);

// "$XDG_CONFIG_HOME/vellomir/printers.ini", else "~/.config/vellomir/printers.ini"; "" when
// neither folder is known.
std::string PrinterSettingsPath();

// The settings of one printer from the user's file: the defaults when the file or its section
// is missing. `problems` gets what was wrong with the file.
PrinterSettings PrinterSettingsFor(const std::string& printer,
                                   std::vector<std::string>* problems = nullptr);

// Stores the settings of one printer, keeping the other sections. "" when written, else why not.
std::string SavePrinterSettings(const std::string& printer, const PrinterSettings& settings);

// "zpl", "epl" or "" and back.
const char* LanguageName(LabelLanguage language);

}  // namespace vellomir
