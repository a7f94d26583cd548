#include "number_text.h"

#include <algorithm>

#include "text/text.h"

namespace quelvane {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// A number split into its parts: ±integerDigits.fractionDigits × 10^exponent.
struct ParsedNumber {
  bool negative = false;
  std::u16string_view integerDigits;
  std::u16string_view fractionDigits;
  int64_t exponent = 0;
};

std::optional<ParsedNumber> Parse(std::u16string_view text) {
  text = TrimSpaces(text);
  ParsedNumber number;
  size_t i = 0;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    number.negative = text[i] == u'-';
    ++i;
  }
  size_t start = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  number.integerDigits = text.substr(start, i - start);
  if (i < text.size() && text[i] == u'.') {
    ++i;
    start = i;
    while (i < text.size() && IsDigit(text[i])) ++i;
    number.fractionDigits = text.substr(start, i - start);
  }
  if (number.integerDigits.empty() && number.fractionDigits.empty()) return std::nullopt;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
      negativeExponent = text[i] == u'-';
      ++i;
    }
    if (i == text.size() || !IsDigit(text[i])) return std::nullopt;
    int64_t exponent = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
      // Saturate: any exponent this large already decides the outcome.
      exponent = std::min<int64_t>(exponent * 10 + (text[i] - u'0'), 1'000'000'000);
    }
    number.exponent = negativeExponent ? -exponent : exponent;
  }
  if (i != text.size()) return std::nullopt;
  return number;
}

}  // namespace

bool IsNumberText(std::u16string_view text) { return Parse(text).has_value(); }

Int16Result ConvertToInt16(std::u16string_view text) {
  std::optional<ParsedNumber> number = Parse(text);
  if (!number) return {Int16Conversion::NotANumber, 0};

  // Work on the decimal digits exactly, so rounding never suffers from
  // binary floating point: shift the point by the exponent, then round.
  std::u16string digits(number->integerDigits);
  digits += number->fractionDigits;
  size_t firstNonZero = digits.find_first_not_of(u'0');
  if (firstNonZero == std::u16string::npos) return {Int16Conversion::Ok, 0};
  int64_t pointAt = static_cast<int64_t>(number->integerDigits.size()) + number->exponent;
  // Digits before the point once leading zeros are ignored.
  int64_t integerLength = pointAt - static_cast<int64_t>(firstNonZero);
  if (integerLength > 5) return {Int16Conversion::OutOfRange, 0};

  int64_t magnitude = 0;
  for (int64_t k = static_cast<int64_t>(firstNonZero); k < pointAt; ++k) {
    int digit = k < static_cast<int64_t>(digits.size()) ? digits[static_cast<size_t>(k)] - u'0' : 0;
    magnitude = magnitude * 10 + digit;
  }
  // Rounding: look at the digits after the point.
  int64_t fractionStart = std::max<int64_t>(pointAt, 0);
  int firstFraction = 0;
  bool restNonZero = false;
  if (pointAt < 0) {
    // The point stands before the leading zeros that the shift created:
    // the value is below 0.1, so it rounds to 0.
    firstFraction = 0;
    restNonZero = true;
  } else if (fractionStart < static_cast<int64_t>(digits.size())) {
    firstFraction = digits[static_cast<size_t>(fractionStart)] - u'0';
    std::u16string_view rest = std::u16string_view(digits).substr(static_cast<size_t>(fractionStart) + 1);
    restNonZero = rest.find_first_not_of(u'0') != std::u16string_view::npos;
  }
  if (firstFraction > 5 || (firstFraction == 5 && (restNonZero || magnitude % 2 == 1))) ++magnitude;

  int64_t value = number->negative ? -magnitude : magnitude;
  if (value < INT16_MIN || value > INT16_MAX) return {Int16Conversion::OutOfRange, 0};
  return {Int16Conversion::Ok, static_cast<int16_t>(value)};
}

std::u16string DescribeConversionFailure(std::u16string_view text, Int16Conversion status) {
  std::u16string message;
  if (status == Int16Conversion::OutOfRange) {
    message = u"溢出：“";
    message += text;
    message += u"”超出了 -32768 至 32767 的整数范围。";
  } else {
    message = u"类型不匹配：“";
    message += text;
    message += u"”不是数字，无法转换为整数。";
  }
  return message;
}

IntegerTextResult IsIntegerText(std::u16string_view text) {
  std::u16string_view trimmed = TrimSpaces(text);
  if (!IsNumberText(trimmed)) return {IntegerTextCheck::NotInteger, {}};
  size_t dot = trimmed.rfind(u'.');
  if (dot != std::u16string_view::npos && dot + 1 < trimmed.size()) {
    std::u16string_view fraction = trimmed.substr(dot + 1);
    Int16Result converted = ConvertToInt16(fraction);
    if (converted.status != Int16Conversion::Ok) {
      return {IntegerTextCheck::ConversionFailed, DescribeConversionFailure(fraction, converted.status)};
    }
    if (converted.value > 0) return {IntegerTextCheck::NotInteger, {}};
  }
  return {IntegerTextCheck::Integer, {}};
}

}  // namespace quelvane
