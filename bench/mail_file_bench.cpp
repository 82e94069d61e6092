// Throughput of the mail file reader against a plain read and decode of the
// same bytes, for files of 1, 10 and 100 MB, and its peak memory on the largest.
// Prints a summary with the ratio to the baseline and the growth of the time
// with the size, and the time MailFileCheck's check takes on the 10 MB file
// against the reader's.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "bench/counting_heap.h"
#include "bench/mail_file_generator.h"
#include "check/mail_file_check.h"
#include "mailfile/mail_file.h"
#include "platform/reader_only_desktop.h"
#include "platform/windows1252.h"

namespace {

constexpr std::size_t kMegabyte = 1u << 20;

class DiskFile final : public platform::InputFile {
 public:
  explicit DiskFile(const std::filesystem::path& path) : file_(std::fopen(path.c_str(), "rb")) {
    if (file_ == nullptr) throw platform::Failure(53, u"File not found");
    std::error_code unknown;
    const std::uintmax_t size = std::filesystem::file_size(path, unknown);
    if (!unknown) size_ = size;
  }
  ~DiskFile() override { std::fclose(file_); }
  DiskFile(const DiskFile&) = delete;
  DiskFile& operator=(const DiskFile&) = delete;

  std::size_t Read(std::span<char> buffer) override {
    const std::size_t count = std::fread(buffer.data(), 1, buffer.size(), file_);
    if (count == 0 && std::ferror(file_)) throw platform::Failure(57, u"Device I/O error");
    return count;
  }

  std::uint64_t SizeHint() override { return size_; }

