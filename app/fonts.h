// The controls' fonts, by family and character height in pixels. Where the
// family is not installed, an installed Chinese font of the same size is used.
#pragma once

#include <QFont>
#include <QString>

namespace qf {

QFont ControlFont(const QString& family, int pixelSize, int weight);
// Whether the family (or one the system treats as the same) is installed.
bool HasFontFamily(const QString& family);
// An installed family that draws Simplified Chinese; empty when none.
QString ChineseFallbackFamily(const QString& requested);

}  // namespace qf
