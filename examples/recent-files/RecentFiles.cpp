// Recent files: a window with a File menu that remembers the files opened in
// it. Every file named on the command line counts as opened; "--once" prints
// the File menu and the number box and quits instead of showing the window.
//
//   recent-files [--once] [FILE...]

#include "components/controls/FancyButton.h"
#include "components/controls/NumberEdit.h"
#include "components/mru/JMRU.h"
#include "framework/Forms.h"
#include "framework/Menus.h"
#include "framework/Streaming.h"
#include "framework/TypInfo.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

const char description[] = R"(object RecentForm: TForm
  Left = 200
  Top = 120
  Caption = 'Recent files'
  ClientHeight = 80
  ClientWidth = 240
  Menu = MainMenu1
  object edAmount: TNumberEdit
    Left = 10
    Top = 10
    Width = 90
    Height = 21
    Value = 2.5
  end
  object btnGo: TFancyButton
    Left = 110
    Top = 10
    Width = 60
    Height = 24
    Caption = '&Go'
    Tag = 1
  end
  object MainMenu1: TMainMenu
    object mnuFile: TMenuItem
      Caption = '&File'
      object mnuRecent: TMenuItem
        Caption = '&Recent'
      end
      object mnuExit: TMenuItem
        Caption = 'E&xit'
      end
    end
  end
  object RecentFiles: TJMostRecentlyUsedList
    Storage.Key = 'Software\Marrowlight Software\Recent Files Example'
    HideInUse = False
    MenuKind = mkInsertAfter
    RootMenuItem = mnuRecent
  end
end
)";

template <class T> T *find(TComponent &Root, const char *Name)
{
    auto *found = dynamic_cast<T *>(Root.FindComponent(Name));
    if (!found)
        throw Exception(String("The form has no ") + Name);
    return found;
}

} // namespace

int main(int argc, char **argv)
{
    TApplication application(argc, argv);
    try {
        Application->Initialize();
        Application->SetTitle("Recent files");
        RegisterClasses<TNumberEdit, TFancyButton, TJMostRecentlyUsedList>();
        TForm *form = nullptr;
        Application->CreateForm(form);
        ReadComponentFromText(*form, description, "RecentFiles.dfm");

        bool once = false;
        auto *recent = find<TJMostRecentlyUsedList>(*form, "RecentFiles");
        for (int i = 1; i < argc; ++i) {
            if (std::strcmp(argv[i], "--once") == 0)
                once = true;
            else
                recent->Used(argv[i]);
        }
        find<TMenuItem>(*form, "mnuExit")->SetOnClick(TNotifyEvent([form](TObject *) {
            form->Close();
        }));
        if (!once) {
            Application->Run();
            return 0;
        }

        const TMenuItem *file = find<TMenuItem>(*form, "mnuFile");
        for (int i = 0; i < file->Count(); ++i)
            std::printf("%s\n", file->Items(i)->Caption().c_str());
        std::printf("amount %s, button %s\n", find<TNumberEdit>(*form, "edAmount")->Text().c_str(),
                    find<TFancyButton>(*form, "btnGo")->Caption().c_str());
    } catch (const std::exception &e) {
        Application->ShowException(e);
        return 1;
    }
    return 0;
}
