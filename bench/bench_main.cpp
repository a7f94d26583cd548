// quelvane-bench HEADLESS WORK_FOLDER [--quick]
//
// Generates the benchmark folders in WORK_FOLDER (deterministic), then times
// HEADLESS (quelvane-headless) on fresh copies of them, beside anchors
// measured in the same benchmark run on the same bytes: an iconv round trip
// GBK -> UTF-16 -> GBK and a plain copy, and for every folder
// quelvane-rewrite-floor, a safe rewrite that does no tidying (the floor).
// Prints medians of 5 runs; the 100 MB file is also timed after 20 idle
// seconds, each way in turn (medians of 3 rounds).

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "corpus_generator.h"
#include "text/text_encoding.h"

namespace fs = std::filesystem;
using quelvane::bench::CorpusGenerator;

namespace {

constexpr size_t kMB = 1000 * 1000;
constexpr double kMiB = 1024.0 * 1024.0;
int runsPerCase = 5;

struct Measurement {
  double seconds = 0;
  double peakMiB = 0;
};

// Runs argv to completion; wall time and the child's peak resident memory.
Measurement Spawn(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::fflush(stdout);  // or the child would print our buffer again
  auto start = std::chrono::steady_clock::now();
  pid_t child = fork();
  if (child == 0) {
    if (freopen("/dev/null", "w", stdout) == nullptr) _exit(126);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(child, &status, 0, &usage);
  auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "quelvane-bench: %s failed\n", argv[0].c_str());
    std::exit(1);
  }
  return {std::chrono::duration<double>(end - start).count(), usage.ru_maxrss / 1024.0};
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

uintmax_t FolderBytes(const fs::path& folder) {
  uintmax_t total = 0;
  for (const auto& entry : fs::directory_iterator(folder)) total += entry.file_size();
  return total;
}

uintmax_t LargestFile(const fs::path& folder) {
  uintmax_t largest = 0;
  for (const auto& entry : fs::directory_iterator(folder)) largest = std::max(largest, entry.file_size());
  return largest;
}

// Each folder is made once; a marker file says it is complete.
fs::path MakeFolder(const fs::path& corpus, const std::string& name, size_t files, size_t bytesPerFile,
                    bool unbroken = false, quelvane::TextEncoding encoding = quelvane::TextEncoding::CodePage936) {
  fs::path folder = corpus / name;
  if (fs::exists(folder / ".complete")) return folder;
  fs::remove_all(folder);
  fs::create_directories(folder);
  CorpusGenerator generator(20261206, encoding);
  std::string bytes;
  for (size_t i = 0; i < files; ++i) {
    bytes.clear();
    if (unbroken) {
      generator.AppendUnbrokenParagraph(bytesPerFile, bytes);
    } else {
      generator.AppendNovel(bytesPerFile, bytes);
    }
    char fileName[32];
    std::snprintf(fileName, sizeof fileName, "卷%05zu.txt", i + 1);
    WriteBytes(folder / fileName, bytes);
  }
  WriteBytes(folder / ".complete", "");
  return folder;
}

// Find-and-replace at its hardest: one 10 MB line, and a find text of 1,000
// characters that nearly matches wherever its first character stands (a
// repeated phrase), or everywhere ("aaa...ab" in a line of "a"s).
constexpr size_t kFindLength = 1000;
constexpr std::u16string_view kPhrase = u"风云剑客江湖门派掌柜酒楼城墙少年姑娘师父弟子长老宗主黑衣白袍青山绿水";

std::u16string Repeated(std::u16string_view phrase, size_t units) {
  std::u16string text;
  while (text.size() < units) text += phrase;
  text.resize(units);
  return text;
}

std::string EncodedAs(quelvane::TextEncoding encoding, std::u16string_view text) {
  std::string bytes;
  quelvane::Encode(text, encoding, bytes);
  return bytes;
}

void MakeSearchCases(const fs::path& corpus, const fs::path& settings, size_t lineBytes) {
  const std::pair<const char*, std::u16string_view> cases[] = {{"search-phrase", kPhrase}, {"search-worst", u"a"}};
  fs::create_directories(settings);
  for (auto [name, phrase] : cases) {
    const fs::path folder = corpus / name;
    const size_t bytesPerUnit = phrase == u"a" ? 1 : 2;
    std::u16string find = Repeated(phrase, kFindLength - 1) + u"!";
    std::string findUtf8;
    quelvane::Encode(find, quelvane::TextEncoding::Utf8, findUtf8);
    WriteBytes(settings / (std::string(name) + ".ini"), "txtReplaceS=" + findUtf8 + "\ntxtReplaceT=X\n");
    if (fs::exists(folder / ".complete")) continue;
    fs::create_directories(folder);
    WriteBytes(folder / "line.txt",
               EncodedAs(quelvane::TextEncoding::CodePage936, Repeated(phrase, lineBytes / bytesPerUnit)));
    WriteBytes(folder / ".complete", "");
  }
}

// Files whose shape, not size, sets the memory a run needs: one line of
// ASCII, only CRs, only blank lines, one character a line.
struct Degenerate {
  const char* name;
  std::string_view unit;
  double capFactor;  // times the file, plus 16 MiB
};
const Degenerate kDegenerates[] = {{"one ASCII line", "a", 3},
                                   {"only CRs", "\r", 5},
                                   {"only blank lines", "\r\n", 5},
                                   {"a character a line", "\xD7\xD6\r\n", 5}};  // 字

fs::path DegenerateFolder(const fs::path& corpus, const Degenerate& shape) {
  return corpus / ("shape-" + std::string(shape.name));
}

void MakeDegenerates(const fs::path& corpus, size_t bytes) {
  for (const Degenerate& shape : kDegenerates) {
    const fs::path folder = DegenerateFolder(corpus, shape);
    if (fs::exists(folder / ".complete")) continue;
    fs::create_directories(folder);
    std::string content;
    content.reserve(bytes);
    while (content.size() + shape.unit.size() <= bytes) content += shape.unit;
    WriteBytes(folder / "shape.txt", content);
    WriteBytes(folder / ".complete", "");
  }
}

const char* const kLinkSettings =
    "optLink=1\ntxtLink(0)=第?章\nchkOrdinal=1\n"
    "txtAllS(0)=（本章完）\ntxtAllT(0)=\ntxtRightS(0)=请收藏本站\ntxtRightT(0)=\n"
    "txtReplaceS=CEO\ntxtReplaceT=首席执行官\ntxtBegin(1)=  \ntxtBegin(0)=\xE3\x80\x80\xE3\x80\x80\noptDelete=1\n";
// The same for the novel in Big5, whose characters are Traditional.
const char* const kTraditionalLinkSettings =
    "optLink=1\ntxtLink(0)=第?章\nchkOrdinal=1\n"
    "txtAllS(0)=（本章完）\ntxtAllT(0)=\ntxtRightS(0)=請收藏本站\ntxtRightT(0)=\n"
    "txtReplaceS=CEO\ntxtReplaceT=首席執行官\ntxtBegin(1)=  \ntxtBegin(0)=\xE3\x80\x80\xE3\x80\x80\noptDelete=1\n";
const char* const kDivideSettings = "optDivide=1\ntxtDivide=40\noptAdd=1\n";
const char* const kKeepSettings = "txtEnd(0)=\xE3\x80\x82\noptDelete=1\n";

struct Row {
  std::string name;
  double mb = 0, mbPerSecond = 0, peakMiB = 0, seconds = 0;
  double floorSeconds = 0;  // the floor's on the same folder
  uintmax_t largest = 0;
  double capFactor = 3;
};

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

class Bench {
 public:
  Bench(fs::path work, std::string headless)
      : work_(std::move(work)),
        headless_(std::move(headless)),
        floor_(fs::path(headless_).parent_path() / "quelvane-rewrite-floor") {
    fs::create_directories(work_ / "settings");
    for (auto [name, text] : {std::pair{"link", kLinkSettings}, {"link-traditional", kTraditionalLinkSettings},
                              {"divide", kDivideSettings}, {"keep", kKeepSettings}}) {
      WriteBytes(work_ / "settings" / (std::string(name) + ".ini"), text);
    }
  }

