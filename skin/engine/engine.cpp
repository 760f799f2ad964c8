// The skin engine: restyles the running application from a skin file. Once
// the program has mapped this library it shares the program's Qt, so it can
// dress qApp and every window the program opens afterwards.
#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QStyleFactory>
#include <cstdint>
#include <string_view>

#include "skin/engine/skin_format.h"

namespace {

void SetRole(QPalette& palette, QPalette::ColorRole role, const qf::skin::Skin& skin,
             const char* name) {
  auto it = skin.colors.find(QLatin1String(name));
  if (it == skin.colors.end()) return;
  palette.setColor(QPalette::All, role, it->second);
}

void Apply(const qf::skin::Skin& skin) {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
    QApplication::setStyle(fusion);  // the same look on every platform style
  }
  QPalette palette = QApplication::palette();
  SetRole(palette, QPalette::Window, skin, "window");
  SetRole(palette, QPalette::WindowText, skin, "text");
  SetRole(palette, QPalette::Base, skin, "panel");
  SetRole(palette, QPalette::AlternateBase, skin, "panelAlt");
  SetRole(palette, QPalette::Text, skin, "text");
  SetRole(palette, QPalette::Button, skin, "button");
  SetRole(palette, QPalette::ButtonText, skin, "text");
  SetRole(palette, QPalette::Highlight, skin, "selection");
  SetRole(palette, QPalette::HighlightedText, skin, "selectionText");
  SetRole(palette, QPalette::ToolTipBase, skin, "panel");
  SetRole(palette, QPalette::ToolTipText, skin, "text");
  SetRole(palette, QPalette::PlaceholderText, skin, "mutedText");
  SetRole(palette, QPalette::Mid, skin, "border");
  QApplication::setPalette(palette);

  if (!skin.fontFamily.isEmpty() || skin.fontPointSize > 0) {
    // Widgets that chose their own font keep it.
    QFont font = QApplication::font();
    if (!skin.fontFamily.isEmpty()) font.setFamilies({skin.fontFamily});
    if (skin.fontPointSize > 0) font.setPointSize(skin.fontPointSize);
    QApplication::setFont(font);
  }
  // Application-wide, so windows opened later are dressed too.
  qApp->setStyleSheet(skin.styleSheet);
}

}  // namespace

// data, length: the skin file. text: a colour variant of the skin to use
// (GBK or ASCII name), or null for the defaults. hue, saturation, lightness:
// shifts applied to every colour (degrees, percent, percent). Returns 1 when
// the skin was applied, 0 when the bytes are no skin or there is no
// application to dress.
extern "C" __attribute__((visibility("default"))) std::intptr_t SkinH_AttachRes(
    const unsigned char* data, std::uintptr_t length, const char* text, std::intptr_t hue,
    std::intptr_t saturation, std::intptr_t lightness) {
  if (!data || !qobject_cast<QApplication*>(QCoreApplication::instance())) return 0;
  const QString variant = text ? QString::fromLocal8Bit(text) : QString();
  const qf::skin::Adjustment adjust{static_cast<int>(hue), static_cast<int>(saturation),
                                    static_cast<int>(lightness)};
  const auto skin = qf::skin::ParseSkin(
      std::string_view(reinterpret_cast<const char*>(data), length), variant, adjust);
  if (!skin) return 0;
  Apply(*skin);
  return 1;
}
