// Times the mail file reader on Windows (or Wine) with the real Win32 desktop:
// the file read through OpenForInput and decoded from the ANSI code page.
// Baseline: the same file read whole through the same open file and decoded in
// one AppendDecodedAnsi call. Prints one line per file size and the ratio of the two.
// With --memory it reads the 100 MB file once and prints the growth of the
// peak working set instead.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "bench/mail_file_generator.h"
#include "bench/performance_clock.h"
#include "mailfile/mail_file.h"
#include "platform/win32/win32_desktop.h"

namespace {

using reader_tools::Seconds;

constexpr std::size_t kMegabyte = 1u << 20;

// The fastest of runs timings of job, in seconds: the machine may be shared,
// and other work only ever makes a run slower.
template <typename Job>
double FastestSeconds(int runs, Job job) {
  double fastest = 0;
  for (int run = 0; run < runs; ++run) {
    const double start = Seconds();
    job();
    const double seconds = Seconds() - start;
    if (run == 0 || seconds < fastest) fastest = seconds;
  }
  return fastest;
}

std::size_t handedOffBodyLength = 0;
platform::HandOff KeepBodyLength(platform::Desktop&, mailfile::MailFields& fields) {
  handedOffBodyLength = fields.body.size();
  return platform::HandOff::Completed;
}

void ReadWholeAndDecode(platform::Desktop& desktop, const std::u16string& path, std::size_t size) {
  std::string bytes(size, '\0');
  const auto file = desktop.OpenForInput(path);
  std::size_t got = 0;
  while (std::size_t count = file->Read(std::span<char>(bytes).subspan(got))) got += count;
  bytes.resize(got);
  std::u16string text;
  desktop.AppendDecodedAnsi(text, bytes);
  if (text.size() != size) throw std::runtime_error("short read or decode");
}

struct WorkingSet {
  double current = 0;
  double peak = 0;
};

WorkingSet MeasureWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
    throw std::runtime_error("GetProcessMemoryInfo failed");
  }
  return {static_cast<double>(counters.WorkingSetSize), static_cast<double>(counters.PeakWorkingSetSize)};
}

// One read of a 100 MB file in a process that has done nothing else: the peak
// working set above the working set before the read.
int MeasurePeakMemory(platform::Desktop& desktop, const std::filesystem::path& folder) {
  const std::size_t size = 100 * kMegabyte;
  const std::filesystem::path file = folder / L"mail-memory.txt";
  reader_tools::WriteMailFile(file, size);
  const WorkingSet before = MeasureWorkingSet();
  mailfile::ReadMailFile(desktop, file.u16string(), KeepBodyLength);
  const WorkingSet after = MeasureWorkingSet();
  std::filesystem::remove(file);
  if (handedOffBodyLength == 0) throw std::runtime_error("the reader handed off no body");
  const double grown = std::max(after.peak, before.current) - before.current;
  std::printf("peak working set reading 100 MB: %.0f MB = %.2f x file\n", grown / kMegabyte, grown / size);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  wchar_t temp[MAX_PATH + 1];
  if (GetTempPathW(MAX_PATH + 1, temp) == 0) return 1;
  const std::filesystem::path folder = std::filesystem::path(temp) / L"qz-reader-timing";
  std::filesystem::create_directories(folder);

  platform::win32::Win32Desktop desktop(u"reader_timing");
  if (argc == 2 && std::wstring_view(argv[1]) == L"--memory") {
    try {
      return MeasurePeakMemory(desktop, folder);
    } catch (const std::exception& failure) {
      std::printf("reader_timing: %s\n", failure.what());
      return 1;
    }
  }
  std::printf("%8s %14s %14s %8s %10s\n", "file", "reader MB/s", "baseline MB/s", "ratio", "x time");
  double previous = 0;
  try {
    for (const std::size_t megabytes : {1u, 10u, 100u}) {
      const std::size_t size = megabytes * kMegabyte;
      const std::filesystem::path file = folder / ("mail-" + std::to_string(megabytes) + "MB.txt");
      reader_tools::WriteMailFile(file, size);
      const std::u16string path = file.u16string();
      const int runs = megabytes == 100 ? 5 : 11;

      const double baseline = FastestSeconds(runs, [&] { ReadWholeAndDecode(desktop, path, size); });
      const double reader = FastestSeconds(runs, [&] { mailfile::ReadMailFile(desktop, path, KeepBodyLength); });
      if (handedOffBodyLength == 0) throw std::runtime_error("the reader handed off no body");

      std::printf("%6zuMB %14.1f %14.1f %8.2f", megabytes, megabytes / reader, megabytes / baseline, baseline / reader);
      if (previous > 0) std::printf(" %10.2f", reader / previous);
      std::printf("\n");
      std::fflush(stdout);
      previous = reader;
      std::filesystem::remove(file);
    }
    std::printf("fastest of 11 runs (5 for 100 MB); MB = 2^20 bytes\n");
  } catch (const std::exception& failure) {
    std::printf("reader_timing: %s\n", failure.what());
    return 1;
  }
  std::filesystem::remove_all(folder);
  return 0;
}
