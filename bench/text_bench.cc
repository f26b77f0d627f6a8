// The text routines against the bare library calls they are built on, over
// one generated 1 MB homepage-like HTML page (makeHomepageUtf8, the page
// the tick benchmark serves too). Each pair runs in the same process so that
// the ratios compare like with like.
//
//   findText          vs memmem over the GBK page
//   utf8ToLocal       vs one ucnv_convertEx UTF-8 -> GBK
//   RegexObject       vs a PCRE2 JIT match loop over the page in UTF-16
//     (the link pattern; RegexObject also converts the page and compiles)
#include <benchmark/benchmark.h>
#include <string.h>
#include <unicode/ucnv.h>

#include <cstdint>
#include <string>
#include <vector>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include "bench/bench_support.h"
#include "platform/codepage_converter.h"
#include "text/codepage.h"
#include "text/regex_object.h"
#include "text/text.h"

namespace {

using lirabel::bench::kEndMarker;
using lirabel::bench::kLinkPattern;

const std::string& utf8Page() {
  static const std::string page = lirabel::bench::makeHomepageUtf8();
  return page;
}

const std::string& gbkPage() {
  static const std::string page = lirabel::utf8ToLocal(
      reinterpret_cast<const std::uint8_t*>(utf8Page().data()),
      utf8Page().size());
  return page;
}

const std::u16string& utf16Page() {
  static const std::u16string page = lirabel::platform::multiByteToWide(
      lirabel::platform::CodePage::kGbk, gbkPage());
  return page;
}

void setBytes(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(bytes));
}

void BM_FindText(benchmark::State& state) {
  const std::string& page = gbkPage();
  for (auto _ : state) {
    benchmark::DoNotOptimize(lirabel::findText(page, kEndMarker));
  }
  setBytes(state, page.size());
}
BENCHMARK(BM_FindText);

void BM_Memmem(benchmark::State& state) {
  const std::string& page = gbkPage();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        memmem(page.data(), page.size(), kEndMarker, sizeof kEndMarker - 1));
  }
  setBytes(state, page.size());
}
BENCHMARK(BM_Memmem);

void BM_Utf8ToLocal(benchmark::State& state) {
  const std::string& page = utf8Page();
  const auto* data = reinterpret_cast<const std::uint8_t*>(page.data());
  for (auto _ : state) {
    lirabel::Text text = lirabel::utf8ToLocal(data, page.size());
    benchmark::DoNotOptimize(text.data());
  }
  setBytes(state, page.size());
}
BENCHMARK(BM_Utf8ToLocal);

// The least a conversion can do: converters opened and the output buffer
// allocated once, outside the loop, one ucnv_convertEx call per page.
void BM_IcuUtf8ToGbk(benchmark::State& state) {
  const std::string& page = utf8Page();
  UErrorCode status = U_ZERO_ERROR;
  UConverter* gbk = ucnv_open("windows-936-2000", &status);
  UConverter* utf8 = ucnv_open("UTF-8", &status);
  if (U_FAILURE(status)) {
    state.SkipWithError("ICU converters missing");
  } else {
    std::string out(page.size(), '\0');
    UChar pivot[4096];
    for (auto _ : state) {
      status = U_ZERO_ERROR;
      char* target = out.data();
      const char* source = page.data();
      UChar* pivotSource = pivot;
      UChar* pivotTarget = pivot;
      ucnv_convertEx(gbk, utf8, &target, out.data() + out.size(), &source,
                     page.data() + page.size(), pivot, &pivotSource,
                     &pivotTarget, pivot + 4096, true, true, &status);
      if (U_FAILURE(status)) state.SkipWithError("conversion failed");
      benchmark::DoNotOptimize(target);
    }
  }
  ucnv_close(gbk);
  ucnv_close(utf8);
  setBytes(state, page.size());
}
BENCHMARK(BM_IcuUtf8ToGbk);

void BM_RegexObjectSearch(benchmark::State& state) {
  const std::string& page = gbkPage();
  for (auto _ : state) {
    lirabel::RegexObject regex;
    regex.search(kLinkPattern, page);
    if (regex.matchCount() < 4) state.SkipWithError("links not found");
    for (int i = 1; i <= 4; ++i) {
      benchmark::DoNotOptimize(regex.subMatchText(i, 1));
    }
  }
  setBytes(state, page.size());
}
BENCHMARK(BM_RegexObjectSearch);

// The bare engine: the page already in UTF-16, the pattern compiled and its
// JIT code made once; the loop only matches, keeping nothing.
void BM_Pcre2JitMatch(benchmark::State& state) {
  const std::u16string& page = utf16Page();
  const std::u16string pattern = lirabel::platform::multiByteToWide(
      lirabel::platform::CodePage::kGbk, kLinkPattern);
  int error = 0;
  PCRE2_SIZE errorOffset = 0;
  pcre2_compile_context* context = pcre2_compile_context_create(nullptr);
  pcre2_set_newline(context, PCRE2_NEWLINE_LF);
  pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(pattern.data()),
                                   pattern.size(),
                                   PCRE2_UTF | PCRE2_CASELESS | PCRE2_MULTILINE,
                                   &error, &errorOffset, context);
  pcre2_match_data* data =
      code ? pcre2_match_data_create_from_pattern(code, nullptr) : nullptr;
  if (code == nullptr || data == nullptr ||
      pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) != 0) {
    state.SkipWithError("PCRE2 JIT unavailable");
  } else {
    const auto* subject = reinterpret_cast<PCRE2_SPTR>(page.data());
    for (auto _ : state) {
      PCRE2_SIZE start = 0;
      int found = 0;
      std::uint32_t check = 0;
      for (;;) {
        const int rc = pcre2_jit_match(code, subject, page.size(), start, check,
                                       data, nullptr);
        check = PCRE2_NO_UTF_CHECK;
        if (rc < 0) break;
        ++found;
        start = pcre2_get_ovector_pointer(data)[1];
      }
      if (found < 4) state.SkipWithError("links not found");
      benchmark::DoNotOptimize(found);
    }
  }
  pcre2_match_data_free(data);
  pcre2_code_free(code);
  pcre2_compile_context_free(context);
  setBytes(state, page.size() * 2);
}
BENCHMARK(BM_Pcre2JitMatch);

}  // namespace

BENCHMARK_MAIN();
