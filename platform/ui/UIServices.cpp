#include "platform/ui/UIServices.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>

#include <algorithm>

namespace {

std::unique_ptr<IUIServices>& ServicesSlot() {
    static std::unique_ptr<IUIServices> services = std::make_unique<TQtUIServices>();
    return services;
}

QWidget* OwnerWidget(TWinControl* owner) {
    if (owner && owner->HandleAllocated()) return owner->Widget()->window();
    if (Application && Application->MainForm() && Application->MainForm()->HandleAllocated())
        return Application->MainForm()->Widget();
    return nullptr;
}

// "Text files|*.txt;*.log|All|*.*" -> "Text files (*.txt *.log);;All (*.*)"
QString QtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace

IUIServices& UIServices() { return *ServicesSlot(); }

std::unique_ptr<IUIServices> SetUIServices(std::unique_ptr<IUIServices> services) {
    if (!services) services = std::make_unique<TQtUIServices>();
    std::swap(services, ServicesSlot());
    return services;
}

QString MsgDlgButtonCaption(TMsgDlgBtn button) {
    switch (button) {
    case mbYes: return QStringLiteral("&Yes");
    case mbNo: return QStringLiteral("&No");
    case mbOK: return QStringLiteral("OK");
    case mbCancel: return QStringLiteral("Cancel");
    case mbAbort: return QStringLiteral("&Abort");
    case mbRetry: return QStringLiteral("&Retry");
    case mbIgnore: return QStringLiteral("&Ignore");
    case mbAll: return QStringLiteral("&All");
    case mbNoToAll: return QStringLiteral("N&o to All");
    case mbYesToAll: return QStringLiteral("Yes to &All");
    case mbHelp: return QStringLiteral("&Help");
    case mbClose: return QStringLiteral("&Close");
    }
    return {};
}

TModalResult MsgDlgButtonResult(TMsgDlgBtn button) {
    switch (button) {
    case mbYes: return mrYes;
    case mbNo: return mrNo;
    case mbOK: return mrOk;
    case mbCancel: return mrCancel;
    case mbAbort: return mrAbort;
    case mbRetry: return mrRetry;
    case mbIgnore: return mrIgnore;
    case mbAll: return mrAll;
    case mbNoToAll: return mrNoToAll;
    case mbYesToAll: return mrYesToAll;
    case mbHelp: return mrNone;
    case mbClose: return mrClose;
    }
    return mrNone;
}

QString MsgDlgTypeCaption(TMsgDlgType type) {
    switch (type) {
    case mtWarning: return QStringLiteral("Warning");
    case mtError: return QStringLiteral("Error");
    case mtInformation: return QStringLiteral("Information");
    case mtConfirmation: return QStringLiteral("Confirm");
    case mtCustom: break;
    }
    return Application ? Application->Title() : QString();
}

TMessageIcon MsgDlgTypeIcon(TMsgDlgType type) {
    switch (type) {
    case mtWarning: return TMessageIcon::Warning;
    case mtError: return TMessageIcon::Error;
    case mtInformation: return TMessageIcon::Information;
    case mtConfirmation: return TMessageIcon::Question;
    case mtCustom: break;
    }
    return TMessageIcon::None;
}

// ---------------------------------------------------------------------------------------------
// Qt

namespace {

QMessageBox::StandardButton MsgDlgStandardButton(TMsgDlgBtn button) {
    switch (button) {
    case mbYes: return QMessageBox::Yes;
    case mbNo: return QMessageBox::No;
    case mbOK: return QMessageBox::Ok;
    case mbCancel: return QMessageBox::Cancel;
    case mbAbort: return QMessageBox::Abort;
    case mbRetry: return QMessageBox::Retry;
    case mbIgnore: return QMessageBox::Ignore;
    case mbNoToAll: return QMessageBox::NoToAll;
    case mbYesToAll: return QMessageBox::YesToAll;
    case mbHelp: return QMessageBox::Help;
    case mbClose: return QMessageBox::Close;
    case mbAll: break;
    }
    return QMessageBox::NoButton;
}

} // namespace

TModalResult TQtUIServices::Message(const TMessageRequest& request) {
    QMessageBox box(OwnerWidget(request.Owner));
    box.setWindowTitle(request.Caption);
    box.setText(request.Text);
    switch (request.Icon) {
    case TMessageIcon::Information: box.setIcon(QMessageBox::Information); break;
    case TMessageIcon::Question: box.setIcon(QMessageBox::Question); break;
    case TMessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case TMessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case TMessageIcon::None: break;
    }
    std::vector<std::pair<QAbstractButton*, TModalResult>> results;
    QAbstractButton* escape = nullptr;
    request.Buttons.ForEach([&](TMsgDlgBtn b) {
        // Qt's standard buttons take their texts from Qt's translations for the user's language.
        QPushButton* button = nullptr;
        if (const QMessageBox::StandardButton standard = MsgDlgStandardButton(b))
            button = box.addButton(standard);
        else
            button = box.addButton(MsgDlgButtonCaption(b), QMessageBox::AcceptRole);
        results.emplace_back(button, MsgDlgButtonResult(b));
        if (b == request.DefaultButton) box.setDefaultButton(button);
        if (b == mbCancel || (!escape && (b == mbNo || b == mbOK || b == mbClose))) escape = button;
    });
    if (escape) box.setEscapeButton(escape);
    box.exec();
    for (auto& [button, result] : results)
        if (box.clickedButton() == button) return result;
    return request.Buttons.Contains(mbCancel) ? mrCancel : mrNone;
}

bool TQtUIServices::Input(const QString& caption, const QString& prompt, QString& value) {
    bool ok = false;
    QString text = QInputDialog::getText(OwnerWidget(nullptr), caption, prompt, QLineEdit::Normal,
                                         value, &ok);
    if (ok) value = text;
    return ok;
}

bool TQtUIServices::SelectFile(const TFileRequest& request, TFileAnswer& answer) {
    QFileDialog dialog(OwnerWidget(nullptr), request.Title);
    dialog.setAcceptMode(request.Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.Save ? QFileDialog::AnyFile
                                    : request.MultiSelect ? QFileDialog::ExistingFiles
                                    : request.FileMustExist ? QFileDialog::ExistingFile
                                                            : QFileDialog::AnyFile);
    if (!request.OverwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString filter = QtFilter(request.Filter);
    if (!filter.isEmpty()) {
        dialog.setNameFilter(filter);
        const QStringList filters = dialog.nameFilters();
        if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size())
            dialog.selectNameFilter(filters[request.FilterIndex - 1]);
    }
    if (!request.InitialDir.isEmpty()) dialog.setDirectory(request.InitialDir);
    if (!request.FileName.isEmpty()) dialog.selectFile(request.FileName);
    if (!request.DefaultExt.isEmpty()) dialog.setDefaultSuffix(request.DefaultExt);
    if (dialog.exec() != QDialog::Accepted) return false;
    answer.Files = dialog.selectedFiles();
    answer.FilterIndex = dialog.nameFilters().indexOf(dialog.selectedNameFilter()) + 1;
    if (answer.FilterIndex < 1) answer.FilterIndex = request.FilterIndex;
    return !answer.Files.isEmpty();
}

bool TQtUIServices::SelectFolder(const QString& caption, const QString& root, QString& directory) {
    QString dir = QFileDialog::getExistingDirectory(OwnerWidget(nullptr), caption,
                                                    directory.isEmpty() ? root : directory);
    if (dir.isEmpty()) return false;
    directory = dir;
    return true;
}

bool TQtUIServices::SelectColor(TColor& color) {
    QColor c = QColorDialog::getColor(ColorToQColor(color), OwnerWidget(nullptr));
    if (!c.isValid()) return false;
    color = QColorToColor(c);
    return true;
}

bool TQtUIServices::SelectFont(TFontChoice& font) {
    QFont initial(font.Name);
    initial.setPointSize(font.Size > 0 ? font.Size : 8);
    initial.setBold(font.Style & 1);
    initial.setItalic(font.Style & 2);
    initial.setUnderline(font.Style & 4);
    initial.setStrikeOut(font.Style & 8);
    bool ok = false;
    QFont f = QFontDialog::getFont(&ok, initial, OwnerWidget(nullptr));
    if (!ok) return false;
    font.Name = f.family();
    font.Size = f.pointSize();
    font.Style = (f.bold() ? 1 : 0) | (f.italic() ? 2 : 0) | (f.underline() ? 4 : 0) |
                 (f.strikeOut() ? 8 : 0);
    return true;
}

bool TQtUIServices::SelectPrinter(TPrintRequest& request) {
    const bool known = request.PrinterIndex >= 0 && request.PrinterIndex < request.Printers.size();
    const QPrinterInfo info =
        known ? QPrinterInfo::printerInfo(request.Printers[request.PrinterIndex]) : QPrinterInfo();
    // The virtual printer is no printer of the system: the dialog starts on a PDF file instead.
    std::unique_ptr<QPrinter> printer =
        info.isNull() ? std::make_unique<QPrinter>() : std::make_unique<QPrinter>(info);
    if (info.isNull()) printer->setOutputFormat(QPrinter::PdfFormat);
    // The dialog reads the printer's settings when it is made, so they go in first.
    if (!request.Setup) {
        if (request.FromPage > 0 && request.ToPage >= request.FromPage)
            printer->setFromTo(request.FromPage, request.ToPage);
        printer->setCopyCount(std::max(1, request.Copies));
        printer->setCollateCopies(request.Collate);
    }
    QPrintDialog dialog(printer.get(), OwnerWidget(nullptr));
    QAbstractPrintDialog::PrintDialogOptions options;
    if (request.Setup) {
        dialog.setWindowTitle(QStringLiteral("Print Setup"));
    } else {
        if (request.AllowPageNums) options |= QAbstractPrintDialog::PrintPageRange;
        if (request.AllowSelection) options |= QAbstractPrintDialog::PrintSelection;
        if (request.ShowPrintToFile && request.EnablePrintToFile)
            options |= QAbstractPrintDialog::PrintToFile;
        options |= QAbstractPrintDialog::PrintCollateCopies;
        if (request.MaxPage > 0) dialog.setMinMax(std::max(1, request.MinPage), request.MaxPage);
        dialog.setPrintRange(request.Range == prSelection  ? QAbstractPrintDialog::Selection
                             : request.Range == prPageNums ? QAbstractPrintDialog::PageRange
                                                           : QAbstractPrintDialog::AllPages);
    }
    dialog.setOptions(options);
    if (dialog.exec() != QDialog::Accepted) return false;

    const int chosen = request.Printers.indexOf(printer->printerName());
    if (chosen >= 0) request.PrinterIndex = chosen;
    if (request.Setup) return true;
    switch (dialog.printRange()) {
    case QAbstractPrintDialog::Selection: request.Range = prSelection; break;
    case QAbstractPrintDialog::PageRange: request.Range = prPageNums; break;
    default: request.Range = prAllPages; break;
    }
    if (request.Range == prPageNums) {
        request.FromPage = printer->fromPage();
        request.ToPage = printer->toPage();
    }
    request.Copies = printer->copyCount();
    request.Collate = printer->collateCopies();
    request.OutputFileName = printer->outputFileName();
    request.PrintToFile = request.ShowPrintToFile && request.EnablePrintToFile &&
                          !request.OutputFileName.isEmpty();
    return true;
}

bool NoUserCanSee() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

TModalResult TQtUIServices::RunModal(TCustomForm* form) {
    // Nobody could ever close it: a window that has an answer of its own takes it.
    if (const TModalResult unattended = form->UnattendedResult(); unattended != mrNone && NoUserCanSee())
        return form->RunScriptedModal([unattended](TCustomForm*) { return unattended; });
    return form->RunModalLoop();
}

namespace {
// The find window: a text, "Match case", "Find Next" and "Cancel".
class TFindWindow : public QDialog {
public:
    TFindWindow(TFindDialog* owner, QWidget* parent) : QDialog(parent), FOwner(owner) {
        setWindowTitle(QStringLiteral("Find"));
        auto* text = new QLineEdit(owner->FindText(), this);
        auto* matchCase = new QCheckBox(QStringLiteral("Match &case"), this);
        matchCase->setChecked(owner->Options().Contains(frMatchCase));
        matchCase->setVisible(!owner->Options().Contains(frHideMatchCase));
        // Cancel is Qt's standard button, so it speaks the user's language.
        auto* choices = new QDialogButtonBox(this);
        auto* next = choices->addButton(QStringLiteral("&Find Next"), QDialogButtonBox::ActionRole);
        next->setDefault(true);
        QPushButton* cancel = choices->addButton(QDialogButtonBox::Cancel);
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QStringLiteral("Fi&nd what:"), this));
        row->addWidget(text);
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(matchCase);
        buttons->addStretch();
        buttons->addWidget(choices);
        auto* box = new QVBoxLayout(this);
        box->addLayout(row);
        box->addLayout(buttons);
        QObject::connect(next, &QPushButton::clicked, this, [this, text, matchCase] {
            TFindOptions o = FOwner->Options();
            o.Include(frFindNext);
            if (matchCase->isChecked()) o.Include(frMatchCase);
            else o.Exclude(frMatchCase);
            FOwner->SetOptions(o);
            FOwner->SetFindText(text->text());
            try {
                FOwner->DoFind();
            } catch (...) {
                if (Application) Application->HandleException(nullptr);
            }
        });
        QObject::connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
        QObject::connect(this, &QDialog::finished, this, [this](int) {
            try {
                FOwner->DoClose();
            } catch (...) {
                if (Application) Application->HandleException(nullptr);
            }
        });
    }

private:
    TFindDialog* FOwner;
};
} // namespace

