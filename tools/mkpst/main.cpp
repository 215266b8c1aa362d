// pellmark-mkpst: writes .pst files for tests and benchmarks, from a JSON description of the
// mailbox or generated at any size.

#include <unistd.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "mkpst/JsonMailbox.h"
#include "pstwriter/Generator.h"

namespace {

using namespace pellmark::pstwriter;

constexpr int kExitFailure = 1;
constexpr int kExitBadInput = 2;

const char* kUsage =
    "usage: pellmark-mkpst --from FILE.json OUT.pst [options]\n"
    "       pellmark-mkpst --generate N OUT.pst [--seed S] [options]\n"
    "\n"
    "  --from FILE.json   write the mailbox the JSON document describes (docs/mkpst-json.md)\n"
    "  --generate N       write a realistic mailbox of about N items\n"
    "  --seed S           seed of the generated mailbox (default 1); the same seed, the same file\n"
    "  --ansi             write the ANSI (pre-2003) format instead of Unicode\n"
    "  --encoding E       block encoding: none, permute (default) or cyclic\n"
    "  --quiet            no progress output\n";

struct Args {
    std::string from;
    std::optional<uint64_t> generate;
    uint64_t seed = 1;
    std::optional<Format> format;
    std::optional<CryptMethod> crypt;
    bool quiet = false;
    std::string out;
};

[[noreturn]] void usageError(const std::string& message) {
    std::cerr << "pellmark-mkpst: " << message << "\n\n" << kUsage;
    std::exit(kExitBadInput);
}

uint64_t number(const std::string& flag, const char* text) {
    uint64_t v = 0;
    const char* end = text + std::strlen(text);
    auto [p, ec] = std::from_chars(text, end, v);
    if (ec != std::errc() || p != end)
        usageError(flag + " needs a whole number, not '" + text + "'");
    return v;
}

Args parse(int argc, char** argv) {
    Args a;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usageError(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--from") {
            a.from = value();
        } else if (arg == "--generate") {
            a.generate = number(arg, value());
        } else if (arg == "--seed") {
            a.seed = number(arg, value());
        } else if (arg == "--ansi") {
            a.format = Format::Ansi;
        } else if (arg == "--encoding") {
            const std::string e = value();
            auto c = parseCryptMethod(e);
            if (!c) usageError("--encoding must be none, permute or cyclic, not '" + e + "'");
            a.crypt = *c;
        } else if (arg == "--quiet") {
            a.quiet = true;
        } else if (!arg.empty() && arg[0] == '-') {
            usageError("unknown option " + arg);
        } else if (a.out.empty()) {
            a.out = arg;
        } else {
            usageError("more than one output file given");
        }
    }
    if (a.from.empty() == !a.generate) usageError("give either --from FILE.json or --generate N");
    if (a.out.empty()) usageError("no output file given");
    return a;
}

int generate(const Args& a) {
    GenerateOptions o;
    o.items = *a.generate;
    o.seed = a.seed;
    o.variant = {a.format.value_or(Format::Unicode), a.crypt.value_or(CryptMethod::Permute)};
    const bool tty = ::isatty(STDERR_FILENO);
    uint64_t lastReport = 0;
    if (!a.quiet) {
        o.progress = [&](uint64_t items, uint64_t bytes) {
            if (!tty && items - lastReport < 10000) return;
            lastReport = items;
            std::fprintf(
                stderr, tty ? "\r%llu of %llu items, %.1f MB " : "%llu of %llu items, %.1f MB\n",
                static_cast<unsigned long long>(items), static_cast<unsigned long long>(o.items),
                static_cast<double>(bytes) / 1e6);
        };
    }
    const GenerateSummary s = generateMailbox(a.out, o);
    if (!a.quiet) {
        std::fprintf(stderr, "%swrote %s: %llu items, %llu attachments, %.1f MB\n", tty ? "\r" : "",
                     a.out.c_str(), static_cast<unsigned long long>(s.items),
                     static_cast<unsigned long long>(s.attachments),
                     static_cast<double>(s.bytes) / 1e6);
    }
    return 0;
}

int fromJson(const Args& a) {
    LoadedMailbox m = loadMailboxJson(a.from);  // throws JsonInputError
    FileVariant v = m.variant;
    if (a.format) v.format = *a.format;
    if (a.crypt) v.crypt = *a.crypt;
    m.builder.write(a.out, v);
    if (!a.quiet) std::fprintf(stderr, "wrote %s\n", a.out.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const Args args = parse(argc, argv);
    try {
        return args.generate ? generate(args) : fromJson(args);
    } catch (const JsonInputError& e) {
        std::cerr << "pellmark-mkpst: " << e.what() << "\n";
        return kExitBadInput;
    } catch (const std::invalid_argument& e) {
        std::cerr << "pellmark-mkpst: " << e.what() << "\n";
        return kExitBadInput;
    } catch (const std::exception& e) {
        std::cerr << "pellmark-mkpst: " << e.what() << "\n";
        return kExitFailure;
    }
}
