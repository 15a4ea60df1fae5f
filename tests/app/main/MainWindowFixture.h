#pragma once

#include "app/Main.h"
#include "tests/support/TempDir.h"

#include <QString>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

// A main window on the offscreen platform, over a directory file written by
// the test and a registry store in a temporary folder.
class MainWindow : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the directory file and installs it for the account calls.
    void useDirectory(const std::string &json);
    // A new window, as start-up makes it (the previous one is closed first).
    TMainForm &openWindow();

    void connect(const std::string &server, bool all = false);
    std::vector<std::string> lines() const;
    std::vector<std::string> captions() const;
    // Selects the row with this caption, as a click would.
    TListItem *select(const std::string &caption);

    TempDir dir;
    std::unique_ptr<TApplication> application;
    TMainForm *form = nullptr;
};

// A small domain: "" (this computer) and "dc01.corp.example.com".
extern const char *const SmallDomain;
