#include "app/dbStringGridEx.h"

#include "app/dbControls.h"
#include "app/uLang.h"
#include "app/uSQL.h"
#include "grid/GxDisplays.h"
#include "platform/data/SQLConnection.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

QString Bracketed(const QString& table, const QString& field) {
    return QStringLiteral("[") + table + QStringLiteral("].[") + field + QStringLiteral("]");
}

// A "?" in the statement and its value at the same position in the parameter list.
QString Bind(TParams& params, const QString& value) {
    params.CreateParam(ftWideString, QString(), ptInput).SetAsString(value);
    return QStringLiteral("?");
}

QString Bind(TParams& params, Int64 value) {
    params.CreateParam(ftLargeint, QString(), ptInput).SetAsLargeInt(value);
    return QStringLiteral("?");
}

// Operators come from forms.xml and go into the statement as written, so only known ones do.
bool IsComparison(const QString& op) {
    static const QStringList known{QStringLiteral(">"), QStringLiteral(">="), QStringLiteral("<"),
                                   QStringLiteral("<="), QStringLiteral("<>")};
    return known.contains(op);
}

[[noreturn]] void UnknownOperator(const TGridFilter& f) {
    throw EDatabaseError(QStringLiteral("The control \"%1\" filters with the unknown operator \"%2\"")
                             .arg(f.Name, f.Operator));
}

void CheckDateOperator(const TGridFilter& f) {
    if (f.Operator != QLatin1String("=") && !IsComparison(f.Operator)) UnknownOperator(f);
}

// The tables to join, in an order in which every ON clause names only tables joined before it.
// The order of TablesOfFields is kept wherever it already is such an order.
QString Joins(const QString& main, const QStringList& tables) {
    QString sql;
    QStringList joined{main};
    QStringList pending;
    for (const QString& t : tables)
        if (!t.isEmpty() && t != main && !pending.contains(t)) pending.append(t);
    for (bool progress = true; progress && !pending.isEmpty();) {
        progress = false;
        for (int i = 0; i < pending.size() && !progress; ++i) {
            const QString& x = pending[i];
            // Candidates: the main table, then the listed tables in list order once joined.
            QStringList candidates{main};
            for (const QString& t : tables)
                if (t != main && joined.contains(t) && !candidates.contains(t)) candidates.append(t);
            for (const QString& c : candidates) {
                if (FieldExists(c, QStringLiteral("id_") + x)) {
                    sql += QStringLiteral(" LEFT OUTER JOIN [%1] ON [%2].[id_%1]=[%1].id").arg(x, c);
                } else if (FieldExists(x, QStringLiteral("id_") + c)) {
                    sql += QStringLiteral(" LEFT OUTER JOIN [%1] ON [%2].id=[%1].[id_%2]").arg(x, c);
                } else {
                    continue;
                }
                joined.append(x);
                pending.removeAt(i);
                progress = true;
                break;
            }
        }
    }
    return sql;
}

} // namespace