  // Medians of runs over fresh copies of `folder`, a row for each way of
  // handling it. Each way has its runs in a row: on a virtual machine that
  // hands freed memory back to its host, memory left alone for a few seconds
  // is several times dearer to touch again, and taking turns would give that
  // cost to whichever way follows the ones that use little memory.
  // The floor is timed too, last: each row carries its time.
  std::vector<Row> Time(const fs::path& folder, std::vector<std::string> ways) {
    ways.push_back("floor");
    std::vector<std::vector<Measurement>> runs(ways.size());
    for (size_t way = 0; way < ways.size(); ++way) {
      for (int run = 0; run < runsPerCase; ++run) runs[way].push_back(RunOnFreshCopy(folder, ways[way]));
    }
    return Rows(folder, runs);
  }

  // The same, each run started after `idle` with nothing to do, as a user's
  // first run after a while is; here the ways take turns, the floor with them.
  std::vector<Row> TimeAfterIdling(const fs::path& folder, std::vector<std::string> ways,
                                   std::chrono::seconds idle, int rounds) {
    ways.push_back("floor");
    std::vector<std::vector<Measurement>> runs(ways.size());
    for (int round = 0; round < rounds; ++round) {
      for (size_t way = 0; way < ways.size(); ++way) runs[way].push_back(RunOnFreshCopy(folder, ways[way], idle));
    }
    return Rows(folder, runs);
  }

