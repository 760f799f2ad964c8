#include "app/qt_text.h"

#include "web/codecs.h"

namespace qf {

QString ToQString(std::string_view gbk) {
  WideBuffer wide = GbkToWide(gbk);
  if (!wide.empty() && wide.back() == u'\0') wide.pop_back();
  return QString::fromStdU16String(wide);
}

std::string FromQString(const QString& text) { return WideToGbk(text.toStdU16String()); }

QString Caption(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QByteArray ToBytes(std::string_view gbk) {
  gbk = TextView(gbk);
  return QByteArray(gbk.data(), static_cast<qsizetype>(gbk.size()));
}

std::string FromBytes(const QByteArray& bytes) { return std::string(bytes.constData(), bytes.size()); }

}  // namespace qf
