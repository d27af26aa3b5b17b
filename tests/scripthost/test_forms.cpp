// Forms and controls built and driven by scripts, with modal windows answered through the
// scripted UI services.

#include "HostScript.h"

#include "platform/sys/Program.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

// A real press and release in the middle of the control's widget.
void ClickWidget(TControl* Control) {
    QWidget* w = Control->Widget();
    const QPointF pos(w->width() / 2.0, w->height() / 2.0);
    const QPointF global = w->mapToGlobal(pos);
    QMouseEvent press(QEvent::MouseButtonPress, pos, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

struct TScriptedUI {
    TUIServicesScope Scope{
        [](const QString& q) { ADD_FAILURE() << "unexpected question: " << q.toStdString(); }};
    TScriptedUIServices* operator->() { return &Scope.Services(); }
};

} // namespace

TEST(ScriptForms, ButtonClickRunsTheHandlerAndEndsTheModalForm) {
    const char* pascal = R"(var F: TForm; B: TButton; Clicks: Integer;
procedure ButtonClick(Sender: TObject);
begin
  Clicks := Clicks + 1;
  Log('clicked ' + TButton(Sender).Caption);
end;
begin
  F := TForm.Create(Application);
  F.Name := 'AskForm';
  F.Caption := 'Question';
  B := TButton.Create(F);
  B.Name := 'OkButton';
  B.Parent := F;
  B.Caption := 'OK';
  B.SetBounds(10, 10, 80, 25);
  B.ModalResult := mrOk;
  B.OnClick := 'ButtonClick';
  Log(B.Parent.Name);
  Log(F.ShowModal);
  Log(Clicks);
  F.Free;
end.)";
    const char* js = R"(var F, B, Clicks = 0;
function ButtonClick(Sender) {
  Clicks = Clicks + 1;
  Log("clicked " + Sender.Caption);
}
F = TForm.Create(Application);
F.Name = "AskForm";
B = TButton.Create(F);
B.Name = "OkButton";
B.Parent = F;
B.Caption = "OK";
B.SetBounds(10, 10, 80, 25);
B.ModalResult = mrOk;
B.OnClick = "ButtonClick";
Log(B.Parent.Name);
Log(F.ShowModal());
Log(Clicks);
F.Free();)";
    for (const char* lang : {"PascalScript", "JScript"}) {
        SCOPED_TRACE(lang);
        TScriptedUI ui;
        bool visibleWhileModal = false;
        ui->AnswerModal("AskForm", [&](TCustomForm* form) {
            auto* button = dynamic_cast<TButton*>(form->FindComponent("OkButton"));
            if (!button) {
                ADD_FAILURE() << "no button on the form";
                return mrCancel;
            }
            visibleWhileModal = form->Visible() && button->Visible();
            ClickWidget(button);
            return mrNone; // the button's ModalResult ends the form
        });
        THostScript r(lang, QString::fromUtf8(std::string(lang) == "JScript" ? js : pascal));
        EXPECT_EQ(r.Run(), "AskForm|clicked OK|1|1");
        EXPECT_TRUE(visibleWhileModal);
        EXPECT_EQ(ui->Pending(), 0);
    }
}

TEST(ScriptForms, CloseQueryHandlerKeepsTheFormOpen) {
    THostScript r("PascalScript", R"(var F: TForm; Asked: Integer;
procedure CanClose(Sender: TObject; var CanClose: Boolean);
begin
  Asked := Asked + 1;
  CanClose := Asked > 1;
end;
begin
  F := TForm.Create(nil);
  F.OnCloseQuery := 'CanClose';
  F.Show;
  F.Close;
  Log(F.Visible); Log(Asked);
  F.Close;
  Log(F.Visible); Log(Asked);
  F.ModalResult := mrYes;
  Log(F.ModalResult); Log(F.Visible);
  F.OnCloseQuery := nil;
  F.Free;
end.)");
    EXPECT_EQ(r.Run(), "True|1|False|2|6|False");
}

