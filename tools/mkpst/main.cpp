// pellmark-mkpst: writes .pst files for tests and benchmarks, from a JSON description of the
// mailbox or generated at any size.

#include <unistd.h>

#include <cctype>
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
    "       pellmark-mkpst --size BYTES OUT.pst [--seed S] [options]\n"
    "\n"
    "  --from FILE.json   write the mailbox the JSON document describes (docs/mkpst-json.md)\n"
    "  --generate N       write a realistic mailbox of about N items\n"
    "  --size BYTES       write generated items until the file is about BYTES large\n"
    "  --seed S           seed of the generated mailbox (default 1); the same seed, the same file\n"
    "  --one-folder       put every generated item in the Inbox (other folders stay empty)\n"
    "  --small            small generated items: mail with a short plain body, no attachments\n"
    "                     and no embedded messages\n"
    "  --big-attachment BYTES\n"
    "                     add one message with one attachment of BYTES (made as it is written)\n"
    "  --ansi             write the ANSI (pre-2003) format instead of Unicode\n"
    "  --ost              write the 4 KiB-page Unicode format of Outlook 2013 and later .ost "
    "files\n"
    "  --encoding E       block encoding: none, permute (default) or cyclic\n"
    "  --quiet            no progress output\n"
    "\n"
    "BYTES may end in K, M, G or T (powers of 1024): --size 50G, --big-attachment 2G.\n";

struct Args {
    std::string from;
    std::optional<uint64_t> generate;
    std::optional<uint64_t> size;
    uint64_t seed = 1;
    uint64_t bigAttachment = 0;
    bool oneFolder = false;
    bool small = false;
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

// A byte count, with an optional binary suffix.
uint64_t byteCount(const std::string& flag, const char* text) {
    std::string digits = text;
    unsigned shift = 0;
    if (!digits.empty()) {
        const char* suffixes = "KMGT";
        if (const char* s = std::strchr(suffixes, std::toupper(digits.back())); s && *s) {
            shift = 10 * static_cast<unsigned>(s - suffixes + 1);
            digits.pop_back();
        }
    }
    const uint64_t v = number(flag, digits.c_str());
    if (v > (~uint64_t{0} >> shift)) usageError(flag + " is too large: '" + text + "'");
    return v << shift;
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
        } else if (arg == "--size") {
            a.size = byteCount(arg, value());
            if (*a.size == 0) usageError("--size must be more than 0");
        } else if (arg == "--big-attachment") {
            a.bigAttachment = byteCount(arg, value());
            // The attachment's size property is 32 bits wide.
            if (a.bigAttachment > 0xFFFFFFFFull)
                usageError("--big-attachment is at most 4G less 1");
        } else if (arg == "--one-folder") {
            a.oneFolder = true;
        } else if (arg == "--small") {
            a.small = true;
        } else if (arg == "--ost") {
            a.format = Format::Unicode4k;
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
    const int modes = !a.from.empty() + a.generate.has_value() + a.size.has_value();
    if (modes != 1) usageError("give one of --from FILE.json, --generate N or --size BYTES");
    if (!a.from.empty() && (a.oneFolder || a.small || a.bigAttachment)) {
        usageError("--one-folder, --small and --big-attachment are for generated mailboxes");
    }
    if (a.out.empty()) usageError("no output file given");
    return a;
}

int generate(const Args& a) {
    GenerateOptions o;
    o.items = a.generate.value_or(0);
    o.targetBytes = a.size.value_or(0);
    o.oneFolder = a.oneFolder;
    o.small = a.small;
    o.bigAttachment = a.bigAttachment;
    o.seed = a.seed;
    o.variant = {a.format.value_or(Format::Unicode), a.crypt.value_or(CryptMethod::Permute)};
    const bool tty = ::isatty(STDERR_FILENO);
    uint64_t lastReport = 0;
    if (!a.quiet) {
        o.progress = [&](uint64_t items, uint64_t bytes) {
            if (!tty && items - lastReport < 10000 && lastReport != 0) return;
            lastReport = items;
            // Against the goal: the item count, or the size.
            const std::string goal = o.targetBytes ? std::to_string(o.targetBytes / 1000000) + " MB"
                                                   : std::to_string(o.items) + " items";
            std::fprintf(stderr,
                         tty ? "\r%llu items, %.1f MB of %s " : "%llu items, %.1f MB of %s\n",
                         static_cast<unsigned long long>(items), static_cast<double>(bytes) / 1e6,
                         goal.c_str());
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
        return args.from.empty() ? generate(args) : fromJson(args);
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
