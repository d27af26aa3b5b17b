#include "app/dbControls.h"

#include "platform/rtl/SysUtils.h"
#include "platform/sys/Desktop.h"

#include <QRegularExpression>

// --- stored date texts

QString DateTimeToStoredText(TDateTime value) {
    quint16 y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDateTime(value, y, mo, d, h, mi, s, ms);
    return QStringLiteral("%1-%2-%3 %4:%5:%6.000")
        .arg(y, 4, 10, QLatin1Char('0'))
        .arg(mo, 2, 10, QLatin1Char('0'))
        .arg(d, 2, 10, QLatin1Char('0'))
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(mi, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}

TDateTime StoredTextToDateTime(const QString& text) {
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{1,4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{1,2})(?::(\d{1,2})(?:\.(\d{1,3}))?)?)?\s*$)"));
    const QRegularExpressionMatch m = re.match(text);
    TDateTime value = 0;
    if (m.hasMatch()) {
        auto part = [&m](int i) { return m.captured(i).isEmpty() ? 0 : m.captured(i).toInt(); };
        QString msText = m.captured(7);
        while (!msText.isEmpty() && msText.size() < 3) msText += QLatin1Char('0');
        const int ms = msText.isEmpty() ? 0 : msText.toInt();
        if (TryEncodeDateTime(part(1), part(2), part(3), part(4), part(5), part(6), ms, value)) return value;
    }
    throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(text));
}

int ButtonIconIndex(const QString& name) {
    static const char* const names[] = {"New",  "Edit", "Delete", "OK",    "Cancel", "Search",
                                        "Printer", "Report", "Save", "Exit", "Excel",  "Database"};
    if (name == QLatin1String("none")) return -1;
    for (int i = 0; i < 12; ++i)
        if (name == QLatin1String(names[i])) return i;
    return -2;
}

// --- TdbButton

KORVEL_CLASS_INFO(TdbButton) {
    b.Prop("dbActionType", &TdbButton::dbActionType, &TdbButton::SetdbActionType).Default(adbSearch);
    b.Prop("dbListControls", &TdbButton::dbListControls, &TdbButton::SetdbListControls);
    b.Prop("dbListFields", &TdbButton::dbListFields, &TdbButton::SetdbListFields);
    b.Prop("dbListFieldsNames", &TdbButton::dbListFieldsNames, &TdbButton::SetdbListFieldsNames);
    b.Prop("dbListFooters", &TdbButton::dbListFooters, &TdbButton::SetdbListFooters);
    b.Prop("dbResultControl", &TdbButton::dbResultControl, &TdbButton::SetdbResultControl);
    b.Prop("dbGeneralTable", &TdbButton::dbGeneralTable, &TdbButton::SetdbGeneralTable);
    b.Prop("dbFormName", &TdbButton::dbFormName, &TdbButton::SetdbFormName);
    b.Prop("dbGeneralTableId", &TdbButton::dbGeneralTableId, &TdbButton::SetdbGeneralTableId).Default(0);
    b.Prop("dbSortField", &TdbButton::dbSortField, &TdbButton::SetdbSortField);
    b.Prop("dbSortAsc", &TdbButton::dbSortAsc, &TdbButton::SetdbSortAsc).Default(true);
    b.Prop("dbParentTable", &TdbButton::dbParentTable, &TdbButton::SetdbParentTable);
    b.Prop("dbParentTableId", &TdbButton::dbParentTableId, &TdbButton::SetdbParentTableId).Default(-1);
    b.Prop("dbDoCloseForm", &TdbButton::dbDoCloseForm, &TdbButton::SetdbDoCloseForm).Default(true);
    b.Prop("dbConfirmDelete", &TdbButton::dbConfirmDelete, &TdbButton::SetdbConfirmDelete).Default(false);
    b.Prop("dbSQL", &TdbButton::dbSQL, &TdbButton::SetdbSQL);
    b.Prop("dbReportFile", &TdbButton::dbReportFile, &TdbButton::SetdbReportFile);
    b.Prop("dbReportOpenIn", &TdbButton::dbReportOpenIn, &TdbButton::SetdbReportOpenIn).Default(rpoPreview);
    b.Prop("dbIconName", &TdbButton::dbIconName, &TdbButton::SetdbIconName);
}

TdbButton::TdbButton(TComponent* AOwner) : TButton(AOwner) {
    SetImageIndex(-1);
    SetImageMarginLeft(1);
}

