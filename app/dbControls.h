#pragma once
// The data-aware controls every generated window is made of. Each is a library control with
// published "db" properties naming the table and field it shows or edits, the operator it
// filters a grid with, or the SQL and controls a button works on. The actions themselves are
// the main window's handlers; these classes hold the properties and convert between a
// control's value and the text SQL uses.

#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Mask.h"
#include "platform/ui/StdCtrls.h"

#include <QString>

#include <memory>

class TPopupMenu;
class TMenuItem;
class TSpeedButton;
class TCustomImageList;

enum TActionDbType {
    adbNone,
    adbSearch,
    adbNewRecord,
    adbSaveRecord,
    adbShowRecord,
    adbDelete,
    adbSQL,
    adbReport,
    adbShowForm,
    adbCloseForm,
    adbGridToExcel
};
KORVEL_ENUM(TActionDbType, "adbNone,adbSearch,adbNewRecord,adbSaveRecord,adbShowRecord,adbDelete,adbSQL,"
                           "adbReport,adbShowForm,adbCloseForm,adbGridToExcel")

enum TReportOpenIn { rpoPreview, rpoPrint, rpoExcel, rpoWord, rpoPDF, rpoHTML, rpoODT, rpoODS, rpoJPEG, rpoTIFF };
KORVEL_ENUM(TReportOpenIn, "rpoPreview,rpoPrint,rpoExcel,rpoWord,rpoPDF,rpoHTML,rpoODT,rpoODS,rpoJPEG,rpoTIFF")

enum TTypeFileDatabase { tflStore, tflLinkFile, tflLinkFolder };
KORVEL_ENUM(TTypeFileDatabase, "tflStore,tflLinkFile,tflLinkFolder")

// "yyyy-mm-dd hh:nn:ss.000", the form the shell stores dates and times in.
QString DateTimeToStoredText(TDateTime value);
// Reads "yyyy-mm-dd[ hh:nn:ss[.zzz]]"; EConvertError naming the text when it cannot.
TDateTime StoredTextToDateTime(const QString& text);

// The index of a button icon by its exact name ("New" 0 ... "Database" 11), -1 for "none",
// -2 for a name that is not an icon.
int ButtonIconIndex(const QString& name);

class TdbButton : public TButton {
    KORVEL_CLASS(TdbButton, TButton)
public:
    explicit TdbButton(TComponent* AOwner);

