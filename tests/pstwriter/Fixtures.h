#pragma once
// The mailbox the peer tests write in every variant, and what a reader should find in it.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "pstwriter/messaging/PstBuilder.h"

namespace pellmark::test {

struct ExpectedItem {
    std::string kind;  // pffexport's name for the item kind
    std::string subject;
    std::map<std::string, std::string> attachments;
};

struct ShapedMailbox {
    pstwriter::PstBuilder builder;
    std::map<std::string, std::vector<ExpectedItem>> folders;  // by path below the top
};

// Every feature the peers can see: nested folders, odd names, an empty folder, a folder of an
// unknown class, all item kinds, attachments (one named "../../x", one spanning an XBLOCK),
// inline images, RTF and HTML bodies, embedded messages two deep.
ShapedMailbox shapedMailbox();

// A text as a reader gets it back from a file of this variant: ANSI files keep windows-1252.
std::string textAsStored(const pstwriter::FileVariant& variant, const std::string& utf8);

// Test name suffixes for the file variants: "UnicodePermute", "AnsiCyclic", ...
std::string variantName(const testing::TestParamInfo<pstwriter::FileVariant>& info);

}  // namespace pellmark::test