void TQtUIServices::ShowFind(TFindDialog* dialog) {
    if (!dialog->FWindow) {
        auto* w = new TFindWindow(dialog, OwnerWidget(nullptr));
        w->setAttribute(Qt::WA_DeleteOnClose);
        dialog->FWindow = w;
    }
    dialog->FWindow->show();
    dialog->FWindow->raise();
}

void TQtUIServices::CloseFind(TFindDialog* dialog) {
    if (dialog->FWindow) dialog->FWindow->close();
}

// ---------------------------------------------------------------------------------------------
// Scripted

TScriptedUIServices::TScriptedUIServices(TFailure onUnexpected)
    : FOnUnexpected(std::move(onUnexpected)) {}

TScriptedUIServices::~TScriptedUIServices() = default;

QString TScriptedUIServices::KindName(Kind k) {
    switch (k) {
    case Kind::Message: return QStringLiteral("message box");
    case Kind::Input: return QStringLiteral("input box");
    case Kind::File: return QStringLiteral("file dialog");
    case Kind::Folder: return QStringLiteral("folder dialog");
    case Kind::Color: return QStringLiteral("colour dialog");
    case Kind::Font: return QStringLiteral("font dialog");
    case Kind::Modal: return QStringLiteral("modal window");
    case Kind::Find: return QStringLiteral("find dialog");
    case Kind::Print: return QStringLiteral("print dialog");
    }
    return {};
}

