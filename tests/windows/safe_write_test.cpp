// The safe write's Win32 side under Wine: what it writes, replaces and refuses, and that nothing
// is left beside the file.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "safe_write.h"

namespace fs = std::filesystem;

namespace {

enum class Before { Nothing, File, HiddenFile, ReadOnlyFile, Folder, MissingFolder };

struct WriteCase {
  const char* name;
  const wchar_t* target;  // in a fresh folder
  Before before;
  const char* refusal;  // the start of the reason; "" for any; null when the write must succeed
};

std::string contents(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

class SafeWrite : public testing::TestWithParam<WriteCase> {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("kvx-safe-write-" + std::to_string(GetCurrentProcessId()) + "-" +
                                           GetParam().name);
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    SetFileAttributesW((folder_ / GetParam().target).c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(folder_);
  }
  fs::path folder_;
};

TEST_P(SafeWrite, WritesAWholeRegularFileOrLeavesTheNameAsItWas) {
  const WriteCase& c = GetParam();
  const fs::path target = folder_ / c.target;
  const bool file = c.before == Before::File || c.before == Before::HiddenFile || c.before == Before::ReadOnlyFile;
  if (file) std::ofstream(target, std::ios::binary) << "old contents, longer than the new";
  if (c.before == Before::HiddenFile) SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN);
  if (c.before == Before::ReadOnlyFile) SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY);
  if (c.before == Before::Folder) fs::create_directory(target);

  const std::string refusal = refusalToWrite(target).text;
  const std::string result = writeWholeFile(target, "COM2\r\n").text;

  if (c.refusal == nullptr) {
    EXPECT_EQ(refusal, "");
    EXPECT_EQ(result, "");
    EXPECT_EQ(contents(target), "COM2\r\n");
  } else {
    EXPECT_TRUE(!result.empty() && result.starts_with(c.refusal)) << result;
    if (c.before != Before::MissingFolder) {
      EXPECT_EQ(refusal, result);
    }
    if (file) {
      EXPECT_EQ(contents(target), "old contents, longer than the new");
    }
  }
  if (c.before == Before::HiddenFile) {
    EXPECT_NE(GetFileAttributesW(target.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
  }
  if (c.before == Before::Folder) {
    EXPECT_TRUE(fs::is_directory(target));
  }
  // No temporary file is left: the folder holds at most the target.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder_)) ++entries;
  EXPECT_LE(entries, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeWrite,
    testing::Values(WriteCase{"NewFile", L"kelvox.ini", Before::Nothing, nullptr},
                    WriteCase{"ReplacedFile", L"kelvox.ini", Before::File, nullptr},
                    WriteCase{"HiddenFileStaysHidden", L"kelvox.ini", Before::HiddenFile, nullptr},
                    WriteCase{"ReadOnlyFileIsKept", L"kelvox.ini", Before::ReadOnlyFile, "the file is read-only"},
                    WriteCase{"Folder", L"kelvox.ini", Before::Folder, "not a regular file"},
                    WriteCase{"NulDevice", L"NUL", Before::Nothing, "not a regular file"},
                    WriteCase{"ComPort", L"COM1", Before::Nothing, "not a regular file"},
                    WriteCase{"Console", L"CON", Before::Nothing, "not a regular file"},
                    WriteCase{"MissingFolder", L"no such folder\\kelvox.ini", Before::MissingFolder, ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
