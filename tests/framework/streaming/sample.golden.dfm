object SampleForm: TTestForm
  Left = 16
  Tag = -9223372036854775808
  Caption = 'It''s a ''form'' with a joined line'#13#10'and ümlauts, ü and ü'
  Visible = False
  Borders = []
  Ratio = 1.5E10
  Font.Name = 'Arial'
  Font.Color = clBlue
  Font.Style = [fsBold, fsUnderline]
  Columns = <>
  OnClick = ButtonClick
  object Panel1: TTestPanel
    Left = -8
    Align = taClient
    Data = {
      000102FF7F}
    Font.Height = -13
    Lines.Strings = (
      'first line'
      ''
      'third, with '#9'tab')
    Columns = <
      item
        Caption = 'Logon'
        Width = 140
      end
      item
        Caption = 'Full name'
      end>
    Images = Images1
    object Button1: TTestPanel
      Caption = 'Press'
      Ratio = 0.25
      Columns = <>
      OnClick = OtherClick
    end
  end
  object Images1: TTestImages
    Count = 2
  end
end
