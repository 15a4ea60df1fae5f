#pragma once

// The account listing: every account of a server (or of this computer), with
// its lockout and disabled marks, then a short summary. The window and the
// command line run the same listing and differ only in where rows and lines go.

#include "platform/netapi/AccountDetails.h"

#include <functional>
#include <optional>
#include <string>

struct ListedAccount
{
    std::string name;
    std::string fullName;
    bool lockedOut = false;
    bool disabled = false;
    // False when the account's flags could not be read: it then shows
    // neither mark, whatever its real state.
    bool checked = true;
    // Why and until when, when the view asked for them and the server keeps them.
    std::optional<netapi::AccountDetails> details;
};

// Where a listing puts its results, and what it asks while it runs.
class ListingView
{
public:
    virtual ~ListingView() = default;

    // "Show all users": read for every account as it is handled, and once more
    // for the summary.
    virtual bool ShowAllUsers() const = 0;
    virtual void AddRow(const ListedAccount &account) = 0;
    virtual int RowCount() const = 0;
    virtual void AddLine(const std::string &line) = 0;
    // Runs after every batch: the window pumps its messages here. False ends
    // the listing at once: no further rows and no lines (a newer listing has
    // taken over, or the window is closing).
    virtual bool AfterBatch() = 0;
    // The server refused the logon: ask for a user name and a password and
    // use them from now on. True when the call should be tried again.
    virtual bool AskForLogon(const std::string &server) = 0;
    // Whether each account's lockout details are read too.
    virtual bool WantsDetails() const { return false; }
};

enum class ListingOutcome
{
    Summary,          // the summary lines were written
    SummaryUnchecked, // the same, but some accounts could not be checked
    Failed,           // one error line was written instead
    Superseded        // AfterBatch ended it: nothing was written
};

// Lists the accounts of `serverText` (empty: this computer) into `view`.
ListingOutcome RunAccountListing(const std::string &serverText, ListingView &view);

// The UTF-16 server name handed to the account calls: "\\" and the name, or an
// empty string for this computer (callers pass null then).
std::u16string ServerNameForCalls(const std::string &serverText);
