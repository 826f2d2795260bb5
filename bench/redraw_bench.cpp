// What a redraw costs in the real window: drawing the plot into the back buffer, and presenting
// it on screen. Run under a real display (e.g. Xvfb) to include the window system's part:
//   DISPLAY=:99 ./build/bench/redraw_bench
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "app/window/tform1.h"

namespace {

double MillisecondsPer(int count, const std::function<void()>& action) {
  QElapsedTimer timer;
  timer.start();
  for (int i = 0; i < count; ++i) action();
  return static_cast<double>(timer.nsecsElapsed()) / 1e6 / count;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  TForm1 form;
  form.show();
  while (!form.Activated()) QCoreApplication::processEvents();
  // Both curves, five harmonics: the heaviest picture a fit draws.
  form.State.FitStage = 2;
  form.State.Coefficients.HarmonicCount = 5;
  for (int k = 0; k < 5; ++k) {
    form.State.Coefficients.A[k] = form.State.Coefficients.A2[k] = 1.0 / (k + 1);
    form.State.Coefficients.B[k] = form.State.Coefficients.B2[k] = 0.7 * (k + 1);
  }
  constexpr int kRounds = 300;
  const double drawOnly = MillisecondsPer(kRounds, [&] { form.FormResize(); });
  // A paint refreshes the picture and copies it to the screen.
  const double paint = MillisecondsPer(kRounds, [&] { form.repaint(); });
  std::printf("platform %s\n", qPrintable(QGuiApplication::platformName()));
  std::printf("draw into the back buffer: %.3f ms\n", drawOnly);
  std::printf("paint (the same drawing, then shown on screen): %.3f ms\n", paint);
  return 0;
}
