#pragma once
// Where tests find the real samples, and temporary directories that clean up after themselves.

#include <filesystem>
#include <string>

namespace pellmark::test {

// ../shared/samples beside the checkout, or an empty path when it is missing.
std::filesystem::path samplesDir();
// The path of one sample ("pst/hht__contacts.pst"); the calling test is skipped with a clear
// message when the samples folder is missing.
#define PELLMARK_SAMPLE_OR_SKIP(var, rel)                                        \
    const std::filesystem::path var = ::pellmark::test::samplesDir() / (rel);    \
    if (::pellmark::test::samplesDir().empty() || !std::filesystem::exists(var)) \
    GTEST_SKIP() << "sample " << (rel) << " not found: ../shared/samples is missing"

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& data);

}  // namespace pellmark::test

namespace pellmark::test {

struct CommandResult {
    int status = -1;
    std::string out;  // standard output; standard error goes to the test's log
};
// Runs a shell command and collects its output.
CommandResult runCommand(const std::string& command);
// Quotes a path or word for the shell.
std::string shellQuote(const std::string& s);
// The tests' Python helpers (tests/scripts).
std::filesystem::path scriptsDir();

}  // namespace pellmark::test
