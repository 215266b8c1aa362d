#pragma once
// The mailboxes a command line's MAILBOX arguments stand for: a file as given (a .pst, .ost or
// .msg file); a directory for every .pst and .ost file in it, and for one mailbox more of the
// .msg files in it and in its subdirectories at any depth (the directory itself, whose folders
// are its subdirectories). The export and the listings read them the same way.

#include <string>
#include <vector>

namespace pellmark::cli {

struct MailboxInput {
    std::string file;     // as given, or found in a directory given; a directory of .msg files
    std::string problem;  // why it cannot be read at all; empty when it can be tried
    // What --shard hashes: the argument as given, or for a data file found in a directory
    // given its name there, so that machines that mount the directory at different places
    // still split the mailboxes alike.
    std::string shardKey = {};
};

// The mailboxes `inputs` stand for, in order, each once; directories give their .pst and
// .ost files in name order, then themselves when they hold .msg files. What a directory names as a
// data file but is none (a pipe, a link to a device or to nothing), and a directory without any,
// come with their problem, so that they are named, not passed over.
std::vector<MailboxInput> mailboxesOf(const std::vector<std::string>& inputs);

// More than one input, or a directory: each mailbox then gets a place of its own in the
// output (a directory of the export, a section of a listing).
bool standsForMany(const std::vector<std::string>& inputs);

}  // namespace pellmark::cli
