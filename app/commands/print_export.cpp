#include "app/commands/print_export.h"

#include <QBuffer>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSpinBox>
#include <QSvgGenerator>
#include <cmath>

#include "app/commands/vector_surface.h"
#include "app/window/tform1.h"

namespace {

constexpr double kMmPerInch = 25.4;
constexpr double kPointsPerInch = 72;
constexpr double kLineMm = 0.35;      // a curve about one point wide, as journals ask
constexpr double kMarkerMm = 1.6;     // a marker's side
constexpr int kMaxPrintSide = 12000;  // pixels; 40 cm at 760 dpi, and a 576 MB image at most

// A function, not a global: the save command's filters are built at start-up from it.
QString PrintMark() { return QStringLiteral("для печати"); }

int Pixels(double mm, int dpi) { return static_cast<int>(std::lround(mm / kMmPerInch * dpi)); }

QSize PictureSize(const PrintChoice& c) {
  return QSize(std::clamp(Pixels(c.WidthMm, c.Dpi), 100, kMaxPrintSide),
               std::clamp(Pixels(c.HeightMm, c.Dpi), 100, kMaxPrintSide));
}

QFont PrintFont(const PrintChoice& c) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(
      std::max(6, static_cast<int>(std::lround(c.FontPoints / kPointsPerInch * c.Dpi))));
  return font;
}

void Paint(const TForm1& form, const PrintChoice& c, QPaintDevice& device) {
  PrintStyle style = c.Style;
  const QSize size = PictureSize(c);
  style.Width = size.width();
  style.Height = size.height();
  style.LineWidth = std::max(1, Pixels(kLineMm, c.Dpi));
  style.MarkerSize = std::max(3, Pixels(kMarkerMm, c.Dpi));
  style.DecimalMark = QLocale().decimalPoint().front().toLatin1();
  QPainter painter(&device);
  VectorSurface surface(painter, PrintFont(c));
  DrawPrintPlot(form.State, form.TermsModels(), style, surface);
  surface.Flush();
}

QDoubleSpinBox* NumberBox(
    double low, double high, double value, int decimals, const QString& unit) {
  auto* box = new QDoubleSpinBox;
  box->setRange(low, high);
  box->setDecimals(decimals);
  box->setValue(value);
  box->setSuffix(unit);
  return box;
}

}  // namespace

QString PrintPlotFilters() {
  return QStringLiteral("PNG %1 (*.png);;PDF %1 (*.pdf);;SVG %1 (*.svg)").arg(PrintMark());
}

bool IsPrintFilter(const QString& filter) { return filter.contains(PrintMark()); }

bool AskPrintChoice(TForm1& form, PrintChoice& choice) {
  if (choice.Style.XTitle == "x" && !form.AxisTitles[0].isEmpty()) {
    choice.Style.XTitle = form.AxisTitles[0].toStdString();
  }
  if (choice.Style.YTitle == "y" && !form.AxisTitles[1].isEmpty()) {
    choice.Style.YTitle = form.AxisTitles[1].toStdString();
  }
  if (form.RunPrintDialog) return form.RunPrintDialog(choice);
  QDialog dialog(&form);
  dialog.setWindowTitle(QStringLiteral("График для печати"));
  auto* xTitle = new QLineEdit(QString::fromStdString(choice.Style.XTitle));
  auto* yTitle = new QLineEdit(QString::fromStdString(choice.Style.YTitle));
  QDoubleSpinBox* font = NumberBox(5, 36, choice.FontPoints, 1, QStringLiteral(" пт"));
  auto* dpi = new QSpinBox;
  dpi->setRange(72, 1200);
  dpi->setValue(choice.Dpi);
  dpi->setSuffix(QStringLiteral(" точек на дюйм"));
  QDoubleSpinBox* width = NumberBox(20, 400, choice.WidthMm, 0, QStringLiteral(" мм"));
  QDoubleSpinBox* height = NumberBox(20, 400, choice.HeightMm, 0, QStringLiteral(" мм"));
  auto* form_ = new QFormLayout(&dialog);
  form_->addRow(QStringLiteral("Подпись оси x:"), xTitle);
  form_->addRow(QStringLiteral("Подпись оси y:"), yTitle);
  form_->addRow(QStringLiteral("Размер шрифта:"), font);
  form_->addRow(QStringLiteral("Разрешение (PNG):"), dpi);
  form_->addRow(QStringLiteral("Ширина:"), width);
  form_->addRow(QStringLiteral("Высота:"), height);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Cancel);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form_->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return false;
  choice.Style.XTitle = xTitle->text().toStdString();
  choice.Style.YTitle = yTitle->text().toStdString();
  choice.FontPoints = font->value();
  choice.Dpi = dpi->value();
  choice.WidthMm = width->value();
  choice.HeightMm = height->value();
  return true;
}

QByteArray PrintPlotBytes(const TForm1& form, PlotFileFormat format, const PrintChoice& choice) {
  const QSize size = PictureSize(choice);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  switch (format) {
    case PlotFileFormat::Svg: {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setResolution(choice.Dpi);
      svg.setSize(size);
      svg.setViewBox(QRect(QPoint(0, 0), size));
      svg.setTitle(QStringLiteral("Harmora plot"));
      Paint(form, choice, svg);
      break;
    }
    case PlotFileFormat::Pdf: {
      QPdfWriter pdf(&buffer);
      pdf.setResolution(choice.Dpi);
      pdf.setPageSize(QPageSize(
          QSizeF(size.width() * kMmPerInch / choice.Dpi, size.height() * kMmPerInch / choice.Dpi),
          QPageSize::Millimeter,
          QString(),
          QPageSize::ExactMatch));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      pdf.setTitle(QStringLiteral("Harmora plot"));
      pdf.setCreator(QStringLiteral("Harmora"));
      Paint(form, choice, pdf);
      break;
    }
    case PlotFileFormat::Png: {
      QImage image(size, QImage::Format_RGB32);
      image.fill(Qt::white);
      const int perMetre = static_cast<int>(std::lround(choice.Dpi / kMmPerInch * 1000));
      image.setDotsPerMeterX(perMetre);
      image.setDotsPerMeterY(perMetre);
      Paint(form, choice, image);
      image.save(&buffer, "PNG");
      break;
    }
  }
  return bytes;
}