TGridQuery BuildGridQuery(const TGridQueryDef& def) {
    TGridQuery q;
    const QString t = ForeignKeyTable(def.GeneralTable);

    QString columns;
    if (!def.ListFields.isEmpty()) {
        for (const QString& item : def.ListFields.split(',')) {
            if (item == QLatin1String("#")) {
                columns += QStringLiteral("\"$autoinc\",");
                q.ColumnTypes.append(QString());
                continue;
            }
            const int dot = item.indexOf('.');
            if (dot < 0)
                throw EDatabaseError(QStringLiteral("The field \"%1\" of the grid for \"%2\" is not written "
                                                    "as table.field")
                                         .arg(item, def.GeneralTable));
            const QString table = item.left(dot), field = item.mid(dot + 1);
            columns += Bracketed(table, field) + ',';
            q.ColumnTypes.append(FieldType(table, field));
        }
        columns.chop(1);
        columns = FormatSelectList(columns, true) + ',';
    }
    QString sql = QStringLiteral("SELECT DISTINCT ") + columns + QStringLiteral("[") + t +
                  QStringLiteral("].id FROM [") + t + ']';

    const bool byParent = def.ParentTableId >= 0;
    QString joinItems = t + ',';
    if (!byParent)
        for (const TGridFilter& f : def.Filters) {
            // A grid names its table, or the table and reference field that hold its id.
            if (f.Kind == gfGrid)
                joinItems += f.Table + ',';
            else if (f.Kind == gfEditCount)
                joinItems += f.Table + QStringLiteral(".record_count,");
            else
                joinItems += f.Table + '.' + f.Field + ',';
        }
    joinItems += def.ListFields;
    sql += Joins(t, TablesOfFields(t, joinItems)->ToStringList());

    QStringList conditions;
    if (!byParent) {
        for (int i = 0; i < static_cast<int>(def.Filters.size()); ++i) {
            const TGridFilter& f = def.Filters[i];
            const QString column = Bracketed(f.Table, f.Field);
            switch (f.Kind) {
            case gfEdit: {
                const QString v = UpperUnlessDisabled(f.Text, f.Table + '.' + f.Field);
                if (f.Operator == QLatin1String("=")) {
                    conditions << column + QStringLiteral(" LIKE ") + Bind(q.Params, v);
                } else if (f.Operator == QLatin1String("%s%")) {
                    conditions << column + QStringLiteral(" LIKE ") + Bind(q.Params, '%' + v + '%');
                } else {
                    if (!IsComparison(f.Operator)) UnknownOperator(f);
                    Int64 number = 0;
                    if (!TryStrToInt64(f.Text, number)) {
                        q.NotNumbers.push_back(i);
                        break;
                    }
                    conditions << column + f.Operator + Bind(q.Params, number);
                }
                break;
            }
            case gfMemo:
                conditions << column + QStringLiteral(" LIKE ") +
                                  Bind(q.Params, UpperUnlessDisabled(f.Text, f.Table + '.' + f.Field));
                break;
            case gfEditCount:
                conditions << QStringLiteral("[") + f.Table + QStringLiteral("].record_count = ") +
                                  Bind(q.Params, f.Text);
                break;
            case gfCheckBox:
                conditions << column + (f.Checked ? QStringLiteral("=1") : QStringLiteral("=0"));
                break;
            case gfComboBox:
                conditions << f.ForeignKey + '=' + QString::number(f.Id);
                break;
            case gfGrid: {
                const int dot = f.Table.indexOf('.');
                if (dot < 0)
                    conditions << Bracketed(t, QStringLiteral("id_") + f.Table) + '=' + QString::number(f.Id);
                else
                    conditions << Bracketed(f.Table.left(dot), f.Table.mid(dot + 1)) + '=' +
                                      QString::number(f.Id);
                break;
            }
            case gfDatePicker: {
                // The picker's own table: the grid's main table need not hold the field.
                CheckDateOperator(f);
                const QString type = FieldType(f.Table, f.Field);
                const QString day = f.Text;
                const QString dayEnd = f.Text.left(11) + QStringLiteral("23:59:59.999");
                if (type == QLatin1String("DATE")) {
                    conditions << column + ' ' + f.Operator + ' ' + Bind(q.Params, day);
                } else if (type == QLatin1String("DATETIME")) {
                    if (f.Operator == QLatin1String("=")) {
                        const QString from = Bind(q.Params, day);
                        conditions << '(' + column + QStringLiteral(" >= ") + from + QStringLiteral(" AND ") +
                                          column + QStringLiteral(" < ") + Bind(q.Params, dayEnd) + ')';
                    } else {
                        const bool toEnd =
                            f.Operator == QLatin1String(">") || f.Operator == QLatin1String("<=");
                        conditions << column + ' ' + f.Operator + ' ' + Bind(q.Params, toEnd ? dayEnd : day);
                    }
                }
                break;
            }
            case gfMonthCalendar:
                if (FieldType(f.Table, f.Field) == QLatin1String("DATE")) {
                    CheckDateOperator(f);
                    conditions << column + ' ' + f.Operator + ' ' + Bind(q.Params, f.Text);
                }
                break;
            }
        }
    }

    bool hasWhere = false;
    if (!conditions.isEmpty()) {
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
        hasWhere = true;
    }
    if (byParent) {
        // A link that names no field of the table shows no rows rather than all of them.
        const QString link = QStringLiteral("id_") + def.ParentTable;
        if (FieldExists(t, link))
            sql += QStringLiteral(" WHERE (") + Bracketed(t, link) + '=' +
                   QString::number(def.ParentTableId) + ')';
        else
            sql += QStringLiteral(" WHERE (0)");
        hasWhere = true;
        if (!def.Filter.isEmpty()) sql += QStringLiteral(" AND (") + def.Filter + ')';
    } else if (!def.ListFields.isEmpty() && !def.Filter.isEmpty()) {
        sql += (hasWhere ? QStringLiteral(" AND (") : QStringLiteral(" WHERE (")) + def.Filter + ')';
    }

    if (!def.SortField.isEmpty())
        sql += QStringLiteral(" ORDER BY ") + def.SortField +
               (def.SortAsc ? QStringLiteral(" ASC") : QStringLiteral(" DESC"));
    q.SQL = sql;
    return q;
}

