object Form1: TForm
  Left = 10
  Top = 20
  Caption = 'Tumblerset '#39'x'#39
  Font.Name = 'Arial'
  object Label1: TLabel
    Caption = 'Server:'
  end
  object Edit1: TEdit
    Text = 'dc01'
  end
  object Button1: TButton
    Caption = '&Reset'
    Enabled = False
  end
end
