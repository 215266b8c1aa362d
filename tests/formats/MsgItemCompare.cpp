#include "formats/MsgItemCompare.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "formats/MsgFileReader.h"
#include "formats/msg/MsgWriter.h"
#include "mapi/StoredSubject.h"
#include "mapi/Tags.h"

namespace pellmark::test {
namespace {

// The value of `tag`, which the object lists.
mapi::PropValue valueOf(const mapi::Properties& props, mapi::PropTag tag) {
    auto value = props.get(mapi::tagId(tag));
    if (!value) throw std::runtime_error("a listed property has no value");
    return std::move(*value);
}

using mapi::PropType;

constexpr uint16_t kStoreSupportMask = 0x340D;

std::optional<mapi::PropTag> findTag(const mapi::Properties& props, uint16_t id) {
    for (mapi::PropTag tag : props.tags()) {
        if (mapi::tagId(tag) == id) return tag;
    }
    return std::nullopt;
}

bool isString(PropType t) {
    const PropType base = mapi::baseType(t);
    return base == PropType::String8 || base == PropType::Unicode;
}

class ItemComparer {
  public:
    ItemComparer(const mapi::Item& source, const mapi::Item& written) : source_(source) {
        for (uint32_t id = 0x8000; id < 0xFFFF; ++id) {
            auto name = written.nameOf(static_cast<uint16_t>(id));
            if (!name) break;
            writtenIds_[nameText(*name)] = static_cast<uint16_t>(id);
        }
    }

    void item(const mapi::Item& s, const mapi::Item& w, const std::string& where) {
        subject(s, w, where);
        properties(s, w, where, true);
        const auto sr = s.recipients(), wr = w.recipients();
        ASSERT_EQ(sr.size(), wr.size()) << where;
        for (size_t i = 0; i < sr.size(); ++i) {
            properties(sr[i], wr[i], where + " recipient " + std::to_string(i), false);
        }
        ASSERT_EQ(s.attachmentCount(), w.attachmentCount()) << where;
        for (size_t i = 0; i < s.attachmentCount(); ++i) {
            const auto sa = s.attachment(i), wa = w.attachment(i);
            const std::string at = where + " attachment " + std::to_string(i);
            properties(*sa, *wa, at, true);
            const auto se = sa->embeddedMessage(), we = wa->embeddedMessage();
            ASSERT_EQ(se != nullptr, we != nullptr) << at;
            if (se) item(*se, *we, at + " message");
        }
    }

  private:
    // A message's stored subject loses its prefix marker; its parts are added where the
    // item does not hold them.
    void subject(const mapi::Item& s, const mapi::Item& w, const std::string& where) {
        const auto tag = findTag(s, mapi::prop::kSubject);
        if (!tag || !isString(mapi::tagType(*tag)) || mapi::isMultiValued(mapi::tagType(*tag)))
            return;
        const auto parts = mapi::splitStoredSubject(valueOf(s, *tag).asString(s.codepage()));
        subjectCompared_ = true;
        const auto written = findTag(w, mapi::prop::kSubject);
        ASSERT_TRUE(written) << where;
        EXPECT_EQ(valueOf(w, *written).asString(0), parts.subject) << where;
        if (!parts.marked) return;
        for (const auto& [id, text] :
             {std::pair{mapi::prop::kSubjectPrefix, parts.prefix},
              std::pair{mapi::prop::kNormalizedSubject, parts.normalized}}) {
            if (findTag(s, id)) continue;  // the item's own, compared as any property
            const auto derived = findTag(w, id);
            ASSERT_TRUE(derived) << where << ": no subject part " << std::hex << id;
            EXPECT_EQ(valueOf(w, *derived).asString(0), text) << where;
            ++derivedCount_;
        }
    }

