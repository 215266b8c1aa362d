#pragma once
// Reading a JSON document with its place always known: every value carries its path
// ("folders[2].messages[0].attachments[1].size"), and every complaint names it. Syntax errors
// name the line and column.

#include <QJsonValue>

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pellmark::pstwriter {

class JsonInputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class JsonCursor {
  public:
    JsonCursor(QJsonValue value, std::string path)
        : value_(std::move(value)), path_(std::move(path)) {}

    // Reads and parses a document; JsonInputError for an unreadable file or bad syntax.
    static JsonCursor parse(const std::string& text, const std::string& sourceName);
    // The text of a file; JsonInputError when it cannot be read.
    static std::string readDocument(const std::filesystem::path& file);

    const std::string& path() const { return path_; }
    [[noreturn]] void fail(const std::string& message) const;

    // Object access. allowOnly() rejects any key not listed.
    void requireObject() const;
    void allowOnly(std::initializer_list<const char*> keys) const;
    bool has(const char* key) const;
    JsonCursor field(const char* key) const;
    std::vector<JsonCursor> array() const;
    std::vector<JsonCursor> arrayField(const char* key) const;  // empty when absent

    std::string string() const;
    bool boolean() const;
    double number() const;
    int64_t integer(int64_t min, int64_t max) const;
    // ISO 8601 date and time, as a FILETIME.
    uint64_t time() const;
    // An ISO 8601 date or date and time as its wall clock reads it: the FILETIME it would be
    // in UTC, and whether it names its own zone or offset (then it is the real instant).
    struct WallTime {
        uint64_t fileTime = 0;
        bool absolute = false;
        bool dateOnly = false;
    };
    WallTime wallTime() const;
    std::vector<uint8_t> base64() const;

    std::optional<std::string> optString(const char* key) const;
    std::optional<bool> optBool(const char* key) const;
    std::optional<int64_t> optInteger(const char* key, int64_t min, int64_t max) const;
    std::optional<uint64_t> optTime(const char* key) const;

  private:
    QJsonValue value_;
    std::string path_;
};

}  // namespace pellmark::pstwriter
