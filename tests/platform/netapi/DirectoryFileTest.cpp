// The directory file's reader, on text alone: every fault named by its line
// and column, and nothing a write-back would change let through.

#include "platform/netapi/DirectoryFile.h"

#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

using netapi::DirectoryFileError;
namespace directory = netapi::directory;

// What reading this text says is wrong, after "f.json"; empty when it reads.
std::string loadError(const QByteArray &content)
{
    try {
        directory::read(content, "f.json");
    } catch (const DirectoryFileError &e) {
        const std::string what = e.what();
        EXPECT_EQ(what.rfind("f.json:", 0), 0u) << what;
        return what.substr(6);
    }
    return {};
}

// Line and column of the fault in this text.
std::pair<int, int> where(const QByteArray &content)
{
    try {
        directory::read(content, "f.json");
    } catch (const DirectoryFileError &e) {
        return {e.line(), e.column()};
    }
    return {0, 0};
}

TEST(DirectoryFileReader, MalformedFilesAreRefusedNamingFileAndLine)
{
    EXPECT_EQ(loadError("{\n  \"servers\": [\n    { \"name\": \"x\", \n"),
              ":4: not valid JSON: unterminated object")
        << "truncated";
    EXPECT_EQ(loadError("\n\n[ 1, 2 ]\n"),
              ":3: the file must hold one JSON object with a \"servers\" list");
    EXPECT_EQ(loadError("{ \"server\": [] }"), ":1: \"servers\" is missing");
    EXPECT_EQ(loadError("{\n \"servers\":\n  {}\n}"), ":3: \"servers\" must be a list");
    EXPECT_EQ(loadError("{ \"servers\": [\n  { \"name\": \"a\",\n    \"accounts\": [\n"
                        "      { \"name\": \"x\" },\n      { \"name\": \"y\",\n"
                        "        \"lockedOut\": \"yes\" } ] } ] }"),
              ":6: servers[0].accounts[1].lockedOut must be true or false");
    EXPECT_EQ(loadError("{ \"servers\": [ {\n \"name\": 7 } ] }"),
              ":2: servers[0].name must be a text");
    EXPECT_EQ(loadError("{ \"servers\": [\n {\n \"accounts\": [] } ] }"),
              ":2: \"name\" is missing in servers[0]");
    EXPECT_EQ(loadError("{ \"servers\": [ { \"name\": \"a\",\n \"enumResult\": -5 } ] }"),
              ":2: servers[0].enumResult must be a whole number from 0 to 4294967295");
    EXPECT_EQ(loadError("{ \"servers\": [ { \"name\": \"a\",\n \"setResult\": 2.5 } ] }"),
              ":2: servers[0].setResult must be a whole number from 0 to 4294967295");
    EXPECT_EQ(loadError("{ \"servers\": [ { \"name\": \"DC\" },\n { \"name\": \"dc\" } ] }"),
              ":2: server \"dc\" is listed twice (names match without regard to case)");
    EXPECT_EQ(loadError("{ \"servers\": [ { \"name\": \"a\", \"accounts\": [\n"
                        "{ \"name\": \"Bob\" },\n { \"name\": \"BOB\" } ] } ] }"),
              ":3: account \"BOB\" is listed twice (names match without regard to case)");
    EXPECT_EQ(loadError("{ \"servers\": [ { \"name\": \"a\", \"generate\": { \"count\": 5 },\n"
                        " \"accounts\": [\n { \"name\": \"User3\" } ] } ] }"),
              ":3: account \"User3\" is also one of the generated accounts");
    EXPECT_EQ(loadError("{ \"servers\": [ { \"name\": \"a\",\n \"generate\": { \"prefix\": "
                        "\"u\" } } ] }"),
              ":2: \"count\" is missing in servers[0].generate");
    EXPECT_EQ(loadError(""), ":1: not valid JSON: illegal value");
}

