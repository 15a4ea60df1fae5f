#include "app/Main.h"

#include "app/AccountListing.h"
#include "app/HelperSession.h"
#include "app/LockoutDetails.h"
#include "app/LockoutReset.h"
#include "app/LogonDialog.h"
#include "framework/TypInfo.h"
#include "platform/text/Collation.h"
#include "platform/text/Printable.h"

#include <QtGlobal>

TMainForm *MainForm = nullptr;

// The form description and icons are compiled into this library; a static
// library's resources must be registered by hand.
static void registerAppResources()
{
    Q_INIT_RESOURCE(app);
}

const TClassInfo &TMainForm::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TMainForm>("TMainForm", &TForm::StaticClassInfo())
                                       .Component()
                                       .Field("Server", &TMainForm::Server)
                                       .Field("tbServer", &TMainForm::tbServer)
                                       .Field("btnReset", &TMainForm::btnReset)
                                       .Field("Memo1", &TMainForm::Memo1)
                                       .Field("btnConnect", &TMainForm::btnConnect)
                                       .Field("cbAll", &TMainForm::cbAll)
                                       .Field("lvUsers", &TMainForm::lvUsers)
                                       .Field("ImageList1", &TMainForm::ImageList1)
                                       .Field("JSetting1", &TMainForm::JSetting1)
                                       .Field("Image1", &TMainForm::Image1)
                                       .Field("URLStatic1", &TMainForm::URLStatic1)
                                       .Field("Button1", &TMainForm::Button1)
                                       .Method("FormCreate", &TMainForm::FormCreate)
                                       .Method("btnConnectClick", &TMainForm::btnConnectClick)
                                       .Method("btnResetClick", &TMainForm::btnResetClick)
                                       .Method("lvUsersSelectItem", &TMainForm::lvUsersSelectItem)
                                       .Method("ListColumnClick", &TMainForm::ListColumnClick)
                                       .Method("Button1Click", &TMainForm::Button1Click)
                                       .Build();
    return info;
}

TMainForm::TMainForm(TComponent *AOwner) : TForm(AOwner)
{
    registerAppResources();
    LoadFormDescription();
    FSort.Column = 0;
    FSort.Descending = false;
}

