// Command-line arguments as bytes and as text: a file name whose bytes are not UTF-8 survives the
// parser, and is shown on one line in messages.
#include "argument_text.h"

namespace {

constexpr char16_t kEscapedByteBase = 0xDC00;  // + a byte 0x80..0xFF that is not part of UTF-8

// Length of the UTF-8 sequence at s[i], or 0 when it is not one.
std::size_t utf8Length(std::string_view s, std::size_t i) {
  const auto lead = static_cast<unsigned char>(s[i]);
  if (lead < 0x80) return 1;
  const std::size_t length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
  if (length == 0 || i + length > s.size()) return 0;
  // The strict decoder decides about overlong forms and surrogates.
  const QString decoded = QString::fromUtf8(s.data() + i, static_cast<qsizetype>(length));
  return decoded.contains(QChar::ReplacementCharacter) ? 0 : length;
}

}  // namespace

QString argumentText(std::string_view bytes) {
  QString text;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t length = utf8Length(bytes, i);
    if (length == 0) {
      text += QChar(static_cast<char16_t>(kEscapedByteBase + static_cast<unsigned char>(bytes[i])));
      ++i;
      continue;
    }
    text += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(length));
    i += length;
  }
  return text;
}

std::string argumentBytes(const QString& text) {
  std::string bytes;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i].unicode();
    const bool pair = QChar::isHighSurrogate(unit) && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    if (!pair && unit >= kEscapedByteBase + 0x80 && unit <= kEscapedByteBase + 0xFF) {
      bytes += static_cast<char>(unit - kEscapedByteBase);
      continue;
    }
    bytes += text.mid(i, pair ? 2 : 1).toStdString();
    if (pair) ++i;
  }
  return bytes;
}

QString shownName(const QString& text) {
  QString shown;
  for (const QChar c : text) {
    const char16_t unit = c.unicode();
    if (unit == '\n')
      shown += QStringLiteral("\\n");
    else if (unit == '\r')
      shown += QStringLiteral("\\r");
    else if (unit == '\t')
      shown += QStringLiteral("\\t");
    else if (unit < 0x20 || unit == 0x7F)
      shown += QStringLiteral("\\x%1").arg(unit, 2, 16, QLatin1Char('0'));
    else if (unit >= kEscapedByteBase + 0x80 && unit <= kEscapedByteBase + 0xFF)
      shown += QStringLiteral("\\x%1").arg(unit - kEscapedByteBase, 2, 16, QLatin1Char('0'));
    else
      shown += c;
  }
  return shown;
}
