#include "WalkFile.h"

#include <vector>

#include "mapi/Tags.h"
#include "pst/messaging/Folder.h"
#include "pst/messaging/Items.h"
#include "pst/messaging/Message.h"
#include "pst/messaging/PstFile.h"

namespace pellmark::fuzz {
namespace {

using namespace pellmark::pst;

class Walker {
  public:
    explicit Walker(size_t budget) : budget_(budget) {}

    template <typename F>
    void guarded(F&& f) {
        if (budget_ == 0) return;
        --budget_;
        try {
            f();
        } catch (const PstError&) {
            ++stats.errors;
        } catch (const mapi::ValueError&) {
            ++stats.errors;
        }
    }

    void properties(const PropertyContext& pc) {
        for (const auto& r : pc.records()) {
            guarded([&] {
                auto v = pc.get(r.id);
                ++stats.properties;
                if (v) {
                    (void)v->asString(1252);
                    (void)v->asStrings(932);
                    (void)v->elements();
                }
            });
        }
    }

    void message(const Message& m) {
        ++stats.messages;
        properties(m.props());
        (void)m.subject();
        guarded([&] {
            for (const auto& r : m.recipients()) (void)r.text(mapi::prop::kDisplayName);
        });
        size_t count = 0;
        guarded([&] { count = m.attachmentCount(); });
        // The attachments through the item model, as the writers read them.
        const auto item = itemOf(m);
        for (size_t i = 0; i < count; ++i) {
            guarded([&] {
                properties(m.attachment(i).props());
                attachment(*item->attachment(i));
            });
        }
    }

    void attachment(const mapi::Attachment& a) {
        (void)a.fileName();
        auto stream = a.openData();
        std::vector<uint8_t> buf(64 * 1024);
        while (size_t n = stream->read(buf)) stats.attachmentBytes += n;
        if (const auto inner = a.embeddedMessage()) {
            ++stats.messages;
            for (const mapi::PropTag tag : inner->tags()) {
                guarded([&] {
                    if (auto v = inner->get(mapi::tagId(tag))) (void)v->asStrings(1252);
                });
            }
            guarded([&] { (void)inner->recipients(); });
            const size_t count = inner->attachmentCount();
            for (size_t i = 0; i < count; ++i) guarded([&] { attachment(*inner->attachment(i)); });
        }
    }

    void folder(const PstFile& file, const Folder& f) {
        ++stats.folders;
        properties(f.props());
        std::vector<NodeId> messages;
        guarded([&] { messages = f.messageIds(); });
        for (NodeId id : messages) {
            guarded([&] { message(file.message(id)); });
        }
    }

    WalkStats stats;

  private:
    size_t budget_;
};

}  // namespace

WalkStats walkFile(const std::filesystem::path& path, size_t budget) {
    Walker w(budget);
    std::shared_ptr<PstFile> file;
    w.guarded([&] { file = PstFile::open(path); });
    if (!file) return w.stats;
    w.guarded([&] { (void)file->store(); });
    w.guarded([&] { (void)file->nameMap(); });
    // Every folder, hidden ones included, and the top of the visible tree (where an .ost keeps
    // it), each once.
    std::vector<NodeId> starts{nid::kRootFolder};
    w.guarded([&] { starts.push_back(file->ipmSubtree().id()); });
    w.guarded([&] {
        file->forEachFolder(
            starts, [&](const Folder& f) { w.guarded([&] { w.folder(*file, f); }); },
            [&](NodeId, const PstError&) { ++w.stats.errors; });
    });
    w.guarded([&] {
        file->ndb().forEachNode([&](const NodeEntry& e) {
            w.guarded([&] { (void)DataTree(file->ndb(), e.bidData, e.nid).size(); });
            return true;
        });
    });
    return w.stats;
}

}  // namespace pellmark::fuzz