 private:
  std::FILE* file_;
  std::uint64_t size_ = 0;
};

class DiskDesktop final : public platform::ReaderOnlyDesktop {
 public:
  std::unique_ptr<platform::InputFile> OpenForInput(std::u16string_view path) override {
    return std::make_unique<DiskFile>(std::filesystem::path(std::u16string(path)));
  }
};

std::filesystem::path folder;
std::map<std::size_t, std::filesystem::path> mailFiles;

std::size_t handedOffBodyLength = 0;
platform::HandOff KeepBodyLength(platform::Desktop&, mailfile::MailFields& fields) {
  handedOffBodyLength = fields.body.size();
  return platform::HandOff::Completed;
}

std::size_t FileSize(benchmark::State& state) { return static_cast<std::size_t>(state.range(0)) * kMegabyte; }

void Baseline(benchmark::State& state) {
  const std::size_t size = FileSize(state);
  for (auto _ : state) {
    std::string bytes(size, '\0');
    DiskFile file(mailFiles.at(size));
    std::size_t got = 0;
    while (std::size_t count = file.Read(std::span<char>(bytes).subspan(got))) got += count;
    benchmark::DoNotOptimize(platform::DecodeWindows1252(std::string_view(bytes.data(), got)));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void Reader(benchmark::State& state) {
  const std::size_t size = FileSize(state);
  DiskDesktop desktop;
  const std::u16string path = mailFiles.at(size).u16string();
  for (auto _ : state) mailfile::ReadMailFile(desktop, path, KeepBodyLength);
  if (handedOffBodyLength == 0) state.SkipWithError("the reader handed off no body");
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// The check as MailFileCheck runs it without Windows: nothing looked up, nothing written.
class CheckOnDisk final : public check::System {
 public:
  platform::Desktop& Desktop() override { return desktop_; }
  bool SelectCodePage(unsigned) override { return false; }
  unsigned CodePage() override { return 1252; }
  bool LooksUpFiles() override { return false; }
  std::u16string WhyNoFile(std::u16string_view) override { return u""; }
  std::u16string CurrentFolder() override { return u""; }
  void WriteOutput(std::u16string_view) override {}
  void WriteError(std::u16string_view) override {}

 private:
  DiskDesktop desktop_;
};

void Check(benchmark::State& state) {
  const std::size_t size = FileSize(state);
  CheckOnDisk system;
  const std::u16string path = mailFiles.at(size).u16string();
  for (auto _ : state) {
    const check::Outcome outcome = check::CheckMailFile(system, path);
    if (!outcome.fields || outcome.fields->body.empty()) state.SkipWithError("the check read no body");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

long long HighWaterRssBytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
  }
  return -1;
}

// The peak of one read, measured in a child process so that nothing of the
// benchmarks before it counts: the high-water mark of the resident set (reset
// through clear_refs) and the peak of heap bytes in use.
void PeakMemory(benchmark::State& state) {
  const std::size_t size = FileSize(state);
  long long peaks[2] = {-1, -1};  // resident set, heap
  for (auto _ : state) {
    int channel[2];
    if (pipe(channel) != 0) state.SkipWithError("pipe failed");
    const pid_t child = fork();
    if (child == 0) {
      std::ofstream("/proc/self/clear_refs") << "5";
      const long long rssBefore = HighWaterRssBytes();
      DiskDesktop desktop;
      const std::u16string path = mailFiles.at(size).u16string();
      reader_tools::StartCountingHeap();
      mailfile::ReadMailFile(desktop, path, KeepBodyLength);
      const long long heapPeak = reader_tools::StopCountingHeap();
      const long long measured[2] = {HighWaterRssBytes() - rssBefore, heapPeak};
      const bool written = write(channel[1], measured, sizeof measured) == sizeof measured;
      _exit(written ? 0 : 1);
    }
    close(channel[1]);
    const bool complete = read(channel[0], peaks, sizeof peaks) == sizeof peaks;
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!complete || status != 0) state.SkipWithError("the measuring child failed");
  }
  state.counters["peak_rss_MB"] = static_cast<double>(peaks[0]) / kMegabyte;
  state.counters["peak_rss_x_file"] = static_cast<double>(peaks[0]) / static_cast<double>(size);
  state.counters["peak_heap_MB"] = static_cast<double>(peaks[1]) / kMegabyte;
  state.counters["peak_heap_x_file"] = static_cast<double>(peaks[1]) / static_cast<double>(size);
}

double Fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

// Repeated, and summed up by the fastest repetition as well as the median:
// the machine is shared, and what other work takes from a run only ever makes
// it slower, so the fastest is the steadiest figure of what the code costs.
BENCHMARK(Baseline)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(5)->ComputeStatistics("fastest", Fastest)->ReportAggregatesOnly(true);
BENCHMARK(Reader)->Arg(1)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(5)->ComputeStatistics("fastest", Fastest)->ReportAggregatesOnly(true);
BENCHMARK(Check)->Arg(10)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Repetitions(5)->ComputeStatistics("fastest", Fastest)->ReportAggregatesOnly(true);
BENCHMARK(PeakMemory)->Arg(100)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Keeps the fastest time per iteration of every benchmark, by name and size
// ("Reader/100"), for the summary.
class SummaryReporter final : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> secondsPerRun;
  std::map<std::string, double> memory;  // the counters of PeakMemory

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "fastest" && run.iterations > 0) {
        secondsPerRun[run.run_name.function_name + "/" + run.run_name.args] =
            run.real_accumulated_time / static_cast<double>(run.iterations);
      }
      if (run.run_name.function_name == "PeakMemory" && !run.error_occurred) {
        for (const auto& [name, counter] : run.counters) memory[name] = counter.value;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

void PrintSummary(const std::map<std::string, double>& seconds, const std::map<std::string, double>& memory) {
  std::printf("\n%8s %14s %14s %8s %10s\n", "file", "reader MB/s", "baseline MB/s", "ratio", "x time");
  double previous = 0;
  for (const std::size_t megabytes : {1u, 10u, 100u}) {
    const std::string arg = std::to_string(megabytes);
    const auto reader = seconds.find("Reader/" + arg);
    const auto baseline = seconds.find("Baseline/" + arg);
    if (reader == seconds.end() || baseline == seconds.end()) continue;
    const double readerRate = megabytes / reader->second;
    const double baselineRate = megabytes / baseline->second;
    std::printf("%6zuMB %14.1f %14.1f %8.2f", megabytes, readerRate, baselineRate, readerRate / baselineRate);
    if (previous > 0) std::printf(" %10.2f", reader->second / previous);
    std::printf("\n");
    previous = reader->second;
  }
  std::printf("fastest of 5 repetitions; MB = 2^20 bytes\n"
              "ratio: reader / baseline throughput (goal >= 0.5); "
              "x time: reader time against the size 10 times smaller (goal <= 11)\n");
  if (seconds.contains("Check/10") && seconds.contains("Reader/10")) {
    std::printf("MailFileCheck on 10 MB: %.1f ms, the reader %.1f ms: %.2f x the reader's time (goal <= 2)\n",
                seconds.at("Check/10") * 1000, seconds.at("Reader/10") * 1000,
                seconds.at("Check/10") / seconds.at("Reader/10"));
  }
  if (memory.contains("peak_rss_MB")) {
    std::printf("peak memory reading 100 MB (goal <= 3 x file): resident %.0f MB = %.2f x file; "
                "heap in use %.0f MB = %.2f x file\n",
                memory.at("peak_rss_MB"), memory.at("peak_rss_x_file"), memory.at("peak_heap_MB"),
                memory.at("peak_heap_x_file"));
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Every block of 128 KiB or more comes fresh from the system and goes back
  // when freed, as in a program that reads one file and ends. Left to itself,
  // glibc raises this threshold after the first large blocks are freed, and
  // the figures would then depend on which benchmark ran before.
  mallopt(M_MMAP_THRESHOLD, 128 * 1024);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  char pattern[] = "/tmp/qz-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  folder = pattern;
  for (const std::size_t megabytes : {1u, 10u, 100u}) {
    const std::size_t size = megabytes * kMegabyte;
    mailFiles[size] = folder / ("mail-" + std::to_string(megabytes) + "MB.txt");
    reader_tools::WriteMailFile(mailFiles[size], size);
  }

  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter.secondsPerRun, reporter.memory);
  std::filesystem::remove_all(folder);
  benchmark::Shutdown();
  return 0;
}
