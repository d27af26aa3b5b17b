#pragma once
// Every question the program asks its user goes through one object: message boxes, input boxes,
// file, folder, colour, font and printer dialogs, and running a window modally. The program installs the
// Qt implementation; tests install TScriptedUIServices and queue the answers they expect.

#include "platform/gfx/Colors.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/UiTypes.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <memory>

class TCustomForm;
class TWinControl;
class TFindDialog;

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll,
                  mbYesToAll, mbHelp, mbClose };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

// Flags and results of the plain message box.
constexpr unsigned MB_OK = 0x0, MB_OKCANCEL = 0x1, MB_ABORTRETRYIGNORE = 0x2,
                   MB_YESNOCANCEL = 0x3, MB_YESNO = 0x4, MB_RETRYCANCEL = 0x5,
                   MB_ICONHAND = 0x10, MB_ICONERROR = 0x10, MB_ICONSTOP = 0x10,
                   MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30, MB_ICONWARNING = 0x30,
                   MB_ICONASTERISK = 0x40, MB_ICONINFORMATION = 0x40, MB_DEFBUTTON1 = 0x0,
                   MB_DEFBUTTON2 = 0x100, MB_DEFBUTTON3 = 0x200;
constexpr int IDOK = 1, IDCANCEL = 2, IDABORT = 3, IDRETRY = 4, IDIGNORE = 5, IDYES = 6, IDNO = 7;

enum class TMessageIcon { None, Information, Question, Warning, Error };

// One message box as the user would see it.
struct TMessageRequest {
    QString Text;
    QString Caption;
    TMessageIcon Icon = TMessageIcon::None;
    TMsgDlgButtons Buttons{mbOK};
    TMsgDlgBtn DefaultButton = mbOK;
    TWinControl* Owner = nullptr; // the window that owns the box; null for the main window
};

struct TFileRequest {
    bool Save = false;
    QString Title;
    QString Filter;     // "Text (*.txt)|*.txt|All|*.*"
    int FilterIndex = 1; // 1-based, as the dialog components count
    QString InitialDir;
    QString FileName;
    QString DefaultExt;
    bool MultiSelect = false;
    bool OverwritePrompt = false;
    bool FileMustExist = false;
};

struct TFileAnswer {
    QStringList Files;
    int FilterIndex = 1;
};

struct TFontChoice {
    QString Name;
    int Size = 8;
    int Style = 0; // bold 1, italic 2, underline 4, strike-out 8
    TColor Color = clWindowText;
};

// Which pages the print dialog hands over.
enum TPrintRange { prAllPages, prSelection, prPageNums };
KORVEL_ENUM(TPrintRange, "prAllPages,prSelection,prPageNums")

// The print dialog (or, with Setup, the printer setup dialog). On entry it holds what the dialog
// shows; when the user confirms, the answer is written back into it.
struct TPrintRequest {
    bool Setup = false;     // choose and set up a printer only: no pages, copies or file
    QStringList Printers;   // the printers offered, in list order
    int PrinterIndex = 0;   // the one chosen, a position in Printers
    int MinPage = 0, MaxPage = 0; // the pages a range may name; MaxPage 0: no limit
    int FromPage = 0, ToPage = 0;
    int Copies = 1;
    bool Collate = false;
    TPrintRange Range = prAllPages;
    bool AllowPageNums = false;    // the user may type a page range
    bool AllowSelection = false;   // the user may print the selection
    bool ShowPrintToFile = false;  // the "print to file" box is there ...
    bool EnablePrintToFile = true; // ... and may be ticked
    bool PrintToFile = false;
    QString OutputFileName; // the file chosen when printing to a file, where the dialog asks
};

// A user's answer to the print dialog for the scripted services.
struct TPrintChoice {
    QString Printer; // empty keeps the printer the dialog had chosen
    TPrintRange Range = prAllPages;
    int FromPage = 0, ToPage = 0;
    int Copies = 1;
    bool Collate = false;
    bool PrintToFile = false;
};

class IUIServices {
public:
    virtual ~IUIServices() = default;
    // Returns the modal result of the button chosen (mrOk, mrYes...).
    virtual TModalResult Message(const TMessageRequest& request) = 0;
    // False when the user cancelled; Value holds the default on entry and the answer on exit.
    virtual bool Input(const QString& caption, const QString& prompt, QString& value) = 0;
    virtual bool SelectFile(const TFileRequest& request, TFileAnswer& answer) = 0;
    virtual bool SelectFolder(const QString& caption, const QString& root, QString& directory) = 0;
    virtual bool SelectColor(TColor& color) = 0;
    virtual bool SelectFont(TFontChoice& font) = 0;
    // The print or printer setup dialog; false when the user cancelled (the request unchanged).
    virtual bool SelectPrinter(TPrintRequest& request) = 0;
    // Runs the form modally and returns its ModalResult. A form with an unattended result is
    // answered with it where no user can see the window (a platform without a screen; the
    // scripted services when no modal answer is queued for it).
    virtual TModalResult RunModal(TCustomForm* form) = 0;
    // Shows the find dialog without waiting: every "find next" of the user calls the dialog's
    // DoFind, closing it calls DoClose.
    virtual void ShowFind(TFindDialog* dialog) = 0;
    virtual void CloseFind(TFindDialog* dialog) = 0;
};

// The services in force; never null (the Qt implementation until something else is installed).
IUIServices& UIServices();
// Installs new services and returns the previous ones (tests restore them at the end).
std::unique_ptr<IUIServices> SetUIServices(std::unique_ptr<IUIServices> services);