void TdbButton::SetdbIconName(const QString& value) {
    FdbIconName = value;
    const int index = ButtonIconIndex(value);
    if (index >= -1) SetImageIndex(index);
}

// --- TdbEdit

KORVEL_CLASS_INFO(TdbEdit) {
    b.Prop("dbTable", &TdbEdit::dbTable, &TdbEdit::SetdbTable);
    b.Prop("dbField", &TdbEdit::dbField, &TdbEdit::SetdbField);
    b.Prop("dbFilter", &TdbEdit::dbFilter, &TdbEdit::SetdbFilter);
    b.Prop("dbDefaultValue", &TdbEdit::dbDefaultValue, &TdbEdit::SetdbDefaultValue);
    b.Prop("dbIncremSearch", &TdbEdit::dbIncremSearch, &TdbEdit::SetdbIncremSearch);
}

TdbEdit::TdbEdit(TComponent* AOwner) : TMaskEdit(AOwner) {
    OnDblClick = [this](TObject* sender) { EditDblClick(sender); };
}

void TdbEdit::EditDblClick(TObject*) {
    const QString text = Text();
    if (text.startsWith(QLatin1String("http://"))) OpenDocument(text);
}

// --- TdbEditCount

KORVEL_CLASS_INFO(TdbEditCount) {
    b.Prop("dbTable", &TdbEditCount::dbTable, &TdbEditCount::SetdbTable);
    b.Prop("dbBeginValue", &TdbEditCount::dbBeginValue, &TdbEditCount::SetdbBeginValue).Default(0);
}

TdbEditCount::TdbEditCount(TComponent* AOwner) : TEdit(AOwner) {
    SetReadOnly(true);
    SetText(QString());
}

// --- TdbMemo, TdbCheckBox

KORVEL_CLASS_INFO(TdbMemo) {
    b.Prop("dbTable", &TdbMemo::dbTable, &TdbMemo::SetdbTable);
    b.Prop("dbField", &TdbMemo::dbField, &TdbMemo::SetdbField);
    b.Prop("dbDefaultValue", &TdbMemo::dbDefaultValue, &TdbMemo::SetdbDefaultValue);
}

KORVEL_CLASS_INFO(TdbCheckBox) {
    b.Prop("dbTable", &TdbCheckBox::dbTable, &TdbCheckBox::SetdbTable);
    b.Prop("dbField", &TdbCheckBox::dbField, &TdbCheckBox::SetdbField);
    b.Prop("dbDefaultState", &TdbCheckBox::dbDefaultState, &TdbCheckBox::SetdbDefaultState).Default(cbUnchecked);
    b.Prop("dbIncremSearch", &TdbCheckBox::dbIncremSearch, &TdbCheckBox::SetdbIncremSearch);
}

// --- TdbDateTimePicker

KORVEL_CLASS_INFO(TdbDateTimePicker) {
    b.Prop("dbTable", &TdbDateTimePicker::dbTable, &TdbDateTimePicker::SetdbTable);
    b.Prop("dbField", &TdbDateTimePicker::dbField, &TdbDateTimePicker::SetdbField);
    b.Prop("dbCalendarControl", &TdbDateTimePicker::dbCalendarControl, &TdbDateTimePicker::SetdbCalendarControl);
    b.Prop("dbStringDateTime", &TdbDateTimePicker::dbStringDateTime, &TdbDateTimePicker::SetdbStringDateTime)
        .Stored(false);
    b.Prop("dbFilter", &TdbDateTimePicker::dbFilter, &TdbDateTimePicker::SetdbFilter);
    b.Prop("dbDefaultChecked", &TdbDateTimePicker::dbDefaultChecked, &TdbDateTimePicker::SetdbDefaultChecked)
        .Default(false);
    b.Prop("dbIncremSearch", &TdbDateTimePicker::dbIncremSearch, &TdbDateTimePicker::SetdbIncremSearch);
}

QString TdbDateTimePicker::dbStringDateTime() const {
    return DateTimeToStoredText(DateTime());
}

void TdbDateTimePicker::SetdbStringDateTime(const QString& value) {
    SetDateTime(StoredTextToDateTime(value));
}

QString TdbDateTimePicker::dbGetDate() const {
    return DateTimeToStoredText(DateOf(DateTime()));
}

