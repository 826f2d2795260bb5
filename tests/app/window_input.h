#pragma once

// Input as the window system delivers it (through the top-level window, so the event reaches
// the widget under the pointer) and pixel readings of the plot, for the window tests.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include "app/window/tform1.h"
#include "plot/plot_geometry.h"

inline const QColor kSilver(192, 192, 192);
inline const QColor kBlue(0, 0, 255);

// A point of the bare plot that no picture, report box or panel covers in either panel mode.
inline const QPoint kBarePlot(480, 500);

inline QPoint CentreOf(TForm1& f, QWidget* w) { return w->mapTo(&f, w->rect().center()); }

inline void ClickAt(TForm1& f, QPoint pos) {
  QTest::mouseClick(f.windowHandle(), Qt::LeftButton, {}, pos);
}

inline void ClickOn(TForm1& f, QWidget* w) { ClickAt(f, CentreOf(f, w)); }

inline void MoveTo(TForm1& f, QPoint pos) { QTest::mouseMove(f.windowHandle(), pos); }

inline void MoveOnto(TForm1& f, QWidget* w) { MoveTo(f, CentreOf(f, w)); }

// The centre of a spinner's up or down arrow, in the window's coordinates.
inline QPoint ArrowOf(TForm1& f, QSpinBox* spinner, QStyle::SubControl arrow) {
  QStyleOptionSpinBox option;
  option.initFrom(spinner);
  option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown | QStyle::SC_SpinBoxFrame |
                       QStyle::SC_SpinBoxEditField;
  option.frame = true;
  const QRect r = spinner->style()->subControlRect(QStyle::CC_SpinBox, &option, arrow, spinner);
  return spinner->mapTo(&f, r.center());
}

inline void ClickUp(TForm1& f, QSpinBox* s) { ClickAt(f, ArrowOf(f, s, QStyle::SC_SpinBoxUp)); }
inline void ClickDown(TForm1& f, QSpinBox* s) { ClickAt(f, ArrowOf(f, s, QStyle::SC_SpinBoxDown)); }

// Writes `text` as a file in `dir` and returns its full path.
inline QString WriteDataFile(const QTemporaryDir& dir,
                             const QString& name,
                             const QByteArray& text) {
  const QString path = dir.filePath(name);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) return {};
  return path;
}

inline int CountColour(const QImage& image, QRect area, QColor colour) {
  int count = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) count += image.pixelColor(x, y) == colour;
  }
  return count;
}

// Grid lines run across the whole plot with every other pixel lit (the axis solidly), so a row
// or column more than a third silver is a line; labels and crossing lines light far fewer.
inline int CountHorizontalLines(const QImage& image, const PlotGeometry& g) {
  int lines = 0;
  for (int y = 1; y < g.PlotHeight - 1; ++y) {
    lines += CountColour(image, QRect(1, y, g.PlotWidth - 2, 1), kSilver) > g.PlotWidth / 3;
  }
  return lines;
}

inline int CountVerticalLines(const QImage& image, const PlotGeometry& g) {
  int lines = 0;
  for (int x = 1; x < g.PlotWidth - 1; ++x) {
    lines += CountColour(image, QRect(x, 1, 1, g.PlotHeight - 2), kSilver) > g.PlotHeight / 3;
  }
  return lines;
}

// A marker's white outline shows two pixels left of its centre.
inline bool MarkerAt(const QImage& image, const PlotGeometry& g, double x, double y) {
  return image.pixelColor(ScreenX(g, x) - 2, ScreenY(g, y)) == QColor(Qt::white);
}
