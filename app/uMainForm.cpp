#include "app/uMainForm.h"

#include "app/dbStringGridEx.h"
#include "app/uAboutForm.h"
#include "app/uIniCheck.h"
#include "app/uLang.h"
#include "app/uOptionsForm.h"
#include "app/uSQL.h"
#include "app/uSQLiteFunctions.h"
#include "app/uSaveSettings.h"
#include "app/uTables.h"
#include "app/uZlib.h"
#include "formula/formula.h"
#include "platform/data/SQLConnection.h"
#include "platform/sys/Program.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

#include <QFile>
#include <QFileInfo>

TfrmMainKorvel* frmMainKorvel = nullptr;

KORVEL_CLASS_INFO(TfrmMainKorvel) {}

namespace {

const QString ExceptionRaised = QStringLiteral("Exception raised with message: ");

QString ErrorText(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const Exception& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    }
}

} // namespace

TfrmMainKorvel::TfrmMainKorvel(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("frmMainKorvel"));
    SetCaption(QStringLiteral("Korvel"));
    SetBounds(0, 0, 1024, 700);
    SetPosition(poScreenCenter);

    FSQLConnection = std::make_unique<TSQLConnection>();
    FSQLConnection->SetConnectionName(QStringLiteral("SQLConnection"));
    FSQLConnection->SetDriverName(QStringLiteral("Sqlite"));
    FSQLConnection->SetLoginPrompt(false);
    FSQLConnection->Params().Add(QStringLiteral("ColumnMetaDataSupported=False"));
    FSQLConnection->Params().Add(QStringLiteral("FailIfMissing=True"));

    MainMenu = new TMainMenu(this);
    MainMenu->SetName(QStringLiteral("MainMenu"));
    auto item = [this](TMenuItem* parent, const char* name, const char* caption,
                       void (TfrmMainKorvel::*handler)(TObject*)) {
        auto* i = new TMenuItem(this);
        i->SetName(QLatin1String(name));
        i->SetCaption(QLatin1String(caption));
        if (handler) i->OnClick = [this, handler](TObject* sender) { (this->*handler)(sender); };
        parent->Add(i);
        return i;
    };
    mniFile = item(MainMenu->Items(), "mniFile", "File", nullptr);
    mniClose = item(mniFile, "mniClose", "Close", &TfrmMainKorvel::mniCloseClick);
    mniOptions = item(MainMenu->Items(), "mniOptions", "Options", nullptr);
    mniDBLocation =
        item(mniOptions, "mniDBLocation", "Database location", &TfrmMainKorvel::mniDBLocationClick);
    mniReport = item(mniOptions, "mniReport", "Report designer", &TfrmMainKorvel::mniReportClick);
    mniAbout = item(MainMenu->Items(), "mniAbout", "About", &TfrmMainKorvel::mniAboutClick);
    SetMenu(MainMenu);

    const QString pictures = QStringLiteral(
        "All (*.gif;*.png;*.jpg;*.jpeg;*.bmp)|*.gif;*.png;*.jpg;*.jpeg;*.bmp|GIF Image (*.gif)|*.gif|"
        "Portable Network Graphics (*.png)|*.png|JPEG Image File (*.jpg)|*.jpg|JPEG Image File "
        "(*.jpeg)|*.jpeg|"
        "Bitmaps (*.bmp)|*.bmp");
    OpenPictureDialog = new TOpenPictureDialog(this);
    OpenPictureDialog->SetName(QStringLiteral("OpenPictureDialog"));
    OpenPictureDialog->SetFilter(pictures);
    SavePictureDialog = new TSavePictureDialog(this);
    SavePictureDialog->SetName(QStringLiteral("SavePictureDialog"));
    SavePictureDialog->SetFilter(pictures);
    OpenDialog = new TOpenDialog(this);
    OpenDialog->SetName(QStringLiteral("OpenDialog"));
    SaveDialog = new TSaveDialog(this);
    SaveDialog->SetName(QStringLiteral("SaveDialog"));
    DUvuRarodar1 = new DUvuRarodar(this);
    DUvuRarodar1->SetName(QStringLiteral("DUvuRarodar1"));
    DUvuRarodar1->SetUnQuotedString(false);
    DUvuRarodar1->SetStep(false);
    DUvuRarodar1->SetStoreLines(false);
    DUvuRarodar1->SetExternGetVar(false);
    DUvuRarodar1->SetNoLeadingZero(false);
    DUvuRarodar1->SetZeroEmptyString(false);
    DUvuRarodar1->SetAutoCreateVars(false);
    DUvuRarodar1->SetVarNameLiterals(QStringLiteral("_ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));

    MemoInput264325 = new TMemo(this);
    MemoInput264325->SetName(QStringLiteral("MemoInput264325"));
    bSQL234235 = new TButton(this);
    bSQL234235->SetName(QStringLiteral("bSQL234235"));
    bSQL234235->SetCaption(QStringLiteral("Execute"));
    bSQL234235->OnClick = [this](TObject* sender) { bSQL234235Click(sender); };
    MemoOut236235 = new TMemo(this);
    MemoOut236235->SetName(QStringLiteral("MemoOut236235"));
    DateTimePicker23623523 = new TDateTimePicker(this);
    DateTimePicker23623523->SetName(QStringLiteral("DateTimePicker23623523"));
    for (TControl* tool : std::initializer_list<TControl*>{MemoInput264325, bSQL234235, MemoOut236235,
                                                           DateTimePicker23623523}) {
        tool->SetVisible(false);
        tool->SetParent(this);
    }

    CreateImageLists();
    CreateReportComponents();

    OnShow = [this](TObject* sender) { FormShow(sender); };
    OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
    OnDestroy = [this](TObject* sender) { FormDestroy(sender); };
}

TfrmMainKorvel::~TfrmMainKorvel() {
    // The generated windows call back into this one: they go first.
    for (TForm* form : FGeneratedForms) {
        if (form->Owner()) form->Owner()->RemoveComponent(form);
        std::unique_ptr<TForm> doomed(form);
    }
    FGeneratedForms.clear();
    // The form's destructor raises OnDestroy after this object is gone.
    OnDestroy = nullptr;
    FormDestroy(this);
    if (frmMainKorvel == this) frmMainKorvel = nullptr;
}

void TfrmMainKorvel::FormShow(TObject*) {
    // 1. The texts first: every message below takes them from the language table.
    InitLang();

    // A malformed description file stops the start before anything is opened or created.
    const struct {
        QString File;
        TIniKind Kind;
    } descriptions[] = {{SettingsFileName(), TIniKind::Settings},
                        {ProgramFolder() + QStringLiteral("tables.ini"), TIniKind::Tables}};
    for (const auto& d : descriptions) {
        const QString problem = CheckIniFile(d.File, d.Kind);
        if (!problem.isEmpty()) {
            MessageBoxOwned(this, problem, Lang.Error, MB_OK | MB_ICONINFORMATION);
            FStartup = TStartup::BadDescription;
            return;
        }
    }

    // 2. The database beside the program unless settings.ini names another; the menu switches.
    QString path = ProgramFolder() + QStringLiteral("sqlite.db");
    QString server;
    ReadOptions(server);

    // 3. A configured file that is missing ends the start here; the user picks another one.
    if (!server.isEmpty()) {
        if (!QFileInfo::exists(server)) {
            MessageBoxOwned(this, Lang.The_database_file_is_not_found + QChar(13) + server, Lang.Error,
                            MB_OK | MB_ICONINFORMATION);
            frmOptionsKorvel->Show();
            FStartup = TStartup::DatabaseMissing;
            return;
        }
        path = server;
    }

    // 4 and 5.
    if (!OpenDatabase(path)) return;

    // 6 and 7.
    LoadDisableUpperCase();
    LoadSchema(ProgramFolder() + QStringLiteral("tables.ini"));

    // 8. Every window of forms.xml, the main window first. A file that is not there leaves the
    //    main window empty; one that cannot be used stops the start with its message.
    const QString forms = ProgramFolder() + QStringLiteral("forms.xml");
    if (QFileInfo::exists(forms)) {
        try {
            LoadForms(forms);
        } catch (const Exception& e) {
            MessageBoxOwned(this, e.Message(), Lang.Error, MB_OK | MB_ICONINFORMATION);
            FStartup = TStartup::FormsFailed;
            return;
        }
        // Values that cannot be used are left out and the start goes on: one warning lists them,
        // the first screenful of them when there are many.
        if (!FFormsProblems.isEmpty()) {
            constexpr int shown = 20;
            QStringList lines = FFormsProblems.mid(0, shown);
            if (FFormsProblems.size() > shown)
                lines << QStringLiteral("... (+%1)").arg(FFormsProblems.size() - shown);
            MessageBoxOwned(this, Lang.The_forms_file_has_mistakes + QLatin1Char('\n') + lines.join(QLatin1Char('\n')),
                            Lang.Warning, MB_OK | MB_ICONWARNING);
        }
    }
    // 9. The grids' column counts and widths.
    LoadGridSettings();
    // 10. The lookup combo boxes of every window.
    FillDictionaries(QString());
    // 11. The main window's self-running result grids, in component order. A grid whose query
    //     fails says so and the start goes on: the other windows stay usable.
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* grid = dynamic_cast<TdbStringGridEx*>(Components(i));
        if (!grid || !grid->dbAutoExecute()) continue;
        try {
            grid->dbExecute();
        } catch (const Exception& e) {
            MessageBoxOwned(this, grid->Name() + QStringLiteral(": ") + e.Message(), Lang.Error,
                            MB_OK | MB_ICONINFORMATION);
        }
    }
    // 12. The picture pack decorates the windows. A damaged pack or picture costs only its own
    //     entries: the start goes on and says once what was skipped.
    const QString pack = ProgramFolder() + QStringLiteral("graphics.dll");
    if (QFileInfo::exists(pack)) {
        QStringList skipped;
        try {
            LoadGraphics(pack, QString(), [&skipped](TMemoryStream& picture, const QString& name) {
                try {
                    LoadPicture(picture, name);
                } catch (const Exception& e) {
                    skipped << name + QStringLiteral(": ") + e.Message();
                }
            });
        } catch (const Exception& e) {
            skipped << e.Message();
        }
        if (!skipped.isEmpty())
            MessageBoxOwned(this, pack + QChar(13) + skipped.join(QChar(13)), Lang.Error, MB_OK | MB_ICONINFORMATION);
    }
    FStartup = TStartup::Done;
}