    TActionDbType dbActionType() const { return FdbActionType; }
    void SetdbActionType(TActionDbType value) { FdbActionType = value; }
    const QString& dbListControls() const { return FdbListControls; }
    void SetdbListControls(const QString& value) { FdbListControls = value; }
    const QString& dbListFields() const { return FdbListFields; }
    void SetdbListFields(const QString& value) { FdbListFields = value; }
    const QString& dbListFieldsNames() const { return FdbListFieldsNames; }
    void SetdbListFieldsNames(const QString& value) { FdbListFieldsNames = value; }
    const QString& dbListFooters() const { return FdbListFooters; }
    void SetdbListFooters(const QString& value) { FdbListFooters = value; }
    const QString& dbResultControl() const { return FdbResultControl; }
    void SetdbResultControl(const QString& value) { FdbResultControl = value; }
    const QString& dbGeneralTable() const { return FdbGeneralTable; }
    void SetdbGeneralTable(const QString& value) { FdbGeneralTable = value; }
    const QString& dbFormName() const { return FdbFormName; }
    void SetdbFormName(const QString& value) { FdbFormName = value; }
    int dbGeneralTableId() const { return FdbGeneralTableId; }
    void SetdbGeneralTableId(int value) { FdbGeneralTableId = value; }
    const QString& dbSortField() const { return FdbSortField; }
    void SetdbSortField(const QString& value) { FdbSortField = value; }
    bool dbSortAsc() const { return FdbSortAsc; }
    void SetdbSortAsc(bool value) { FdbSortAsc = value; }
    const QString& dbParentTable() const { return FdbParentTable; }
    void SetdbParentTable(const QString& value) { FdbParentTable = value; }
    int dbParentTableId() const { return FdbParentTableId; }
    void SetdbParentTableId(int value) { FdbParentTableId = value; }
    bool dbDoCloseForm() const { return FdbDoCloseForm; }
    void SetdbDoCloseForm(bool value) { FdbDoCloseForm = value; }
    bool dbConfirmDelete() const { return FdbConfirmDelete; }
    void SetdbConfirmDelete(bool value) { FdbConfirmDelete = value; }
    const QString& dbSQL() const { return FdbSQL; }
    void SetdbSQL(const QString& value) { FdbSQL = value; }
    const QString& dbReportFile() const { return FdbReportFile; }
    void SetdbReportFile(const QString& value) { FdbReportFile = value; }
    TReportOpenIn dbReportOpenIn() const { return FdbReportOpenIn; }
    void SetdbReportOpenIn(TReportOpenIn value) { FdbReportOpenIn = value; }
    const QString& dbIconName() const { return FdbIconName; }
    // Selects the icon by exact name; a name that is no icon keeps the picture chosen before.
    void SetdbIconName(const QString& value);

private:
    TActionDbType FdbActionType = adbSearch;
    QString FdbListControls;
    QString FdbListFields;
    QString FdbListFieldsNames;
    QString FdbListFooters;
    QString FdbResultControl;
    QString FdbGeneralTable;
    QString FdbFormName;
    int FdbGeneralTableId = 0;
    QString FdbSortField;
    bool FdbSortAsc = true;
    QString FdbParentTable;
    int FdbParentTableId = -1;
    bool FdbDoCloseForm = true;
    bool FdbConfirmDelete = false;
    QString FdbSQL;
    QString FdbReportFile;
    TReportOpenIn FdbReportOpenIn = rpoPreview;
    QString FdbIconName = QStringLiteral("none");
};

class TdbEdit : public TMaskEdit {
    KORVEL_CLASS(TdbEdit, TMaskEdit)
public:
    explicit TdbEdit(TComponent* AOwner);

    const QString& dbTable() const { return FdbTable; }
    void SetdbTable(const QString& value) { FdbTable = value; }
    const QString& dbField() const { return FdbField; }
    void SetdbField(const QString& value) { FdbField = value; }
    const QString& dbFilter() const { return FdbFilter; }
    void SetdbFilter(const QString& value) { FdbFilter = value; }
    const QString& dbDefaultValue() const { return FdbDefaultValue; }
    void SetdbDefaultValue(const QString& value) { FdbDefaultValue = value; }
    const QString& dbIncremSearch() const { return FdbIncremSearch; }
    void SetdbIncremSearch(const QString& value) { FdbIncremSearch = value; }

    // Opens a text starting with "http://" with the desktop's program.
    void EditDblClick(TObject* Sender);

private:
    QString FdbTable;
    QString FdbField;
    QString FdbFilter;
    QString FdbDefaultValue;
    QString FdbIncremSearch;
};

class TdbEditCount : public TEdit {
    KORVEL_CLASS(TdbEditCount, TEdit)
public:
    explicit TdbEditCount(TComponent* AOwner);

    const QString& dbTable() const { return FdbTable; }
    void SetdbTable(const QString& value) { FdbTable = value; }
    int dbBeginValue() const { return FdbBeginValue; }
    void SetdbBeginValue(int value) { FdbBeginValue = value; }

private:
    QString FdbTable;
    int FdbBeginValue = 0;
};

class TdbMemo : public TMemo {
    KORVEL_CLASS(TdbMemo, TMemo)
public:
    explicit TdbMemo(TComponent* AOwner) : TMemo(AOwner) {}

    const QString& dbTable() const { return FdbTable; }
    void SetdbTable(const QString& value) { FdbTable = value; }
    const QString& dbField() const { return FdbField; }
    void SetdbField(const QString& value) { FdbField = value; }
    const QString& dbDefaultValue() const { return FdbDefaultValue; }
    void SetdbDefaultValue(const QString& value) { FdbDefaultValue = value; }

private:
    QString FdbTable;
    QString FdbField;
    QString FdbDefaultValue;
};