bool TScriptedUIServices::Take(Kind k, const QString& question, Answer& out) {
    FAsked << question;
    if (FQueue.empty() || FQueue.front().K != k) {
        QString why = FQueue.empty()
                          ? QStringLiteral("unexpected question: ")
                          : QStringLiteral("expected a %1, got: ").arg(KindName(FQueue.front().K));
        if (FOnUnexpected) FOnUnexpected(why + question);
        return false;
    }
    out = std::move(FQueue.front());
    FQueue.pop_front();
    return true;
}

TScriptedUIServices& TScriptedUIServices::AnswerMessage(TModalResult result,
                                                        const QString& textContains) {
    Answer a(Kind::Message);
    a.Result = result;
    a.Text = textContains;
    FQueue.push_back(std::move(a));
    return *this;
}

TScriptedUIServices& TScriptedUIServices::AnswerInput(const QString& value) {
    Answer a(Kind::Input);
    a.Text = value;
    FQueue.push_back(std::move(a));
    return *this;
}

TScriptedUIServices& TScriptedUIServices::CancelInput() {
    Answer a(Kind::Input);
    a.Ok = false;
    FQueue.push_back(std::move(a));
    return *this;
}

TScriptedUIServices& TScriptedUIServices::AnswerFile(const QStringList& files, int filterIndex) {
    Answer a(Kind::File);
    a.Files = files;
    a.Index = filterIndex;
    FQueue.push_back(std::move(a));
    return *this;
}

