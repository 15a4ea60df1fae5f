#pragma once

// The main window: the server box, "Connect", the account list with its marks,
// the message pane, "Reset lockout" and "Close". Read from its form
// description at start-up.

#include "app/AccountListing.h"
#include "components/controls/URLStatic.h"
#include "components/storage/Setting.h"
#include "framework/ComCtrls.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/ImgList.h"
#include "framework/StdCtrls.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

// How the account list is sorted: by which column, and which way.
struct TSortState
{
    std::int32_t Column = 0;
    bool Descending = false;
};

class TMainForm : public TForm
{
    TUMBLER_CLASS
public:
    explicit TMainForm(TComponent *AOwner);
    ~TMainForm() override;

    // Published fields, set from the form description.
    TLabel *Server = nullptr;
    TEdit *tbServer = nullptr;
    TButton *btnReset = nullptr;
    TMemo *Memo1 = nullptr;
    TButton *btnConnect = nullptr;
    TCheckBox *cbAll = nullptr;
    TListView *lvUsers = nullptr;
    TImageList *ImageList1 = nullptr;
    TJSetting *JSetting1 = nullptr;
    TImage *Image1 = nullptr;
    TURLStatic *URLStatic1 = nullptr;
    TButton *Button1 = nullptr;

    // Published methods, bound by the form description.
    void FormCreate(TObject *Sender);
    void btnConnectClick(TObject *Sender);
    void btnResetClick(TObject *Sender);
    void lvUsersSelectItem(TObject *Sender, TListItem *Item, bool Selected);
    void ListColumnClick(TObject *Sender, TListColumn *Column);
    void Button1Click(TObject *Sender);

    // Fills the list and the message pane with the accounts of ServerText
    // (empty: this computer).
    void ListUsers(const String &ServerText);
    // Adds one account to the list: logon name, full name, the key image when
    // locked out and the no-entry state image when disabled. The names are
    // shown escaped, so that one cannot pass for another; the reset of the row
    // still reaches the account by its exact name.
    void AddAccountRow(const ListedAccount &Account);
    // The list's comparison: State points at the form's TSortState.
    static int CompareUsers(TListItem *Item1, TListItem *Item2, std::intptr_t State);

    const TSortState &SortState() const { return FSort; }

    // Asked when a server refuses the logon; applies new credentials and
    // returns true to try again. The default shows the logon dialog.
    using LogonPrompt = std::function<bool(const std::string &server)>;
    void SetLogonPrompt(LogonPrompt Prompt) { FLogonPrompt = std::move(Prompt); }

protected:
    void DoClose(TCloseAction &Action) override;

private:
    class ListingWindow;

    bool askForLogon(const std::string &server);
    // The line saying that the local helper was refused, if it was.
    void addHelperNotice();
    // The account a reset of the row is for.
    std::string accountOfRow(const TListItem &Item) const;

    // What each row of the list shows as its caption, and the exact name
    // behind it; a row's Data points at its own. Emptied with the list.
    struct TRowName
    {
        String Shown;
        std::string Exact;
    };
    std::deque<TRowName> FRowNames;

    TSortState FSort;
    LogonPrompt FLogonPrompt;
    // Each listing knows its number; a newer one, or closing, ends it by
    // moving the number on, so a listing started later runs in full.
    int FListingGeneration = 0;
    int FRunningListings = 0;
};

extern TMainForm *MainForm;
