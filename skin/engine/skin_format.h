// Our skin file: ".SHE", a zero byte, a format version byte (1), then UTF-8
// text in sections:
//
//   [colors]            name = #rrggbb, one a line; the default colours
//   [colors:VARIANT]    colours that replace the defaults when VARIANT is asked for
//   [font]              family = ..., size = points
//   [style]             a Qt style sheet to the end of the file; @name stands
//                       for the colour of that name
//
// Lines starting with ';' and blank lines are ignored outside [style].
#pragma once

#include <QColor>
#include <QString>
#include <map>
#include <optional>
#include <string_view>

namespace qf::skin {

struct Skin {
  std::map<QString, QColor> colors;
  QString fontFamily;
  int fontPointSize = 0;  // 0: leave the size alone
  QString styleSheet;     // colour names already replaced
};

// Hue in degrees, saturation and lightness in percent of their range, added
// to every colour; 0, 0, 0 leave the colours as stored.
struct Adjustment {
  int hue = 0;
  int saturation = 0;
  int lightness = 0;
};

// Empty when the bytes are not a skin of this format.
std::optional<Skin> ParseSkin(std::string_view bytes, const QString& variant = {},
                              Adjustment adjust = {});

QColor Adjusted(const QColor& color, Adjustment adjust);

}  // namespace qf::skin