class TdbCheckBox : public TCheckBox {
    KORVEL_CLASS(TdbCheckBox, TCheckBox)
public:
    explicit TdbCheckBox(TComponent* AOwner) : TCheckBox(AOwner) {}

    const QString& dbTable() const { return FdbTable; }
    void SetdbTable(const QString& value) { FdbTable = value; }
    const QString& dbField() const { return FdbField; }
    void SetdbField(const QString& value) { FdbField = value; }
    TCheckBoxState dbDefaultState() const { return FdbDefaultState; }
    void SetdbDefaultState(TCheckBoxState value) { FdbDefaultState = value; }
    const QString& dbIncremSearch() const { return FdbIncremSearch; }
    void SetdbIncremSearch(const QString& value) { FdbIncremSearch = value; }

private:
    QString FdbTable;
    QString FdbField;
    TCheckBoxState FdbDefaultState = cbUnchecked;
    QString FdbIncremSearch;
};

class TdbDateTimePicker : public TDateTimePicker {
    KORVEL_CLASS(TdbDateTimePicker, TDateTimePicker)
public:
    explicit TdbDateTimePicker(TComponent* AOwner) : TDateTimePicker(AOwner) {}

    const QString& dbTable() const { return FdbTable; }
    void SetdbTable(const QString& value) { FdbTable = value; }
    const QString& dbField() const { return FdbField; }
    void SetdbField(const QString& value) { FdbField = value; }
    const QString& dbCalendarControl() const { return FdbCalendarControl; }
    void SetdbCalendarControl(const QString& value) { FdbCalendarControl = value; }
    // The picker's date and time in the stored form.
    QString dbStringDateTime() const;
    // EConvertError when the text cannot be read.
    void SetdbStringDateTime(const QString& value);
    const QString& dbFilter() const { return FdbFilter; }
    void SetdbFilter(const QString& value) { FdbFilter = value; }
    bool dbDefaultChecked() const { return FdbDefaultChecked; }
    void SetdbDefaultChecked(bool value) { FdbDefaultChecked = value; }
    const QString& dbIncremSearch() const { return FdbIncremSearch; }
    void SetdbIncremSearch(const QString& value) { FdbIncremSearch = value; }

    // The date at midnight, and the time of day on day 0, in the stored form.
    QString dbGetDate() const;
    QString dbGetTime() const;

private:
    QString FdbTable;
    QString FdbField;
    QString FdbCalendarControl;
    QString FdbFilter;
    bool FdbDefaultChecked = false;
    QString FdbIncremSearch;
};

class TdbMonthCalendar : public TMonthCalendar {
    KORVEL_CLASS(TdbMonthCalendar, TMonthCalendar)
public:
    explicit TdbMonthCalendar(TComponent* AOwner) : TMonthCalendar(AOwner) {}

    const QString& dbTable() const { return FdbTable; }
    void SetdbTable(const QString& value) { FdbTable = value; }
    const QString& dbField() const { return FdbField; }
    void SetdbField(const QString& value) { FdbField = value; }
    QString dbStringDateTime() const;
    // A text that cannot be read selects day 0 (1899-12-30).
    void SetdbStringDateTime(const QString& value);
    const QString& dbFilter() const { return FdbFilter; }
    void SetdbFilter(const QString& value) { FdbFilter = value; }
    const QString& dbIncremSearch() const { return FdbIncremSearch; }
    void SetdbIncremSearch(const QString& value) { FdbIncremSearch = value; }

    QString dbGetDate() const;

private:
    QString FdbTable;
    QString FdbField;
    QString FdbFilter;
    QString FdbIncremSearch;
};

// A lookup list: the items show a field of the referenced table, and a parallel list holds each
// item's record id.
class TdbComboBox : public TComboBox {
    KORVEL_CLASS(TdbComboBox, TComboBox)
public:
    explicit TdbComboBox(TComponent* AOwner);
    ~TdbComboBox() override;