TScriptedUIServices& TScriptedUIServices::CancelFile() {
    Answer a(Kind::File);
    a.Ok = false;
    FQueue.push_back(std::move(a));
    return *this;
}

TScriptedUIServices& TScriptedUIServices::AnswerFolder(const QString& directory) {
    Answer a(Kind::Folder);
    a.Text = directory;
    FQueue.push_back(std::move(a));
    return *this;
}

TScriptedUIServices& TScriptedUIServices::AnswerColor(TColor color) {
    Answer a(Kind::Color);
    a.Color = color;
    FQueue.push_back(std::move(a));
    return *this;
}

TScriptedUIServices& TScriptedUIServices::AnswerFont(const TFontChoice& font) {
    Answer a(Kind::Font);
    a.Font = font;
    FQueue.push_back(std::move(a));
    return *this;
}

TScriptedUIServices& TScriptedUIServices::AnswerModal(
    const QString& formName, std::function<TModalResult(TCustomForm*)> action) {
    Answer a(Kind::Modal);
    a.Text = formName;
    a.Action = std::move(action);
    FQueue.push_back(std::move(a));
    return *this;
}

TScriptedUIServices& TScriptedUIServices::AnswerFind(const QStringList& texts, bool matchCase) {
    Answer a(Kind::Find);
    a.Files = texts;
    a.MatchCase = matchCase;
    FQueue.push_back(std::move(a));
    return *this;
}

