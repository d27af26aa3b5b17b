#pragma once
// The dialog components: file, picture, colour, font, find and printer dialogs. Execute asks
// through the UI services, so tests answer them from a script.

#include "platform/gfx/Graphics.h"
#include "platform/rtl/StringList.h"
#include "platform/rtti/Classes.h"
#include "platform/ui/UIServices.h"

#include <QPointer>
#include <QWidget>

#include <algorithm>

enum TOpenOption { ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp,
                   ofNoValidate, ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist,
                   ofFileMustExist, ofCreatePrompt, ofShareAware, ofNoReadOnlyReturn,
                   ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames, ofOldStyleDialog,
                   ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing, ofDontAddToRecent,
                   ofForceShowHidden };
using TOpenOptions = TSet<TOpenOption>;

class TCommonDialog : public TComponent {
    KORVEL_CLASS(TCommonDialog, TComponent)
public:
    explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
    virtual bool Execute() = 0;
    TNotifyEvent OnShow;
    TNotifyEvent OnClose;
};

class TOpenDialog : public TCommonDialog {
    KORVEL_CLASS(TOpenDialog, TCommonDialog)
public:
    explicit TOpenDialog(TComponent* AOwner);

    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& value) { FFileName = value; }
    TStrings* Files() const { return FFiles.get(); }
    const QString& Filter() const { return FFilter; }
    void SetFilter(const QString& value) { FFilter = value; }
    int FilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int value) { FFilterIndex = value; }
    const QString& InitialDir() const { return FInitialDir; }
    void SetInitialDir(const QString& value) { FInitialDir = value; }
    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& value) { FTitle = value; }
    const QString& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const QString& value) { FDefaultExt = value; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(const TOpenOptions& value) { FOptions = value; }
    bool Execute() override;

protected:
    virtual bool IsSave() const { return false; }
    QString FFileName;
    std::unique_ptr<TStringList> FFiles;
    QString FFilter;
    int FFilterIndex = 1;
    QString FInitialDir;
    QString FTitle;
    QString FDefaultExt;
    TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
};

class TSaveDialog : public TOpenDialog {
    KORVEL_CLASS(TSaveDialog, TOpenDialog)
public:
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}

protected:
    bool IsSave() const override { return true; }
};

// Picture dialogs start with the filter of the picture formats the program reads.
class TOpenPictureDialog : public TOpenDialog {
    KORVEL_CLASS(TOpenPictureDialog, TOpenDialog)
public:
    explicit TOpenPictureDialog(TComponent* AOwner);
};

class TSavePictureDialog : public TSaveDialog {
    KORVEL_CLASS(TSavePictureDialog, TSaveDialog)
public:
    explicit TSavePictureDialog(TComponent* AOwner);
};

class TColorDialog : public TCommonDialog {
    KORVEL_CLASS(TColorDialog, TCommonDialog)
public:
    explicit TColorDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    TColor Color() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }
    bool Execute() override;

private:
    TColor FColor = clBlack;
};

class TFontDialog : public TCommonDialog {
    KORVEL_CLASS(TFontDialog, TCommonDialog)
public:
    explicit TFontDialog(TComponent* AOwner);
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont* value) { FFont->Assign(*value); }
    bool Execute() override;

private:
    std::unique_ptr<TFont> FFont;
};

enum TPrintDialogOption { poPrintToFile, poPageNums, poSelection, poWarning, poHelp,
                          poDisablePrintToFile };
KORVEL_ENUM(TPrintDialogOption,
            "poPrintToFile,poPageNums,poSelection,poWarning,poHelp,poDisablePrintToFile")
KORVEL_SET(TPrintDialogOptions, TPrintDialogOption)

// Chooses the printer (which becomes the process's current printer), the pages, the copies and
// whether to print to a file. The page range stays within MinPage..MaxPage (MaxPage 0: no upper
// limit) and Copies is at least 1, whatever the dialog answers.
class TPrintDialog : public TCommonDialog {
    KORVEL_CLASS(TPrintDialog, TCommonDialog)
public:
    explicit TPrintDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}

    bool Collate() const { return FCollate; }
    void SetCollate(bool value) { FCollate = value; }
    int Copies() const { return FCopies; }
    void SetCopies(int value) { FCopies = std::max(1, value); }
    int FromPage() const { return FFromPage; }
    void SetFromPage(int value) { FFromPage = value; }
    int ToPage() const { return FToPage; }
    void SetToPage(int value) { FToPage = value; }
    int MinPage() const { return FMinPage; }
    void SetMinPage(int value) { FMinPage = value; }
    int MaxPage() const { return FMaxPage; }
    void SetMaxPage(int value) { FMaxPage = value; }
    TPrintDialogOptions Options() const { return FOptions; }
    void SetOptions(const TPrintDialogOptions& value) { FOptions = value; }
    TPrintRange PrintRange() const { return FPrintRange; }
    void SetPrintRange(TPrintRange value) { FPrintRange = value; }
    bool PrintToFile() const { return FPrintToFile; }
    void SetPrintToFile(bool value) { FPrintToFile = value; }
    bool Execute() override;

private:
    // From and To moved into the allowed pages; a range given backwards is turned round.
    void ClampPages(int& from, int& to) const;
    bool FCollate = false;
    int FCopies = 1;
    int FFromPage = 0, FToPage = 0, FMinPage = 0, FMaxPage = 0;
    TPrintDialogOptions FOptions;
    TPrintRange FPrintRange = prAllPages;
    bool FPrintToFile = false;
};

// Chooses the current printer and its settings.
class TPrinterSetupDialog : public TCommonDialog {
    KORVEL_CLASS(TPrinterSetupDialog, TCommonDialog)
public:
    explicit TPrinterSetupDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
    bool Execute() override;
};

enum TFindOption { frDown, frFindNext, frHideMatchCase, frHideWholeWord, frHideUpDown, frMatchCase,
                   frDisableMatchCase, frDisableUpDown, frDisableWholeWord, frReplace, frReplaceAll,
                   frWholeWord, frShowHelp };
using TFindOptions = TSet<TFindOption>;

// The find dialog stays open while the user searches; OnFind runs for every "find next".
class TFindDialog : public TCommonDialog {
    KORVEL_CLASS(TFindDialog, TCommonDialog)
public:
    explicit TFindDialog(TComponent* AOwner);
    ~TFindDialog() override;

    const QString& FindText() const { return FFindText; }
    void SetFindText(const QString& value) { FFindText = value; }
    TFindOptions Options() const { return FOptions; }
    void SetOptions(const TFindOptions& value) { FOptions = value; }
    bool Execute() override; // shows the dialog and returns at once
    void CloseDialog();
    bool IsOpen() const { return FOpen; }

    TNotifyEvent OnFind;
    void DoFind();
    void DoClose();

private:
    friend class TQtUIServices;
    QString FFindText;
    TFindOptions FOptions{frDown};
    bool FOpen = false;
    QPointer<QWidget> FWindow;
};
