object GalleryForm: TGalleryForm
  Left = 200
  Top = 120
  BorderStyle = bsSingle
  Caption = 'Component Gallery'
  ClientHeight = 330
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
    FocusControl = cbRecentText
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
    FocusControl = edNumber
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
    FocusControl = edLength
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
  object lblButtons: TLabel
    Left = 12
    Top = 170
    Width = 530
    Height = 13
    AutoSize = False
    Caption = 'Glyph buttons: a push button, one with a caption shadow, a group of three, a disabled one.'
  end
  object btnPress: TFancyButton
    Left = 12
    Top = 190
    Width = 88
    Height = 26
    TabStop = True
    Caption = '&Press me'
    OnClick = btnPressClick
    Glyph.Data = {
      89504E470D0A1A0A0000000D49484452000001080000001A0802000000C4FD55
      8C00000006624B474400FF00FF00FFA0BDA793000000ED49444154789CEDDCA1
      0DC2501485E1D36EC206E070453246450521ECF0CA0E84202A18A5381C16C70A
      6C00E2A50DE2F84BF2FE6F827B6FF2DB5B7DF459B53795ED716D242DD6C7E841
      82BDEE49D2B12FFD0EA94FD5B21D258DE7267A98309BFD4DD2FB394ABA5E0EC1
      D3C469772749ED5692BAAE0B9E26CE300C926A955D857ED62FB90AFDAC5F7215
      9AD6AFA3C700FE11610006610006610006610006610006610006610006610006
      6100066100066100066100066100066100066100066100066100066100066100
      06610046ADE97F4CB1E6F5F3FF9862CDEBE7FF31C5CAEB573C5C130FD7263C5C
      CB529FBE6B7635AE8CD273770000000049454E44AE426082}
    NumGlyphs = 3
  end
  object btnShadow: TFancyButton
    Left = 110
    Top = 190
    Width = 88
    Height = 26
    TabStop = True
    Caption = 'Shadowed'
    TextShadowColor = clGray
    OnClick = btnPressClick
    Glyph.Data = {
      89504E470D0A1A0A0000000D49484452000001080000001A0802000000C4FD55
      8C00000006624B474400FF00FF00FFA0BDA793000000ED49444154789CEDDCA1
      0DC2501485E1D36EC206E070453246450521ECF0CA0E84202A18A5381C16C70A
      6C00E2A50DE2F84BF2FE6F827B6FF2DB5B7DF459B53795ED716D242DD6C7E841
      82BDEE49D2B12FFD0EA94FD5B21D258DE7267A98309BFD4DD2FB394ABA5E0EC1
      D3C469772749ED5692BAAE0B9E26CE300C926A955D857ED62FB90AFDAC5F7215
      9AD6AFA3C700FE11610006610006610006610006610006610006610006610006
      6100066100066100066100066100066100066100066100066100066100066100
      06610046ADE97F4CB1E6F5F3FF9862CDEBE7FF31C5CAEB573C5C130FD7263C5C
      CB529FBE6B7635AE8CD273770000000049454E44AE426082}
    NumGlyphs = 3
  end
  object btnLeft: TFancyButton
    Left = 220
    Top = 190
    Width = 26
    Height = 26
    TabStop = True
    Hint = 'Align left'
    GroupIndex = 1
    Down = True
    OnClick = AlignClick
    Glyph.Data = {
      89504E470D0A1A0A0000000D494844520000004E0000001A080200000096D7FD
      AB00000006624B474400FF00FF00FFA0BDA79300000105494441545885ED98A1
      0EC23014456F17140A819CE10F86C36D92CFA89820847FD8F60F842026F6299D
      C381C461261153D821169665A2B4BC1ADA1ED7343DC9CBCD4D93C73A746B5EC3
      04D72A06B0DA14466C8F4B06A0C8CDD8B23C63111700C42926BA927D0DA0BD0B
      00D5F940B4F1DD1100DF02409AA6445B599600029898732CA1CF3996D0E71C24
      015DF42FF8516D6436392FE64CEB7DFBEA24B749B4D4B289DB53721B86A196AD
      699AF1D1E154E529E9224F4997494ABA389CAABCABBA99CBBBAA9BB9BCAB5F33
      773855DF551BF0FFAA8DF8AEDAC82F5D554F5EA5ABEAC9AB745592BCC3A9FAAE
      DA801FD546027CF69A440649BFD7243248FABD26915EC2DC5979BF010C4D79F2
      F519288F0000000049454E44AE426082}
    NumGlyphs = 3
  end
  object btnCenter: TFancyButton
    Left = 248
    Top = 190
    Width = 26
    Height = 26
    TabStop = True
    Hint = 'Centre'
    GroupIndex = 1
    OnClick = AlignClick
    Glyph.Data = {
      89504E470D0A1A0A0000000D494844520000004E0000001A080200000096D7FD
      AB00000006624B474400FF00FF00FFA0BDA7930000010C494441545885ED98A1
      0EC23014456F17140A819CE10F86C36D92CFA89820847FD8F60F842026F629C3
      E140E230938829EC100BCDB28CA6CDABA1ED754DB393BC9CDC3579AC43B7E617
      98C8AD8A01AC368511DAF39A01287233B42CCF58C46B00F52926B292FD0540FB
      A80154E70391C67747007C0B00699A1269655902086062CE21843EE710429F53
      40023AE85FE247B531B3D17931675ADFB7EF4E729B444B2D5A7D7F496EC330D4
      A2354D333C3A6C556E4937724BBA1959D28DC35645E4A5D5952F2FADAE7C7969
      7FC9F7566D2CADC356FDBB6A43FCBB6A63A6FFC02A8D55F7AFD25875FF2A8D9D
      F4EFBC552B1BEB90553FAA8D09F0DD6B122320FD5E931801E9F79AC4F410E6CE
      CAFB030C7B79F222CB3FA10000000049454E44AE426082}
    NumGlyphs = 3
  end
  object btnRight: TFancyButton
    Left = 276
    Top = 190
    Width = 26
    Height = 26
    TabStop = True
    Hint = 'Align right'
    GroupIndex = 1
    OnClick = AlignClick
    Glyph.Data = {
      89504E470D0A1A0A0000000D494844520000004E0000001A080200000096D7FD
      AB00000006624B474400FF00FF00FFA0BDA7930000010C494441545885ED98A1
      0EC2301086FF2E28140239C31B0C87DB248F51314108EFB0ED1D08414CEC518A
      C381C461261153D82116966540D3E66A68FBB9A6D9975CEEFE3539D6A25DF213
      4C70A962008B5561C4763F67008ADC8C2DCB33167101401C62A22BD99E003437
      01A03AEE8836BED903E06B0048D394682BCB12400013750E25F43A87127A9DBD
      24A08BFE055FAA8D4C46E7D994697DDF3C5BC96D12CDB56CE2FA90DC8661A865
      ABEB7A7874B8ABF22EE922EF922EA32EE9E270573F91A757770AE4E9D59D0279
      7A7D567F634D7A1DEEAA7F576DC0BFAB3622FB03ABE4567D0A5472AB3E052AB9
      F559FD8665B975A8ABBE541B09F0DE6B12E925DD5E93482FE9F69A443A097367
      E5FD020CA979F2916BBF8A0000000049454E44AE426082}
    NumGlyphs = 3
  end
  object btnStop: TFancyButton
    Left = 320
    Top = 190
    Width = 26
    Height = 26
    TabStop = True
    Hint = 'Always disabled'
    State = fbsDisabled
    Glyph.Data = {
      89504E470D0A1A0A0000000D49484452000000820000001A0802000000F45413
      8400000006624B474400FF00FF00FFA0BDA79300000149494441546881ED9AA1
      4EC3501486FF36283472666F301C6E933C4645C54210BC41D737401082A8D8A3
      740E0712879944A0B04534DC54DCB5979D13F893FD9F6A96F65BB22FE96E6F4F
      D6A1BB2C76F0E065BB0430BFAA5D6CEFCF15807AE363AB36D4B66C51B400DAC7
      A5D1B5BAD901F87C6B016C9F6E8DB662FD00A0B80680B22C8DB6A669C2B1AFAD
      EF61A16F99C3A3C150626F3094D87FB5A1C4D7666F1024B95D24EC280305CA40
      8132507016FDF4FE3C9BBCF2EEAB4BFC8E76713179CEEAF523D1D6CC6693E794
      FBFDBFD85296B0D13FF6780600E38B80DF2E984FC8568DF9EA3AEED34D890265
      A040192850060A94810265A040192850060A948182834FD13E2F964ED076E039
      799C7886F4FDA214D2F78B5248DFE1F97BDBD12F827453A240192850060A9481
      821C3FB32D4682A49F6D311224C36994A309125F9BCB9C522FC9342EC660FB06
      FF8F7774345FD3840000000049454E44AE426082}
    NumGlyphs = 5
  end
  object lblPressed: TLabel
    Left = 12
    Top = 226
    Width = 530
    Height = 13
    AutoSize = False
    Caption = 'Aligned left.'
  end
  object lblFlash: TAnimatedLabel
    Left = 12
    Top = 268
    Width = 160
    Height = 16
    AnimationType = atFlash
    Caption = 'Flashing label'
  end
  object lblFly: TAnimatedLabel
    Left = 190
    Top = 268
    Width = 160
    Height = 16
    AnimationType = atFly
    Caption = 'Flying label'
  end
  object lblFade: TAnimatedLabel
    Left = 370
    Top = 268
    Width = 160
    Height = 16
    AnimationType = atFade
    Caption = 'Fading label'
  end
  object lblVersion: TVersionLabel
    Left = 12
    Top = 306
    Width = 150
    Height = 13
    Caption = 'Version'
  end
  object lnkHome: TURLStatic
    Left = 300
    Top = 306
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