TEST(ScriptForms, ConstantsControlsAndApplication) {
    THostScript r("PascalScript", R"(var F: TForm; L: TListBox; C: TComboBox;
begin
  Log(mrOk); Log(mrYesToAll); Log(crHourGlass); Log(VK_F1); Log(VK_NUMPAD9); Log(ssShift + ssCtrl);
  Log(akLeft + akTop); Log(bsDialog); Log(taCenter); Log(poScreenCenter); Log(caMinimize);
  Log(Application.ClassName); Log(Application.ExeName);
  F := TForm.Create(nil);
  C := TComboBox.Create(F);
  C.Parent := F;
  C.Items.Add('a'); C.Items.Add('b');
  C.ItemIndex := 1;
  Log(C.ItemIndex); Log(C.Text);
  L := TListBox.Create(F);
  L.Parent := F;
  try
    Log(L.Selected[0]);
  except
    Log(ExceptionClassName);
  end;
  L.Items.Add('x'); L.Items.Add('y');
  L.ItemIndex := 1;
  Log(L.Selected[1]); Log(L.Selected[0]);
  L.Parent := nil;
  Log(L.Parent);
  F.Free;
end.)");
    EXPECT_EQ(r.Run(), "1|14|-11|112|105|5|3|3|2|4|3|TApplication|" + ProgramFileName() +
                           "|1|b|EListError|True|False|0");
}

TEST(ScriptForms, DataModuleOwnsComponentsAndReportsItsEnd) {
    THostScript r("PascalScript", R"(var D: TDataModule; C: TComponent;
procedure Gone(Sender: TObject);
begin
  Log('gone ' + Sender.ClassName);
end;
begin
  D := TDataModule.Create(nil);
  D.Name := 'Data';
  C := TComponent.Create(D);
  Log(C.Owner = D);
  D.OnDestroy := @Gone;
  D.Free;
end.)");
    EXPECT_EQ(r.Run(), "True|gone TDataModule");
}

TEST(ScriptForms, KeyHandlersChangeTheKeysTheControlGets) {
    THostScript r("PascalScript", R"(var F: TForm; E: TEdit; Downs: Integer;
procedure EditKeyPress(Sender: TObject; var Key: Char);
begin
  if Key = 'a' then Key := 'X';
end;
procedure EditKeyDown(Sender: TObject; var Key: Word; Shift: TShiftState);
begin
  Downs := Downs + 1;
end;
begin
  F := TForm.Create(nil);
  F.Name := 'KeyForm';
  E := TEdit.Create(F);
  E.Name := 'Input';
  E.Parent := F;
  E.OnKeyPress := 'EditKeyPress';
  E.OnKeyDown := 'EditKeyDown';
  F.Show;
end.)");
    ASSERT_EQ(r.Run(), "");
    auto* form = dynamic_cast<TCustomForm*>(VariantToObject(r.Script.Variables("F")));
    ASSERT_NE(form, nullptr);
    auto* edit = dynamic_cast<TEdit*>(form->FindComponent("Input"));
    ASSERT_NE(edit, nullptr);
    for (const auto& [key, text] : {std::pair{Qt::Key_A, QString("a")}, std::pair{Qt::Key_B, QString("b")}}) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(edit->Widget(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(edit->Widget(), &release);
    }
    EXPECT_EQ(edit->Text(), "Xb");
    EXPECT_EQ(r.Script.Variables("Downs").ToInt(), 2);
    std::unique_ptr<TObject>(form).reset();
}

TEST(ScriptForms, FormPaintHandlerDrawsOnTheClientArea) {
    THostScript r("PascalScript", R"(var F: TForm; Paints: Integer;
procedure FormPaint(Sender: TObject);
begin
  Paints := Paints + 1;
  F.Canvas.Brush.Color := clRed;
  F.Canvas.Pen.Color := clRed;
  F.Canvas.Rectangle(10, 10, 30, 30);
end;
begin
  F := TForm.Create(nil);
  F.Name := 'PaintForm';
  F.Width := 200;
  F.Height := 150;
  F.OnPaint := 'FormPaint';
  F.Show;
end.)");
    ASSERT_EQ(r.Run(), "");
    auto* form = dynamic_cast<TCustomForm*>(VariantToObject(r.Script.Variables("F")));
    ASSERT_NE(form, nullptr);
    QWidget* client = form->ClientWidget();
    const QImage shot = client->grab().toImage();
    const TPoint off = form->ClientOffset();
    EXPECT_GT(r.Script.Variables("Paints").ToInt(), 0);
    EXPECT_EQ(shot.pixelColor(off.X + 20, off.Y + 20), QColor(Qt::red));
    EXPECT_NE(shot.pixelColor(off.X + 40, off.Y + 40), QColor(Qt::red));
    std::unique_ptr<TObject>(form).reset();
}
