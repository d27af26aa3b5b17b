// The save button: the listed controls of a window become one INSERT or UPDATE of the button's
// table. Every value travels as a bound parameter, so a typed text never becomes SQL and a
// number is stored as a number whatever the locale writes; the statement runs in its own
// transaction, and a failure leaves the database and the window as they were.

#include "app/dbControls.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "app/uSQL.h"
#include "platform/data/SQLConnection.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

#include <QFileInfo>
#include <QLocale>

#include <cmath>
#include <optional>

namespace {

// One column of the statement and the value bound to it.
struct TSaveColumns {
    QStringList Columns;
    QStringList Values; // parameter references, in the order of Columns
    TParams Params;
    // Pictures to clear once the window closes after a successful save.
    std::vector<TdbImageDataBase*> Pictures;

    TParam& Add(const QString& column) {
        const QString name = QStringLiteral("korvel_s%1").arg(Params.Count() + 1);
        Columns << column;
        Values << u':' + name;
        return Params.CreateParam(ftUnknown, name, ptInput);
    }
    void AddNull(const QString& column) { Add(column).Clear(); }
    void AddText(const QString& column, const QString& text) { Add(column).SetAsString(text); }
    void AddInt(const QString& column, Int64 value) { Add(column).SetAsLargeInt(value); }
    void AddBlob(const QString& column, const QByteArray& bytes) {
        TParam& p = Add(column);
        p.SetDataType(ftBlob);
        p.SetAsBlob(bytes);
    }
};

QString Bracket(const QString& name) {
    return u'[' + name + u']';
}

// A typed text as it is stored: the letter-case rule of the field, without the quote doubling
// that only a literal needs.
QString StoredText(const QString& text, const QString& field) {
    return EscapeQuotes(text, field).replace(QLatin1String("\"\""), QLatin1String("\""));
}

// A number typed with either decimal separator; EConvertError naming the control otherwise.
double TypedNumber(const QString& text, const QString& control) {
    bool ok = false;
    const double v = QLocale::c().toDouble(QString(text).trimmed().replace(u',', u'.'), &ok);
    if (!ok)
        throw EConvertError(control + QStringLiteral(": \"") + text + QStringLiteral("\" is not a number"));
    return v;
}

Int64 TypedInteger(const QString& text, const QString& control) {
    bool ok = false;
    const Int64 v = QString(text).trimmed().toLongLong(&ok);
    if (!ok)
        throw EConvertError(control + QStringLiteral(": \"") + text +
                            QStringLiteral("\" is not a whole number"));
    return v;
}

QString LinkColumn(const TdbStringGridEx* grid) {
    const QString& table = grid->dbGeneralTable();
    return table.contains(u'.') ? DropTablePrefix(table) : QStringLiteral("id_") + table;
}

// The picker's value after the calendar link and the column's declared type, shown on the
// picker itself.
void AdjustPicker(TdbDateTimePicker* picker, TComponent* window) {
    TDateTime value = picker->DateTime();
    const double timeOfDay = value - std::floor(value);
    if (picker->Kind() == dtkTime && !picker->dbCalendarControl().isEmpty()) {
        TComponent* other = window->FindComponent(picker->dbCalendarControl());
        if (auto* cal = dynamic_cast<TdbMonthCalendar*>(other))
            value = std::floor(cal->Date()) + timeOfDay;
        else if (auto* p = dynamic_cast<TdbDateTimePicker*>(other))
            value = std::floor(p->DateTime()) + timeOfDay;
    }
    const QString type = FieldType(picker->dbTable(), picker->dbField());
    if (type == QLatin1String("DATE"))
        value = std::floor(value);
    else if (type == QLatin1String("TIME"))
        value = value - std::floor(value);
    picker->SetDateTime(value);
}

// The columns and values of the listed controls. An UPDATE writes NULL where an INSERT leaves a
// column to its default.
TSaveColumns CollectColumns(TdbButton* button, TComponent* window, bool insert, TSQLConnection& db) {
    TSaveColumns s;
    // An entry the user left incomplete in a masked field stops the save before anything is
    // read or changed; the field gets the focus and the message names it.
    for (const QString& name : button->dbListControls().split(u',', Qt::SkipEmptyParts))
        if (auto* e = dynamic_cast<TdbEdit*>(window->FindComponent(name))) e->ValidateEdit();
    for (const QString& name : button->dbListControls().split(u',', Qt::SkipEmptyParts)) {
        TComponent* c = window->FindComponent(name);
        if (auto* e = dynamic_cast<TdbEdit*>(c)) {
            const QString column = Bracket(e->dbField());
            const QString text = e->Text();
            if (text.isEmpty()) {
                if (!insert) s.AddNull(column);
            } else if (FieldType(e->dbTable(), e->dbField()) == QLatin1String("REAL")) {
                s.Add(column).SetAsFloat(TypedNumber(text, e->Name()));
            } else {
                s.AddText(column, StoredText(text, e->dbTable() + u'.' + e->dbField()));
            }
        } else if (auto* ec = dynamic_cast<TdbEditCount*>(c)) {
            if (insert && ec->ReadOnly())
                ec->SetText(QString::number(NextCounterValue(db, ec->dbTable(), ec->dbBeginValue())));
            if (ec->Text().trimmed().isEmpty())
                s.AddNull(QStringLiteral("record_count"));
            else
                s.AddInt(QStringLiteral("record_count"), TypedInteger(ec->Text(), ec->Name()));
        } else if (auto* m = dynamic_cast<TdbMemo*>(c)) {
            const QString text = m->Text();
            if (text.isEmpty()) {
                if (!insert) s.AddNull(Bracket(m->dbField()));
            } else {
                s.AddText(Bracket(m->dbField()), StoredText(text, m->dbTable() + u'.' + m->dbField()));
            }
        } else if (auto* ch = dynamic_cast<TdbCheckBox*>(c)) {
            if (ch->State() == cbGrayed)
                s.AddNull(Bracket(ch->dbField()));
            else
                s.AddInt(Bracket(ch->dbField()), ch->State() == cbChecked ? 1 : 0);
        } else if (auto* cb = dynamic_cast<TdbComboBox*>(c)) {
            const QString key = cb->dbForeignKeyShort();
            const int id = cb->dbItemID();
            if (insert) {
                if (id != -1) s.AddInt(key, id);
            } else if (!key.isEmpty()) {
                if (id == -1)
                    s.AddNull(key);
                else
                    s.AddInt(key, id);
            }
        } else if (auto* g = dynamic_cast<TdbStringGridEx*>(c)) {
            if (g->dbGeneralTable().isEmpty()) continue;
            const int id = g->dbItemID();
            if (id != -1)
                s.AddInt(LinkColumn(g), id);
            else if (!insert)
                s.AddNull(LinkColumn(g));
        } else if (auto* p = dynamic_cast<TdbDateTimePicker*>(c)) {
            if (!p->Checked()) {
                s.AddNull(Bracket(p->dbField()));
            } else {
                AdjustPicker(p, window);
                s.AddText(Bracket(p->dbField()), p->dbStringDateTime());
            }
        } else if (auto* mc = dynamic_cast<TdbMonthCalendar*>(c)) {
            s.AddText(Bracket(mc->dbField()), DateTimeToStoredText(std::floor(mc->Date())));
        } else if (auto* img = dynamic_cast<TdbImageDataBase*>(c)) {
            const QString field = img->dbField();
            if (insert) {
                if (img->dbFileName().isEmpty()) continue;
            } else if (!img->dbImageIsChanged()) {
                continue;
            }
            if (img->dbFileName().isEmpty()) {
                s.AddNull(Bracket(field));
                s.AddNull(Bracket(field + QStringLiteral("_filename")));
            } else {
                s.AddBlob(Bracket(field), img->PictureBytes());
                s.AddText(Bracket(field + QStringLiteral("_filename")), img->dbFileName());
                s.Pictures.push_back(img);
            }
        } else if (auto* f = dynamic_cast<TdbFileToDatabase*>(c)) {
            const QString field = f->dbField();
            const QString nameColumn = Bracket(field + QStringLiteral("_filename"));
            const QString& file = f->dbFileName();
            if (insert) {
                if (file.isEmpty()) continue;
                if (f->dbType() == tflStore) s.AddBlob(Bracket(field), f->FileBytes());
                s.AddText(nameColumn, file);
            } else if (f->dbFileIsChanged()) {
                if (f->dbType() != tflStore) {
                    if (file.isEmpty())
                        s.AddNull(nameColumn);
                    else
                        s.AddText(nameColumn, file);
                } else if (file.isEmpty()) {
                    s.AddNull(Bracket(field));
                    s.AddNull(nameColumn);
                } else if (QFileInfo::exists(file)) {
                    s.AddBlob(Bracket(field), f->FileBytes());
                    s.AddText(nameColumn, file);
                }
            }
        }
    }
    return s;
}

} // namespace

