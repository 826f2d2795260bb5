#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// Renders an SVG resource at `size` device-independent pixels, sharp at `ratio`.
QPixmap SvgPixmap(const QString& path, QSize size, qreal ratio);

// An icon holding the SVG at 1x and 2x, for button glyphs.
QIcon SvgIcon(const QString& path, QSize size);