QString TableOfStatement(const QString& sql) {
    QString s = sql;
    s.replace(QChar(13), QChar(' '));
    s.remove(QChar(10));
    s.remove(QChar(9));
    s.replace(QStringLiteral("    "), QStringLiteral(" "));
    s.replace(QStringLiteral("   "), QStringLiteral(" "));
    s.replace(QStringLiteral("  "), QStringLiteral(" "));
    const int at = AnsiLowerCase(s).indexOf(QLatin1String(" from "));
    if (at < 0) return {};
    s += ' ';
    const int start = at + 6;
    const int end = s.indexOf(' ', start);
    return s.mid(start, end - start).remove(' ');
}

// ---------------------------------------------------------------------------------------------
// The result grid

KORVEL_CLASS_INFO(TdbStringGridEx) {
    b.Prop("dbGeneralTable", &TdbStringGridEx::dbGeneralTable, &TdbStringGridEx::SetdbGeneralTable);
    b.Prop("dbParentTable", &TdbStringGridEx::dbParentTable, &TdbStringGridEx::SetdbParentTable);
    b.Prop("dbParentTableId", &TdbStringGridEx::dbParentTableId, &TdbStringGridEx::SetdbParentTableId);
    b.Prop("dbListFields", &TdbStringGridEx::dbListFields, &TdbStringGridEx::SetdbListFields);
    b.Prop("dbListFieldsNames", &TdbStringGridEx::dbListFieldsNames, &TdbStringGridEx::SetdbListFieldsNames);
    b.Prop("dbListFooters", &TdbStringGridEx::dbListFooters, &TdbStringGridEx::SetdbListFooters);
    b.Prop("dbAutoExecute", &TdbStringGridEx::dbAutoExecute, &TdbStringGridEx::SetdbAutoExecute);
    b.Prop("dbListControls", &TdbStringGridEx::dbListControls, &TdbStringGridEx::SetdbListControls);
    b.Prop("dbSortField", &TdbStringGridEx::dbSortField, &TdbStringGridEx::SetdbSortField);
    b.Prop("dbSortAsc", &TdbStringGridEx::dbSortAsc, &TdbStringGridEx::SetdbSortAsc);
    b.Prop("dbIfUsed", &TdbStringGridEx::dbIfUsed, &TdbStringGridEx::SetdbIfUsed);
    b.Prop("dbSQL", &TdbStringGridEx::dbSQL, &TdbStringGridEx::SetdbSQL);
    b.Prop("dbGetFKTable", &TdbStringGridEx::dbGetFKTable);
    b.Prop("dbGetFKName", &TdbStringGridEx::dbGetFKName);
    b.Prop("dbFilter", &TdbStringGridEx::dbFilter, &TdbStringGridEx::SetdbFilter);
    b.Prop("dbIncremSearch", &TdbStringGridEx::dbIncremSearch, &TdbStringGridEx::SetdbIncremSearch);
}

namespace {

const QString AutoIncName = QStringLiteral("\"$autoinc\"");
const QString DeleteCaption = QStringLiteral("delete_col");

bool HasCyrillic(const QString& text) {
    for (QChar c : text)
        if (c.unicode() >= 0x0410 && c.unicode() <= 0x044F) return true;
    return false;
}

// The grid's display rule for texts; the common Latin-only text skips the exemption look-up.
QString ShownText(const QString& text, const QString& field) {
    return HasCyrillic(text) ? NormalizeCyrillicCase(text, field) : text;
}

QStringList Captions(const QString& names, const std::vector<TResultColumn>& columns) {
    QStringList captions;
    if (!names.isEmpty())
        captions = names.split(',');
    else
        for (const TResultColumn& c : columns)
            captions << c.Name;
    return captions;
}

// A number in a cell: the locale's form first, then the stored form with ".".
bool CellNumber(const QString& text, double& value) {
    if (text.isEmpty()) return false;
    if (TryStrToFloat(text, value)) return true;
    TFormatSettings dot = FormatSettings();
    dot.DecimalSeparator = QLatin1Char('.');
    dot.ThousandSeparator = QChar();
    return TryStrToFloat(text, value, dot);
}

} // namespace

TdbStringGridEx::TdbStringGridEx(TComponent* AOwner) : TGxGrid(AOwner) {
    // The grid owns its menu: owned by the window it could be freed before the grid, which
    // still points at it.
    FPopupMenu = new TPopupMenu(this);
    // Unnamed: several grids share one window, and component names must be unique there.
    auto item = [this](const char* caption, void (TdbStringGridEx::*command)()) {
        auto* i = new TMenuItem(this);
        i->SetCaption(QLatin1String(caption));
        if (command) i->OnClick = [this, command](TObject*) { (this->*command)(); };
        FPopupMenu->Items()->Add(i);
        return i;
    };
    mniShowRecord = item("Show record", &TdbStringGridEx::ShowRecord);
    mniShowRecord->SetDefault(true);
    mniSep22 = item("-", nullptr);
    mniCopy = item("Copy", &TdbStringGridEx::CopyRecord);
    mniCopy->SetShortCut(::ShortCut('C', TShiftState{ssCtrl}));
    mniCopyAll = item("Copy all", &TdbStringGridEx::CopyAll);
    mniCopyAll->SetShortCut(::ShortCut('C', TShiftState{ssShift, ssCtrl}));
    mniSep23 = item("-", nullptr);
    mniFind = item("Find", &TdbStringGridEx::Find);
    FPopupMenu->SetPopupComponent(this);
    SetPopupMenu(FPopupMenu);
}

