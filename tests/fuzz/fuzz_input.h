// Splits one fuzzer input into several texts and small numbers, so a target
// can drive routines with more than one argument.
#ifndef LIRABEL_TESTS_FUZZ_FUZZ_INPUT_H_
#define LIRABEL_TESTS_FUZZ_FUZZ_INPUT_H_

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace lirabel::fuzz {

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : data_(data), size_(size) {}

  // The bytes up to the next 0x00 (or the end). Text holds no zero byte, so
  // the separator never reaches a routine.
  std::string text() {
    std::string out;
    while (pos_ < size_ && data_[pos_] != 0) out += char(data_[pos_++]);
    if (pos_ < size_) ++pos_;
    return out;
  }
  // A small signed number from one byte: positions and counts around the
  // interesting range, negatives included.
  int number() { return pos_ < size_ ? int(std::int8_t(data_[pos_++])) : 0; }
  bool flag() { return pos_ < size_ ? (data_[pos_++] & 1) != 0 : false; }
  // What is left, zero bytes included.
  std::string rest() {
    std::string out(reinterpret_cast<const char*>(data_) + pos_, size_ - pos_);
    pos_ = size_;
    return out;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// A property that must hold for every input; a violation is a finding.
inline void require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace lirabel::fuzz

#endif  // LIRABEL_TESTS_FUZZ_FUZZ_INPUT_H_
