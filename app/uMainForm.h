#pragma once
// The main window: it holds what the whole shell shares (the SQL connection, the main menu, the
// dialogs), runs the start-up sequence when it is first shown and hosts the handlers that the
// generated windows use.

#include "platform/ui/Forms.h"

#include <memory>

class TMainMenu;
class TMenuItem;
class TOpenDialog;
class TSaveDialog;
class TOpenPictureDialog;
class TSavePictureDialog;
class TSQLConnection;
class TMemo;
class TButton;
class TDateTimePicker;

class TfrmMainKorvel : public TForm {
    KORVEL_CLASS(TfrmMainKorvel, TForm)
public:
    explicit TfrmMainKorvel(TComponent* AOwner);
    ~TfrmMainKorvel() override;

    TSQLConnection* SQLConnection() const { return FSQLConnection.get(); }

    TMainMenu* MainMenu = nullptr;
    TMenuItem* mniFile = nullptr;
    TMenuItem* mniClose = nullptr;
    TMenuItem* mniOptions = nullptr;
    TMenuItem* mniDBLocation = nullptr;
    TMenuItem* mniReport = nullptr;
    TMenuItem* mniAbout = nullptr;
    TOpenPictureDialog* OpenPictureDialog = nullptr;
    TSavePictureDialog* SavePictureDialog = nullptr;
    TOpenDialog* OpenDialog = nullptr;
    TSaveDialog* SaveDialog = nullptr;
    // The image lists, the report with its dataset, the designer, the eight export filters, the
    // chart registration and the formula component join here when their libraries exist.

    // A developer's SQL console, never made visible: "Execute" runs the input memo's query and
    // lists the result in the output memo. The time picker has no code.
    TMemo* MemoInput264325 = nullptr;
    TButton* bSQL234235 = nullptr;
    TMemo* MemoOut236235 = nullptr;
    TDateTimePicker* DateTimePicker23623523 = nullptr;
    void bSQL234235Click(TObject* Sender);

    // The start-up sequence.
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormDestroy(TObject* Sender);
    // The OnShow of every generated window: the first windowed control in tab order gets focus.
    void OnAllFormShow(TObject* Sender);

    void mniCloseClick(TObject* Sender);
    void mniDBLocationClick(TObject* Sender);
    void mniReportClick(TObject* Sender);
    void mniAboutClick(TObject* Sender);

    // How far the last start-up got; tests and the screenshot read it.
    enum class TStartup { NotRun, DatabaseMissing, BadDescription, DatabaseFailed, TablesFailed, Done };
    TStartup StartupResult() const { return FStartup; }
    // The database file start-up used (empty before the sequence got that far).
    const QString& DatabaseFileName() const { return FDatabaseFileName; }

private:
    // Steps 4 and 5: opens (and creates) the database; false when start-up cannot go on.
    bool OpenDatabase(const QString& path);
    bool CreateTables(const QString& path);

    std::unique_ptr<TSQLConnection> FSQLConnection;
    TStartup FStartup = TStartup::NotRun;
    QString FDatabaseFileName;
};

extern TfrmMainKorvel* frmMainKorvel;
