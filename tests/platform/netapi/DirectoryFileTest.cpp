// The directory file's reader, on text alone: every fault named by its line
// and column, and nothing a write-back would change let through.

#include "platform/netapi/DirectoryFile.h"

#include <QJsonObject>
#include <QJsonParseError>
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
    const QByteArray text = R"({ "servers": [
        { "name": "b", "accounts": [ { "name": "z", "lockedOut": true }, { "name": "y" } ] },
        { "name": "a", "generate": { "count": 3, "disabledEvery": 2 }, "setResult": 5 } ] })";
    const QJsonDocument changed =
        directory::withAccountFlags(directory::document(text), 0, 1, true, true);
    const directory::Content again = directory::read(directory::text(changed), "f.json");
    EXPECT_TRUE(again.servers[0].at(1).lockedOut);
    EXPECT_TRUE(again.servers[0].at(1).disabled);
    EXPECT_TRUE(again.servers[0].at(0).lockedOut);
    EXPECT_FALSE(again.servers[0].at(0).disabled);
    EXPECT_EQ(again.servers[1].setResult, 5u);
}

TEST(DirectoryFileReader, MembersAreCheckedInOneOrderWhateverOrderTheFileGivesThem)
{
    // The server's own members come before its accounts, wherever they stand.
    EXPECT_EQ(loadError("{ \"servers\": [\n { \"accounts\": [\n { \"name\": 5 } ],\n"
                        " \"name\": \"a\", \"enumResult\": -1 } ] }"),
              ":4: servers[0].enumResult must be a whole number from 0 to 4294967295");
    EXPECT_EQ(loadError("{ \"servers\": [\n { \"accounts\": [ { \"name\": 5 } ] } ] }"),
              ":2: \"name\" is missing in servers[0]");
    EXPECT_EQ(loadError("{ \"servers\": [ { \"name\": \"a\", \"accounts\": [\n"
                        " { \"lockedOut\": 1,\n \"name\": \"\" } ] } ] }"),
              ":3: servers[0].accounts[0].name must not be empty");
    // The first account at fault counts, whatever is wrong with later ones.
    EXPECT_EQ(loadError("{ \"servers\": [ { \"name\": \"a\", \"accounts\": [\n"
                        " { \"name\": \"x\" },\n { \"name\": \"X\" },\n { \"name\": 1 } ] } ] }"),
              ":3: account \"X\" is listed twice (names match without regard to case)");
}

TEST(DirectoryFileReader, TextsReadAsQtsParserReadsThemAndUnknownMembersAreIgnored)
{
    const directory::Content content = directory::read(
        "{ \"servers\": [ { \"name\": \"a\", \"extra\": { \"x\": [1, { \"y\": null }], "
        "\"z\": \"\\u00e9\" },\r\n \"accounts\": [\n"
        " { \"name\": \"J\\u00fcrgen\", \"fullName\": \"Anna M\xc3\xbcller\", "
        "\"comment\": \"tab\\there \\\"q\\\" a\\/b\", \"notes\": [] },\n"
        " { \"name\": \"\\ud83d\\ude00\", \"lockedOut\": true, \"failedLogons\": 3,"
        " \"lockedOutSince\": \"2026-12-08T19:10:02+01:00\", \"unlocksAt\": null } ] } ],"
        " \"other\": [ [], {}, -0, 1.5e+3, false ] }",
        "f.json");
    ASSERT_EQ(content.servers.size(), 1u);
    const directory::Server &server = content.servers[0];
    ASSERT_EQ(server.total(), 2u);
    EXPECT_EQ(server.at(0).name, "J\xc3\xbcrgen");
    EXPECT_EQ(server.at(0).fullName, "Anna M\xc3\xbcller");
    EXPECT_EQ(server.at(0).comment, "tab\there \"q\" a/b");
    EXPECT_EQ(server.at(1).name, "\xf0\x9f\x98\x80");
    EXPECT_EQ(server.at(1).details.failedLogons, 3u);
    EXPECT_EQ(server.at(1).details.lockedOutSince, 1796753402);
    EXPECT_FALSE(server.at(1).details.unlocksAt);
    EXPECT_EQ(server.accounts.find("j\xc3\xbcrgen"), 0u);

    // What Qt's parser lets through, the reader does too: a byte-order mark
    // before the document, a control character or an unknown escape in a text.
    EXPECT_EQ(loadError("\xef\xbb\xbf{ \"servers\": [] }"), "");
    EXPECT_EQ(loadError("{ \"servers\": [], \"a\": \"x\x01y\", \"b\": \"\\x\" }"), "");
}

TEST(DirectoryFileReader, TimesAreTakenOnlyWithTheirOffset)
{
    const auto lockedSince = [](const char *time) {
        return "{ \"servers\": [ { \"name\": \"a\", \"accounts\": [ { \"name\": \"k\", "
               "\"lockedOutSince\": \"" +
               QByteArray(time) + "\" } ] } ] }";
    };
    for (const char *good : {"2026-12-08T19:10:02+01:00", "2026-12-08T18:10:02Z",
                             "2026-12-08T19:10:02.250+01:00", "2026-12-08T12:10:02-06:00"})
        EXPECT_EQ(loadError(lockedSince(good)), "") << good;
    for (const char *bad :
         {"2026-12-08T19:10:02", "2026-12-08 19:10:02+01:00", "2026-12-08T19:10:02+0100",
          "2026-12-08T19:10:02.+01:00", "2026-12-08T19:10:02+01:00 ", "2026-12-08T19:10:02z",
          "2026-12-08T19:10+01:00", "\u0662026-12-08T19:10:02+01:00", "2026-13-08T19:10:02Z", ""}) {
        const std::string error = loadError(lockedSince(bad));
        EXPECT_NE(error.find("ISO 8601 with its offset"), std::string::npos)
            << bad << ": " << error;
    }
}

