#pragma once
// The main window: it holds what the whole shell shares (the SQL connection, the main menu, the
// dialogs), runs the start-up sequence when it is first shown and hosts the handlers that the
// generated windows use.

#include "platform/ui/Forms.h"

#include <QStringList>

#include <memory>
#include <set>
#include <vector>

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
class DUvuRarodar;
class TImageList;
class TXMLNode;
class TXMLDocument;
class TdbButton;
class TdbComboBox;
class TParams;
class TSQLQuery;
class TrptReport;
class TrptDBDataset;
class TrptDesigner;
class TrptPDFExport;
class TrptHTMLExport;
class TrptRTFExport;
class TrptXLSExport;
class TrptODSExport;
class TrptODTExport;
class TrptJPEGExport;
class TrptTIFFExport;
class TrptCustomExportFilter;

// A forms.xml the builder cannot use: the message names the file, the line and what is wrong.
KORVEL_EXCEPTION(EFormsError, Exception)

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
    DUvuRarodar* DUvuRarodar1 = nullptr; // the formula component; nothing calls it
    // The tool bar of picture fields (open, save, delete; 24 by 24), the embedded buttons of file
    // fields (right button normal, hot, pressed, disabled; left button normal, hot, pressed) and
    // the icons of action buttons (selected by dbIconName), 16 by 16.
    TImageList* ImageListImageDataBase = nullptr;
    TImageList* ImageListButtonEdit = nullptr;
    TImageList* ImageListButtonIcons = nullptr;
    // The report, the dataset report buttons bind their query to (user name "Report"), the
    // designer's settings and the export filters that exist so far. The RTF, OpenDocument,
    // spreadsheet and picture filters join here when their libraries exist.
    TrptReport* rptReport = nullptr;
    TrptDBDataset* rptDBDataset = nullptr;
    TrptDesigner* rptDesigner = nullptr;
    TrptPDFExport* rptPDFExport1 = nullptr;
    TrptHTMLExport* rptHTMLExport1 = nullptr;
    TrptRTFExport* rptRTFExport1 = nullptr;
    TrptXLSExport* rptXLSExport1 = nullptr;
    TrptODSExport* rptODSExport1 = nullptr;
    TrptODTExport* rptODTExport1 = nullptr;
    TrptJPEGExport* rptJPEGExport1 = nullptr;
    TrptTIFFExport* rptTIFFExport1 = nullptr;

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

    // The window builder: the main window from the first element of forms.xml, one window for
    // each further element, their controls recursively. Raises EFormsError naming the file, the
    // line and what is wrong; windows built before the fault remain.
    void LoadForms(const QString& fileName);
    // The same from text in memory; sourceName stands for the file in messages.
    void LoadFormsXML(const QByteArray& xml, const QString& sourceName);
    void LoadControls(TWinControl* container, const TXMLNode& element);
    // The generated windows other than the main window, in document order.
    const std::vector<TForm*>& GeneratedForms() const { return FGeneratedForms; }
    // Values of forms.xml the last build could not take ("file, line N: ..."); the properties
    // kept their defaults.
    const QStringList& FormsProblems() const { return FFormsProblems; }

    // Handlers the builder gives the generated controls.
    void OnButtonClick(TObject* Sender);
    void OnEditChange(TObject* Sender);
    void OnCheckBoxClick(TObject* Sender);
    void OnDateTimePickerChange(TObject* Sender);
    void OnMonthCalendarOnClick(TObject* Sender);
    void OnStringGridOnClick(TObject* Sender);
    void OnComboChange(TObject* Sender);

    // --- button actions, record forms, saving
    // Loads record id of the caller's table into every window named by its dbFormName, shows
    // them modally and returns the Hint of the last one (the saved table, or empty).
    QString FillForm(int id, TdbButton* button);
    // Hands a record to the buttons of an open window.
    void FillForm2(int id, TComponent* form, const QString& table);
    // Refills the lookup combo boxes and self-running grids of a table (every table when empty).
    void FillDictionaries(const QString& table);
    TdbComboBox* FindChildCombo(TdbComboBox* combo);
    void SetLinkedComboBoxValue(TdbComboBox* combo, int id);
    // The id of the record the last save stored (inserted or updated); -1 when it stored none.
    Int64 LastSavedId() const { return FLastSavedId; }