TdbStringGridEx::~TdbStringGridEx() = default;

QString TdbStringGridEx::dbGetFKTable() const {
    const int dot = FdbGeneralTable.indexOf('.');
    return dot < 0 ? QString() : FdbGeneralTable.left(dot);
}

QString TdbStringGridEx::dbGetFKName() const {
    const int dot = FdbGeneralTable.indexOf('.');
    return dot < 0 ? QString() : FdbGeneralTable.mid(dot + 1);
}

int TdbStringGridEx::dbItemID() {
    const int row = SelectedRow();
    if (row < 0 || row >= RowCount() || Columns()->Count() == 0) return -1;
    int id = -1;
    return TryStrToInt(GetCells(Columns()->Count() - 1, row), id) ? id : -1;
}

void TdbStringGridEx::SetdbItemID(int value) {
    const int last = Columns()->Count() - 1;
    if (last < 0) return;
    for (int row = 0; row < RowCount(); ++row) {
        int id = -1;
        if (!TryStrToInt(GetCells(last, row), id)) id = -1;
        if (id != value) continue;
        ScrollToRow(row);
        SetSelectedRow(row);
        return;
    }
}

TComponent* TdbStringGridEx::Window() const {
    if (TCustomForm* form = GetParentForm(const_cast<TdbStringGridEx*>(this))) return form;
    return Owner();
}

TSQLConnection& TdbStringGridEx::Connection() const {
    if (!FdbSQLConnection)
        throw EDatabaseError(QStringLiteral("The grid \"%1\" has no database connection").arg(Name()));
    return *FdbSQLConnection;
}

TGridQuery TdbStringGridEx::dbBuildQuery() {
    TGridQueryDef def;
    def.GeneralTable = FdbGeneralTable;
    def.ListFields = FdbListFields;
    def.Filter = FdbFilter;
    def.SortField = FdbSortField;
    def.SortAsc = FdbSortAsc;
    def.ParentTable = FdbParentTable;
    def.ParentTableId = FdbParentTableId;
    std::vector<TdbEdit*> edits; // parallel to def.Filters, for the not-a-number notice
    TComponent* window = Window();
    if (FdbParentTableId < 0 && window && !FdbListControls.isEmpty()) {
        for (const QString& name : FdbListControls.split(',')) {
            TComponent* c = window->FindComponent(name);
            if (!c) continue;
            TGridFilter f;
            auto set = [&](TGridFilterKind kind, const QString& table, const QString& field = {},
                           const QString& op = {}, const QString& text = {}) {
                f.Kind = kind;
                f.Name = name;
                f.Table = table;
                f.Field = field;
                f.Operator = op;
                f.Text = text;
            };
            if (auto* e = dynamic_cast<TdbEdit*>(c)) {
                if (e->Text().isEmpty()) continue;
                set(gfEdit, e->dbTable(), e->dbField(), e->dbFilter(),
                    e->EditMask().isEmpty() ? e->Text() : Trim(e->Text()));
            } else if (auto* m = dynamic_cast<TdbMemo*>(c)) {
                if (m->Text().isEmpty()) continue;
                set(gfMemo, m->dbTable(), m->dbField(), QString(), m->Text());
            } else if (auto* n = dynamic_cast<TdbEditCount*>(c)) {
                if (n->Text().isEmpty()) continue;
                set(gfEditCount, n->dbTable(), QString(), QString(), n->Text());
            } else if (auto* k = dynamic_cast<TdbCheckBox*>(c)) {
                if (k->State() == cbGrayed) continue;
                set(gfCheckBox, k->dbTable(), k->dbField());
                f.Checked = k->State() == cbChecked;
            } else if (auto* b = dynamic_cast<TdbComboBox*>(c)) {
                // The empty item (id -1) means "any": it must not turn into "no rows".
                if (b->ItemIndex() < 0 || b->dbItemID() == -1) continue;
                set(gfComboBox, b->dbGetTableName(), b->dbField());
                f.Id = b->dbItemID();
                f.ForeignKey = b->dbForeignKey();
            } else if (auto* g = dynamic_cast<TdbStringGridEx*>(c)) {
                if (g == this) continue;
                const int id = g->dbItemID();
                if (id == -1) continue;
                set(gfGrid, g->dbGeneralTable());
                f.Id = id;
            } else if (auto* p = dynamic_cast<TdbDateTimePicker*>(c)) {
                // A time picker has nothing to compare with a day.
                if (!p->Checked() || p->Kind() != dtkDate) continue;
                p->SetDateTime(std::trunc(p->DateTime()));
                set(gfDatePicker, p->dbTable(), p->dbField(), p->dbFilter(), p->dbStringDateTime());
            } else if (auto* cal = dynamic_cast<TdbMonthCalendar*>(c)) {
                cal->SetDate(std::trunc(cal->Date()));
                set(gfMonthCalendar, cal->dbTable(), cal->dbField(), cal->dbFilter(),
                    cal->dbStringDateTime());
            } else {
                continue;
            }
            def.Filters.push_back(f);
            edits.push_back(dynamic_cast<TdbEdit*>(c));
        }
    }
    TGridQuery q = BuildGridQuery(def);
    for (int i : q.NotNumbers) {
        TdbEdit* e = edits[static_cast<size_t>(i)];
        MessageBoxOwned(dynamic_cast<TWinControl*>(window),
                        u'"' + e->Text() + QStringLiteral("\" ") + Lang.Not_a_number, Lang.Error,
                        MB_OK | MB_ICONINFORMATION);
        e->SetText(QString());
    }
    return q;
}

