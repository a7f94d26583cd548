#pragma once
// How the engine's values read in a failed expectation: names, not numbers.

#include <cstring>
#include <ostream>

#include "run_report.h"

namespace quelvane {

inline const char* EnumName(LeftAloneReason reason) {
  switch (reason) {
    case LeftAloneReason::NotText: return "NotText";
    case LeftAloneReason::HasNulByte: return "HasNulByte";
    case LeftAloneReason::LineTooLong: return "LineTooLong";
    case LeftAloneReason::Unencodable: return "Unencodable";
    case LeftAloneReason::TooBigForMemory: return "TooBigForMemory";
    case LeftAloneReason::ReadOnly: return "ReadOnly";
    case LeftAloneReason::Unmodifiable: return "Unmodifiable";
    case LeftAloneReason::FolderNotWritable: return "FolderNotWritable";
    case LeftAloneReason::OtherOwner: return "OtherOwner";
    case LeftAloneReason::LinkToOtherOwner: return "LinkToOtherOwner";
    case LeftAloneReason::LinkToNonRegular: return "LinkToNonRegular";
    case LeftAloneReason::NotRegularFile: return "NotRegularFile";
    case LeftAloneReason::Vanished: return "Vanished";
    case LeftAloneReason::ChangedMeanwhile: return "ChangedMeanwhile";
    case LeftAloneReason::TakenOver: return "TakenOver";
    case LeftAloneReason::DiskFull: return "DiskFull";
    case LeftAloneReason::FileSizeLimit: return "FileSizeLimit";
    case LeftAloneReason::Unreadable: return "Unreadable";
    case LeftAloneReason::SystemError: return "SystemError";
  }
  return "?";
}

inline const char* EnumName(FileResult::Kind kind) {
  switch (kind) {
    case FileResult::Kind::Tidied: return "Tidied";
    case FileResult::Kind::Unchanged: return "Unchanged";
    case FileResult::Kind::LeftAlone: return "LeftAlone";
  }
  return "?";
}

inline const char* EnumName(RunReport::Ending ending) {
  switch (ending) {
    case RunReport::Ending::SettingsRejected: return "SettingsRejected";
    case RunReport::Ending::NothingToDo: return "NothingToDo";
    case RunReport::Ending::Declined: return "Declined";
    case RunReport::Ending::Failed: return "Failed";
    case RunReport::Ending::FolderUnavailable: return "FolderUnavailable";
    case RunReport::Ending::Completed: return "Completed";
  }
  return "?";
}

inline void PrintTo(LeftAloneReason reason, std::ostream* out) { *out << EnumName(reason); }
inline void PrintTo(FileResult::Kind kind, std::ostream* out) { *out << EnumName(kind); }
inline void PrintTo(RunReport::Ending ending, std::ostream* out) { *out << EnumName(ending); }
// "SystemError (Input/output error)"
inline void PrintTo(const LeftAlone& why, std::ostream* out) {
  *out << EnumName(why.reason);
  if (why.error != 0) *out << " (" << std::strerror(why.error) << ")";
}

}  // namespace quelvane
