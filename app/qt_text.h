// GBK system text <-> QString, where text crosses into the widgets.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace qf {

QString ToQString(std::string_view gbk);  // up to the first zero byte
std::string FromQString(const QString& text);
// Converts a UTF-8 source literal once (captions and messages).
QString Caption(std::string_view utf8);
// The system's own bytes of a text, kept beside what a widget shows.
QByteArray ToBytes(std::string_view gbk);
std::string FromBytes(const QByteArray& bytes);

}  // namespace qf
