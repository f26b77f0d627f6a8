// Code-page conversion as the Windows calls MultiByteToWideChar and
// WideCharToMultiByte do it for code pages 936 and 65001, over ICU.
//
// Converter owns one ICU converter; each conversion routine opens the ones it
// needs and closes them before it returns. Like the Windows calls with flags
// 0, nothing here fails on bad input: malformed UTF-8 becomes U+FFFD, a
// character that code page 936 lacks becomes a look-alike where the table has
// one and "?" otherwise. Only a converter that cannot be opened at all (a
// broken ICU installation) gives an empty result.
#ifndef LIRABEL_PLATFORM_CODEPAGE_CONVERTER_H_
#define LIRABEL_PLATFORM_CODEPAGE_CONVERTER_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct UConverter;

namespace lirabel::platform {

enum class CodePage { kGbk = 936, kUtf8 = 65001 };

// Move-only owner of one ICU converter handle.
class Converter {
 public:
  Converter() = default;
  explicit Converter(UConverter* handle) : handle_(handle) {}
  ~Converter();
  Converter(Converter&& other) noexcept : handle_(other.release()) {}
  Converter& operator=(Converter&& other) noexcept;
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  UConverter* get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  UConverter* release();

 private:
  UConverter* handle_ = nullptr;
};

// Opens the converter of the code page with the substitutes described above;
// an empty owner when ICU cannot open it.
Converter openConverter(CodePage codePage);

// Decodes all bytes into UTF-16. When sourceOffsets is given it receives, for
// every code unit of the result, the index of the byte it came from.
std::u16string multiByteToWide(
    CodePage codePage, std::string_view bytes,
    std::vector<std::int32_t>* sourceOffsets = nullptr);

// Encodes all code units; unpaired surrogates count as characters the code
// page lacks.
std::string wideToMultiByte(CodePage codePage, std::u16string_view wide);

// The two steps above in one pass through ICU's pivot buffer, without the
// UTF-16 text in between; same result.
std::string convertMultiByte(CodePage to, CodePage from,
                             std::string_view bytes);

// WC_COMPOSITECHECK: a base character followed by combining marks becomes
// the precomposed character (Unicode NFC). Input already in that form comes
// back as it is; on an ICU failure the input is returned unchanged.
std::u16string composeCharacters(std::u16string_view wide);

}  // namespace lirabel::platform

#endif  // LIRABEL_PLATFORM_CODEPAGE_CONVERTER_H_
