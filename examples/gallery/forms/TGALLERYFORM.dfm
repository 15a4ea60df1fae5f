object GalleryForm: TGalleryForm
  Left = 200
  Top = 120
  BorderStyle = bsSingle
  Caption = 'Component Gallery'
  ClientHeight = 420
  ClientWidth = 560
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  Menu = MainMenu1
  ShowHint = True
  OnCreate = FormCreate
  object lblRecentText: TLabel
    Left = 12
    Top = 14
    Width = 110
    Height = 13
    Caption = 'Recently typed:'
  end
  object cbRecentText: TMRUCombo
    Left = 130
    Top = 10
    Width = 200
    Height = 21
    Hint = 'Type a text and press Enter: it is remembered for the next run'
    Storage.Key = 'Software\Marrowlight Software\Gallery\Typed texts'
    Storage.RegistryRootKey = atrkCurrentUser
    OnKeyDown = cbRecentTextKeyDown
  end
  object lblOpened: TLabel
    Left = 12
    Top = 40
    Width = 530
    Height = 13
    AutoSize = False
    Caption = 'Choose File, Open... to add a file to File, Reopen.'
  end
  object lblNumber: TLabel
    Left = 12
    Top = 70
    Width = 110
    Height = 13
    Caption = 'Number:'
  end
  object edNumber: TNumberEdit
    Left = 130
    Top = 66
    Width = 90
    Height = 21
    Value = 42
    OnExit = ValueExit
  end
  object lblLength: TLabel
    Left = 240
    Top = 70
    Width = 50
    Height = 13
    Caption = 'Length:'
  end
  object edLength: TUnitEdit
    Left = 300
    Top = 66
    Width = 120
    Height = 21
    Unit = 'mm'
    Value = 12.5
  end
  object lblUndoMany: TLabel
    Left = 12
    Top = 100
    Width = 530
    Height = 13
    AutoSize = False
    Caption = 'Change Number or Length, then Edit, Undo takes the changes back one by one.'
  end
  object cbTicked: TCheckBox
    Left = 12
    Top = 128
    Width = 110
    Height = 17
    Caption = 'Tick me'
    OnClick = cbTickedClick
  end
  object btnUndoTick: TButton
    Left = 130
    Top = 124
    Width = 90
    Height = 25
    Action = actUndoTick
  end
  object lblUndoOne: TLabel
    Left = 240
    Top = 130
    Width = 300
    Height = 13
    AutoSize = False
    Caption = 'One level: the button undoes, then redoes.'
  end
  object lblFlash: TAnimatedLabel
    Left = 12
    Top = 330
    Width = 160
    Height = 16
    AnimationType = atFlash
    Caption = 'Flashing label'
  end
  object lblFly: TAnimatedLabel
    Left = 190
    Top = 330
    Width = 160
    Height = 16
    AnimationType = atFly
    Caption = 'Flying label'
  end
  object lblFade: TAnimatedLabel
    Left = 370
    Top = 330
    Width = 160
    Height = 16
    AnimationType = atFade
    Caption = 'Fading label'
  end
  object lblVersion: TVersionLabel
    Left = 12
    Top = 392
    Width = 150
    Height = 13
    Caption = 'Version'
  end
  object lnkHome: TURLStatic
    Left = 300
    Top = 392
    Width = 240
    Height = 16
    Cursor = crHandPoint
    Hint = 'www.marrowlight.example'
    Alignment = taRightJustify
    AutoSize = False
    Caption = 'www.marrowlight.example'
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clBlue
    Font.Height = -11
    Font.Name = 'Arial'
    Font.Style = [fsUnderline]
    ParentFont = False
    Transparent = True
    URL = 'https://www.marrowlight.example/'
  end
  object MainMenu1: TMainMenu
    object mnuFile: TMenuItem
      Caption = '&File'
      object mnuOpen: TMenuItem
        Caption = '&Open...'
        OnClick = mnuOpenClick
      end
      object mnuReopen: TMenuItem
        Caption = '&Reopen'
      end
      object mnuFileLine: TMenuItem
        Caption = '-'
      end
      object mnuExit: TMenuItem
        Caption = 'E&xit'
        OnClick = mnuExitClick
      end
    end
    object mnuEdit: TMenuItem
      Caption = '&Edit'
      object mnuUndo: TMenuItem
        Action = actUndo
      end
    end
  end
  object ActionList1: TActionList
    object actUndo: TAction
      Caption = 'Can''t undo'
      Enabled = False
      ShortCut = 16474
      OnExecute = actUndoExecute
    end
    object actUndoTick: TAction
      Caption = 'Undo tick'
      Enabled = False
      OnExecute = actUndoTickExecute
    end
  end
  object UndoMulti: TUndoMultiBuffer
    UndoAction = actUndo
  end
  object UndoSingle: TUndoSingleBuffer
    UndoAction = actUndoTick
  end
  object jaSetValue: JAction
    Caption = '&Undo change'
    OnDo = jaSetValueDo
  end
  object jaTick: JAction
    Caption = 'Undo tick'
    OnDo = jaTickDo
  end
  object jaRetick: JAction
    Caption = 'Redo tick'
    OnDo = jaTickDo
  end
  object OpenDialog1: TOpenDialog
    Filter = 'Text files (*.txt)|*.txt|All files|*'
    Title = 'Open a file'
  end
  object RecentFiles: TJMostRecentlyUsedList
    Storage.Key = 'Software\Marrowlight Software\Gallery\Recent files'
    Storage.RegistryRootKey = atrkCurrentUser
    HideInUse = False
    RootMenuItem = mnuReopen
    OnSelect = RecentFilesSelect
  end
end