TEST(DirectoryFileReader, WhatIsNotJsonIsNamedAsQtsParserNamesIt)
{
    for (const char *text :
         {"{ \"servers\": [] } x", "{ \"servers\": [01] }", "{ \"servers\": [1,] }",
          "{ \"servers\": [ \"\xff\" ] }", "{ \"servers\": [ tru ] }", "{ \"servers\" [] }",
          "{ \"servers\": [], }", "5", "{ \"servers\": [ -, 1e ] }"}) {
        QJsonParseError error;
        QJsonDocument::fromJson(text, &error);
        if (error.error == QJsonParseError::NoError) {
            ADD_FAILURE() << "Qt reads " << text;
            continue;
        }
        const std::string message = loadError(text);
        EXPECT_NE(message.find("not valid JSON: " + error.errorString().toStdString()),
                  std::string::npos)
            << text << " -> " << message;
    }
}

TEST(DirectoryFileReader, NestingIsReadAsDeepAsQtsParserReadsIt)
{
    const auto nested = [](int depth) {
        return "{ \"servers\": [], \"x\": " + QByteArray(depth, '[') + QByteArray(depth, ']') +
               " }";
    };
    EXPECT_EQ(loadError(nested(1023)), "");
    EXPECT_EQ(loadError(nested(1024)), ":1: not valid JSON: too deeply nested document");
}

TEST(DirectoryFileReader, ManyAccountsAreFoundByFoldedNameAndADuplicateAmongThemIsRefused)
{
    QByteArray text = "{ \"servers\": [ { \"name\": \"a\", \"accounts\": [\n";
    for (int i = 1; i <= 3000; ++i)
        text += "{ \"name\": \"User" + QByteArray::number(i) + "\" },\n";
    const directory::Content content =
        directory::read(text + "{ \"name\": \"last\" } ] } ] }", "f.json");
    const directory::AccountList &accounts = content.servers[0].accounts;
    ASSERT_EQ(accounts.size(), 3001u);
    EXPECT_EQ(accounts.find("user1"), 0u);
    EXPECT_EQ(accounts.find("user2999"), 2998u);
    EXPECT_EQ(accounts.find("last"), 3000u);
    EXPECT_FALSE(accounts.find("user3001"));
    EXPECT_EQ(accounts[1499].name, "User1500");

    EXPECT_EQ(loadError(text + "{ \"name\": \"USER2999\" } ] } ] }"),
              ":3002: account \"USER2999\" is listed twice (names match without regard to case)");
}

// The reader decides what is JSON without Qt's parser, which only names the
// fault: both must agree on every text, or a file would load that a reset
// cannot write back, or be refused with a vaguer message than before.
TEST(DirectoryFileReader, AgreesWithQtsParserOnWhatIsJson)
{
    const QByteArray seeds[] = {
        R"({ "servers": [ { "name": "a", "accounts": [ { "name": "b", "lockedOut": true,
            "failedLogons": 3, "unlocksAt": null } ] } ], "n": [0, -1.5e+3, 2E-2] })",
        "{\"servers\":[{\"name\":\"J\\u00fcrgen \\\"x\\\"\",\"generate\":{\"count\":2}}],"
        "\"o\":{\"k\":[[],{},false]}}",
        "[ \"\xc3\xa9\", 1, {}, [ null ] ]\r\n"};
    const char pieces[] = "{}[],:\" \\0123456789eE.+-tfnulr\x01\x7f\xff\xef\xbb\xbf";
    std::uint32_t state = 12345;
    const auto random = [&](std::uint32_t below) {
        state = state * 1103515245u + 12345u;
        return (state >> 8) % below;
    };
    int disagreements = 0, read = 0;
    for (int round = 0; round < 20000 && disagreements < 5; ++round) {
        QByteArray text = seeds[random(3)];
        for (std::uint32_t edits = 1 + random(3); edits > 0; --edits) {
            const auto at = static_cast<qsizetype>(random(static_cast<std::uint32_t>(text.size())));
            const char piece = pieces[random(sizeof pieces - 1)];
            switch (random(3)) {
            case 0:
                text.remove(at, 1);
                break;
            case 1:
                text.insert(at, piece);
                break;
            default:
                text[at] = piece;
            }
        }
        const bool qtReads = !directory::document(text).isNull();
        const std::string error = loadError(text);
        const bool readerReads = error.find("not valid JSON") == std::string::npos;
        read += readerReads;
        if (qtReads != readerReads) {
            ++disagreements;
            ADD_FAILURE() << (qtReads ? "Qt reads, the reader refuses: " : "the reader reads: ")
                          << text.toStdString() << " -> " << error;
        }
    }
    // Both kinds of text came up often.
    EXPECT_GT(read, 2000);
    EXPECT_LT(read, 18000);
}

} // namespace
