#include "settings_validation.h"

#include "number_text.h"
#include "text/text.h"

namespace quelvane {
namespace {

ValidationOutcome Message(std::u16string_view text) {
  return {ValidationOutcome::Kind::Message, std::u16string(text)};
}

ValidationOutcome ConversionFailure(std::u16string description) {
  return {ValidationOutcome::Kind::ConversionFailure, std::move(description)};
}

ValidationOutcome CheckDivideLength(std::u16string_view text) {
  IntegerTextResult integer = IsIntegerText(text);
  if (integer.check == IntegerTextCheck::ConversionFailed) return ConversionFailure(integer.failure);
  if (integer.check == IntegerTextCheck::NotInteger) return Message(kBadDivideLengthMessage);
  Int16Result length = ConvertToInt16(text);
  if (length.status != Int16Conversion::Ok) {
    return ConversionFailure(DescribeConversionFailure(TrimSpaces(text), length.status));
  }
  if (length.value < 1) return Message(kBadDivideLengthMessage);
  return {};
}

}  // namespace

ValidationOutcome ValidateSettings(const TidySettings& settings, size_t fileCount) {
  if (fileCount == 0) return Message(kNoTextFilesMessage);
  if (settings.paragraphMode == ParagraphMode::Divide) return CheckDivideLength(settings.txtDivide);
  if (settings.paragraphMode == ParagraphMode::Link) {
    for (const std::u16string& marker : settings.txtLink) {
      if (TrimSpaces(marker).size() > kMaxMarkerLength) return Message(kMarkerTooLongMessage);
    }
  }
  return {};
}

}  // namespace quelvane
