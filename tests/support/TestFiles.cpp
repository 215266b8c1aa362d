#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace pellmark::test {

std::filesystem::path samplesDir() {
    std::filesystem::path dir(PELLMARK_SAMPLES_DIR);
    std::error_code ec;
    if (!std::filesystem::is_directory(dir, ec)) return {};
    return std::filesystem::canonical(dir, ec);
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pellmark-test-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void writeFile(const std::filesystem::path& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary);
    out << data;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace pellmark::test

namespace pellmark::test {

CommandResult runCommand(const std::string& command) {
    CommandResult r;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    while (size_t n = std::fread(buf, 1, sizeof buf, p)) r.out.append(buf, n);
    const int status = ::pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::filesystem::path scriptsDir() {
    return std::filesystem::path(PELLMARK_SOURCE_DIR) / "tests" / "scripts";
}

}  // namespace pellmark::test
