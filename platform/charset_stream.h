// CharsetStream decodes a body from a character set named at run time, in
// the manner of a text stream with a settable character set: write the
// bytes, name the character set, read the whole content back as text. The
// text comes back as UTF-16LE without a terminator, for wideToLocal.
//
// The stream owns a copy of the bytes written and one ICU converter for the
// named character set; it is move-only.
#ifndef LIRABEL_PLATFORM_CHARSET_STREAM_H_
#define LIRABEL_PLATFORM_CHARSET_STREAM_H_

#include <string_view>

#include "platform/codepage_converter.h"
#include "text/text.h"

namespace lirabel::platform {

class CharsetStream {
 public:
  CharsetStream();
  ~CharsetStream();
  CharsetStream(CharsetStream&&) noexcept;
  CharsetStream& operator=(CharsetStream&&) noexcept;
  CharsetStream(const CharsetStream&) = delete;
  CharsetStream& operator=(const CharsetStream&) = delete;

  // Appends data to the content.
  void write(const Bytes& data);

  // Selects the character set that readText decodes from. The names are
  // ICU's (ASCII case, '-' and '_' ignored); the names browsers treat as
  // GBK, "gb2312" among them, select GBK. False for an empty name or one no
  // converter knows; the earlier choice then stays.
  bool setCharset(std::string_view name);

  // The whole content decoded from the selected character set, a leading
  // byte-order mark left out and undecodable bytes replaced. False, with
  // text empty, when no character set has been selected.
  bool readText(Bytes* text) const;

 private:
  Bytes content_;
  Converter converter_;
};

}  // namespace lirabel::platform

#endif  // LIRABEL_PLATFORM_CHARSET_STREAM_H_
