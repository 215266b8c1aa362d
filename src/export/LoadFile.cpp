#include "export/LoadFile.h"

#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "export/FolderOutput.h"
#include "export/RecordFile.h"
#include "export/SafePaths.h"

namespace pellmark::exporting {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kQuote = "\xC3\xBE";    // þ
constexpr std::string_view kNewline = "\xC2\xAE";  // ®
constexpr char kDelimiter = '\x14';
constexpr std::string_view kRowEnd = "\r\n";

using Field = std::string LoadFile::Document::*;
using D = LoadFile::Document;

// The fields in the order of the row, with their names in the header.
constexpr std::array<std::pair<const char*, Field>, 27> kFields{{
    {"BEGDOC", &D::begDoc},
    {"ENDDOC", &D::endDoc},
    {"BEGATTACH", &D::begAttach},
    {"ENDATTACH", &D::endAttach},
    {"PARENT_DOCID", &D::parentDocId},
    {"DUPLICATE_OF", &D::duplicateOf},
    {"CUSTODIAN", &D::custodian},
    {"FOLDER_PATH", &D::folderPath},
    {"FROM", &D::from},
    {"TO", &D::to},
    {"CC", &D::cc},
    {"BCC", &D::bcc},
    {"SUBJECT", &D::subject},
    {"DATE_SENT", &D::dateSent},
    {"DATE_RECEIVED", &D::dateReceived},
    {"MESSAGE_ID", &D::messageId},
    {"CONVERSATION_INDEX", &D::conversationIndex},
    {"ATTACHMENT_COUNT", &D::attachmentCount},
    {"FILE_NAME", &D::fileName},
    {"FILE_EXTENSION", &D::fileExtension},
    {"NATIVE_PATH", &D::nativePath},
    {"FILE_SIZE", &D::fileSize},
    {"MD5", &D::md5},
    {"SHA1", &D::sha1},
    {"SHA256", &D::sha256},
    {"ENTRY_ID", &D::entryId},
    {"CONTENT_HASH", &D::contentHash},
}};

// A field between quotes: a quote inside doubled, each line break (CR LF, LF or CR) the
// newline marker.
void appendField(std::string& row, std::string_view value) {
    row += kQuote;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
            row += kNewline;
        } else if (value.substr(i, kQuote.size()) == kQuote) {
            row += kQuote;
            row += kQuote;
            ++i;
        } else {
            row += c;
        }
    }
    row += kQuote;
}

std::string rowOfNames() {
    std::string row;
    for (const auto& [name, field] : kFields) {
        if (!row.empty()) row += kDelimiter;
        appendField(row, name);
    }
    return row + std::string(kRowEnd);
}

}  // namespace

std::string LoadFile::header() {
    return std::string(kBom) + rowOfNames();
}

std::string LoadFile::rowOf(const Document& document) {
    std::string row;
    bool first = true;
    for (const auto& [name, field] : kFields) {
        if (!first) row += kDelimiter;
        first = false;
        appendField(row, document.*field);
    }
    return row + std::string(kRowEnd);
}

std::optional<LoadFile::Document> LoadFile::parseRow(std::string_view row) {
    if (row.substr(0, kBom.size()) == kBom) row.remove_prefix(kBom.size());
    while (!row.empty() && (row.back() == '\n' || row.back() == '\r')) row.remove_suffix(1);
    std::vector<std::string> values;
    std::size_t at = 0;
    while (true) {
        if (row.substr(at, kQuote.size()) != kQuote) return std::nullopt;
        at += kQuote.size();
        std::string value;
        while (true) {
            if (at >= row.size()) return std::nullopt;  // no closing quote
            if (row.substr(at, kQuote.size()) == kQuote) {
                if (row.substr(at + kQuote.size(), kQuote.size()) == kQuote) {
                    value += kQuote;
                    at += 2 * kQuote.size();
                    continue;
                }
                at += kQuote.size();
                break;
            }
            value += row[at++];
        }
        values.push_back(std::move(value));
        if (at == row.size()) break;
        if (row[at] != kDelimiter) return std::nullopt;
        ++at;
    }
    if (values.size() != kFields.size() || values[0] == kFields[0].first) return std::nullopt;
    Document document;
    for (std::size_t i = 0; i < kFields.size(); ++i) document.*kFields[i].second = values[i];
    return document;
}

LoadFile::LoadFile(std::string directory)
    : directory_(std::move(directory)),
      file_(std::make_unique<RecordFile>(directory_ + kFileName, header(), kRowEnd)) {}

LoadFile::~LoadFile() = default;

void LoadFile::record(std::vector<Document> family) {
    std::string rows;
    for (Document& d : family) {
        if (d.nativePath.rfind(directory_, 0) == 0) d.nativePath.erase(0, directory_.size());
        rows += rowOf(d);
    }
    file_->append(rows);
}

void LoadFile::retract() {
    file_->retract();
}

std::vector<LoadFile::Document> LoadFile::read(const std::string& path) {
    std::vector<Document> rows;
    std::ifstream in(path, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (auto d = parseRow(line)) rows.push_back(std::move(*d));
    }
    return rows;
}

void LoadFile::keepOnly(const std::string& directory,
                        const std::unordered_set<std::string>& documents) {
    std::vector<Document> kept;
    for (Document& d : read(directory + kFileName)) {
        if (documents.count(d.begDoc) > 0) kept.push_back(std::move(d));
    }
    writeWhole(directory + kFileName, kept);
}

void LoadFile::writeWhole(const std::string& path, const std::vector<Document>& rows) {
    std::string content = header();
    for (const Document& d : rows) content += rowOf(d);
    writeWholeFile(path + ".new", content);
    if (::rename((path + ".new").c_str(), path.c_str()) != 0) {
        throw WriteError("cannot write " + path + ": " + std::strerror(errno));
    }
}

}  // namespace pellmark::exporting
