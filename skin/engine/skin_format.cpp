#include "skin/engine/skin_format.h"

#include <QStringList>
#include <algorithm>
#include <vector>

namespace qf::skin {

namespace {

constexpr std::string_view kMagic(".SHE\0", 5);
constexpr unsigned char kVersion = 1;

}  // namespace

QColor Adjusted(const QColor& color, Adjustment adjust) {
  if (adjust.hue == 0 && adjust.saturation == 0 && adjust.lightness == 0) return color;
  float h = 0, s = 0, l = 0, a = 0;
  color.getHslF(&h, &s, &l, &a);
  if (h < 0) h = 0;  // achromatic colours keep no hue
  float hue = h + static_cast<float>(adjust.hue % 360) / 360.0f;
  hue -= static_cast<float>(static_cast<int>(hue));
  if (hue < 0) hue += 1.0f;
  const float sat = std::clamp(s + static_cast<float>(adjust.saturation) / 100.0f, 0.0f, 1.0f);
  const float light = std::clamp(l + static_cast<float>(adjust.lightness) / 100.0f, 0.0f, 1.0f);
  return QColor::fromHslF(hue, sat, light, a).toRgb();
}

std::optional<Skin> ParseSkin(std::string_view bytes, const QString& variant, Adjustment adjust) {
  if (bytes.size() < kMagic.size() + 1 || bytes.substr(0, kMagic.size()) != kMagic) {
    return std::nullopt;
  }
  if (static_cast<unsigned char>(bytes[kMagic.size()]) != kVersion) return std::nullopt;
  const QString text = QString::fromUtf8(bytes.data() + kMagic.size() + 1,
                                         static_cast<qsizetype>(bytes.size() - kMagic.size() - 1));

  Skin skin;
  std::map<QString, QColor> variantColors;
  bool variantFound = false;
  QString section;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QString line = lines[i].trimmed();
    if (line == QLatin1String("[style]")) {
      skin.styleSheet = lines.mid(i + 1).join(QLatin1Char('\n'));
      break;
    }
    if (line.isEmpty() || line.startsWith(QLatin1Char(';'))) continue;
    if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
      section = line.mid(1, line.size() - 2).trimmed();
      if (!variant.isEmpty() && section == QLatin1String("colors:") + variant) variantFound = true;
      continue;
    }
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq <= 0) return std::nullopt;  // not a line of this format
    const QString key = line.left(eq).trimmed();
    const QString value = line.mid(eq + 1).trimmed();
    if (section == QLatin1String("colors") ||
        (!variant.isEmpty() && section == QLatin1String("colors:") + variant)) {
      const QColor color = QColor::fromString(value);
      if (!color.isValid()) return std::nullopt;
      (section == QLatin1String("colors") ? skin.colors : variantColors)[key] = color;
    } else if (section == QLatin1String("font")) {
      if (key == QLatin1String("family")) skin.fontFamily = value;
      if (key == QLatin1String("size")) skin.fontPointSize = std::clamp(value.toInt(), 0, 72);
    }
  }
  if (!variant.isEmpty() && !variantFound) return std::nullopt;
  for (const auto& [key, color] : variantColors) skin.colors[key] = color;
  for (auto& [key, color] : skin.colors) color = Adjusted(color, adjust);

  // Longest names first, so that @accentHover is not taken for @accent.
  std::vector<QString> names;
  for (const auto& [key, color] : skin.colors) names.push_back(key);
  std::sort(names.begin(), names.end(),
            [](const QString& a, const QString& b) { return a.size() > b.size(); });
  for (const QString& name : names) {
    skin.styleSheet.replace(QLatin1Char('@') + name, skin.colors[name].name(QColor::HexRgb));
  }
  return skin;
}

}  // namespace qf::skin
