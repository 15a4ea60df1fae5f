object SampleForm: TTestForm
  Left = $10
  Caption = 'It''s a '#39'form'#39' with '+
    'a joined line'#13#10'and '#$FC'mlauts, '#252' and ü'
  Tag = -9223372036854775808
  Visible = False
  Ratio = 1.5E10
  Borders = []
  Font.Name = 'Arial'
  Font.Color = clBlue
  Font.Style = [fsBold, fsUnderline]
  OnClick = ButtonClick
  object Images1: TTestImages
    Count = 2
  end
  object Panel1: TTestPanel
    Left = -8
    Align = taClient
    Font.Height = -13
    Images = Images1
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
    Data = {
      00 01 02 FF
      7f}
    object Button1: TTestPanel
      Caption = 'Press'
      Ratio = 0.25
      OnClick = OtherClick
    end
  end
end
