#include "platform/regex_engine.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

namespace lirabel::platform {
namespace {

static_assert(MatchList::kUnsetOffset == PCRE2_UNSET,
              "unset groups are passed through as PCRE2 reports them");
static_assert(sizeof(PCRE2_UCHAR16) == sizeof(char16_t));

// No PCRE2_UCP: "\w", "\d" and "\b" stay ASCII as in the component.
// MATCH_INVALID_UTF lets the JIT code run over any subject safely (an unpaired
// surrogate just never matches) without a validity pass over the subject
// before each attempt.
constexpr std::uint32_t kCompileOptions =
    PCRE2_UTF | PCRE2_MATCH_INVALID_UTF | PCRE2_DOLLAR_ENDONLY |
    PCRE2_ALT_BSUX | PCRE2_MATCH_UNSET_BACKREF | PCRE2_NEVER_BACKSLASH_C;
constexpr std::uint32_t kLineEnd = PCRE2_NEWLINE_LF;
constexpr std::uint32_t kSubstituteOptions = PCRE2_SUBSTITUTE_OVERFLOW_LENGTH |
                                             PCRE2_SUBSTITUTE_UNKNOWN_UNSET |
                                             PCRE2_SUBSTITUTE_UNSET_EMPTY;

struct CompileContextFree {
  void operator()(pcre2_compile_context* p) const {
    pcre2_compile_context_free(p);
  }
};
struct CodeFree {
  void operator()(pcre2_code* p) const { pcre2_code_free(p); }
};
struct MatchDataFree {
  void operator()(pcre2_match_data* p) const { pcre2_match_data_free(p); }
};
using CompileContextHandle =
    std::unique_ptr<pcre2_compile_context, CompileContextFree>;
using CodeHandle = std::unique_ptr<pcre2_code, CodeFree>;
using MatchDataHandle = std::unique_ptr<pcre2_match_data, MatchDataFree>;

PCRE2_SPTR16 units(std::u16string_view s) {
  return reinterpret_cast<PCRE2_SPTR16>(s.data());
}

bool isLeadSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isTrailSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// One match attempt; the JIT code runs on a small fixed stack, so a pattern
// that outgrows it is run again by the interpreter instead of failing.
int matchAt(const pcre2_code* code, bool jit, std::u16string_view subject,
            std::size_t start, std::uint32_t options, pcre2_match_data* data) {
  // The JIT entry point skips the interpreter's set-up; it cannot anchor a
  // single attempt, so the retry after an empty match takes the normal one.
  int rc = jit && (options & PCRE2_ANCHORED) == 0
               ? pcre2_jit_match(code, units(subject), subject.size(), start,
                                 options, data, nullptr)
               : pcre2_match(code, units(subject), subject.size(), start,
                             options, data, nullptr);
  if (rc == PCRE2_ERROR_JIT_STACKLIMIT) {
    rc = pcre2_match(code, units(subject), subject.size(), start,
                     options | PCRE2_NO_JIT, data, nullptr);
  }
  return rc;
}

}  // namespace

struct CompiledRegex::Handles {
  CodeHandle code;
  std::uint32_t captureCount = 0;
  bool jit = false;
};

CompiledRegex::CompiledRegex() = default;
CompiledRegex::~CompiledRegex() = default;
CompiledRegex::CompiledRegex(CompiledRegex&&) noexcept = default;
CompiledRegex& CompiledRegex::operator=(CompiledRegex&&) noexcept = default;

CompiledRegex CompiledRegex::compile(std::u16string_view pattern,
                                     RegexOptions options) {
  CompiledRegex result;
  CompileContextHandle context(pcre2_compile_context_create(nullptr));
  if (!context || pcre2_set_newline(context.get(), kLineEnd) != 0) {
    return result;
  }
  std::uint32_t flags = kCompileOptions;
  if (options.ignoreCase) flags |= PCRE2_CASELESS;
  if (options.multiLine) flags |= PCRE2_MULTILINE;
  int errorCode = 0;
  PCRE2_SIZE errorOffset = 0;
  CodeHandle code(pcre2_compile(units(pattern), pattern.size(), flags,
                                &errorCode, &errorOffset, context.get()));
  if (!code) return result;
  // Without JIT support (or memory for it) the interpreter gives the same
  // matches, only slower.
  const bool jit = pcre2_jit_compile(code.get(), PCRE2_JIT_COMPLETE) == 0;
  std::uint32_t captures = 0;
  if (pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captures) != 0) {
    return result;
  }
  result.handles_ = std::make_unique<Handles>();
  result.handles_->code = std::move(code);
  result.handles_->captureCount = captures;
  result.handles_->jit = jit;
  return result;
}

std::uint32_t CompiledRegex::captureCount() const {
  return handles_ ? handles_->captureCount : 0;
}

bool CompiledRegex::findMatches(std::u16string_view subject, bool global,
                                MatchList* out) const {
  out->offsets.clear();
  out->slotsPerMatch = 1;
  if (!handles_) return false;
  const pcre2_code* code = handles_->code.get();
  MatchDataHandle data(pcre2_match_data_create_from_pattern(code, nullptr));
  if (!data) return false;
  const std::size_t slots = handles_->captureCount + 1;
  out->slotsPerMatch = slots;
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());

  std::size_t start = 0;
  std::uint32_t retry = 0;  // set after an empty match
  for (;;) {
    const int rc =
        matchAt(code, handles_->jit, subject, start, retry, data.get());
    if (rc == PCRE2_ERROR_NOMATCH) {
      if (retry == 0) break;
      // No non-empty match where the empty one was: step one character on.
      retry = 0;
      if (start >= subject.size()) break;
      ++start;
      if (start < subject.size() && isLeadSurrogate(subject[start - 1]) &&
          isTrailSurrogate(subject[start])) {
        ++start;
      }
      continue;
    }
    if (rc < 0) {
      out->offsets.clear();
      return false;
    }
    // rc == 0 would mean the vector is too short; it is sized from the
    // pattern, so every pair is there, unset ones as PCRE2_UNSET.
    out->offsets.insert(out->offsets.end(), ovector, ovector + 2 * slots);
    if (!global) break;
    const std::size_t matchStart = ovector[0];
    const std::size_t matchEnd = ovector[1];
    if (matchEnd < matchStart) {
      // \K in a look-ahead can put the end before the start: no progress.
      out->offsets.clear();
      return false;
    }
    start = matchEnd;
    retry =
        matchStart == matchEnd ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
  }
  return true;
}

bool CompiledRegex::substitute(std::u16string_view subject,
                               std::u16string_view replacement, bool global,
                               std::u16string* out) const {
  out->clear();
  if (!handles_) return false;
  const std::uint32_t options =
      kSubstituteOptions | (global ? PCRE2_SUBSTITUTE_GLOBAL : 0);
  std::u16string buffer(subject.size() + replacement.size() + 64, u'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    PCRE2_SIZE length = buffer.size();
    const int rc = pcre2_substitute(
        handles_->code.get(), units(subject), subject.size(), 0, options,
        nullptr, nullptr, units(replacement), replacement.size(),
        reinterpret_cast<PCRE2_UCHAR16*>(buffer.data()), &length);
    if (rc == PCRE2_ERROR_NOMEMORY && attempt == 0) {
      // With OVERFLOW_LENGTH, length is now the size needed (with the
      // terminating zero unit).
      buffer.assign(length, u'\0');
      continue;
    }
    if (rc < 0) return false;
    buffer.resize(length);
    *out = std::move(buffer);
    return true;
  }
  return false;
}

}  // namespace lirabel::platform