bool TfrmMainKorvel::OpenDatabase(const QString& path) {
    const bool existed = QFileInfo::exists(path);
    FDatabaseFileName = path;
    FSQLConnection->SetParamValue(QStringLiteral("Database"), path);
    FSQLConnection->SetParamValue(QStringLiteral("FailIfMissing"), QStringLiteral("False"));
    try {
        FSQLConnection->ExecuteDirect(QStringLiteral("PRAGMA foreign_keys=ON;"));
    } catch (const EDatabaseError&) {
        // The file cannot be created or opened at all: nothing can run without it.
        const QString message = ErrorText(std::current_exception());
        FSQLConnection->Close();
        if (!existed) QFile::remove(path);
        ShowMessage(ExceptionRaised + message);
        FStartup = TStartup::DatabaseFailed;
        return false;
    }
    try {
        FSQLConnection->SetConnected(true);
        RegisterUnicodeFunctions(*FSQLConnection);
    } catch (const EDatabaseError&) {
        ShowMessage(ExceptionRaised + ErrorText(std::current_exception()));
    }
    if (!existed) return CreateTables(path);
    return true;
}

bool TfrmMainKorvel::CreateTables(const QString& path) {
    // All tables or none: a half-built database would stay half-built for good, since later
    // starts only create tables in a new file.
    std::unique_ptr<TStringList> statements = TablesToSQL(ProgramFolder() + QStringLiteral("tables.ini"));
    QString message;
    try {
        TSQLTransactionGuard transaction(*FSQLConnection);
        for (int i = 0; i < statements->Count(); ++i)
            FSQLConnection->ExecuteDirect(statements->Get(i));
        transaction.Commit();
        return true;
    } catch (...) {
        message = ErrorText(std::current_exception());
    }
    // The file was made by this start: remove it so that the next start builds it again.
    FSQLConnection->Close();
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
    ShowMessage(ExceptionRaised + message);
    FStartup = TStartup::TablesFailed;
    return false;
}