private:
    void ActionShowForm(TdbButton* button);
    void ActionNewRecord(TdbButton* button, TCustomForm* window);
    // Clicks the window's first save button without closing the window and fills the window
    // from the stored record; false when the save stored nothing.
    bool SaveFirst(TCustomForm* window);
    void ActionShowRecord(TdbButton* button, TCustomForm* window);
    void ActionSearch(TdbButton* button, TCustomForm* window);
    void ActionSQL(TdbButton* button, TCustomForm* window);
    void ActionDelete(TdbButton* button, TCustomForm* window);
    void ActionSaveRecord(TdbButton* button, TCustomForm* window);
    void ActionReport(TdbButton* button, TCustomForm* window);
    // Loads a template into rptReport; false (after saying why, naming the file) when it cannot.
    bool LoadReportTemplate(const QString& path);
    // The filter of a report button's mode, its file name set; null when the format has none yet.
    TrptCustomExportFilter* ReportExportFilter(int openIn);
    void CreateReportComponents();
    void RunGridsOfTable(TCustomForm* window, const QString& table);
    void IncrementalSearch(TComponent* control, const QString& buttonName);
    // Reports a combo box chain that loops back on itself, once per loop.
    void ReportComboLoop(TdbComboBox* combo, const std::set<TdbComboBox*>& chain);
    Int64 FLastSavedId = -1;
    // The result set rptDBDataset reads; kept until the next report action replaces it.
    std::unique_ptr<TSQLQuery> FReportQuery;
    bool FInReportAction = false;
    std::vector<TComponent*> FReportedComboLoops;

public:
    // --- end of button actions, record forms, saving

    void mniCloseClick(TObject* Sender);
    void mniDBLocationClick(TObject* Sender);
    void mniReportClick(TObject* Sender);
    void mniAboutClick(TObject* Sender);

    // How far the last start-up got; tests and the screenshot read it.
    enum class TStartup { NotRun, DatabaseMissing, BadDescription, DatabaseFailed, TablesFailed, FormsFailed, Done };
    TStartup StartupResult() const { return FStartup; }
    // The database file start-up used (empty before the sequence got that far).
    const QString& DatabaseFileName() const { return FDatabaseFileName; }

private:
    // Steps 4 and 5: opens (and creates) the database; false when start-up cannot go on.
    bool OpenDatabase(const QString& path);
    bool CreateTables(const QString& path);

    void CreateImageLists();
    void BuildForms(const TXMLDocument& document, const QString& sourceName);
    int FBuildDepth = 0;
    // The forms.xml being built, for messages.
    QString FFormsFile;
    QStringList FFormsProblems;
    std::vector<TForm*> FGeneratedForms;
    std::unique_ptr<TSQLConnection> FSQLConnection;
    TStartup FStartup = TStartup::NotRun;
    QString FDatabaseFileName;
};

extern TfrmMainKorvel* frmMainKorvel;

// The windows of the screen's list and the components of an owner, copied: actions show and
// close windows and create components, which changes the lists being walked.
std::vector<TCustomForm*> ScreenWindows();
std::vector<TComponent*> ComponentList(TComponent* owner);

// A button's SQL with the values of its window's controls in place of their "{name}" tokens and
// its record id in place of "$id", in one pass (a substituted value is never searched again).
// Inside a quoted literal of the text a typed value joins the literal with its quotes doubled;
// outside one it becomes a parameter added to params. freeSqlCase applies free SQL's
// letter-case rule to typed texts; report queries take them as typed.
QString SubstituteControls(TdbButton* button, TCustomForm* window, TParams* params, bool freeSqlCase);

// The number of a tab entry "TabOrder,Name" (999 when empty or not a number), and the order of
// two entries of the list by it.
int TabOrderNumber(const QString& entry);
int CompareTabOrder(const QStringList& entries, int a, int b);