QString TdbDateTimePicker::dbGetTime() const {
    quint16 h = 0, mi = 0, s = 0, ms = 0;
    DecodeTime(DateTime(), h, mi, s, ms);
    return DateTimeToStoredText(EncodeTime(h, mi, s, 0));
}

// --- TdbMonthCalendar

KORVEL_CLASS_INFO(TdbMonthCalendar) {
    b.Prop("dbTable", &TdbMonthCalendar::dbTable, &TdbMonthCalendar::SetdbTable);
    b.Prop("dbField", &TdbMonthCalendar::dbField, &TdbMonthCalendar::SetdbField);
    b.Prop("dbStringDateTime", &TdbMonthCalendar::dbStringDateTime, &TdbMonthCalendar::SetdbStringDateTime)
        .Stored(false);
    b.Prop("dbFilter", &TdbMonthCalendar::dbFilter, &TdbMonthCalendar::SetdbFilter);
    b.Prop("dbIncremSearch", &TdbMonthCalendar::dbIncremSearch, &TdbMonthCalendar::SetdbIncremSearch);
}

QString TdbMonthCalendar::dbStringDateTime() const {
    return dbGetDate();
}

void TdbMonthCalendar::SetdbStringDateTime(const QString& value) {
    TDateTime date = 0;
    try {
        date = StoredTextToDateTime(value);
    } catch (const EConvertError&) {
        date = 0;
    }
    SetDate(DateOf(date));
}

QString TdbMonthCalendar::dbGetDate() const {
    return DateTimeToStoredText(DateOf(Date()));
}

// --- TdbComboBox

KORVEL_CLASS_INFO(TdbComboBox) {
    b.Prop("dbGetTableName", &TdbComboBox::dbGetTableName);
    b.Prop("dbForeignKey", &TdbComboBox::dbForeignKey, &TdbComboBox::SetdbForeignKey);
    b.Prop("dbForeignKeyShort", &TdbComboBox::dbForeignKeyShort);
    b.Prop("dbField", &TdbComboBox::dbField, &TdbComboBox::SetdbField);
    b.Prop("dbDefaultID", &TdbComboBox::dbDefaultID, &TdbComboBox::SetdbDefaultID).Default(0);
    b.Prop("dbItemID", &TdbComboBox::dbItemID, &TdbComboBox::SetdbItemID).Stored(false);
    b.Prop("dbSort", &TdbComboBox::dbSort, &TdbComboBox::SetdbSort).Default(false);
    b.Prop("dbParentCombo", &TdbComboBox::dbParentCombo, &TdbComboBox::SetdbParentCombo);
    b.Prop("dbIncremSearch", &TdbComboBox::dbIncremSearch, &TdbComboBox::SetdbIncremSearch);
}

TdbComboBox::TdbComboBox(TComponent* AOwner) : TComboBox(AOwner), FIdList(std::make_unique<TStringList>()) {
    SetStyle(csDropDownList);
}

TdbComboBox::~TdbComboBox() = default;

QString TdbComboBox::dbForeignKeyShort() const {
    const int dot = FdbForeignKey.indexOf(QLatin1Char('.'));
    return dot < 0 ? FdbForeignKey : FdbForeignKey.mid(dot + 1);
}

QString TdbComboBox::dbGetTableName() const {
    if (FdbForeignKey.isEmpty()) return QString();
    QString name = dbForeignKeyShort().mid(3);
    for (int i = 0; i < 2; ++i)
        if (!name.isEmpty() && name.back() >= QLatin1Char('1') && name.back() <= QLatin1Char('9')) name.chop(1);
    return name;
}

int TdbComboBox::dbItemID() const {
    const int index = ItemIndex();
    if (index < 0 || index >= FIdList->Count()) return -1;
    return FIdList->Get(index).toInt();
}

void TdbComboBox::SetdbItemID(int value) {
    const QString id = QString::number(value);
    for (int i = 0; i < FIdList->Count(); ++i)
        if (FIdList->Get(i) == id) {
            SetItemIndex(i);
            return;
        }
}

void TdbComboBox::AddRecord(int id, const QString& text) {
    Items()->Add(text);
    FIdList->Add(QString::number(id));
}

void TdbComboBox::Clear() {
    TComboBox::Clear();
    FIdList->Clear();
}

// --- TdbPanel

KORVEL_CLASS_INFO(TdbPanel) {}

TdbPanel::TdbPanel(TComponent* AOwner) : TPanel(AOwner) {
    SetParentBackground(false);
}
