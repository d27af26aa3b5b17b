#pragma once
// The shell's result grid: it builds its own SELECT from its properties and from the values of
// other controls of its window, runs it on the main window's connection and fills its columns,
// rows and footers from the result. Every value a user typed travels as a bound parameter.

#include "grid/GxGrid.h"
#include "platform/data/Params.h"

#include <QString>
#include <QStringList>

#include <vector>

// One control of the grid's window that filters the rows, as the statement builder sees it.
enum TGridFilterKind {
    gfEdit,
    gfMemo,
    gfEditCount,
    gfCheckBox,
    gfComboBox,
    gfGrid,
    gfDatePicker,
    gfMonthCalendar
};

struct TGridFilter {
    TGridFilterKind Kind = gfEdit;
    QString Name;     // the control's name, for messages
    QString Table;    // dbTable; a combo box's referenced table; a grid's dbGeneralTable
    QString Field;    // dbField
    QString Operator; // dbFilter of edits, pickers and calendars
    // Edits, memos and counters: the text (an edit's trimmed when it has a mask). Date pickers
    // and calendars: the date at midnight in the stored form.
    QString Text;
    bool Checked = false; // check boxes: ticked
    int Id = -1;          // combo boxes and grids: the selected record
    QString ForeignKey;   // combo boxes: dbForeignKey
};

// What the generated statement is made of.
struct TGridQueryDef {
    QString GeneralTable;
    QString ListFields;
    QString Filter;
    QString SortField;
    bool SortAsc = true;
    QString ParentTable;
    int ParentTableId = -1;
    // Only the controls that filter, in the order of dbListControls (ignored with a parent).
    std::vector<TGridFilter> Filters;
};

struct TGridQuery {
    QString SQL;
    TParams Params;
    // FieldType of each result column but the last ("" for "#" and unknown fields).
    QStringList ColumnTypes;
    // Indexes into Filters of comparison searches whose text is not an integer: they add no
    // condition, and the grid tells the user and clears them.
    std::vector<int> NotNumbers;
};

// The grid's generated SELECT. Raises EDatabaseError for a field item that is not table.field
// and for a filter operator the grid does not know.
TGridQuery BuildGridQuery(const TGridQueryDef& def);

// The table a free statement reads from: the word after the first " from ", in the statement's
// letter case; empty when there is none.
QString TableOfStatement(const QString& sql);

// ---------------------------------------------------------------------------------------------
// The result grid

class TPopupMenu;
class TMenuItem;
class TFindDialog;
class TSQLConnection;

class TdbStringGridEx : public TGxGrid {
    KORVEL_CLASS(TdbStringGridEx, TGxGrid)
public:
    explicit TdbStringGridEx(TComponent* AOwner);
    ~TdbStringGridEx() override;

    const QString& dbGeneralTable() const { return FdbGeneralTable; }
    void SetdbGeneralTable(const QString& value) { FdbGeneralTable = value; }
    // The selected row's record id, -1 when no row is selected or its id is not a number.
    int dbItemID();
    // Selects the first row with that id; an unknown id leaves the selection alone.
    void SetdbItemID(int value);
    const QString& dbParentTable() const { return FdbParentTable; }
    void SetdbParentTable(const QString& value) { FdbParentTable = value; }
    int dbParentTableId() const { return FdbParentTableId; }
    void SetdbParentTableId(int value) { FdbParentTableId = value; }
    const QString& dbListFields() const { return FdbListFields; }
    void SetdbListFields(const QString& value) { FdbListFields = value; }
    const QString& dbListFieldsNames() const { return FdbListFieldsNames; }
    void SetdbListFieldsNames(const QString& value) { FdbListFieldsNames = value; }
    const QString& dbListFooters() const { return FdbListFooters; }
    void SetdbListFooters(const QString& value) { FdbListFooters = value; }
    bool dbAutoExecute() const { return FdbAutoExecute; }
    void SetdbAutoExecute(bool value) { FdbAutoExecute = value; }
    void SetdbSQLConnection(TSQLConnection* value) { FdbSQLConnection = value; }
    const QString& dbListControls() const { return FdbListControls; }
    void SetdbListControls(const QString& value) { FdbListControls = value; }
    const QString& dbSortField() const { return FdbSortField; }
    void SetdbSortField(const QString& value) { FdbSortField = value; }
    bool dbSortAsc() const { return FdbSortAsc; }
    void SetdbSortAsc(bool value) { FdbSortAsc = value; }
    bool dbIfUsed() const { return FdbIfUsed; }
    void SetdbIfUsed(bool value) { FdbIfUsed = value; }
    const QString& dbSQL() const { return FdbSQL; }
    void SetdbSQL(const QString& value) { FdbSQL = value; }
    // Values bound to the "?" and ":name" parameters of dbSQL (user input substituted into a
    // free statement travels here, never inside the text).
    TParams& dbSQLParams() { return FdbSQLParams; }
    // dbGeneralTable before and after its first "."; empty when it has none.
    QString dbGetFKTable() const;
    QString dbGetFKName() const;
    const QString& dbFilter() const { return FdbFilter; }
    void SetdbFilter(const QString& value) { FdbFilter = value; }
    const QString& dbIncremSearch() const { return FdbIncremSearch; }
    void SetdbIncremSearch(const QString& value) { FdbIncremSearch = value; }