 private:
  // A row for each way from its runs; the last way is the floor.
  static std::vector<Row> Rows(const fs::path& folder, const std::vector<std::vector<Measurement>>& runs) {
    auto median = [&](size_t way, double Measurement::*field) {
      std::vector<double> values;
      for (const Measurement& m : runs[way]) values.push_back(m.*field);
      return Median(values);
    };
    std::vector<Row> rows(runs.size() - 1);
    for (size_t way = 0; way < rows.size(); ++way) {
      Row& row = rows[way];
      row.mb = static_cast<double>(FolderBytes(folder)) / kMB;
      row.seconds = median(way, &Measurement::seconds);
      row.mbPerSecond = row.mb / row.seconds;
      row.peakMiB = median(way, &Measurement::peakMiB);
      row.largest = LargestFile(folder);
      row.floorSeconds = median(runs.size() - 1, &Measurement::seconds);
    }
    return rows;
  }

  Measurement RunOnFreshCopy(const fs::path& folder, const std::string& way, std::chrono::seconds idle = {}) {
    const fs::path copy = work_ / "run", out = work_ / "out";
    fs::remove_all(copy);
    fs::remove_all(out);
    fs::create_directories(out);
    fs::copy(folder, copy);
    fs::remove(copy / ".complete");
    if (idle.count() > 0) {
      sync();  // the copy on the disk already, not written back during the run
      std::this_thread::sleep_for(idle);
    }
    if (way == "iconv") {
      return Spawn({"/bin/sh", "-c",
                    "cd '" + copy.string() + "' && for f in *.txt; do iconv -f CP936 -t UTF-16LE \"$f\" | "
                    "iconv -f UTF-16LE -t CP936 > '" + out.string() + "'/\"$f\"; done"});
    }
    if (way == "copy") return Spawn({"/bin/cp", "-r", "--", copy.string() + "/.", out.string()});
    if (way == "floor") return Spawn({floor_, copy.string()});
    return Spawn({headless_, (work_ / "settings" / (way + ".ini")).string(), copy.string()});
  }

  fs::path work_;
  std::string headless_, floor_;
};

void Print(const Row& row, double iconvMBps) {
  double limit = row.capFactor * static_cast<double>(row.largest) / kMiB + 16;
  std::printf("| %-36s | %7.1f | %8.1f | %8.1f | %6.2f | %8.1f | %7.2f | %8.1f |\n", row.name.c_str(), row.mb,
              row.mbPerSecond, row.peakMiB, row.mbPerSecond / iconvMBps, row.mb / row.floorSeconds,
              row.floorSeconds / row.seconds, limit);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: quelvane-bench HEADLESS WORK_FOLDER [--quick]\n");
    return 2;
  }
  const std::string headless = fs::absolute(argv[1]);
  const fs::path work = fs::absolute(argv[2]);
  const bool quick = argc > 3 && std::string(argv[3]) == "--quick";
  if (quick) runsPerCase = 1;
  const size_t scale = quick ? 10 : 1;  // --quick: a tenth of the sizes, one run each
  const fs::path corpus = work / (quick ? "corpus-quick" : "corpus");

