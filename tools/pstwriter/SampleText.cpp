#include "pstwriter/SampleText.h"

#include "pstwriter/ltp/ValueEncoder.h"

namespace pellmark::pstwriter {
namespace {

const std::vector<std::string> kGiven = {
    "Anna",    "Bernd",  "Chloé",    "Dmitri", "Elif",  "François", "Greta",  "Hiroshi",
    "Inès",    "Jürgen", "Kateřina", "Lars",   "María", "Nils",     "Øyvind", "Paulo",
    "Quentin", "Renée",  "Søren",    "Tomás",  "Uwe",   "Valérie",  "Wei",    "Xavier",
    "Yuki",    "Zoë",    "美咲",     "陈",     "Олег",  "Ahmed"};
const std::vector<std::string> kSurname = {
    "Müller", "García",   "Dubois",    "Nováková",  "Öztürk", "Schmidt", "Rossi",
    "Tanaka", "Kowalski", "Johansson", "O'Brien",   "Smith",  "Łukasz",  "Brontë",
    "Nguyễn", "山田",     "Иванов",    "Fernández", "Weiß",   "Da Silva"};
const std::vector<std::string> kDomains = {"example.com", "example.org", "mail.example.net",
                                           "exemple.fr",  "beispiel.de", "例え.jp"};
const std::vector<std::string> kTopics = {"Quarterly report",
                                          "Budget 2024",
                                          "Réunion de lundi",
                                          "Angebot für Büromöbel",
                                          "Project Phoenix status",
                                          "Lunch on Friday?",
                                          "会議の議事録",
                                          "Invoice #4711",
                                          "Holiday plans 🌴",
                                          "Server maintenance window",
                                          "Contrat signé",
                                          "Ihre Bestellung",
                                          "Re-org announcement",
                                          "Welcome aboard!",
                                          "Photos from the trip 📷",
                                          "Draft proposal",
                                          "Urgent: password reset",
                                          "Newsletter – März",
                                          "季度预算",
                                          "Feedback on the design"};
const std::vector<std::string> kWords = {
    "the",  "report", "meeting", "please", "review",  "attached", "budget",   "schedule",
    "déjà", "naïve",  "über",    "straße", "résumé",  "café",     "事務所",   "ありがとう",
    "team", "update", "next",    "week",   "project", "customer", "deadline", "agenda",
    "🙂", "data",   "office",  "plan",   "numbers", "contract", "draft",    "comments"};
const std::vector<std::string> kCompanies = {
    "Acme GmbH",        "Globex S.A.",   "Initech Ltd", "Umbrella KK", "Société Générale de Test",
    "株式会社サンプル", "Müller & Söhne"};
const std::vector<std::string> kCities = {"Berlin", "Paris",     "Zürich",    "Kraków",
                                          "東京",   "São Paulo", "Reykjavík", "Springfield"};
const std::vector<std::string> kStreets = {"Hauptstraße", "Rue de la Paix", "Main Street",
                                           "Calle Mayor", "Kungsgatan",     "銀座通り"};

std::string asciiFold(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x80 && c != ' ' && c != '\'') out.push_back(static_cast<char>(std::tolower(c)));
    }
    return out.empty() ? "user" : out;
}

}  // namespace

Person SampleText::person() {
    Person p{rng_.pick(kGiven), rng_.pick(kSurname), {}};
    p.email = asciiFold(p.given) + "." + asciiFold(p.surname) + std::to_string(rng_.below(100)) +
              "@" + rng_.pick(kDomains);
    return p;
}

std::string SampleText::subject() {
    std::string s = rng_.pick(kTopics);
    if (rng_.percent(30)) s += " (" + std::to_string(rng_.between(1, 999)) + ")";
    return s;
}

std::string SampleText::paragraph() {
    std::string p;
    const uint64_t n = rng_.between(8, 40);
    for (uint64_t i = 0; i < n; ++i) {
        std::string w = rng_.pick(kWords);
        if (i == 0) w[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(w[0])));
        p += (i ? " " : "") + w;
    }
    return p + ".";
}

std::string SampleText::plainBody(const std::string& greeting, size_t paragraphs) {
    std::string b = "Hello " + greeting + ",\r\n\r\n";
    for (size_t i = 0; i < paragraphs; ++i) b += paragraph() + "\r\n\r\n";
    return b + "Regards\r\n";
}

std::string SampleText::company() {
    return rng_.pick(kCompanies);
}
std::string SampleText::city() {
    return rng_.pick(kCities);
}
std::string SampleText::street() {
    return rng_.pick(kStreets) + " " + std::to_string(rng_.between(1, 200));
}
std::string SampleText::phone() {
    return '+' + std::to_string(rng_.between(1, 49)) + " " +
           std::to_string(rng_.between(100, 999)) + " " +
           std::to_string(rng_.between(100000, 9999999));
}

std::string SampleText::fileName(const std::string& extension) {
    static const std::vector<std::string> stems = {"report", "Angebot", "photo",       "notes",
                                                   "résumé", "議事録",  "data export", "scan"};
    return rng_.pick(stems) + "_" + std::to_string(rng_.below(1000)) + extension;
}

std::string SampleText::rtfEscape(const std::string& utf8) {
    std::string out;
    ByteVec units = utf16le(utf8);
    for (size_t i = 0; i + 1 < units.size(); i += 2) {
        const int u = units[i] | units[i + 1] << 8;
        if (u == '\\' || u == '{' || u == '}')
            out += std::string("\\") + static_cast<char>(u);
        else if (u == '\n')
            out += "\\par\n";
        else if (u == '\r')
            continue;
        else if (u < 0x80)
            out.push_back(static_cast<char>(u));
        else
            out += "\\u" + std::to_string(static_cast<int16_t>(u)) + "?";
    }
    return out;
}

std::string SampleText::htmlEscape(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\r':
                break;
            case '\n':
                out += "<br>\n";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

}  // namespace pellmark::pstwriter