    // The generated statement for the current properties and controls (the grid's window
    // is asked for the controls of dbListControls).
    TGridQuery dbBuildQuery();
    // Runs the generated statement and fills the grid.
    void dbExecute();
    // Runs dbSQL and fills the grid.
    void dbSQLExecute();
    void dbClear();
    // No rows; one text column per caption of dbListFieldsNames.
    void dbFillColumnsName();

    // The commands of the popup menu, Enter, double-click and Ctrl+click.
    // Clicks every show-record button of the grid's window that names this grid.
    void ShowRecord();
    void CopyRecord();
    void CopyAll();
    void Find();
    // One find-next step from the search position; true when a cell matched.
    bool FindNext(const QString& text, bool matchCase);
    TPoint SearchPosition() const { return TPoint(FSearchCol, FSearchRow); }

    TPopupMenu* GridPopupMenu() const { return FPopupMenu; }
    TMenuItem* mniShowRecord = nullptr;
    TMenuItem* mniSep22 = nullptr;
    TMenuItem* mniCopy = nullptr;
    TMenuItem* mniCopyAll = nullptr;
    TMenuItem* mniSep23 = nullptr;
    TMenuItem* mniFind = nullptr;
    TFindDialog* FindDialog() const { return FFindDialog; }

    // Footers over the cells' numbers whatever the locale; empty cells (NULL) are left out.
    void CalculateFooter(bool VisibleOnly) override;
    void DoCellDblClick(int ACol, int ARow) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    // The painter's sort arrow goes after the caption, and a column narrower than caption and
    // arrow would show none: the arrow is then drawn at the header's right edge instead.
    void DoCustomDrawHeader(int Index, const TRect& HeaderRect) override;

private:
    TComponent* Window() const;
    TSQLConnection& Connection() const;
    // Fills the columns, rows and cells from a result; types are those of the generated
    // statement (null for a free one).
    void Fill(const TResultSet& result, const QStringList* types);
    void ApplyFooters();
    void RestoreView(const std::vector<int>& widths, int selectedRow);
    void ResetSearch();
    void FindDialogFind(TObject* Sender);
    void FindDialogClose(TObject* Sender);

    QString FdbGeneralTable;
    QString FdbParentTable;
    int FdbParentTableId = -1;
    QString FdbListFields;
    QString FdbListFieldsNames;
    QString FdbListFooters;
    bool FdbAutoExecute = false;
    TSQLConnection* FdbSQLConnection = nullptr;
    QString FdbListControls;
    QString FdbSortField;
    bool FdbSortAsc = true;
    bool FdbIfUsed = false;
    QString FdbSQL;
    TParams FdbSQLParams;
    QString FdbFilter;
    QString FdbIncremSearch;

    TPopupMenu* FPopupMenu = nullptr;
    TFindDialog* FFindDialog = nullptr;
    int FSearchCol = -1;
    int FSearchRow = 0;
    int FSelectedRowBefore = -1;
};