class TQtUIServices : public IUIServices {
public:
    TModalResult Message(const TMessageRequest& request) override;
    bool Input(const QString& caption, const QString& prompt, QString& value) override;
    bool SelectFile(const TFileRequest& request, TFileAnswer& answer) override;
    bool SelectFolder(const QString& caption, const QString& root, QString& directory) override;
    bool SelectColor(TColor& color) override;
    bool SelectFont(TFontChoice& font) override;
    bool SelectPrinter(TPrintRequest& request) override;
    TModalResult RunModal(TCustomForm* form) override;
    void ShowFind(TFindDialog* dialog) override;
    void CloseFind(TFindDialog* dialog) override;
};

// Answers from a queue filled by a test. Each question takes the next answer; a question of
// another kind than the next answer, or one asked when the queue is empty, is reported through
// OnUnexpected with the question's text and gets the "cancel" answer.
class TScriptedUIServices : public IUIServices {
public:
    using TFailure = std::function<void(const QString& question)>;
    explicit TScriptedUIServices(TFailure onUnexpected = {});
    ~TScriptedUIServices() override;

    // Queue answers. A message answer may demand that the text contain a fragment.
    TScriptedUIServices& AnswerMessage(TModalResult result, const QString& textContains = {});
    TScriptedUIServices& AnswerInput(const QString& value); // OK with this text
    TScriptedUIServices& CancelInput();
    TScriptedUIServices& AnswerFile(const QStringList& files, int filterIndex = 1);
    TScriptedUIServices& CancelFile();
    TScriptedUIServices& AnswerFolder(const QString& directory);
    TScriptedUIServices& AnswerColor(TColor color);
    TScriptedUIServices& AnswerFont(const TFontChoice& font);
    // The print and printer setup dialogs. A choice the dialog did not offer (an unknown printer,
    // a page range or selection it did not allow, a file it did not let the user tick) is
    // reported as unexpected.
    TScriptedUIServices& AnswerPrint(const TPrintChoice& choice);
    TScriptedUIServices& CancelPrint();
    // A modal window: the action runs while the form is showing and returns its modal result
    // (mrNone lets the form's own ModalResult stand); formName empty accepts any form.
    TScriptedUIServices& AnswerModal(const QString& formName,
                                     std::function<TModalResult(TCustomForm*)> action);
    // The find dialog: the user searches each text in turn ("find next"), then closes it.
    TScriptedUIServices& AnswerFind(const QStringList& texts, bool matchCase = false);

    // Every question asked so far, in order, as text ("Message: Caption: Text"...).
    const QStringList& Asked() const { return FAsked; }
    const std::vector<TMessageRequest>& Messages() const { return FMessages; }
    // Every print dialog as it was shown, before the answer.
    const std::vector<TPrintRequest>& PrintRequests() const { return FPrintRequests; }
    int Pending() const { return static_cast<int>(FQueue.size()); }
    // Reports every answer still queued through OnUnexpected and clears the queue.
    void Verify();

    TModalResult Message(const TMessageRequest& request) override;
    bool Input(const QString& caption, const QString& prompt, QString& value) override;
    bool SelectFile(const TFileRequest& request, TFileAnswer& answer) override;
    bool SelectFolder(const QString& caption, const QString& root, QString& directory) override;
    bool SelectColor(TColor& color) override;
    bool SelectFont(TFontChoice& font) override;
    bool SelectPrinter(TPrintRequest& request) override;
    TModalResult RunModal(TCustomForm* form) override;
    void ShowFind(TFindDialog* dialog) override;
    void CloseFind(TFindDialog* dialog) override;

private:
    enum class Kind { Message, Input, File, Folder, Color, Font, Modal, Find, Print };
    struct Answer {
        explicit Answer(Kind k = Kind::Message) : K(k) {}
        Kind K;
        bool Ok = true;
        TModalResult Result = mrNone;
        QString Text;
        QStringList Files;
        int Index = 1;
        TColor Color = 0;
        TFontChoice Font;
        TPrintChoice Print;
        std::function<TModalResult(TCustomForm*)> Action;
        bool MatchCase = false;
    };
    static QString KindName(Kind k);
    // The next answer when it is of kind k; otherwise reports the question and returns null.
    bool Take(Kind k, const QString& question, Answer& out);

    TFailure FOnUnexpected;
    std::deque<Answer> FQueue;
    QStringList FAsked;
    std::vector<TMessageRequest> FMessages;
    std::vector<TPrintRequest> FPrintRequests;
};

// Installs scripted services for a scope and puts the previous ones back afterwards.
class TUIServicesScope {
public:
    explicit TUIServicesScope(TScriptedUIServices::TFailure onUnexpected = {});
    ~TUIServicesScope();
    TUIServicesScope(const TUIServicesScope&) = delete;
    TUIServicesScope& operator=(const TUIServicesScope&) = delete;
    TScriptedUIServices& Services() { return *FServices; }
    TScriptedUIServices* operator->() { return FServices; }

private:
    TScriptedUIServices* FServices;
    std::unique_ptr<IUIServices> FPrevious;
};

// True when windows shown now reach no user (the offscreen or minimal platform).
bool NoUserCanSee();

// Button captions and the box captions by type, as the message dialog shows them.
QString MsgDlgButtonCaption(TMsgDlgBtn button);
TModalResult MsgDlgButtonResult(TMsgDlgBtn button);
QString MsgDlgTypeCaption(TMsgDlgType type);
TMessageIcon MsgDlgTypeIcon(TMsgDlgType type);
