// The portable version reader on a 64 MiB PE32+ file whose resource section sits at its end, as a
// large sqlservr.exe has it. Targets: under 5 ms, and under 1 MiB of memory beyond the program's own.
// Run with: ctest -L bench -V
//
// Memory is measured three ways: the bytes the reader asks the file for; the growth of the heap's
// high-water mark during the call (this program counts every operator new); and, on Linux, the growth
// of the process's peak resident set (VmHWM, reset before the call through /proc/self/clear_refs).
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "platform/pe_version_reader.h"
#include "tests/fixtures/pe_image.h"

#ifdef _WIN32
#include "platform/memory/memory_system.h"
#include "platform/portable_file_versions.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"
#else
#include <unistd.h>
#endif

namespace {

// Heap accounting: each block carries its size in front of it.
std::atomic<std::size_t> heap_live{0};
std::atomic<std::size_t> heap_peak{0};
constexpr std::size_t block_header = alignof(std::max_align_t);

void* counted_allocate(std::size_t size) {
  auto* block = static_cast<char*>(std::malloc(size + block_header));
  if (block == nullptr) throw std::bad_alloc();
  *reinterpret_cast<std::size_t*>(block) = size;
  const std::size_t live = heap_live.fetch_add(size) + size;
  std::size_t peak = heap_peak.load();
  while (live > peak && !heap_peak.compare_exchange_weak(peak, live)) {
  }
  return block + block_header;
}

void counted_free(void* pointer) {
  if (pointer == nullptr) return;
  char* block = static_cast<char*>(pointer) - block_header;
  heap_live.fetch_sub(*reinterpret_cast<std::size_t*>(block));
  std::free(block);
}

}  // namespace

