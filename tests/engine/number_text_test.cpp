#include "number_text.h"

#include <gtest/gtest.h>

#include "printers.h"
#include "run_messages.h"
#include "tidy_plan.h"

namespace quelvane {
namespace {

using testing::AsText;

// Views cut from a longer text: what follows them must not be read as more digits.
constexpr std::u16string_view kLonger = u"12.59e12";

TEST(ConvertToInt16, RoundsHalfToEvenAndRefusesWhatIsNotANumber) {
  using enum Int16Conversion;
  struct Row { const char* name; std::u16string_view text; Int16Conversion status; int16_t value = 0; };
  const Row rows[] = {
      {"spaces around",               u"  12 ",             Ok, 12},
      {"trailing point",              u"12.",               Ok, 12},
      {"leading point",               u".5",                Ok, 0},
      {"half to even down",           u"2.5",               Ok, 2},
      {"half to even up",             u"3.5",               Ok, 4},
      {"signed exponent",             u"1.2E+2",            Ok, 120},
      {"negative exponent up",        u"9e-1",              Ok, 1},
      {"leading zeros",               u"0000032767",        Ok, 32767},
      {"lowest",                      u"-32768",            Ok, -32768},
      {"negative half to even",       u"-32768.5",          Ok, -32768},
      {"digits past a view",          kLonger.substr(0, 1), Ok, 1},
      {"fraction past a view",        kLonger.substr(0, 4), Ok, 12},
      {"exponent past a view",        kLonger.substr(0, 7), Ok, 126},
      {"too large",                   u"32768",             OutOfRange},
      {"rounds out of range",         u"32767.5",           OutOfRange},
      {"empty",                       u"",                  NotANumber},
      {"dangling exponent in a view", kLonger.substr(0, 6), NotANumber},
      {"lone point",                  u".",                 NotANumber},
      {"thousands separator",         u"1,000",             NotANumber},
      {"full-width digit",            u"１",                NotANumber},
      {"tab is not a space",          u"\t12",              NotANumber},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const Int16Result result = ConvertToInt16(row.text);
    EXPECT_EQ(result.status, row.status);
    EXPECT_EQ(result.value, row.value);
    EXPECT_EQ(IsNumberText(row.text), row.status != Int16Conversion::NotANumber);
  }
}

TEST(IsIntegerText, ExaminesOnlyWhatFollowsTheLastPoint) {
  using enum IntegerTextCheck;
  const struct { const char* name; std::u16string_view text; IntegerTextCheck check; } rows[] = {
      {"zero fraction",                        u"12.00",   Integer},
      {"point last",                           u" 12. ",   Integer},
      {"negative passes here",                 u"-3",      Integer},
      {"exponent without point",               u"9e-1",    Integer},
      {"fraction with exponent converts to 0", u"1.5e-1",  Integer},
      {"not a number",                         u"abc",     NotInteger},
      {"fraction out of range",                u"1.99999", ConversionFailed},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const IntegerTextResult result = IsIntegerText(row.text);
    EXPECT_EQ(result.check, row.check);
    EXPECT_EQ(result.failure.empty(), row.check != IntegerTextCheck::ConversionFailed);
  }
}

TEST(CheckSettings, ChecksInOrderAndOnlyWhatTheModeReads) {
  using enum ParagraphMode;
  using Kind = SettingsRejection::Kind;
  const auto with = [](ParagraphMode mode, std::u16string divide, std::u16string marker) {
    return TidySettings{.paragraphMode = mode, .txtDivide = divide, .txtLink = {u"", u"", marker}};
  };
  // A rejection carries its notice (the conversion's own words for a conversion failure), a plan its piece length
  // and its one marker.
  struct Row { const char* name; TidySettings settings; size_t files; std::optional<Kind> rejected;
               std::u16string_view notice; size_t pieceLength; std::u16string_view marker; };
  constexpr std::nullopt_t kPassed = std::nullopt;
  constexpr Kind kNotice = Kind::Notice, kConversion = Kind::ConversionFailure;
  const std::u16string outOfRange = DescribeConversionFailure(u"1e99", Int16Conversion::OutOfRange);
  const std::u16string badFraction = DescribeConversionFailure(u"e2", Int16Conversion::NotANumber);
  constexpr std::u16string_view badLength = kBadDivideLengthMessage;
  const Row rows[] = {
      {"no files first",        with(Divide, u"x", u""),         0, kNotice,     kNoTextFilesMessage,   0, u""},
      {"divide fraction",       with(Divide, u"2.5", u""),       1, kNotice,     badLength,             0, u""},
      {"divide rounds to zero", with(Divide, u"5e-1", u""),      1, kNotice,     badLength,             0, u""},
      {"divide out of range",   with(Divide, u"1e99", u""),      1, kConversion, outOfRange,            0, u""},
      {"divide bad fraction",   with(Divide, u"1.e2", u""),      1, kConversion, badFraction,           0, u""},
      {"marker of eight",       with(Link, u"", u"12345678"),    1, kNotice,     kMarkerTooLongMessage, 0, u""},
      {"divide spaced",         with(Divide, u" 2", u""),        1, kPassed,     u"",                   2, u""},
      {"divide, markers aside", with(Divide, u"4", u"12345678"), 1, kPassed,     u"",                   4, u""},
      {"wildcards count one",   with(Link, u"x", u"x???yz"),     1, kPassed,     u"",                   0, u"x???yz"},
      {"marker of seven",       with(Link, u"", u" 1234567 "),   1, kPassed,     u"",                   0, u"1234567"},
      {"keep ignores both",     with(Keep, u"x", u"12345678"),   1, kPassed,     u"",                   0, u""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::variant<TidyPlan, SettingsRejection> checked = CheckSettings(row.settings, row.files);
    const SettingsRejection* rejection = std::get_if<SettingsRejection>(&checked);
    ASSERT_EQ(rejection ? std::optional(rejection->kind) : std::nullopt, row.rejected);
    if (rejection) {
      EXPECT_EQ(AsText(rejection->text), AsText(row.notice));
    } else {
      const TidyPlan& plan = std::get<TidyPlan>(checked);
      EXPECT_EQ(plan.pieceLength, row.pieceLength);
      const std::vector<std::u16string> markers(!row.marker.empty(), std::u16string(row.marker));
      EXPECT_EQ(plan.wholeParagraph.markers, markers);
    }
  }
}

}  // namespace
}  // namespace quelvane
