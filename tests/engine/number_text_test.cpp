#include "number_text.h"

#include <gtest/gtest.h>

#include "settings_validation.h"

namespace quelvane {
namespace {

struct ConversionRow {
  const char* name;
  std::u16string_view text;
  Int16Conversion status;
  int16_t value;
};

TEST(ConvertToInt16, RoundsHalfToEvenAndRefusesWhatIsNotANumber) {
  const ConversionRow rows[] = {
      {"plain", u"12", Int16Conversion::Ok, 12},
      {"spaces around", u"  12 ", Int16Conversion::Ok, 12},
      {"negative", u"-3", Int16Conversion::Ok, -3},
      {"trailing point", u"12.", Int16Conversion::Ok, 12},
      {"leading point", u".5", Int16Conversion::Ok, 0},
      {"half to even down", u"2.5", Int16Conversion::Ok, 2},
      {"half to even up", u"3.5", Int16Conversion::Ok, 4},
      {"exponent", u"1e3", Int16Conversion::Ok, 1000},
      {"signed exponent", u"1.2E+2", Int16Conversion::Ok, 120},
      {"negative exponent up", u"9e-1", Int16Conversion::Ok, 1},
      {"leading zeros", u"0000032767", Int16Conversion::Ok, 32767},
      {"lowest", u"-32768", Int16Conversion::Ok, -32768},
      {"negative half to even", u"-32768.5", Int16Conversion::Ok, -32768},
      {"too large", u"32768", Int16Conversion::OutOfRange, 0},
      {"rounds out of range", u"32767.5", Int16Conversion::OutOfRange, 0},
      {"huge exponent", u"1e99", Int16Conversion::OutOfRange, 0},
      {"empty", u"", Int16Conversion::NotANumber, 0},
      {"exponent without digits", u"e2", Int16Conversion::NotANumber, 0},
      {"dangling exponent", u"1e", Int16Conversion::NotANumber, 0},
      {"lone point", u".", Int16Conversion::NotANumber, 0},
      {"thousands separator", u"1,000", Int16Conversion::NotANumber, 0},
      {"full-width digit", u"１", Int16Conversion::NotANumber, 0},
      {"inner space", u"1 2", Int16Conversion::NotANumber, 0},
      {"tab is not a space", u"\t12", Int16Conversion::NotANumber, 0},
  };
  for (const ConversionRow& row : rows) {
    SCOPED_TRACE(row.name);
    Int16Result result = ConvertToInt16(row.text);
    EXPECT_EQ(result.status, row.status);
    if (row.status == Int16Conversion::Ok) {
      EXPECT_EQ(result.value, row.value);
    }
    EXPECT_EQ(IsNumberText(row.text), row.status != Int16Conversion::NotANumber);
  }
}

TEST(IsIntegerText, ExaminesOnlyWhatFollowsTheLastPoint) {
  struct Row {
    const char* name;
    std::u16string_view text;
    IntegerTextCheck check;
  } const rows[] = {
      {"whole", u"12", IntegerTextCheck::Integer},
      {"zero fraction", u"12.00", IntegerTextCheck::Integer},
      {"point last", u" 12. ", IntegerTextCheck::Integer},
      {"fraction", u"12.5", IntegerTextCheck::NotInteger},
      {"negative passes here", u"-3", IntegerTextCheck::Integer},
      {"exponent without point", u"9e-1", IntegerTextCheck::Integer},
      {"fraction with exponent converts to 0", u"1.5e-1", IntegerTextCheck::Integer},
      {"not a number", u"abc", IntegerTextCheck::NotInteger},
      {"empty", u"", IntegerTextCheck::NotInteger},
      {"fraction that is no number", u"1.e2", IntegerTextCheck::ConversionFailed},
      {"fraction out of range", u"1.99999", IntegerTextCheck::ConversionFailed},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    IntegerTextResult result = IsIntegerText(row.text);
    EXPECT_EQ(result.check, row.check);
    EXPECT_EQ(result.failure.empty(), row.check != IntegerTextCheck::ConversionFailed);
  }
}

TEST(ValidateSettings, ChecksInOrderAndOnlyWhatTheModeReads) {
  auto with = [](ParagraphMode mode, std::u16string divide, std::u16string marker) {
    TidySettings s;
    s.paragraphMode = mode;
    s.txtDivide = std::move(divide);
    s.txtLink[2] = std::move(marker);
    return s;
  };
  using Kind = ValidationOutcome::Kind;
  struct Row {
    const char* name;
    TidySettings settings;
    size_t files;
    Kind kind;
    std::u16string_view text;
  } const rows[] = {
      {"no files comes first", with(ParagraphMode::Divide, u"x", u""), 0, Kind::Message, kNoTextFilesMessage},
      {"divide empty", with(ParagraphMode::Divide, u"", u""), 1, Kind::Message, kBadDivideLengthMessage},
      {"divide negative", with(ParagraphMode::Divide, u"-3", u""), 1, Kind::Message, kBadDivideLengthMessage},
      {"divide fraction", with(ParagraphMode::Divide, u"2.5", u""), 1, Kind::Message, kBadDivideLengthMessage},
      {"divide rounds to zero", with(ParagraphMode::Divide, u"5e-1", u""), 1, Kind::Message, kBadDivideLengthMessage},
      {"divide spaced", with(ParagraphMode::Divide, u" 2", u""), 1, Kind::Passed, u""},
      {"divide rounds to one", with(ParagraphMode::Divide, u"9e-1", u""), 1, Kind::Passed, u""},
      {"divide out of range", with(ParagraphMode::Divide, u"1e99", u""), 1, Kind::ConversionFailure, u""},
      {"divide bad fraction", with(ParagraphMode::Divide, u"1.e2", u""), 1, Kind::ConversionFailure, u""},
      {"divide ignores markers", with(ParagraphMode::Divide, u"4", u"12345678"), 1, Kind::Passed, u""},
      {"marker of seven", with(ParagraphMode::Link, u"x", u"第???回章节"), 1, Kind::Passed, u""},
      {"marker spaced", with(ParagraphMode::Link, u"", u"  1234567  "), 1, Kind::Passed, u""},
      {"marker of eight", with(ParagraphMode::Link, u"", u"12345678"), 1, Kind::Message, kMarkerTooLongMessage},
      {"keep ignores both", with(ParagraphMode::Keep, u"x", u"12345678"), 1, Kind::Passed, u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ValidationOutcome outcome = ValidateSettings(row.settings, row.files);
    EXPECT_EQ(outcome.kind, row.kind);
    if (row.kind == Kind::Message) {
      EXPECT_EQ(outcome.text, row.text);
    }
    if (row.kind == Kind::ConversionFailure) {
      EXPECT_FALSE(outcome.text.empty());
    }
  }
}

}  // namespace
}  // namespace quelvane