void TfrmMainKorvel::FormClose(TObject*, TCloseAction&) {
    SaveGridSettings();
}

void TfrmMainKorvel::FormDestroy(TObject*) {
    SchemaFieldList.reset();
    CalculatedFieldList.reset();
    UpperCaseExemptList.reset();
}

void TfrmMainKorvel::OnAllFormShow(TObject* Sender) {
    auto* form = dynamic_cast<TCustomForm*>(Sender);
    if (!form) return;
    std::vector<TWinControl*> controls;
    form->GetTabOrderList(controls);
    if (controls.empty()) return;
    // A hidden or disabled first control cannot take the focus; the window then keeps its own.
    if (controls.front()->CanFocus()) controls.front()->SetFocus();
}

void TfrmMainKorvel::bSQL234235Click(TObject*) {
    std::unique_ptr<TSQLQuery> query = FSQLConnection->ExecuteQuery(MemoInput264325->Text());
    TStrings& out = *MemoOut236235->Lines();
    out.Clear();
    if (query->RecordCount() == 0) {
        out.Add(QStringLiteral("NO RESULT"));
        return;
    }
    out.Add(QStringLiteral("No:") + QString::number(query->RecordCount()));
    for (int i = 0; i < query->Fields().Count(); ++i)
        out.Add(query->Fields().Get(i)->FieldName());
    for (query->First(); !query->Eof(); query->Next()) {
        QString line;
        for (int i = 0; i < query->Fields().Count(); ++i)
            line += query->Fields().Get(i)->AsString() + u'|';
        out.Add(line);
    }
}

void TfrmMainKorvel::mniCloseClick(TObject*) {
    Close();
}

void TfrmMainKorvel::mniDBLocationClick(TObject*) {
    frmOptionsKorvel->ShowModal();
}

void TfrmMainKorvel::mniAboutClick(TObject*) {
    frmKorvelAbout->ShowModal();
}

std::vector<TCustomForm*> ScreenWindows() {
    std::vector<TCustomForm*> forms;
    if (!Screen) return forms;
    for (int i = 0; i < Screen->FormCount(); ++i)
        forms.push_back(Screen->Forms(i));
    return forms;
}

std::vector<TComponent*> ComponentList(TComponent* owner) {
    std::vector<TComponent*> list;
    for (int i = 0; i < owner->ComponentCount(); ++i)
        list.push_back(owner->Components(i));
    return list;
}
