object SampleForm: TSampleForm
  Left = 361
  Top = 241
  BorderStyle = bsDialog
  Caption = 'Tumblerset'
  ClientHeight = 345
  ClientWidth = 385
  Color = clBtnFace
  Font.Charset = DEFAULT_CHARSET
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  OldCreateOrder = False
  Position = poDesigned
  ShowHint = True
  OnCreate = FormCreate
  PixelsPerInch = 96
  TextHeight = 13
  object Server: TLabel
    Left = 12
    Top = 12
    Width = 34
    Height = 13
    Caption = 'Server:'
  end
  object Link: TLabel
    Left = 60
    Top = 320
    Width = 225
    Height = 17
    Cursor = crHandPoint
    Hint = 'example.org'
    Alignment = taCenter
    AutoSize = False
    Caption = 'Visit the homepage'
    Font.Charset = DEFAULT_CHARSET
    Font.Color = clBlue
    Font.Height = -11
    Font.Name = 'Arial'
    Font.Style = [fsUnderline]
    ParentFont = False
    Transparent = True
  end
  object tbServer: TEdit
    Left = 56
    Top = 8
    Width = 153
    Height = 21
    Hint = 'Type the name of the domain server here. \nLeave blank to get the ' +
      'list of local users'
    TabOrder = 0
  end
  object btnReset: TButton
    Left = 148
    Top = 200
    Width = 89
    Height = 25
    Hint = 'Reset the lockout count on the selected user.'
    Caption = 'Reset lockout'
    Enabled = False
    TabOrder = 3
  end
  object Memo1: TMemo
    Left = 8
    Top = 232
    Width = 369
    Height = 77
    Hint = 'Message pane'
    ReadOnly = True
    ScrollBars = ssVertical
    TabOrder = 4
  end
  object btnConnect: TButton
    Left = 216
    Top = 8
    Width = 61
    Height = 25
    Hint = 'Connect to the server to get a list of users.'
    Caption = 'Connect'
    TabOrder = 1
    OnClick = btnConnectClick
  end
  object cbAll: TCheckBox
    Left = 284
    Top = 12
    Width = 97
    Height = 17
    Hint = 'If unchecked, only locked out users are listed.'
    Caption = 'Show all users'
    TabOrder = 2
  end
  object Button1: TButton
    Left = 304
    Top = 316
    Width = 75
    Height = 25
    Caption = 'Close'
    TabOrder = 5
    OnClick = Button1Click
  end
  object ImageList1: TImageList
  end
end