    // The referenced table: orders.id_customers2 gives customers.
    QString dbGetTableName() const;
    const QString& dbForeignKey() const { return FdbForeignKey; }
    void SetdbForeignKey(const QString& value) { FdbForeignKey = value; }
    // dbForeignKey without its table part.
    QString dbForeignKeyShort() const;
    const QString& dbField() const { return FdbField; }
    void SetdbField(const QString& value) { FdbField = value; }
    int dbDefaultID() const { return FdbDefaultID; }
    void SetdbDefaultID(int value) { FdbDefaultID = value; }
    // -1 when nothing is selected.
    int dbItemID() const;
    // Selects the first item with that id; an unknown id leaves the selection alone.
    void SetdbItemID(int value);
    bool dbSort() const { return FdbSort; }
    void SetdbSort(bool value) { FdbSort = value; }
    const QString& dbParentCombo() const { return FdbParentCombo; }
    void SetdbParentCombo(const QString& value) { FdbParentCombo = value; }
    const QString& dbIncremSearch() const { return FdbIncremSearch; }
    void SetdbIncremSearch(const QString& value) { FdbIncremSearch = value; }

    // Items and ids change together through these two only.
    void AddRecord(int id, const QString& text);
    void Clear() override;
    const TStringList& IdList() const { return *FIdList; }

private:
    QString FTableName;
    std::unique_ptr<TStringList> FIdList;
    QString FdbForeignKey;
    QString FdbField;
    int FdbDefaultID = 0;
    bool FdbSort = false;
    QString FdbParentCombo;
    QString FdbIncremSearch;
};

// Picture formats by extension: ".bmp", ".png", ".gif", ".jpg", ".jpeg" (ASCII case ignored).
bool IsPictureExtension(const QString& fileName);
// Loads the picture by the extension of fileName. An extension that is no picture format leaves
// the picture as it was and returns false; data the format cannot read raises EInvalidGraphic
// and also leaves the picture as it was.
bool LoadPictureByExtension(TPicture& picture, QIODevice& data, const QString& fileName);

class TdbImage : public TImage {
    KORVEL_CLASS(TdbImage, TImage)
public:
    explicit TdbImage(TComponent* AOwner) : TImage(AOwner) {}

    const QString& dbFileName() const { return FdbFileName; }
    void SetdbFileName(const QString& value) { FdbFileName = value; }
    // Loads the file by its extension when it exists.
    void LoadPicture(const QString& fileName);

private:
    QString FdbFileName;
};

// A picture stored in a BLOB column, with a tool bar that appears while the mouse is over it.
class TdbImageDataBase : public TImage {
    KORVEL_CLASS(TdbImageDataBase, TImage)
public:
    explicit TdbImageDataBase(TComponent* AOwner);
    ~TdbImageDataBase() override;

    const QString& dbTable() const { return FdbTable; }
    void SetdbTable(const QString& value) { FdbTable = value; }
    const QString& dbField() const { return FdbField; }
    void SetdbField(const QString& value) { FdbField = value; }
    const QString& dbFileName() const { return FdbFileName; }
    void SetdbFileName(const QString& value) { FdbFileName = value; }
    bool dbImageIsChanged() const { return FdbImageIsChanged; }
    void SetdbImageIsChanged(bool value) { FdbImageIsChanged = value; }

    // Loads the picture by the extension of fileName; unreadable data raises EInvalidGraphic.
    void LoadPictureFromStream(TStream& stream, const QString& fileName);
    void Clear();

    // The commands of the tool bar and of a click, public so the shell and tests can run them.
    // Save and delete are enabled while there is a picture, at once after each of these.
    void OpenClick(TObject* Sender);
    void SaveClick(TObject* Sender);
    void DeleteClick(TObject* Sender);
    void ImageClick(TObject* Sender);
    // The bytes to store: those the picture was read from (the chosen file or the stored BLOB),
    // so a picture travels unchanged; a picture that came otherwise is written in its own
    // format. Empty when there is no picture.
    QByteArray PictureBytes() const;

    TCustomControl* ToolBarControl() const { return ToolBar; }
    TSpeedButton* OpenButton() const { return ToolButtonOpen; }
    TSpeedButton* SaveButton() const { return ToolButtonSave; }
    TSpeedButton* DeleteButton() const { return ToolButtonDelete; }

protected:
    void Resize() override;
    void MouseEnter() override;
    void MouseLeave() override;
    void SetParent(TWinControl* value) override;

private:
    void DrawEmptyFrame();
    void HideToolBarUnlessInside();
    void UpdateToolButtons();
    friend class TdbImageToolBar;

