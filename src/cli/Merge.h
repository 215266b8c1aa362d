#pragma once
// One load file and one manifest for the exports of many mailboxes: those of one run, and
// those of the shards of a run split over machines. Paths in them become relative to the
// directory the combined files are written to, so that it can be handed over whole.

#include <cstdint>
#include <string>
#include <vector>

#include "export/LoadFile.h"

namespace pellmark::cli {

// What a run that takes one shard of many mailboxes leaves in its OUTDIR, so that a merge
// knows whether every shard was run to its end and which mailboxes each exported.
struct ShardRecord {
    struct Mailbox {
        std::string directory;  // below OUTDIR
        int status = 0;         // the mailbox's exit status
        std::string file;
    };
    int shard = 0;
    int shards = 0;
    int64_t mailboxesInRun = 0;  // of all shards together
    bool finished = false;       // false: stopped by a signal before the end
    std::vector<Mailbox> mailboxes;

    // "export-shard-K-of-N.tsv".
    static std::string fileName(int shard, int shards);
    // Writes the record into `outputDirectory`. Throws WriteError.
    void write(const std::string& outputDirectory) const;
    // The records in `directory`, in no particular order.
    static std::vector<ShardRecord> readAll(const std::string& directory);
};

// The name of the load file a run of many mailboxes writes in its OUTDIR: one of its own for
// each shard, so that shards may share one OUTDIR.
std::string runLoadFileName(int shard, int shards);

// Writes the rows of the load files of `exportRoots` (each ending with '/'), in order, as one
// load file at `path`, native paths relative to its directory; with `copies`, copies across
// them are marked (markCopiesAcross; never a recovered item, as the manifests tell) and counted
// there. Returns what stands against it (a document id in two of them), and writes nothing
// then; else sets `rows`. Throws WriteError.
std::vector<std::string> writeCombinedLoadFile(const std::vector<std::string>& exportRoots,
                                               const std::string& path, std::size_t& rows,
                                               std::size_t* copies = nullptr);

}  // namespace pellmark::cli