void TdbStringGridEx::dbExecute() {
    FdbSQL.clear();
    const TGridQuery q = dbBuildQuery();
    std::vector<int> widths;
    for (int i = 0; i < Columns()->Count(); ++i)
        widths.push_back(Columns()->Item(i)->Width());
    const int selected = SelectedRow();
    dbClear();
    const TResultSet result = Connection().Run(q.SQL, &q.Params);
    Fill(result, &q.ColumnTypes);
    ApplyFooters();
    RestoreView(widths, selected);
}

void TdbStringGridEx::dbSQLExecute() {
    if (FdbGeneralTable.isEmpty()) FdbGeneralTable = TableOfStatement(FdbSQL);
    std::vector<int> widths;
    for (int i = 0; i < Columns()->Count(); ++i)
        widths.push_back(Columns()->Item(i)->Width());
    const int selected = SelectedRow();
    dbClear();
    TGridOptions options = Options();
    options.Exclude(goFooter);
    SetOptions(options);
    const TResultSet result = Connection().Run(FdbSQL, &FdbSQLParams);
    Fill(result, nullptr);
    for (int i = Columns()->Count() - 1; i >= 0; --i)
        if (Columns()->Item(i)->Header()->Caption() == DeleteCaption) Columns()->Delete(i);
    RestoreView(widths, selected);
}

void TdbStringGridEx::dbClear() {
    ClearRows();
    Columns()->Clear();
    NoSelection();
}

void TdbStringGridEx::dbFillColumnsName() {
    dbClear();
    if (FdbListFieldsNames.isEmpty()) return;
    for (const QString& name : FdbListFieldsNames.split(','))
        Columns()->Add<TGxTextColumn>(name);
}

