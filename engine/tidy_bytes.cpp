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
  LeftAlone Failure() const override { return {}; }  // never fails

 private:
  std::string& bytes_;
};

}  // namespace

std::optional<LeftAloneReason> TidyBytes(std::string_view bytes, const TidyPlan& plan, std::string& newBytes) {
  newBytes.clear();
  LineList lines;
  LineListReader reader(plan);
  if (const std::optional<LeftAloneReason> unread = reader.Read(bytes, lines)) return unread;
  StringSink sink(newBytes);
  if (const std::optional<LeftAlone> unwritten = WriteFileContent(lines, reader.encoding(), plan.output, sink)) {
    newBytes.clear();
    return unwritten->reason;
  }
  return std::nullopt;
}

}  // namespace quelvane