    QString FdbTable;
    QString FdbField;
    QString FdbFileName;
    bool FdbImageIsChanged = false;
    QByteArray FPictureBytes;
    TCustomControl* ToolBar = nullptr;
    TSpeedButton* ToolButtonOpen = nullptr;
    TSpeedButton* ToolButtonSave = nullptr;
    TSpeedButton* ToolButtonDelete = nullptr;
};

// A one-line field holding a stored file, or the path of a linked file or folder.
class TdbFileToDatabase : public TButtonedEdit {
    KORVEL_CLASS(TdbFileToDatabase, TButtonedEdit)
public:
    explicit TdbFileToDatabase(TComponent* AOwner);
    ~TdbFileToDatabase() override;

    const QString& dbFileName() const { return FdbFileName; }
    void SetdbFileName(const QString& value) { FdbFileName = value; }
    const QString& dbTable() const { return FdbTable; }
    void SetdbTable(const QString& value) { FdbTable = value; }
    const QString& dbField() const { return FdbField; }
    void SetdbField(const QString& value) { FdbField = value; }
    int dbID() const { return FdbID; }
    void SetdbID(int value) { FdbID = value; }
    bool dbFileIsChanged() const { return FdbFileIsChanged; }
    void SetdbFileIsChanged(bool value) { FdbFileIsChanged = value; }
    TTypeFileDatabase dbType() const { return FdbType; }
    void SetdbType(TTypeFileDatabase value) { FdbType = value; }

    // Empties the field and disables the menu button: nothing to open, save or remove.
    void ClearEx();
    // Shows a record's stored name or linked path (the text follows dbType).
    void ShowFileName(const QString& fileName);
    // Shows the file of a loaded record and enables the menu button.
    void ShowRecordFile(const QString& fileName, int id);
    // The stored file of record dbID: its bytes, or nothing when there is no single row. Sets
    // dbFileName to the stored name.
    std::unique_ptr<TMemoryStream> LoadStoredFile();
    // The bytes of the chosen file dbFileName, to be stored; EFOpenError when it cannot be read.
    QByteArray FileBytes() const;

    // The commands, public so the shell and tests can run them. Opening or saving a stored file
    // the user has chosen but not yet saved uses the chosen file; otherwise the stored one.
    void ChooseClick(TObject* Sender);
    void RunFileClick(TObject* Sender);
    void SaveFileClick(TObject* Sender);
    void DeleteFileClick(TObject* Sender);
    // Sets the popup captions for dbType, as before the menu opens.
    void PreparePopup();
    // Opens the menu at a screen point, as the right button and a right-click do; nothing
    // while the right button is disabled.
    void ShowFileMenu(int X, int Y);
    TPopupMenu* FilePopupMenu() const { return FPopupMenu; }
    TMenuItem* mniRunFile = nullptr;
    TMenuItem* mniSaveFile = nullptr;
    TMenuItem* mniSeparator = nullptr;
    TMenuItem* mniDeleteFile = nullptr;

protected:
    void DoContextPopup(TPoint MousePos, bool& Handled) override;

private:
    // The bytes the first two commands work on; false after telling the user there are none.
    bool FileContent(QByteArray& bytes);
    // Opens a document with the desktop, telling the user when that fails.
    void OpenWithDesktop(const QString& fileName);

    QString FdbFileName;
    QString FdbTable;
    QString FdbField;
    int FdbID = -1;
    bool FdbFileIsChanged = false;
    TTypeFileDatabase FdbType = tflStore;
    TPopupMenu* FPopupMenu = nullptr;
};

class TdbPanel : public TPanel {
    KORVEL_CLASS(TdbPanel, TPanel)
public:
    explicit TdbPanel(TComponent* AOwner);
};

// The result grid, the thirteenth class, lives in its own unit.
#include "app/dbStringGridEx.h"