TScriptedUIServices& TScriptedUIServices::AnswerPrint(const TPrintChoice& choice) {
    Answer a(Kind::Print);
    a.Print = choice;
    a.Text = choice.Printer;
    FQueue.push_back(std::move(a));
    return *this;
}

TScriptedUIServices& TScriptedUIServices::CancelPrint() {
    Answer a(Kind::Print);
    a.Ok = false;
    FQueue.push_back(std::move(a));
    return *this;
}

void TScriptedUIServices::ShowFind(TFindDialog* dialog) {
    Answer a;
    if (!Take(Kind::Find, QStringLiteral("Find: ") + dialog->FindText(), a)) {
        dialog->DoClose();
        return;
    }
    for (const QString& text : a.Files) {
        TFindOptions o = dialog->Options();
        o.Include(frFindNext);
        if (a.MatchCase) o.Include(frMatchCase);
        else o.Exclude(frMatchCase);
        dialog->SetOptions(o);
        dialog->SetFindText(text);
        dialog->DoFind();
    }
    dialog->DoClose();
}

void TScriptedUIServices::CloseFind(TFindDialog* dialog) { (void)dialog; }

void TScriptedUIServices::Verify() {
    while (!FQueue.empty()) {
        Answer a = std::move(FQueue.front());
        FQueue.pop_front();
        if (FOnUnexpected)
            FOnUnexpected(QStringLiteral("a %1 was expected but never asked%2")
                              .arg(KindName(a.K),
                                   a.Text.isEmpty() ? QString() : QStringLiteral(" (") + a.Text + QLatin1Char(')')));
    }
}

TModalResult TScriptedUIServices::Message(const TMessageRequest& request) {
    FMessages.push_back(request);
    const QString question =
        QStringLiteral("Message: %1: %2").arg(request.Caption, request.Text);
    Answer a;
    if (!Take(Kind::Message, question, a))
        return request.Buttons.Contains(mbCancel) ? mrCancel
               : request.Buttons.Contains(mbNo)   ? mrNo
                                                  : mrOk;
    if (!a.Text.isEmpty() && !request.Text.contains(a.Text) && FOnUnexpected)
        FOnUnexpected(QStringLiteral("message box without \"%1\": %2").arg(a.Text, question));
    return a.Result;
}

bool TScriptedUIServices::Input(const QString& caption, const QString& prompt, QString& value) {
    Answer a;
    if (!Take(Kind::Input, QStringLiteral("Input: %1: %2").arg(caption, prompt), a)) return false;
    if (a.Ok) value = a.Text;
    return a.Ok;
}

bool TScriptedUIServices::SelectFile(const TFileRequest& request, TFileAnswer& answer) {
    Answer a;
    const QString question = QStringLiteral("%1: %2 [%3]")
                                 .arg(request.Save ? QStringLiteral("Save file")
                                                   : QStringLiteral("Open file"),
                                      request.Title, request.Filter);
    if (!Take(Kind::File, question, a) || !a.Ok) return false;
    answer.Files = a.Files;
    answer.FilterIndex = a.Index;
    return true;
}

