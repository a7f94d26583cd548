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
  void StartOver() override { bytes_.clear(); }

 private:
  std::string& bytes_;
};

}  // namespace

std::optional<LeftAloneReason> TidyBytes(std::string_view bytes, const TidyPlan& plan, std::string& newBytes) {
  newBytes.clear();
  StringSink sink(newBytes);
  const std::optional<LeftAloneReason> why = FileTidier(plan).Tidy(bytes, sink);
  if (why) newBytes.clear();
  return why;
}

}  // namespace quelvane