void TdbStringGridEx::Fill(const TResultSet& result, const QStringList* types) {
    const std::vector<TResultColumn>& columns = result.Columns;
    const int resultCount = static_cast<int>(columns.size());
    // The generated statement ends with the id; a free one shows every column.
    const int shown = types ? std::max(0, resultCount - 1) : resultCount;
    const QStringList captions = Captions(FdbListFieldsNames, columns) << QString();
    for (int i = 0; i < shown; ++i) {
        const QString caption = i < captions.size() ? captions[i] : QString();
        if (columns[i].Name.startsWith(AutoIncName))
            Columns()->Add<TGxIncrementColumn>(caption);
        else
            Columns()->Add<TGxTextColumn>(caption);
    }
    TGxTextColumn* idColumn =
        Columns()->Add<TGxTextColumn>(shown < captions.size() ? captions[shown] : QString());
    idColumn->SetVisible(false);
    FdbIfUsed = true;

    // How each shown column turns a value into text.
    enum TKind { kNumber, kDate, kTime, kDateTime, kBoolean, kText };
    std::vector<TKind> kinds;
    QStringList fields;
    const QString table = types ? ForeignKeyTable(FdbGeneralTable) : FdbGeneralTable;
    for (int i = 0; i < shown; ++i) {
        const QString type = types && i < types->size() ? types->at(i) : QString();
        TKind k = kText;
        if (type == QLatin1String("INTEGER") || type == QLatin1String("REAL") ||
            type == QLatin1String("COUNTER"))
            k = kNumber;
        else if (type == QLatin1String("DATE"))
            k = kDate;
        else if (type == QLatin1String("TIME"))
            k = kTime;
        else if (type == QLatin1String("DATETIME"))
            k = kDateTime;
        else if (type == QLatin1String("BOOLEAN"))
            k = kBoolean;
        kinds.push_back(k);
        fields << table + '.' + columns[i].Name;
        if (k == kNumber) Columns()->Item(i)->SetSortType(stNumeric);
        if (k == kDate || k == kTime || k == kDateTime) Columns()->Item(i)->SetSortType(stDate);
    }
    int idSource = resultCount - 1;
    if (!types) {
        idSource = -1;
        for (int i = 0; i < resultCount; ++i)
            if (SameText(columns[i].Name, QStringLiteral("id"))) {
                idSource = i;
                break;
            }
    }

    const int rows = static_cast<int>(result.Rows.size());
    if (rows == 0) return;
    const QString shortDate = FormatSettings().ShortDateFormat;
    const QString shortTime = FormatSettings().ShortTimeFormat;
    // A text column sorts as numbers when every value it shows is one: calculated fields and
    // free statements deliver their numbers without a type.
    std::vector<char> numeric(static_cast<size_t>(shown), 0), seen(static_cast<size_t>(shown), 0);
    for (int i = 0; i < shown; ++i)
        numeric[i] = kinds[i] == kText && !dynamic_cast<TGxIncrementColumn*>(Columns()->Item(i));
    // Dates and fractions repeat down a column: each distinct value is formatted once, and the
    // cells share the text.
    constexpr int kCacheLimit = 8192;
    std::vector<QHash<QString, QString>> dateTexts(static_cast<size_t>(shown));
    std::vector<QHash<quint64, QString>> floatTexts(static_cast<size_t>(shown));
    auto dateText = [&](int i, const QString& text, const QString& format) {
        QHash<QString, QString>& cache = dateTexts[static_cast<size_t>(i)];
        if (auto it = cache.constFind(text); it != cache.constEnd()) return *it;
        QString formatted = FormatSQLDateTime(text, format);
        if (cache.size() < kCacheLimit) cache.insert(text, formatted);
        return formatted;
    };
    BeginUpdate();
    try {
        const int first = AddRow(rows) - rows + 1;
        for (int r = 0; r < rows; ++r) {
            const std::vector<TSQLValue>& values = result.Rows[static_cast<size_t>(r)];
            for (int i = 0; i < shown; ++i) {
                if (kinds[i] != kText && values[i].IsNull()) continue;
                QString text;
                if (values[i].Kind() == TSQLValueKind::Float) {
                    const double d = values[i].FloatValue();
                    quint64 bits = 0;
                    std::memcpy(&bits, &d, sizeof bits);
                    QHash<quint64, QString>& cache = floatTexts[static_cast<size_t>(i)];
                    if (auto it = cache.constFind(bits); it != cache.constEnd()) {
                        text = *it;
                    } else {
                        text = values[i].AsString();
                        if (cache.size() < kCacheLimit) cache.insert(bits, text);
                    }
                } else {
                    text = values[i].AsString();
                }
                QString shownText;
                switch (kinds[i]) {
                case kNumber:
                    shownText = text;
                    break;
                case kDate:
                    shownText = dateText(i, text, shortDate);
                    break;
                case kTime:
                    shownText = dateText(i, text, shortTime);
                    break;
                case kDateTime:
                    shownText = dateText(i, text, QStringLiteral("c"));
                    break;
                case kBoolean:
                    shownText = text == QLatin1String("1")   ? Lang.Yes
                                : text == QLatin1String("0") ? Lang.No
                                                             : QString();
                    break;
                case kText:
                    shownText = ShownText(text, fields[i]);
                    if (numeric[i] && !shownText.isEmpty()) {
                        double x = 0;
                        seen[i] = 1;
                        if (!CellNumber(shownText, x)) numeric[i] = 0;
                    }
                    break;
                }
                if (!shownText.isEmpty()) GetCell(i, first + r)->SetAsString(shownText);
            }
            if (idSource >= 0) GetCell(shown, first + r)->SetAsString(values[idSource].AsString());
        }
        SetRowCount(first + rows);
        for (int i = 0; i < shown; ++i)
            if (numeric[i] && seen[i]) Columns()->Item(i)->SetSortType(stNumeric);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TdbStringGridEx::ApplyFooters() {
    TGridOptions options = Options();
    options.Exclude(goFooter);
    bool footer = false;
    if (!FdbListFooters.isEmpty()) {
        const QStringList items = FdbListFooters.split(',');
        static const struct {
            const char* Name;
            TFormulaKind Kind;
        } kinds[] = {{"Sum", fkSum},         {"Count", fkCount},     {"Average", fkAverage},
                     {"Maximum", fkMaximum}, {"Minimum", fkMinimum}, {"Distinct", fkDistinct}};
        for (int i = 0; i < items.size() && i < Columns()->Count(); ++i) {
            const QString& item = items[i];
            const int colon = item.indexOf(':'), caret = item.indexOf('^');
            if (colon < 0 || caret < 0) continue;
            TColumnFooter* f = Columns()->Item(i)->Footer();
            const QString kind = item.left(colon);
            f->SetFormulaKind(fkNone);
            for (const auto& k : kinds)
                if (kind == QLatin1String(k.Name)) f->SetFormulaKind(k.Kind);
            f->SetTextBefore(caret > colon ? item.mid(colon + 1, caret - colon - 1) : QString());
            f->SetTextAfter(item.mid(caret + 1));
            if (f->FormulaKind() != fkNone) footer = true;
        }
    }
    if (footer) options.Include(goFooter);
    SetOptions(options);
    if (footer) CalculateFooter(false);
}

void TdbStringGridEx::CalculateFooter(bool VisibleOnly) {
    const int count = RowCount();
    int n = 0;
    for (int r = 0; r < count; ++r)
        if (!VisibleOnly || RowVisible(r)) ++n;
    for (int c = 0; c < Columns()->Count(); ++c) {
        TColumnFooter* f = Columns()->Item(c)->Footer();
        const TFormulaKind kind = f->FormulaKind();
        if (kind == fkNone) continue;
        double v = 0;
        if (kind == fkCount) {
            v = n;
        } else if (kind == fkDistinct) {
            QStringList seen;
            for (int r = 0; r < count; ++r) {
                if (VisibleOnly && !RowVisible(r)) continue;
                const QString text = GetCells(c, r);
                if (text.isEmpty()) continue;
                bool known = false;
                for (const QString& s : seen)
                    if (AnsiSameText(s, text)) {
                        known = true;
                        break;
                    }
                if (!known) seen << text;
            }
            v = seen.size();
        } else if (kind != fkCustom) {
            // Like SQL's aggregates: empty cells (NULL) and texts that are no number are left out.
            double sum = 0, best = 0;
            int numbers = 0;
            for (int r = 0; r < count; ++r) {
                if (VisibleOnly && !RowVisible(r)) continue;
                double x = 0;
                if (!CellNumber(GetCells(c, r), x)) continue;
                sum += x;
                if (numbers == 0 || (kind == fkMaximum && x > best) || (kind == fkMinimum && x < best))
                    best = x;
                ++numbers;
            }
            if (kind == fkSum)
                v = sum;
            else if (kind == fkAverage)
                v = numbers ? sum / numbers : 0;
            else
                v = best;
        }
        f->SetFormulaValue(v);
        f->SetCaption(FloatToStr(v));
    }
}

void TdbStringGridEx::RestoreView(const std::vector<int>& widths, int selectedRow) {
    const int n = std::min<int>(static_cast<int>(widths.size()), Columns()->Count());
    for (int i = 0; i < n; ++i)
        Columns()->Item(i)->SetWidth(widths[static_cast<size_t>(i)]);
    const int last = RowCount() - 1;
    if (selectedRow > last) {
        if (last >= 0) {
            ScrollToRow(last);
            SetSelectedRow(last);
        }
    } else if (selectedRow >= 0) {
        ScrollToRow(selectedRow);
        SetSelectedRow(selectedRow);
    }
    FSelectedRowBefore = selectedRow;
}

void TdbStringGridEx::ShowRecord() {
    TComponent* window = Window();
    if (!window) return;
    // Collected first: a click may open windows and change the component list.
    std::vector<TdbButton*> buttons;
    for (int i = 0; i < window->ComponentCount(); ++i)
        if (auto* b = dynamic_cast<TdbButton*>(window->Components(i)))
            if (b->dbActionType() == adbShowRecord && b->dbResultControl() == Name()) buttons.push_back(b);
    for (TdbButton* b : buttons)
        b->Click();
}

void TdbStringGridEx::CopyRecord() {
    const int row = SelectedRow();
    if (row < 0 || row >= RowCount()) return;
    QStringList lines;
    for (int c = 0; c < Columns()->Count(); ++c)
        lines << Columns()->Item(c)->Header()->Caption() + QStringLiteral(": ") + GetCells(c, row);
    Clipboard().SetAsText(lines.join(QStringLiteral("\r\n")));
}

void TdbStringGridEx::CopyAll() {
    QString text;
    const int shown = Columns()->Count() - 1;
    for (int r = 0; r < RowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < shown; ++c)
            cells << GetCells(c, r);
        text += cells.join(QChar(9)) + QStringLiteral("\r\n");
    }
    Clipboard().SetAsText(text);
}

void TdbStringGridEx::ResetSearch() {
    FSearchCol = -1;
    FSearchRow = 0;
}

void TdbStringGridEx::Find() {
    if (!FFindDialog) {
        FFindDialog = new TFindDialog(this);
        FFindDialog->OnFind = [this](TObject* s) { FindDialogFind(s); };
        FFindDialog->OnClose = [this](TObject* s) { FindDialogClose(s); };
    }
    FFindDialog->SetOptions(TFindOptions{frDown, frHideWholeWord, frHideUpDown});
    ResetSearch();
    FFindDialog->Execute();
}

void TdbStringGridEx::FindDialogFind(TObject*) {
    FindNext(FFindDialog->FindText(), FFindDialog->Options().Contains(frMatchCase));
}

void TdbStringGridEx::FindDialogClose(TObject*) {
    SetOptions(TGridOptions{goGrid, goHeader, goSelectFullRow});
    ResetSearch();
}

bool TdbStringGridEx::FindNext(const QString& text, bool matchCase) {
    const QString wanted = matchCase ? text : AnsiLowerCase(text);
    const int columns = Columns()->Count();
    for (int r = std::max(0, FSearchRow); r < RowCount(); ++r) {
        for (int c = r == FSearchRow ? FSearchCol + 1 : 0; c < columns; ++c) {
            // The hidden id column is not something the user can see or select.
            if (!Columns()->Item(c)->Visible()) continue;
            const QString cell = matchCase ? GetCells(c, r) : AnsiLowerCase(GetCells(c, r));
            if (!cell.contains(wanted)) continue;
            SetOptions(TGridOptions{goGrid, goHeader});
            ScrollToRow(r);
            SelectCell(c, r, TShiftState{}, true, false);
            FSearchCol = c;
            FSearchRow = r;
            return true;
        }
    }
    ResetSearch();
    return false;
}

void TdbStringGridEx::DoCellDblClick(int ACol, int ARow) {
    TGxGrid::DoCellDblClick(ACol, ARow);
    ShowRecord();
}

void TdbStringGridEx::KeyDown(Word& Key, TShiftState Shift) {
    if (Shift.Contains(ssCtrl) && !Shift.Contains(ssAlt)) {
        if (Key == 'F' && !Shift.Contains(ssShift)) {
            Key = 0;
            Find();
            return;
        }
        if (Key == 'C') {
            Key = 0;
            if (Shift.Contains(ssShift))
                CopyAll();
            else
                CopyRecord();
            return;
        }
    }
    TGxGrid::KeyDown(Key, Shift);
}

void TdbStringGridEx::KeyPress(QChar& Key) {
    if (Key == QChar(13)) ShowRecord();
    TGxGrid::KeyPress(Key);
}

void TdbStringGridEx::DoCustomDrawHeader(int Index, const TRect& HeaderRect) {
    TGxGrid::DoCustomDrawHeader(Index, HeaderRect);
    TStyleDisplay* painter = CurrentStyleDisplay();
    if (!painter || !painter->Canvas() || !painter->DefaultDrawing() || Index < 0 || Index >= Columns()->Count())
        return;
    TGxCustomColumn* column = Columns()->Item(Index);
    TColumnHeader* header = column->Header();
    if (!column->Sorted() || header->DrawingOptions() == doCustomOnly ||
        painter->StyleDisplayAttributes().Contains(sdaCustomArrow))
        return;
    // The painter draws it after the caption when it fits there (or wherever it falls when the
    // header does not hide arrows that do not fit).
    const TRect& r = HeaderRect;
    const int w = r.Right - r.Left;
    const int caption = header->DisplayMode() == dmImageOnly ? 0 : painter->Canvas()->TextWidth(header->Caption()) + 2;
    int left = r.Left + 2;
    if (header->Alignment() == taRightJustify) left = r.Right - caption - 2 - 31;
    if (header->Alignment() == taCenter && caption < w) left = r.Left + (w - caption) / 2;
    if (left + caption + 19 + 8 < r.Right || !header->HideArrow() || w < 24) return;
    const int x = r.Right - 14, y = r.Top + (r.Bottom - r.Top) / 2 - 4;
    TCanvas& c = *painter->Canvas();
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(header->Color());
    c.FillRect(TRect(x - 3, r.Top + 2, r.Right - 2, r.Bottom - 2));
    painter->DrawSortArrow(x, y, column->SortKind() == skAscending);
}

void TdbStringGridEx::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Shift.Contains(ssCtrl)) {
        const TPoint cell = GetCellAtPos(TPoint(X, Y));
        if (cell.X >= 0 && cell.X < Columns()->Count() && cell.Y >= 0 && cell.Y < RowCount())
            Clipboard().SetAsText(GetCells(cell.X, cell.Y));
    }
    TGxGrid::MouseDown(Button, Shift, X, Y);
}