  std::printf("Generating folders in %s ...\n", corpus.c_str());
  std::fflush(stdout);
  struct Shape {
    std::string name;
    size_t files, bytesPerFile;
    bool unbroken = false;
    quelvane::TextEncoding encoding = quelvane::TextEncoding::CodePage936;
  };
  const std::vector<Shape> shapes = {
      {"50-files", 50, 2 * kMB / scale},          {"1-file-100MB", 1, 100 * kMB / scale},
      {"10000-files", 10000 / scale, 10 * 1000},  {"unbroken-50MB", 1, 50 * kMB / scale, true},
      {"1-file-50MB", 1, 50 * kMB / scale},       {"1-file-1MB", 1, 1 * kMB / scale},
      {"1-file-10MB", 1, 10 * kMB / scale},       {"1-file-400MB", 1, 400 * kMB / scale},
      {"1-file-1KB", 1, 1000},
      {"1-file-100MB-gb18030", 1, 100 * kMB / scale, false, quelvane::TextEncoding::Gb18030},
      {"1-file-100MB-utf16le", 1, 100 * kMB / scale, false, quelvane::TextEncoding::Utf16Le},
      {"1-file-100MB-big5", 1, 100 * kMB / scale, false, quelvane::TextEncoding::Big5},
  };
  // Generated in a child process: a child inherits its parent's resident
  // memory in its peak, so this process must stay small.
  if (pid_t generator = fork(); generator == 0) {
    MakeSearchCases(corpus, work / "settings", 10 * kMB / scale);
    MakeDegenerates(corpus, 100 * kMB / scale);
    for (const Shape& shape : shapes) MakeFolder(corpus, shape.name, shape.files, shape.bytesPerFile, shape.unbroken, shape.encoding);
    _exit(0);
  } else {
    int status = 0;
    waitpid(generator, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return 1;
  }
  const fs::path fifty = corpus / "50-files", single = corpus / "1-file-100MB", small = corpus / "10000-files";
  const fs::path unbroken = corpus / "unbroken-50MB", novel50 = corpus / "1-file-50MB";
  std::vector<std::pair<std::string, fs::path>> scaling;
  for (size_t mb : {1, 10, 100, 400}) {
    scaling.emplace_back(std::to_string(mb) + " MB file, link", corpus / ("1-file-" + std::to_string(mb) + "MB"));
  }

  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.starts_with("model name")) {
      std::printf("Machine: %u cores, %s\n", std::thread::hardware_concurrency(), line.substr(line.find(':') + 2).c_str());
      break;
    }
  }
  Bench bench(work, headless);
  std::printf("\nMedians of %d runs; ratio = MB/s over the iconv round trip of the same folder; floor = MB/s of\n"
              "a safe rewrite of the same folder without tidying (read, write, flush, rename), and / floor the\n"
              "case's speed over it.\n\n", runsPerCase);
  std::printf("| %-36s | %7s | %8s | %8s | %6s | %8s | %7s | %8s |\n", "case", "MB", "MB/s", "peak MiB", "ratio",
              "floor", "/ floor", "RSS cap");
  std::printf("|%s|%s|%s|%s|%s|%s|%s|%s|\n", std::string(38, '-').c_str(), std::string(9, '-').c_str(),
              std::string(10, '-').c_str(), std::string(10, '-').c_str(), std::string(8, '-').c_str(),
              std::string(10, '-').c_str(), std::string(9, '-').c_str(), std::string(10, '-').c_str());

  std::map<std::string, Row> rows;
  auto print = [&](Row row, const std::string& name, double iconvMBps) {
    row.name = name;
    Print(row, iconvMBps > 0 ? iconvMBps : row.mbPerSecond);
    return row;
  };
  auto measure = [&](const std::string& label, const fs::path& folder, const std::vector<std::string>& modes) {
    std::vector<std::string> ways = {"iconv", "copy"};
    ways.insert(ways.end(), modes.begin(), modes.end());
    const std::vector<Row> timed = bench.Time(folder, ways);
    const double iconv = timed[0].mbPerSecond;
    print(timed[0], label + ": iconv round trip", iconv);
    print(timed[1], label + ": plain copy", iconv);
    for (size_t m = 0; m < modes.size(); ++m) {
      rows[label + "/" + modes[m]] = print(timed[m + 2], label + ": " + modes[m], iconv);
    }
  };
  measure("50 files", fifty, {"link", "divide", "keep"});
  measure("1 file", single, {"link", "divide", "keep"});
  measure("10000 files", small, {"link"});
  {
    const std::chrono::seconds idle(quick ? 2 : 20);
    const std::vector<Row> timed = bench.TimeAfterIdling(single, {"iconv", "link"}, idle, quick ? 1 : 3);
    const std::string label = "1 file, " + std::to_string(idle.count()) + " s idle";
    const double iconv = timed[0].mbPerSecond;
    print(timed[0], label + ": iconv round trip", iconv);
    rows["1 file idle/link"] = print(timed[1], label + ": link", iconv);
  }
  for (auto& [label, folder] : scaling) {
    if (folder == single) continue;
    rows[label] = print(bench.Time(folder, {"link"})[0], label, 0);
  }
  const Row novel = print(bench.Time(novel50, {"link"})[0], "50 MB novel, link", 0);
  // The same novel, as large, in the other encodings a file may have.
  const Row& gbk = rows["1 file/link"];
  for (auto [label, name, settings] :
       {std::tuple{"100 MB novel in GB18030, link", "1-file-100MB-gb18030", "link"},
        {"100 MB novel in UTF-16 LE, link", "1-file-100MB-utf16le", "link"},
        {"100 MB novel in Big5, link", "1-file-100MB-big5", "link-traditional"}}) {
    Row row = bench.Time(corpus / name, {settings})[0];
    print(row, label, 0);
    std::printf("  %.2f x the speed of the GBK novel\n", row.mbPerSecond / gbk.mbPerSecond);
  }
  const Row worst = print(bench.Time(unbroken, {"link"})[0], "50 MB one paragraph, link", 0);
  for (const Degenerate& shape : kDegenerates) {
    const std::vector<std::string> ways = {"link", "keep"};
    std::vector<Row> timed = bench.Time(DegenerateFolder(corpus, shape), ways);
    for (size_t way = 0; way < ways.size(); ++way) {
      timed[way].capFactor = shape.capFactor;
      print(timed[way], "100 MB, " + std::string(shape.name) + ", " + ways[way], 0);
    }
  }
  for (auto [label, name] : {std::pair{"10 MB line, 1,000-character find", "search-phrase"},
                             {"10 MB line of a, find aaa...a!", "search-worst"}}) {
    print(bench.Time(corpus / name, {name})[0], label, 0);
  }
  // What a run costs whatever the size: start, listing, the flushes and the rename.
  const Row tiny = print(bench.Time(corpus / "1-file-1KB", {"link"})[0], "1 KB file, link", 0);

  const Row& smallFiles = rows["10000 files/link"];
  const double smallCount = static_cast<double>(10000 / scale);
  const double overheadMs = (smallFiles.seconds - rows["1 file/link"].seconds) / smallCount * 1000;
  std::printf("\nPer-file overhead: %.3f ms\n", overheadMs);
  std::printf("Small files: %.3f ms a file, the floor %.3f ms\n", smallFiles.seconds / smallCount * 1000,
              smallFiles.floorSeconds / smallCount * 1000);
  std::printf("One paragraph vs novel, 50 MB: %.2f x the time\n", worst.seconds / novel.seconds);
  const std::vector<const Row*> sizes = {&rows["1 MB file, link"], &rows["10 MB file, link"], &rows["1 file/link"],
                                         &rows["400 MB file, link"]};
  auto printScaling = [&](const char* what, auto speedOf) {
    std::vector<double> speeds;
    for (const Row* row : sizes) speeds.push_back(speedOf(*row));
    double mean = 0;
    for (double s : speeds) mean += s / static_cast<double>(speeds.size());
    double spread = 0;
    for (double s : speeds) spread = std::max(spread, std::abs(s - mean) / mean);
    std::printf("%s 1/10/100/400 MB: %.0f / %.0f / %.0f / %.0f MB/s (largest deviation from the mean %.0f%%)\n", what,
                speeds[0], speeds[1], speeds[2], speeds[3], spread * 100);
  };
  std::printf("Fixed cost of a run (one 1 KB file): %.2f ms\n", tiny.seconds * 1000);
  std::printf("A safe rewrite without tidying: %.2f ms (1 KB), %.2f ms (1 MB)\n", tiny.floorSeconds * 1000,
              rows["1 MB file, link"].floorSeconds * 1000);
  printScaling("Scaling", [](const Row& row) { return row.mbPerSecond; });
  printScaling("Scaling less the fixed cost", [&](const Row& row) { return row.mb / (row.seconds - tiny.seconds); });
  fs::remove_all(work / "run");
  fs::remove_all(work / "out");
  return 0;
}