void TfrmMainKorvel::ActionSaveRecord(TdbButton* B, TCustomForm* W) {
    FLastSavedId = -1;
    // The main window shows no record of its own (its buttons keep the id they were built
    // with): its saves always insert, and it is never closed by them, which would end the program.
    const bool mainWindow = W == this;
    const bool insert = B->dbGeneralTableId() == -1 || (mainWindow && B->dbGeneralTableId() == 0);
    const QString table = B->dbGeneralTable();
    TSQLConnection& db = *FSQLConnection;

    bool saved = false;
    std::vector<TdbImageDataBase*> pictures;
    try {
        std::optional<TSQLTransactionGuard> transaction;
        if (!db.InTransaction()) transaction.emplace(db);
        TSaveColumns s = CollectColumns(B, W, insert, db);
        pictures = s.Pictures;
        if (insert) {
            if (s.Columns.isEmpty()) {
                MessageBoxOwned(this, Lang.No_data_to_add, Lang.Error, MB_OK | MB_ICONINFORMATION);
                return;
            }
            if (B->dbParentTableId() >= 0) {
                if (B->dbParentTable().isEmpty())
                    throw EDatabaseError(B->Name() +
                                         QStringLiteral(": the record belongs to an owner without a table"));
                s.AddInt(QStringLiteral("id_") + B->dbParentTable(), B->dbParentTableId());
            }
            db.Execute(QStringLiteral("INSERT INTO [") + table + QStringLiteral("] (") +
                           s.Columns.join(u',') + QStringLiteral(") VALUES (") + s.Values.join(u',') +
                           QStringLiteral(");"),
                       &s.Params);
            // Read inside the transaction, straight after the statement: the row this save made.
            FLastSavedId = db.LastInsertRowId();
        } else {
            QStringList items;
            for (int i = 0; i < s.Columns.size(); ++i)
                items << s.Columns[i] + u'=' + s.Values[i];
            const int changed =
                db.Execute(QStringLiteral("UPDATE [") + table + QStringLiteral("] SET ") + items.join(u',') +
                               QStringLiteral(" WHERE id = ") + QString::number(B->dbGeneralTableId()),
                           &s.Params);
            if (changed == 0) {
                MessageBoxOwned(this, Lang.The_record_no_longer_exists, Lang.Error, MB_OK | MB_ICONINFORMATION);
                return;
            }
            FLastSavedId = B->dbGeneralTableId();
        }
        if (transaction) transaction->Commit();
        saved = true;
    } catch (const Exception& e) {
        // SQLite's own message; the window keeps every value the user entered.
        FLastSavedId = -1;
        MessageBoxOwned(this, e.Message(), Lang.Error, MB_OK | MB_ICONERROR);
        return;
    }
    if (!saved) return;

    W->SetHint(table);
    FillDictionaries(table);
    const bool close = B->dbDoCloseForm() && !mainWindow;
    if (B->dbDoCloseForm() && insert) {
        B->SetdbParentTable(QString());
        B->SetdbParentTableId(-1);
    }
    B->SetdbDoCloseForm(true);
    if (close) {
        for (TdbImageDataBase* img : pictures)
            img->Clear();
        W->Close();
    }
}
