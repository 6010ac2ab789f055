// Label files from elsewhere: foreign, damaged or absurd ones. Whatever their bytes, opening,
// listing, previewing and printing them ends normally, with a message or a drawing, and a
// refused file leaves the design as it was. Run under the sanitizers too.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "document/label_file.h"
#include "form/main_window_model.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/message_box.h"
#include "platform/printer.h"
#include "platform/recording_surface.h"
#include "render/print_job.h"
#include "render/rule_list.h"
#include "support/files.h"
#include "support/printers.h"
#include "support/recording_doubles.h"

namespace vellomir {
namespace {

// Values that have broken label programs before: empty, signs, fractions, numbers beyond
// every integer width and beyond a double, text where numbers belong, stray separators.
const std::vector<std::string> kNastyValues = {
    "",       "0",      "-1",    "1",      "8",      "0.5",
    "2.5",    "12.5mm", " 7 ",   "abc",    "32767",  "32768",
    "-32769", "1e9",    "1e400", "-1e400", "1e-400", "99999999999999999999",
    "細明體", "批號",   "\t3",   ",",      ";;",     "-0",
};

class DamagedDesigns : public ::testing::Test {
 protected:
  std::string Pick() { return kNastyValues[rng() % kNastyValues.size()]; }

  std::string Record(int parts) {
    std::string line;
    for (int i = 0; i < parts; ++i) line += Pick() + ",,;";
    return line;
  }

  // A file that mostly looks like a label file, damaged in random places.
  std::string RandomDesign() {
    std::string bytes;
    const int shape = static_cast<int>(rng() % 4);
    if (shape != 0) {
      bytes += "setting,,;" + Record(static_cast<int>(rng() % 10)) + "\r\n";
    }
    const int rules = static_cast<int>(rng() % (shape == 3 ? 130 : 6));
    for (int r = 0; r < rules; ++r) {
      const int pick = static_cast<int>(rng() % 40);
      if (pick < 12) {
        bytes += "1,,;" + Record(static_cast<int>(rng() % 25));
      } else if (pick < 24) {
        bytes += "2,,;" + Record(static_cast<int>(rng() % 12));
      } else if (pick < 32) {
        bytes += "3,,;" + Record(static_cast<int>(rng() % 6));
      } else if (pick < 37) {
        bytes += Record(static_cast<int>(rng() % 4));  // a kind of no rule
      } else if (pick < 39) {
        // an empty line
      } else {
        for (int k = static_cast<int>(rng() % 40); k > 0; --k)  // bytes of anything
          bytes.push_back(static_cast<char>(rng() % 256));
      }
      bytes += (rng() % 5 == 0) ? "\n" : "\r\n";
    }
    return bytes;
  }

  std::mt19937 rng{20261207};
  FixedPitchMetrics metrics{100};
};

TEST_F(DamagedDesigns, OpenListPreviewAndPrintEndNormally) {
  int opened = 0, refused = 0;
  for (int round = 0; round < 300; ++round) {
    test::TempDir dir;
    FileSystem files(dir.path().string());
    // Design files hold CP950; this test's values are UTF-8, so convert what converts.
    std::string design = RandomDesign();
    if (auto cp950 = Utf8ToCp950(design)) design = *cp950;
    test::WriteBytes(dir.File("design.vlm"), design);

    MainWindowModel window;
    RecordingMessageBox messages;
    const LabelFileCheck check = CheckLabelFile(design);
    const bool ok = OpenLabelFile(window, files, messages, dir.File("design.vlm"));
    ASSERT_EQ(ok, check.ok()) << check.problem;
    if (!ok) {
      ++refused;
      EXPECT_FALSE(messages.shown.empty());
      EXPECT_FALSE(files.FileExists("temp1.txt"));  // the design stays as it was: none
      EXPECT_EQ(window.CurrentFileName, "");
      continue;
    }
    ++opened;
    EXPECT_EQ(test::ReadBytes(dir.File("temp1.txt")), design);  // byte for byte

    RecordingSurface picture1(metrics);
    window.l_amount.text = Pick();
    RefreshLabelView(window, picture1, files);
    EXPECT_LE(window.rule_list.ListCount(), kMaxRules);

    window.l_amount.text = std::to_string(rng() % 7);
    window.l_row.text = (rng() % 3 == 0) ? Pick() : "2";
    window.l_col.text = (rng() % 3 == 0) ? Pick() : "2";
    RecordingDialogs dialogs;
    RecordingPrinter printer(metrics);
    PrintHandlerServices services{messages, dialogs, test::OpenerFor(printer)};
    const PrintOutcome outcome = PrintLabels(window, files, services);
    if (outcome == PrintOutcome::kPrinted) {
      ASSERT_FALSE(printer.documents.empty());
      for (const auto& doc : printer.documents) EXPECT_FALSE(doc.empty());
    } else {
      EXPECT_FALSE(messages.shown.empty());
    }
  }
  // The generator really produced both kinds of file.
  EXPECT_GT(opened, 50);
  EXPECT_GT(refused, 50);
}

}  // namespace
}  // namespace vellomir