TMainForm::~TMainForm()
{
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::FormCreate(TObject *)
{
    tbServer->SetText(JSetting1->GetValue());
}

void TMainForm::btnConnectClick(TObject *)
{
    JSetting1->SetValue(tbServer->Text());
    lvUsers->Items()->Clear();
    FRowNames.clear();
    Memo1->Lines()->Clear();
    btnReset->SetEnabled(false);
    ListUsers(tbServer->Text());
    addHelperNotice();
}

// The window's side of a listing: rows go to the list, lines to the message
// pane, and messages are pumped after every batch.
class TMainForm::ListingWindow final : public ListingView
{
public:
    ListingWindow(TMainForm &form, int generation) : m_form(form), m_generation(generation) {}

    bool ShowAllUsers() const override { return m_form.cbAll->Checked(); }
    int RowCount() const override { return m_form.lvUsers->Items()->Count(); }
    void AddLine(const std::string &line) override { m_form.Memo1->Lines()->Add(line); }
    bool AskForLogon(const std::string &server) override { return m_form.askForLogon(server); }

    void AddRow(const ListedAccount &account) override { m_form.AddAccountRow(account); }
    // Each row's tooltip tells why and until when.
    bool WantsDetails() const override { return true; }

    bool AfterBatch() override
    {
        Application->ProcessMessages();
        return m_generation == m_form.FListingGeneration;
    }

private:
    TMainForm &m_form;
    const int m_generation;
};

void TMainForm::ListUsers(const String &ServerText)
{
    // A listing started from inside another (a second "Connect" while the
    // first pumps messages) takes over: the older one stops at its next batch.
    const int generation = ++FListingGeneration;
    ++FRunningListings;
    Screen->SetCursor(crHourGlass);
    struct RestoreCursor
    {
        TMainForm &form;
        ~RestoreCursor()
        {
            if (--form.FRunningListings == 0)
                Screen->SetCursor(crDefault);
        }
    } restore{*this};

    ListingWindow view(*this, generation);
    RunAccountListing(ServerText, view);
}

void TMainForm::AddAccountRow(const ListedAccount &Account)
{
    TListItem *item = lvUsers->Items()->Add();
    item->SetImageIndex(-1);
    item->SetStateIndex(-1);
    FRowNames.push_back({text::printable(Account.name), Account.name});
    item->SetData(&FRowNames.back());
    item->SetCaption(FRowNames.back().Shown);
    item->SubItems()->Add(text::printable(Account.fullName));
    String hint = LockoutDetailsText(Account);
    hint.pop_back(); // the last line's end
    item->SetHint(hint);
    if (Account.lockedOut)
        item->SetImageIndex(0);
    if (Account.disabled)
        item->SetStateIndex(1);
}

void TMainForm::btnResetClick(TObject *)
{
    if (lvUsers->ItemIndex() < 0)
        return;
    TListItem *item = lvUsers->Items()->Item(lvUsers->ItemIndex());
    ResetCallbacks callbacks;
    callbacks.addLine = [this](const std::string &line) { Memo1->Lines()->Add(line); };
    callbacks.askForLogon = [this](const std::string &server) { return askForLogon(server); };
    if (ResetLockout(tbServer->Text(), accountOfRow(*item), callbacks) == ResetOutcome::Reset)
        item->SetImageIndex(-1);
    addHelperNotice();
    btnReset->SetEnabled(false);
}

void TMainForm::addHelperNotice()
{
    // A refused authorisation reads as a normal user's run, plus this line.
    const std::string notice = TakeLocalHelperNotice();
    if (!notice.empty())
        Memo1->Lines()->Add(notice);
}

std::string TMainForm::accountOfRow(const TListItem &Item) const
{
    // A caption the operator edited in place names the account they typed;
    // the one the listing set stands for the exact name it shows escaped.
    const auto *name = static_cast<const TRowName *>(Item.Data());
    return name && Item.Caption() == name->Shown ? name->Exact : Item.Caption();
}

void TMainForm::lvUsersSelectItem(TObject *, TListItem *, bool)
{
    btnReset->SetEnabled(true);
}

void TMainForm::ListColumnClick(TObject *, TListColumn *Column)
{
    const int index = Column ? Column->Index() : -1;
    if (index == FSort.Column) {
        FSort.Descending = !FSort.Descending;
    } else {
        FSort.Column = index;
        FSort.Descending = false;
    }
    lvUsers->CustomSort(&TMainForm::CompareUsers, reinterpret_cast<std::intptr_t>(&FSort));
}

int TMainForm::CompareUsers(TListItem *Item1, TListItem *Item2, std::intptr_t State)
{
    const auto *sort = reinterpret_cast<const TSortState *>(State);
    if (sort->Descending)
        std::swap(Item1, Item2);
    const auto fullName = [](TListItem *item) {
        return item->SubItems()->Count() > 0 ? item->SubItems()->Get(0) : String();
    };
    switch (sort->Column) {
    case 0:
        return lstrcmpA(Item1->Caption().c_str(), Item2->Caption().c_str());
    case 1:
        return lstrcmpA(fullName(Item1).c_str(), fullName(Item2).c_str());
    default:
        return 1;
    }
}

void TMainForm::Button1Click(TObject *)
{
    Close();
}

void TMainForm::DoClose(TCloseAction &Action)
{
    // A listing still pumping messages stops at its next batch; one started
    // after the window is shown again runs in full.
    ++FListingGeneration;
    TForm::DoClose(Action);
}

bool TMainForm::askForLogon(const std::string &server)
{
    if (FLogonPrompt)
        return FLogonPrompt(server);
    return AskForLogonAndApply(server);
}