TEST(DirectoryFileReader, WhatAWriteBackWouldChangeIsRefusedOnLoad)
{
    // A double holds 53 bits: the first reset used to write 18446744073709552000.
    EXPECT_EQ(loadError("{ \"servers\": [],\n \"limit\": 18446744073709551615 }"),
              ":2: the number 18446744073709551615 cannot be kept exactly; write it as a text");
    EXPECT_EQ(loadError("{ \"servers\": [],\n \"ratio\": 0.10000000000000000001 }"),
              ":2: the number 0.10000000000000000001 cannot be kept exactly; write it as a text");
    // One of the two used to vanish on the first reset.
    EXPECT_EQ(loadError("{ \"servers\": [ { \"name\": \"a\",\n \"name\": \"b\" } ] }"),
              ":2: member \"name\" is given twice in one object");
    EXPECT_EQ(loadError("{ \"servers\": [],\n \"x\": 1, \"\\u0078\": 2 }"),
              ":2: member \"x\" is given twice in one object");

    // Numbers a double holds, however they are written, are fine.
    EXPECT_EQ(loadError("{ \"servers\": [], \"n\": [0, -0, 1.5, 1e3, 2.50, 9007199254740992, "
                        "-12.75e-1, 0.1] }"),
              "");
}

TEST(DirectoryFileReader, NamesInMessagesCannotSteerTheTerminal)
{
    EXPECT_EQ(loadError("{ \"servers\": [ { \"name\": \"\\u001b]0;owned\\u0007\" },\n"
                        " { \"name\": \"\\u001B]0;OWNED\\u0007\" } ] }"),
              ":2: server \"\\x1b]0;OWNED\\x07\" is listed twice (names match without regard "
              "to case)");
}

TEST(DirectoryFileReader, AFaultIsPlacedByLineAndColumnInCharacters)
{
    EXPECT_EQ(where("{\n  \"servers\": [\n    { \"name\": \"x\", \n"), std::make_pair(4, 1));
    EXPECT_EQ(where("{ \"servers\": [ {\n \"name\": 7 } ] }"), std::make_pair(2, 10));
    // "ü" is one column, though two bytes.
    EXPECT_EQ(where("{ \"servers\": [ { \"name\": \"a\",\n \"ü\": 1, \"ü\": 2 } ] }"),
              std::make_pair(2, 10));
    EXPECT_EQ(where("{ \"servers\": [ { \"name\": \"a\",\n\t\"accounts\": [ {} ] } ] }"),
              std::make_pair(2, 16));
}

TEST(DirectoryFileReader, ServersAndAccountsComeOutInFileOrder)
{
    const directory::Content content = directory::read(R"({ "servers": [
        { "name": "b", "accounts": [ { "name": "z", "lockedOut": true }, { "name": "y" } ] },
        { "name": "a", "generate": { "count": 3, "disabledEvery": 2 }, "setResult": 5 } ] })",
                                                       "f.json");
    ASSERT_EQ(content.servers.size(), 2u);
    const directory::Server &b = content.servers[0];
    EXPECT_EQ(b.name, "b");
    ASSERT_EQ(b.total(), 2u);
    EXPECT_EQ(b.at(0).name, "z");
    EXPECT_TRUE(b.at(0).lockedOut);
    EXPECT_EQ(b.at(1).name, "y");
    const directory::Server &a = content.servers[1];
    EXPECT_EQ(a.setResult, 5u);
    ASSERT_EQ(a.total(), 3u);
    EXPECT_EQ(a.at(1).name, "user2");
    EXPECT_TRUE(a.at(1).disabled);
    EXPECT_FALSE(a.at(2).disabled);
    EXPECT_EQ(a.generated->number("user3"), 3u);
    EXPECT_EQ(a.generated->number("user4"), 0u);
    EXPECT_EQ(a.generated->number("user03"), 0u);

    // A reset changes that account's two members and nothing else.
    const QJsonDocument changed = directory::withAccountFlags(content.document, 0, 1, true, true);
    const directory::Content again = directory::read(directory::text(changed), "f.json");
    EXPECT_TRUE(again.servers[0].at(1).lockedOut);
    EXPECT_TRUE(again.servers[0].at(1).disabled);
    EXPECT_TRUE(again.servers[0].at(0).lockedOut);
    EXPECT_FALSE(again.servers[0].at(0).disabled);
    EXPECT_EQ(again.servers[1].setResult, 5u);
}

} // namespace
