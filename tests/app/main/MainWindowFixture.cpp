#include "tests/app/main/MainWindowFixture.h"

#include "app/Session.h"
#include "platform/netapi/AccountProvider.h"
#include "platform/registry/Registry.h"

#include <QFile>

const char *const SmallDomain = R"({ "servers": [
  { "name": "", "accounts": [
      { "name": "localadmin", "fullName": "Local Administrator" } ] },
  { "name": "dc01.corp.example.com", "accounts": [
      { "name": "jsmith", "fullName": "John Smith", "lockedOut": true },
      { "name": "adoe", "fullName": "Anna Doe" },
      { "name": "Bwayne", "fullName": "", "disabled": true },
      { "name": "co-op", "fullName": "Zoë Østergaard", "lockedOut": true, "disabled": true },
      { "name": "coop", "fullName": "" },
      { "name": "svc-backup", "fullName": "Backup Service", "lookupResult": 5 } ] },
  { "name": "bdc02.corp.example.com", "setResult": 2226, "accounts": [
      { "name": "jsmith", "fullName": "John Smith", "lockedOut": true } ] },
  { "name": "hr.corp.example.com", "setResult": 5, "accounts": [
      { "name": "jsmith", "fullName": "John Smith", "lockedOut": true } ] },
  { "name": "branch.corp.example.com", "enumResult": 53, "enumFailsAfter": 2, "accounts": [
      { "name": "a1", "lockedOut": true }, { "name": "a2" }, { "name": "a3" } ] },
  { "name": "secure.corp.example.com", "enumResult": 5, "accounts": [] }
] })";

void MainWindow::SetUp()
{
    registry::setStoreFolder(dir.file("registry"));
    if (!Application)
        application = std::make_unique<TApplication>();
    Application->Initialize();
    useDirectory(SmallDomain);
}

void MainWindow::TearDown()
{
    delete form;
    form = nullptr;
    application.reset();
    netapi::installProviders(nullptr, nullptr);
    registry::setStoreFolder(QString());
}

void MainWindow::useDirectory(const std::string &json)
{
    const QString path = dir.file("directory.json");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(json.data(), static_cast<qint64>(json.size()));
    file.close();
    InstallAccountProviders(path.toStdString());
}

TMainForm &MainWindow::openWindow()
{
    delete form;
    form = new TMainForm(nullptr);
    MainForm = form;
    form->AfterConstruction();
    form->Show();
    return *form;
}

void MainWindow::connect(const std::string &server, bool all)
{
    form->tbServer->SetText(server);
    form->cbAll->SetChecked(all);
    form->btnConnect->Click();
}

std::vector<std::string> MainWindow::lines() const
{
    return form->Memo1->Lines()->ToVector();
}

std::vector<std::string> MainWindow::captions() const
{
    std::vector<std::string> out;
    for (int i = 0; i < form->lvUsers->Items()->Count(); ++i)
        out.push_back(form->lvUsers->Items()->Item(i)->Caption());
    return out;
}

TListItem *MainWindow::select(const std::string &caption)
{
    for (int i = 0; i < form->lvUsers->Items()->Count(); ++i) {
        TListItem *item = form->lvUsers->Items()->Item(i);
        if (item->Caption() == caption) {
            item->SetSelected(true);
            return item;
        }
    }
    ADD_FAILURE() << "no row " << caption;
    return nullptr;
}