    void properties(const mapi::Properties& s, const mapi::Properties& w, const std::string& where,
                    bool marksUnicode) {
        size_t expected = 0;
        for (mapi::PropTag tag : s.tags()) {
            if (formats::isPstInternalProperty(mapi::tagId(tag))) continue;
            if (mapi::tagType(tag) == PropType::Object) continue;  // compared as a message
            const auto id = writtenId(mapi::tagId(tag));
            if (!id) continue;  // a named id the source's map does not name is left out
            const auto wtag = findTag(w, *id);
            ++expected;
            if (!wtag) {
                ADD_FAILURE() << where << ": property " << std::hex << tag << " is missing";
                continue;
            }
            value(s, tag, w, *wtag, where);
        }
        const bool maskAdded = marksUnicode && !findTag(s, kStoreSupportMask);
        const auto written = w.tags();
        const auto objects = std::count_if(written.begin(), written.end(), [](mapi::PropTag t) {
            return mapi::tagType(t) == PropType::Object;
        });
        EXPECT_EQ(written.size() - objects, expected + (maskAdded ? 1 : 0) + derivedCount_)
            << where;
        derivedCount_ = 0;
        subjectCompared_ = false;
        if (marksUnicode) {
            const auto mask = findTag(w, kStoreSupportMask);
            ASSERT_TRUE(mask) << where;
            EXPECT_TRUE(*valueOf(w, *mask).asInteger() & 0x40000) << where;
        }
    }

    void value(const mapi::Properties& s, mapi::PropTag tag, const mapi::Properties& w,
               mapi::PropTag wtag, const std::string& where) {
        const mapi::PropValue sv = valueOf(s, tag), wv = valueOf(w, wtag);
        const PropType type = mapi::tagType(tag);
        const std::string what = where + " property " + std::to_string(tag);
        if (isString(type)) {
            EXPECT_EQ(mapi::baseType(mapi::tagType(wtag)), PropType::Unicode) << what;
            if (mapi::tagId(tag) == mapi::prop::kSubject && subjectCompared_) return;
            if (mapi::isMultiValued(type)) {
                EXPECT_EQ(sv.asStrings(s.codepage()), wv.asStrings(0)) << what;
            } else {
                EXPECT_EQ(sv.asString(s.codepage()), wv.asString(0)) << what;
            }
            return;
        }
        EXPECT_EQ(type, mapi::tagType(wtag)) << what;
        if (mapi::tagId(tag) == kStoreSupportMask) {
            EXPECT_EQ(*sv.asInteger() | 0x40000, *wv.asInteger()) << what;
        } else if (mapi::isMultiValued(type) && mapi::fixedSize(type) == 0) {
            EXPECT_EQ(sv.elements(), wv.elements()) << what;
        } else if (!mapi::isMultiValued(type) && mapi::fixedSize(type) > 0) {
            const size_t n = mapi::fixedSize(type);
            ASSERT_GE(sv.bytes.size(), n) << what;
            ASSERT_GE(wv.bytes.size(), n) << what;
            EXPECT_TRUE(std::equal(sv.bytes.begin(), sv.bytes.begin() + n, wv.bytes.begin()))
                << what;
        } else {
            EXPECT_EQ(sv.bytes, wv.bytes) << what;
        }
    }

    std::optional<uint16_t> writtenId(uint16_t id) const {
        if (id < 0x8000) return id;
        auto name = source_.nameOf(id);
        if (!name) return std::nullopt;
        auto it = writtenIds_.find(nameText(*name));
        if (it == writtenIds_.end()) return std::nullopt;
        return it->second;
    }

    const mapi::Item& source_;
    // What subject() found of the message whose properties are compared next.
    size_t derivedCount_ = 0;
    bool subjectCompared_ = false;
    std::map<std::string, uint16_t> writtenIds_;
};

}  // namespace

void expectSameItem(const mapi::Item& source, const mapi::Item& written, const std::string& where) {
    ItemComparer(source, written).item(source, written, where);
}

}  // namespace pellmark::test