bool TScriptedUIServices::SelectFolder(const QString& caption, const QString& root,
                                       QString& directory) {
    Answer a;
    if (!Take(Kind::Folder, QStringLiteral("Folder: ") + caption, a)) return false;
    directory = a.Text;
    return true;
}

bool TScriptedUIServices::SelectColor(TColor& color) {
    Answer a;
    if (!Take(Kind::Color, QStringLiteral("Colour"), a)) return false;
    color = a.Color;
    return true;
}

bool TScriptedUIServices::SelectFont(TFontChoice& font) {
    Answer a;
    if (!Take(Kind::Font, QStringLiteral("Font: ") + font.Name, a)) return false;
    font = a.Font;
    return true;
}

bool TScriptedUIServices::SelectPrinter(TPrintRequest& request) {
    FPrintRequests.push_back(request);
    const QString offered = request.PrinterIndex >= 0 && request.PrinterIndex < request.Printers.size()
                                ? request.Printers[request.PrinterIndex]
                                : QString();
    const QString question =
        QStringLiteral("%1: %2").arg(request.Setup ? QStringLiteral("Printer setup") : QStringLiteral("Print"),
                                     offered);
    Answer a;
    if (!Take(Kind::Print, question, a) || !a.Ok) return false;
    const TPrintChoice& c = a.Print;
    // The user can only pick what the dialog showed.
    QStringList refused;
    int index = request.PrinterIndex;
    if (!c.Printer.isEmpty()) {
        index = request.Printers.indexOf(c.Printer);
        if (index < 0) refused << QStringLiteral("printer \"%1\" is not offered").arg(c.Printer);
    }
    if (!request.Setup) {
        if (c.Range == prPageNums && !request.AllowPageNums) refused << QStringLiteral("page numbers");
        if (c.Range == prSelection && !request.AllowSelection) refused << QStringLiteral("selection");
        if (c.PrintToFile && !(request.ShowPrintToFile && request.EnablePrintToFile))
            refused << QStringLiteral("print to file");
    }
    if (!refused.isEmpty()) {
        if (FOnUnexpected)
            FOnUnexpected(QStringLiteral("the print dialog does not offer %1: %2")
                              .arg(refused.join(QStringLiteral(", ")), question));
        return false;
    }
    request.PrinterIndex = index;
    if (request.Setup) return true;
    request.Range = c.Range;
    if (c.Range == prPageNums) {
        request.FromPage = c.FromPage;
        request.ToPage = c.ToPage;
    }
    request.Copies = c.Copies;
    request.Collate = c.Collate;
    request.PrintToFile = c.PrintToFile;
    return true;
}

TModalResult TScriptedUIServices::RunModal(TCustomForm* form) {
    Answer a;
    const QString question = QStringLiteral("Modal window: %1 \"%2\"").arg(form->Name(), form->Caption());
    // A window that has an answer of its own is no unexpected question: it takes that answer
    // unless the test queued one for it.
    if (const TModalResult unattended = form->UnattendedResult();
        unattended != mrNone && (FQueue.empty() || FQueue.front().K != Kind::Modal)) {
        FAsked << question + QStringLiteral(" (unattended)");
        return form->RunScriptedModal([unattended](TCustomForm*) { return unattended; });
    }
    if (!Take(Kind::Modal, question, a)) return mrCancel;
    if (!a.Text.isEmpty() && a.Text != form->Name() && FOnUnexpected)
        FOnUnexpected(QStringLiteral("expected modal window %1, got: %2").arg(a.Text, question));
    // Without an action the real modal loop runs (timers or posted events end it).
    if (!a.Action) return form->RunModalLoop();
    return form->RunScriptedModal(a.Action);
}

TUIServicesScope::TUIServicesScope(TScriptedUIServices::TFailure onUnexpected) {
    auto services = std::make_unique<TScriptedUIServices>(std::move(onUnexpected));
    FServices = services.get();
    FPrevious = SetUIServices(std::move(services));
}

TUIServicesScope::~TUIServicesScope() { SetUIServices(std::move(FPrevious)); }
