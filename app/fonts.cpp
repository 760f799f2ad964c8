#include "app/fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace qf {

namespace {

// The names under which the two Windows families are also known.
QStringList Aliases(const QString& family) {
  if (family == QString::fromUtf8("微软雅黑")) return {family, QStringLiteral("Microsoft YaHei")};
  if (family == QString::fromUtf8("宋体")) return {family, QStringLiteral("SimSun"), QStringLiteral("NSimSun")};
  return {family};
}

bool IsSerifRequest(const QString& family) { return Aliases(family).contains(QStringLiteral("SimSun")); }

}  // namespace

bool HasFontFamily(const QString& family) {
  const QStringList installed = QFontDatabase::families();
  for (const QString& name : Aliases(family)) {
    if (installed.contains(name, Qt::CaseInsensitive)) return true;
  }
  return false;
}

QString ChineseFallbackFamily(const QString& requested) {
  const QStringList installed = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  // Closest in look first: a Song face for 宋体, a sans face otherwise.
  const QStringList serif = {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("AR PL UMing CN"),
                             QStringLiteral("AR PL SungtiL GB")};
  const QStringList sans = {QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC"),
                            QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Droid Sans Fallback")};
  QStringList preferred = IsSerifRequest(requested) ? serif + sans : sans + serif;
  for (const QString& name : preferred) {
    if (installed.contains(name, Qt::CaseInsensitive)) return name;
  }
  for (const QString& name : installed) {
    if (!name.contains(QStringLiteral("Mono"), Qt::CaseInsensitive)) return name;
  }
  return installed.isEmpty() ? QString() : installed.first();
}

QFont ControlFont(const QString& family, int pixelSize, int weight) {
  QFont font;
  QString chosen = family;
  if (!HasFontFamily(family)) {
    const QString fallback = ChineseFallbackFamily(family);
    if (!fallback.isEmpty()) chosen = fallback;
  } else {
    for (const QString& name : Aliases(family)) {
      if (QFontDatabase::families().contains(name, Qt::CaseInsensitive)) {
        chosen = name;
        break;
      }
    }
  }
  font.setFamilies({chosen});
  font.setPixelSize(pixelSize);
  font.setWeight(static_cast<QFont::Weight>(weight));
  return font;
}

}  // namespace qf
