#include "app/qt_text.h"

#include <cstddef>

#include "text/codepage.h"

namespace lirabel {

QString toQString(std::string_view localText) {
  const Bytes wide = localToWide(localText);
  // localToWide ends the data with one NUL character, which is no part of the
  // text; an empty text gives no data at all.
  const std::size_t units = wide.size() / 2;
  if (units <= 1) return QString();
  QString result(static_cast<qsizetype>(units - 1), Qt::Uninitialized);
  char16_t* out = reinterpret_cast<char16_t*>(result.data());
  for (std::size_t i = 0; i + 1 < units; ++i) {
    out[i] = static_cast<char16_t>(wide[2 * i] | (wide[2 * i + 1] << 8));
  }
  return result;
}

Text toLocalText(const QString& text) {
  Bytes wide;
  wide.reserve(static_cast<std::size_t>(text.size()) * 2);
  for (QChar c : text) {
    const char16_t unit = c.unicode();
    wide.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    wide.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return wideToLocal(wide);
}

QString windowText(std::string_view utf8) {
  QString text =
      QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

}  // namespace lirabel
