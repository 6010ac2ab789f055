#pragma once

#include <QDialog>
#include <functional>
#include <utility>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;
class QWidget;

// 印表機校正: picks a printer (a CUPS queue or socket://HOST:PORT), shows and edits its
// printers.ini section, prints the calibration label and turns the frame's measured distances
// from the label's edges into the offsets every later print to that printer uses.
namespace vellomir {

class PrinterCalibrationDialog : public QDialog {
 public:
  // The label the calibration label is drawn on, as the design has it.
  PrinterCalibrationDialog(double label_width_mm, double label_height_mm,
                           QWidget* parent = nullptr);

 private:
  void Load();
  void PrintCalibrationLabel();
  void ApplyMeasurement();
  void Save();
  void Say(const QString& text);

  double label_width_mm_, label_height_mm_;
  QComboBox* printer_;
  QComboBox* language_;
  QSpinBox* resolution_;
  QComboBox* media_;
  QSpinBox* darkness_;
  QSpinBox* speed_;
  QDoubleSpinBox* x_offset_;
  QDoubleSpinBox* y_offset_;
  QSpinBox* reduction_;
  QDoubleSpinBox* measured_left_;
  QDoubleSpinBox* measured_top_;
  QLabel* status_;
};

// Puts a 印表機校正 button on the Settings tab, above its closing stretch, opening the dialog
// for the label size the window's fields give when clicked.
void AddCalibrationButton(QWidget* settings_tab, QWidget* window,
                          std::function<std::pair<double, double>()> label_size_mm);

}  // namespace vellomir
