#include "mkpst/JsonCursor.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QTimeZone>

#include <cmath>
#include <fstream>
#include <sstream>

#include "pstwriter/ltp/PropValue.h"

namespace pellmark::pstwriter {
namespace {

const char* typeName(const QJsonValue& v) {
    switch (v.type()) {
        case QJsonValue::Null:
            return "null";
        case QJsonValue::Bool:
            return "a boolean";
        case QJsonValue::Double:
            return "a number";
        case QJsonValue::String:
            return "a string";
        case QJsonValue::Array:
            return "an array";
        case QJsonValue::Object:
            return "an object";
        default:
            return "nothing";
    }
}

}  // namespace

JsonCursor JsonCursor::parse(const std::string& text, const std::string& sourceName) {
    QJsonParseError error;
    const QByteArray bytes(text.data(), static_cast<qsizetype>(text.size()));
    QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError) {
        size_t line = 1, column = 1;
        for (qsizetype i = 0; i < error.offset && i < bytes.size(); ++i) {
            if (bytes[i] == '\n') {
                ++line;
                column = 1;
            } else if ((static_cast<unsigned char>(bytes[i]) & 0xC0) != 0x80) {
                ++column;
            }
        }
        throw JsonInputError(sourceName + ":" + std::to_string(line) + ":" +
                             std::to_string(column) +
                             ": syntax error: " + error.errorString().toStdString());
    }
    if (!doc.isObject()) throw JsonInputError(sourceName + ": the document must be a JSON object");
    return JsonCursor(doc.object(), "");
}

std::string JsonCursor::readDocument(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw JsonInputError("cannot read " + file.string());
    std::ostringstream ss;
    ss << in.rdbuf();
    if (in.bad()) throw JsonInputError("cannot read " + file.string());
    return ss.str();
}

void JsonCursor::fail(const std::string& message) const {
    throw JsonInputError((path_.empty() ? std::string("the document") : path_) + ": " + message);
}

void JsonCursor::requireObject() const {
    if (!value_.isObject()) fail(std::string("expected an object, found ") + typeName(value_));
}

void JsonCursor::allowOnly(std::initializer_list<const char*> keys) const {
    requireObject();
    const QJsonObject o = value_.toObject();
    for (auto it = o.begin(); it != o.end(); ++it) {
        bool known = false;
        for (const char* k : keys) known = known || it.key() == QLatin1String(k);
        if (!known) {
            JsonCursor(it.value(), path_.empty() ? it.key().toStdString()
                                                 : path_ + "." + it.key().toStdString())
                .fail("unknown field");
        }
    }
}

bool JsonCursor::has(const char* key) const {
    return value_.isObject() && value_.toObject().contains(QLatin1String(key));
}

JsonCursor JsonCursor::field(const char* key) const {
    requireObject();
    const std::string p = path_.empty() ? key : path_ + "." + key;
    if (!has(key)) JsonCursor(QJsonValue(), p).fail("missing");
    return JsonCursor(value_.toObject().value(QLatin1String(key)), p);
}

std::vector<JsonCursor> JsonCursor::array() const {
    if (!value_.isArray()) fail(std::string("expected an array, found ") + typeName(value_));
    std::vector<JsonCursor> out;
    const QJsonArray a = value_.toArray();
    for (qsizetype i = 0; i < a.size(); ++i) {
        out.emplace_back(a.at(i), path_ + "[" + std::to_string(i) + "]");
    }
    return out;
}

std::vector<JsonCursor> JsonCursor::arrayField(const char* key) const {
    return has(key) ? field(key).array() : std::vector<JsonCursor>{};
}

std::string JsonCursor::string() const {
    if (!value_.isString()) fail(std::string("expected a string, found ") + typeName(value_));
    return value_.toString().toStdString();
}

bool JsonCursor::boolean() const {
    if (!value_.isBool()) fail(std::string("expected true or false, found ") + typeName(value_));
    return value_.toBool();
}

double JsonCursor::number() const {
    if (!value_.isDouble()) fail(std::string("expected a number, found ") + typeName(value_));
    return value_.toDouble();
}

int64_t JsonCursor::integer(int64_t min, int64_t max) const {
    // Hexadecimal strings ("0x8503") are accepted for ids and tags.
    if (value_.isString()) {
        const std::string s = string();
        size_t used = 0;
        int64_t v = 0;
        try {
            v = std::stoll(s, &used, 0);
        } catch (const std::exception&) {
            fail("expected a whole number, found '" + s + "'");
        }
        if (used != s.size()) fail("expected a whole number, found '" + s + "'");
        if (v < min || v > max)
            fail("must be between " + std::to_string(min) + " and " + std::to_string(max));
        return v;
    }
    const double d = number();
    if (d != std::floor(d)) fail("expected a whole number");
    if (d < static_cast<double>(min) || d > static_cast<double>(max)) {
        fail("must be between " + std::to_string(min) + " and " + std::to_string(max));
    }
    return static_cast<int64_t>(d);
}

uint64_t JsonCursor::time() const {
    const std::string s = string();
    QDateTime t = QDateTime::fromString(QString::fromStdString(s), Qt::ISODate);
    if (!t.isValid())
        fail("expected an ISO 8601 time such as 2024-03-01T10:00:00Z, found '" + s + "'");
    if (t.timeSpec() == Qt::LocalTime) t.setTimeZone(QTimeZone::utc());  // no zone given: UTC
    const int64_t secs = t.toSecsSinceEpoch();
    if (secs < -11644473600) fail("time before 1601");
    return fileTimeFromUnix(secs);
}

JsonCursor::WallTime JsonCursor::wallTime() const {
    const std::string s = string();
    const QString text = QString::fromStdString(s);
    WallTime w;
    QDateTime t = QDateTime::fromString(text, Qt::ISODate);
    const QDate date = s.size() == 10 ? QDate::fromString(text, Qt::ISODate) : QDate();
    if (date.isValid()) {
        t = QDateTime(date, QTime(0, 0), QTimeZone::utc());
        w.dateOnly = true;
    } else if (t.isValid()) {
        w.absolute = t.timeSpec() != Qt::LocalTime;
        if (!w.absolute) t = QDateTime(t.date(), t.time(), QTimeZone::utc());
    }
    if (!t.isValid())
        fail(
            "expected an ISO 8601 date or time such as 2024-03-01 or 2024-03-01T10:00:00, found '" +
            s + "'");
    const int64_t secs = t.toSecsSinceEpoch();
    if (secs < -11644473600) fail("time before 1601");
    w.fileTime = fileTimeFromUnix(secs);
    return w;
}

std::vector<uint8_t> JsonCursor::base64() const {
    const QByteArray in = QByteArray::fromStdString(string());
    auto decoded = QByteArray::fromBase64Encoding(in, QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) fail("not valid base64");
    return std::vector<uint8_t>(decoded.decoded.begin(), decoded.decoded.end());
}

std::optional<std::string> JsonCursor::optString(const char* key) const {
    if (!has(key)) return std::nullopt;
    return field(key).string();
}

std::optional<bool> JsonCursor::optBool(const char* key) const {
    if (!has(key)) return std::nullopt;
    return field(key).boolean();
}

std::optional<int64_t> JsonCursor::optInteger(const char* key, int64_t min, int64_t max) const {
    if (!has(key)) return std::nullopt;
    return field(key).integer(min, max);
}

std::optional<uint64_t> JsonCursor::optTime(const char* key) const {
    if (!has(key)) return std::nullopt;
    return field(key).time();
}

}  // namespace pellmark::pstwriter