void* operator new(std::size_t size) {
  return counted_allocate(size);
}
void* operator new[](std::size_t size) {
  return counted_allocate(size);
}
void operator delete(void* pointer) noexcept {
  counted_free(pointer);
}
void operator delete[](void* pointer) noexcept {
  counted_free(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
  counted_free(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
  counted_free(pointer);
}

namespace setup {
namespace {

constexpr std::uint32_t file_size = 64u << 20;
const std::string expected_version = "2011.110.2100.60";

// Counts what the reader asks for.
class counting_source final : public byte_source {
 public:
  explicit counting_source(byte_source& inner) : inner_(inner) {}
  std::uint64_t size() const override { return inner_.size(); }
  bool read_at(std::uint64_t offset, void* buffer, std::size_t count) override {
    ++reads;
    bytes += count;
    return inner_.read_at(offset, buffer, count);
  }
  int reads = 0;
  std::uint64_t bytes = 0;

 private:
  byte_source& inner_;
};

#ifdef _WIN32
std::unique_ptr<byte_source> open_file(const std::string& path) {
  memory_trace log;
  return win32_files(log).OpenForReading(path);
}
#else
// The native build has no files implementation of its own; a stdio reader stands in for the Windows one.
class stdio_source final : public byte_source {
 public:
  explicit stdio_source(std::FILE* file) : file_(file) {
    std::fseek(file_, 0, SEEK_END);
    size_ = static_cast<std::uint64_t>(ftello(file_));
  }
  ~stdio_source() override { std::fclose(file_); }
  std::uint64_t size() const override { return size_; }
  bool read_at(std::uint64_t offset, void* buffer, std::size_t count) override {
    if (offset > size_ || count > size_ - offset) return false;
    return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0 &&
           std::fread(buffer, 1, count, file_) == count;
  }

 private:
  std::FILE* file_;
  std::uint64_t size_ = 0;
};

std::unique_ptr<byte_source> open_file(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return nullptr;
  return std::make_unique<stdio_source>(file);
}

// A field of /proc/self/status in KiB; -1 when absent.
long status_kib(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::string prefix = std::string(field) + ":";
  while (std::getline(status, line)) {
    if (line.starts_with(prefix)) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
  }
  return -1;
}

// Sets the peak resident set back to the current one; false where the kernel does not allow it.
bool reset_peak_resident_set() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.flush();
  return static_cast<bool>(clear);
}
#endif

// A fresh directory under the temporary directory, removed with its contents when the object goes.
class scratch_directory {
 public:
  scratch_directory() {
    path_ = std::filesystem::temp_directory_path() / ("pe-reader-bench-" + std::to_string(std::rand()));
    std::filesystem::create_directories(path_);
  }
  ~scratch_directory() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string file(const char* name) const {
    const std::u8string text = (path_ / name).u8string();
    return std::string(text.begin(), text.end());
  }

 private:
  std::filesystem::path path_;
};

// Writes the image, its zero filler in 1 MiB pieces so that writing costs no memory.
bool write_image(const std::string& path, const test::pe_image& image) {
  std::ofstream out(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
  out.write(image.headers.data(), static_cast<std::streamsize>(image.headers.size()));
  const std::string zeros(1u << 20, '\0');
  for (std::uint64_t left = image.filler_size; left > 0;) {
    const std::size_t piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
    out.write(zeros.data(), static_cast<std::streamsize>(piece));
    left -= piece;
  }
  out.write(image.resources.data(), static_cast<std::streamsize>(image.resources.size()));
  return static_cast<bool>(out);
}

struct one_run {
  std::string version;
  double milliseconds = 0;
  int reads = 0;
  std::uint64_t bytes_read = 0;
  std::size_t heap_growth = 0;
};

// Open the file and read its version, as the discovery does for sqlservr.exe.
one_run read_version(const std::string& path) {
  one_run run;
  const std::size_t live_before = heap_live.load();
  heap_peak.store(live_before);
  const auto start = std::chrono::steady_clock::now();
  {
    const std::unique_ptr<byte_source> file = open_file(path);
    if (file) {
      counting_source counted(*file);
      run.version = pe_file_version(counted);
      run.reads = counted.reads;
      run.bytes_read = counted.bytes;
    }
  }
  run.milliseconds =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  run.heap_growth = heap_peak.load() - live_before;
  return run;
}

TEST(PeReaderBench, VersionOfA64MiBFileWithItsResourcesAtTheEnd) {
  std::srand(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
  scratch_directory scratch;
  const std::string path = scratch.file("sqlservr.exe");
  std::uint64_t resources_at = 0;
  {
    const test::pe_image image =
        test::build_pe(test::simple_version_resource(u"2011.110.2100.60"), true, file_size - 0x400);
    ASSERT_TRUE(write_image(path, image));
    resources_at = image.resource_section;
  }
  const std::uintmax_t size =
      std::filesystem::file_size(std::filesystem::path(std::u8string(path.begin(), path.end())));
  ASSERT_GE(size, std::uintmax_t{file_size});

#ifndef _WIN32
  const bool peak_reset = reset_peak_resident_set();
  const long resident_before = status_kib("VmRSS");
#endif
  const one_run first = read_version(path);
#ifndef _WIN32
  const long resident_peak_growth = status_kib("VmHWM") - resident_before;
#endif

  std::vector<double> times;
  std::size_t heap_growth = first.heap_growth;
  for (int i = 0; i < 50; ++i) {
    const one_run run = read_version(path);
    EXPECT_EQ(run.version, expected_version);
    times.push_back(run.milliseconds);
    heap_growth = std::max(heap_growth, run.heap_growth);
  }
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];

  std::printf("file: %ju bytes, resource section at offset %ju\n", size,
              static_cast<std::uintmax_t>(resources_at));
  std::printf("first read: %.3f ms; 50 more: median %.3f ms, slowest %.3f ms\n", first.milliseconds, median,
              times.back());
  std::printf("reader asked for %ju bytes in %d reads; heap high-water growth %zu bytes\n",
              static_cast<std::uintmax_t>(first.bytes_read), first.reads, heap_growth);
#ifndef _WIN32
  if (peak_reset) {
    std::printf("peak resident set growth during the first read: %ld KiB\n", resident_peak_growth);
    EXPECT_LT(resident_peak_growth, 1024);
  }
#endif

  EXPECT_EQ(first.version, expected_version);
  EXPECT_LT(first.milliseconds, 5.0);
  EXPECT_LT(median, 5.0);
  EXPECT_LT(first.bytes_read, 1u << 20);
  EXPECT_LT(heap_growth, std::size_t{1} << 20);
}

}  // namespace
}  // namespace setup
