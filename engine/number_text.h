#pragma once
// Numbers typed into text boxes. One parser serves both IsIntegerText and
// the conversion to a 16-bit integer, so the two always agree on what a
// number is: optional sign, digits with an optional decimal point, and an
// optional exponent ("12", "-3", "12.", ".5", "1e3", "1.2E+2"). Surrounding
// spaces are ignored; nothing else (no thousands separators, no hex).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quelvane {

enum class Int16Conversion { Ok, NotANumber, OutOfRange };

struct Int16Result {
  Int16Conversion status = Int16Conversion::NotANumber;
  int16_t value = 0;
};

// True when `text` (surrounding spaces ignored) is a number in the syntax above.
bool IsNumberText(std::u16string_view text);

// Rounds to the nearest integer, an exact half going to the even neighbour.
Int16Result ConvertToInt16(std::u16string_view text);

// Why a conversion failed, in the words of the run's failure report.
std::u16string DescribeConversionFailure(std::u16string_view text, Int16Conversion status);

// Whether the number has no fractional part. Only the text after the last
// "." is examined, and it is itself converted: the conversion can fail
// ("1.e2"), which the caller reports like any other conversion failure.
enum class IntegerTextCheck { Integer, NotInteger, ConversionFailed };
struct IntegerTextResult {
  IntegerTextCheck check = IntegerTextCheck::NotInteger;
  std::u16string failure;  // set when check == ConversionFailed
};
IntegerTextResult IsIntegerText(std::u16string_view text);

}  // namespace quelvane
