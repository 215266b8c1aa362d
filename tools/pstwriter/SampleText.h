#pragma once
// Varied, repeatable text for generated mailboxes: people, subjects, bodies in several
// languages and scripts (accents, CJK, emoji), drawn from a seeded generator.

#include <cstdint>
#include <string>
#include <vector>

#include "pstwriter/GeneratedContent.h"

namespace pellmark::pstwriter {

class Rng {
  public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t next() { return mix64(state_++ * 0x2545F4914F6CDD1Dull); }
    uint64_t below(uint64_t n) { return n ? next() % n : 0; }
    uint64_t between(uint64_t lo, uint64_t hi) { return lo + below(hi - lo + 1); }
    bool percent(uint64_t p) { return below(100) < p; }
    template <typename T>
    const T& pick(const std::vector<T>& v) {
        return v[below(v.size())];
    }

  private:
    uint64_t state_;
};

struct Person {
    std::string given, surname, email;
    std::string name() const { return given + " " + surname; }
};

class SampleText {
  public:
    explicit SampleText(Rng& rng) : rng_(rng) {}
    Person person();
    std::string subject();
    std::string paragraph();
    std::string plainBody(const std::string& greeting, size_t paragraphs);
    std::string company();
    std::string city();
    std::string street();
    std::string fileName(const std::string& extension);
    std::string phone();
    // Escapes text for an RTF body, non-ASCII as \uN? sequences.
    static std::string rtfEscape(const std::string& utf8);
    static std::string htmlEscape(const std::string& utf8);

  private:
    Rng& rng_;
};

}  // namespace pellmark::pstwriter
