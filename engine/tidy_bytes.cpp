#include "tidy_bytes.h"

#include "file_content.h"

namespace quelvane {

namespace {

class StringSink : public ByteSink {
 public:
  explicit StringSink(std::string& bytes) : bytes_(bytes) {}
  bool Write(std::string_view bytes) override {
    bytes_.append(bytes);
    return true;
  }

 private:
  std::string& bytes_;
};

}  // namespace

TidyBytesOutcome TidyBytes(std::string_view bytes, const TidyPlan& plan, std::string& newBytes) {
  newBytes.clear();
  LineList lines;
  LineListReader reader(plan);
  switch (reader.Read(bytes, lines)) {
    case ReadOutcome::NotText: return TidyBytesOutcome::NotText;
    case ReadOutcome::HasNulByte: return TidyBytesOutcome::HasNulByte;
    case ReadOutcome::LineTooLong: return TidyBytesOutcome::LineTooLong;
    case ReadOutcome::Decoded: break;
  }
  StringSink sink(newBytes);
  if (WriteFileContent(lines, reader.encoding(), plan.output, sink) != WriteOutcome::Written) {
    newBytes.clear();
    return TidyBytesOutcome::Unencodable;
  }
  return TidyBytesOutcome::Tidied;
}

}  // namespace quelvane
