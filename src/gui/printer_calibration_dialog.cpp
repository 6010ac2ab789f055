#include "gui/printer_calibration_dialog.h"

#include <cups/cups.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <functional>

#include "output/label_printer.h"
#include "render/calibration_label.h"
#include "settings/printer_settings.h"

namespace vellomir {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

QDoubleSpinBox* MmBox(QWidget* parent, double low, double high) {
  auto* box = new QDoubleSpinBox(parent);
  box->setRange(low, high);
  box->setDecimals(1);
  box->setSingleStep(0.1);
  box->setSuffix(" mm");
  return box;
}

QSpinBox* WholeBox(QWidget* parent, int low, int high, const QString& none = {}) {
  auto* box = new QSpinBox(parent);
  box->setRange(low, high);
  if (!none.isEmpty()) box->setSpecialValueText(none);  // the lowest value means "not set"
  return box;
}

// The server's queues, for the list; a printer at an address is typed in.
QStringList QueueNames() {
  QStringList names;
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  for (int i = 0; i < count; ++i) names << QString::fromUtf8(dests[i].name);
  cupsFreeDests(count, dests);
  return names;
}

}  // namespace

PrinterCalibrationDialog::PrinterCalibrationDialog(double label_width_mm, double label_height_mm,
                                                   QWidget* parent)
    : QDialog(parent), label_width_mm_(label_width_mm), label_height_mm_(label_height_mm) {
  setWindowTitle(QString::fromUtf8("印表機校正"));
  setObjectName("PrinterCalibration");
  auto* form = new QFormLayout;
  printer_ = new QComboBox(this);
  printer_->setEditable(true);
  printer_->addItems(QueueNames());
  printer_->setToolTip(QString::fromUtf8("CUPS 佇列名稱,或 socket://位址:9100"));
  language_ = new QComboBox(this);
  language_->addItems({"pdf", "zpl", "epl"});
  resolution_ = WholeBox(this, 99, 1200, QString::fromUtf8("驅動程式的"));
  media_ = new QComboBox(this);
  media_->addItems({"gap", "mark", "continuous"});
  darkness_ = WholeBox(this, -1, 30, QString::fromUtf8("印表機的"));
  speed_ = WholeBox(this, 0, 14, QString::fromUtf8("印表機的"));
  x_offset_ = MmBox(this, -100, 100);
  y_offset_ = MmBox(this, -100, 100);
  reduction_ = WholeBox(this, 0, 10);
  reduction_->setSuffix(QString::fromUtf8(" 點"));
  form->addRow(QString::fromUtf8("印表機"), printer_);
  form->addRow(QString::fromUtf8("語言"), language_);
  form->addRow(QString::fromUtf8("解析度 (dpi)"), resolution_);
  form->addRow(QString::fromUtf8("紙張"), media_);
  form->addRow(QString::fromUtf8("濃度"), darkness_);
  form->addRow(QString::fromUtf8("速度 (英吋/秒)"), speed_);
  form->addRow(QString::fromUtf8("水平位移"), x_offset_);
  form->addRow(QString::fromUtf8("垂直位移"), y_offset_);
  form->addRow(QString::fromUtf8("條碼線條減細"), reduction_);

  auto* print = new QPushButton(QString::fromUtf8("印校正標籤"), this);
  measured_left_ = MmBox(this, 0, 100);
  measured_top_ = MmBox(this, 0, 100);
  measured_left_->setValue(kCalibrationFrameMm);
  measured_top_->setValue(kCalibrationFrameMm);
  auto* apply = new QPushButton(QString::fromUtf8("依量到的距離修正位移"), this);
  auto* measured = new QHBoxLayout;
  measured->addWidget(new QLabel(QString::fromUtf8("量到框離左邊"), this));
  measured->addWidget(measured_left_);
  measured->addWidget(new QLabel(QString::fromUtf8("離上邊"), this));
  measured->addWidget(measured_top_);
  measured->addWidget(apply);
  status_ = new QLabel(this);
  status_->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(this);
  auto* save = buttons->addButton(QString::fromUtf8("儲存"), QDialogButtonBox::AcceptRole);
  buttons->addButton(QString::fromUtf8("關閉"), QDialogButtonBox::RejectRole);

  auto* all = new QVBoxLayout(this);
  all->addLayout(form);
  all->addWidget(new QLabel(
      QString::fromUtf8("校正標籤的框印在離標籤邊緣 %1 mm 的地方;量出它實際的位置再修正位移。")
          .arg(kCalibrationFrameMm, 0, 'f', 1),
      this));
  all->addWidget(print);
  all->addLayout(measured);
  all->addWidget(status_);
  all->addWidget(buttons);

  connect(printer_, &QComboBox::currentTextChanged, this, [this] { Load(); });
  connect(print, &QPushButton::clicked, this, [this] { PrintCalibrationLabel(); });
  connect(apply, &QPushButton::clicked, this, [this] { ApplyMeasurement(); });
  connect(save, &QPushButton::clicked, this, [this] { Save(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Load();
}

void PrinterCalibrationDialog::Say(const QString& text) { status_->setText(text); }

void PrinterCalibrationDialog::Load() {
  std::vector<std::string> problems;
  const PrinterSettings s = PrinterSettingsFor(printer_->currentText().toStdString(), &problems);
  language_->setCurrentIndex(static_cast<int>(s.language));
  resolution_->setValue(s.resolution > 0 ? s.resolution : resolution_->minimum());
  media_->setCurrentIndex(static_cast<int>(s.media));
  darkness_->setValue(s.darkness.value_or(darkness_->minimum()));
  speed_->setValue(s.speed.value_or(speed_->minimum()));
  x_offset_->setValue(s.x_offset_mm);
  y_offset_->setValue(s.y_offset_mm);
  reduction_->setValue(s.bar_width_reduction);
  Say(problems.empty() ? QString() : Q(problems.front()));
}

void PrinterCalibrationDialog::ApplyMeasurement() {
  const CalibrationOffsets next = CorrectedOffsets({x_offset_->value(), y_offset_->value()},
                                                   measured_left_->value(), measured_top_->value());
  x_offset_->setValue(next.x_mm);
  y_offset_->setValue(next.y_mm);
  measured_left_->setValue(kCalibrationFrameMm);
  measured_top_->setValue(kCalibrationFrameMm);
  Say(QString::fromUtf8("位移已修正,按「儲存」後再印一張校正標籤確認。"));
}

void PrinterCalibrationDialog::Save() {
  const std::string name = printer_->currentText().trimmed().toStdString();
  std::vector<std::string> problems;
  PrinterSettings s = PrinterSettingsFor(name, &problems);
  s.language = static_cast<LabelLanguage>(language_->currentIndex());
  s.resolution = resolution_->value() == resolution_->minimum() ? 0 : resolution_->value();
  s.media = static_cast<MediaType>(media_->currentIndex());
  s.darkness = darkness_->value() == darkness_->minimum() ? std::nullopt
                                                          : std::optional<int>(darkness_->value());
  s.speed =
      speed_->value() == speed_->minimum() ? std::nullopt : std::optional<int>(speed_->value());
  s.x_offset_mm = x_offset_->value();
  s.y_offset_mm = y_offset_->value();
  s.bar_width_reduction = reduction_->value();
  const std::string problem = SavePrinterSettings(name, s);
  Say(problem.empty() ? QString::fromUtf8("已儲存到 ") + Q(PrinterSettingsPath()) : Q(problem));
}

void PrinterCalibrationDialog::PrintCalibrationLabel() {
  // What is printed is what is saved: the label shows the stored settings at work.
  const std::string name = printer_->currentText().trimmed().toStdString();
  std::string problem;
  ChosenPrinter chosen =
      OpenNamedPrinter(name, label_width_mm_, label_height_mm_, "calibration", problem);
  if (!chosen.printer) {
    Say(Q(problem));
    return;
  }
  DrawCalibrationLabel(chosen.printer->Surface(), label_width_mm_, label_height_mm_);
  if (!chosen.printer->EndDoc() || !chosen.printer->Commit()) {
    Say(QString::fromUtf8("校正標籤沒有印出: ") + Q(chosen.printer->Error()));
    return;
  }
  Say(QString::fromUtf8("校正標籤已送到 ") + Q(name) +
      QString::fromUtf8(",量出框離標籤左邊與上邊的距離。"));
}

void AddCalibrationButton(QWidget* settings_tab, QWidget* window,
                          std::function<std::pair<double, double>()> label_size_mm) {
  auto* layout = qobject_cast<QVBoxLayout*>(settings_tab->layout());
  if (layout == nullptr) return;
  auto* button = new QPushButton(QString::fromUtf8("印表機校正"), settings_tab);
  button->setObjectName("printer_calibration");
  layout->insertWidget(std::max(0, layout->count() - 1), button, 0, Qt::AlignLeft);
  QObject::connect(button, &QPushButton::clicked, window, [window, label_size_mm] {
    const auto [w, h] = label_size_mm();
    PrinterCalibrationDialog dialog(w, h, window);
    dialog.exec();
  });
}

}  // namespace vellomir
