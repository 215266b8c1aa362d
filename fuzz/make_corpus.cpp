// Writes damaged variants of small generated mailboxes (fuzz/Damage.h) into a directory, to
// seed the fuzzer with the damage real files show: copies cut short and changes that pass
// the checksums.
//   make_corpus DIR

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "Damage.h"
#include "pstwriter/Generator.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_corpus DIR\n";
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path dir = argv[1];
    fs::create_directories(dir);
    using pellmark::pst::CryptMethod;
    using pellmark::pst::Format;
    const pellmark::pstwriter::FileVariant variants[] = {{Format::Unicode, CryptMethod::Permute},
                                                         {Format::Ansi, CryptMethod::Cyclic}};
    int written = 0;
    for (const auto& variant : variants) {
        pellmark::pstwriter::GenerateOptions o;
        o.items = 40;
        o.seed = 9;
        o.variant = variant;
        const fs::path whole = dir / "whole.pst";
        pellmark::pstwriter::generateMailbox(whole, o);
        std::ostringstream bytes;
        bytes << std::ifstream(whole, std::ios::binary).rdbuf();
        fs::remove(whole);
        const std::string prefix = variant.format == Format::Ansi ? "ansi-" : "unicode-";
        for (const auto& d : pellmark::fuzz::damagedVariants(bytes.str(), 1, 16, 16, 32)) {
            std::ofstream(dir / (prefix + d.name + ".pst"), std::ios::binary) << d.bytes;
            ++written;
        }
    }
    std::cout << written << " damaged variants in " << dir.string() << '\n';
}
