// Build tool: renders the program's SVG icon into the PNG sizes of the hicolor icon theme, so
// desktops that do not scale SVG icons still get a sharp one at every size they ask for.
// Usage: harmora_render_icon ICON.svg OUTDIR SIZE...  writes OUTDIR/SIZExSIZE/apps/harmora.png.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

namespace {

// Renders the icon into a square of the given size on a transparent background; false when
// the PNG cannot be written.
bool RenderIcon(QSvgRenderer& renderer, int size, const QString& outDir) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  renderer.render(&painter, QRectF(0, 0, size, size));
  painter.end();
  const QString dir = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
  if (!QDir().mkpath(dir)) return false;
  return image.save(dir + QStringLiteral("/harmora.png"), "PNG");
}

}  // namespace

int main(int argc, char** argv) {
  // A build step never shows a window; the offscreen platform needs no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  const QStringList args = QCoreApplication::arguments();
  if (args.size() < 4) {
    std::fprintf(stderr, "usage: harmora_render_icon ICON.svg OUTDIR SIZE...\n");
    return 2;
  }
  QSvgRenderer renderer(args[1]);
  if (!renderer.isValid()) {
    std::fprintf(stderr, "harmora_render_icon: cannot read %s\n", qPrintable(args[1]));
    return 1;
  }
  for (qsizetype i = 3; i < args.size(); ++i) {
    bool isNumber = false;
    const int size = args[i].toInt(&isNumber);
    if (!isNumber || size < 1 || !RenderIcon(renderer, size, args[2])) {
      std::fprintf(stderr, "harmora_render_icon: cannot write size %s\n", qPrintable(args[i]));
      return 1;
    }
  }
  return 0;
}
