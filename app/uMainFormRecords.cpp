// Filling edit windows from a record, and the lookup combo boxes from their tables.

#include "app/dbControls.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "app/uSQL.h"
#include "platform/data/SQLConnection.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

#include <QBuffer>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

// Sorted, without duplicates, letter case ignored.
void AddUnique(QStringList& list, const QString& value) {
    for (const QString& v : list)
        if (v.compare(value, Qt::CaseInsensitive) == 0) return;
    list << value;
    std::sort(list.begin(), list.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

// The table and field of a data control; false for other components.
bool DataColumn(TComponent* c, QString& table, QString& field, bool& withFileName) {
    withFileName = false;
    if (auto* e = dynamic_cast<TdbEdit*>(c)) {
        table = e->dbTable(), field = e->dbField();
    } else if (auto* m = dynamic_cast<TdbMemo*>(c)) {
        table = m->dbTable(), field = m->dbField();
    } else if (auto* ch = dynamic_cast<TdbCheckBox*>(c)) {
        table = ch->dbTable(), field = ch->dbField();
    } else if (auto* p = dynamic_cast<TdbDateTimePicker*>(c)) {
        table = p->dbTable(), field = p->dbField();
    } else if (auto* mc = dynamic_cast<TdbMonthCalendar*>(c)) {
        table = mc->dbTable(), field = mc->dbField();
    } else if (auto* img = dynamic_cast<TdbImageDataBase*>(c)) {
        table = img->dbTable(), field = img->dbField(), withFileName = true;
    } else if (auto* f = dynamic_cast<TdbFileToDatabase*>(c)) {
        table = f->dbTable(), field = f->dbField(), withFileName = true;
    } else {
        return false;
    }
    return true;
}

QString LinkColumnOf(const TdbStringGridEx* grid) {
    const QString& table = grid->dbGeneralTable();
    const int dot = table.indexOf(u'.');
    return dot >= 0 ? table.mid(dot + 1) : QStringLiteral("id_") + table;
}

int IntOrMinusOne(const TSQLValue& v) {
    if (v.Kind() == TSQLValueKind::Integer) return static_cast<int>(v.IntegerValue());
    bool ok = false;
    const int r = v.AsString().toInt(&ok);
    return ok ? r : -1;
}

// The names of a display template: the text between brace pairs, or the template itself.
QStringList TemplateNames(const QString& field) {
    if (!field.contains(u'{') && !field.contains(u'}')) return {field};
    QStringList names;
    QString rest = field;
    for (;;) {
        const int open = rest.indexOf(u'{');
        const int close = rest.indexOf(u'}');
        if (open < 0 || close < 0 || close < open) break;
        names << rest.mid(open + 1, close - open - 1);
        rest.remove(open, close - open + 1);
    }
    return names;
}

} // namespace

void TfrmMainKorvel::FillForm2(int id, TComponent* form, const QString& table) {
    for (TComponent* c : ComponentList(form)) {
        auto* b = dynamic_cast<TdbButton*>(c);
        if (!b) continue;
        switch (b->dbActionType()) {
        case adbSaveRecord:
            b->SetdbGeneralTableId(id);
            break;
        case adbNewRecord:
            b->SetdbParentTable(table);
            b->SetdbParentTableId(id);
            break;
        case adbReport:
        case adbSQL:
            b->SetdbGeneralTable(table);
            b->SetdbGeneralTableId(id);
            break;
        default:
            break;
        }
    }
}

QString TfrmMainKorvel::FillForm(int id, TdbButton* B) {
    const QString G = B->dbGeneralTable();
    QString result;
    for (TCustomForm* F : ScreenWindows()) {
        if (F->Name() != B->dbFormName()) continue;
        const std::vector<TComponent*> components = ComponentList(F);

        // 1 and 2. Columns of referenced tables, joined in.
        QStringList tables, columns;
        for (TComponent* c : components) {
            QString table, field;
            bool withFileName = false;
            if (!DataColumn(c, table, field, withFileName)) continue;
            if (table.isEmpty() || table == G || !FieldExists(G, QStringLiteral("id_") + table)) continue;
            AddUnique(tables, table);
            AddUnique(columns, u'[' + table + QStringLiteral("].[") + field + u']');
            if (withFileName)
                AddUnique(columns,
                          u'[' + table + QStringLiteral("].[") + field + QStringLiteral("_filename]"));
        }
        QString extra, joins;
        if (!tables.isEmpty() && !columns.isEmpty()) {
            for (const QString& c : columns)
                extra += u',' + c + QStringLiteral(" AS \"") + QString(c).remove(u'[').remove(u']') + u'"';
            for (const QString& t : tables)
                joins += QStringLiteral(" LEFT OUTER JOIN [") + t + QStringLiteral("] ON [") + G +
                         QStringLiteral("].[id_") + t + QStringLiteral("] = [") + t + QStringLiteral("].id");
        }

        // 3.
        const TResultSet r = FSQLConnection->Run(
            QStringLiteral("SELECT ") + FormatSelectList(TableColumnList(G), true) + extra +
                QStringLiteral(" FROM [") + G + u']' + joins + QStringLiteral(" WHERE [") + G +
                QStringLiteral("].id=") + QString::number(id),
            nullptr);

        // 4.
        for (TComponent* c : components) {
            if (auto* e = dynamic_cast<TdbEdit*>(c)) {
                e->SetText(QString());
            } else if (auto* img = dynamic_cast<TdbImageDataBase*>(c)) {
                img->Clear();
                img->SetdbImageIsChanged(false);
            } else if (auto* f = dynamic_cast<TdbFileToDatabase*>(c)) {
                f->ClearEx();
            } else if (auto* p = dynamic_cast<TdbDateTimePicker*>(c)) {
                p->SetDateTime(Now());
                p->SetChecked(false);
            }
        }

        // 5.
        if (!r.Rows.empty()) {
            const std::vector<TSQLValue>& row = r.Rows.front();
            QStringList N;
            for (const TResultColumn& col : r.Columns)
                N << col.Name;
            auto text = [&](int i) { return row[i].IsNull() ? QString() : row[i].AsString(); };
            auto column = [&](const QString& name) { return N.indexOf(name); };
            auto matches = [&](const QString& table, const QString& field, int i) {
                return (table == G && field == N[i]) || table + u'.' + field == N[i];
            };
            for (TComponent* c : components) {
                if (auto* ec = dynamic_cast<TdbEditCount*>(c)) {
                    const int i = column(QStringLiteral("record_count"));
                    if (ec->dbTable() == G && i >= 0) ec->SetText(text(i));
                } else if (auto* e = dynamic_cast<TdbEdit*>(c)) {
                    for (int i = 0; i < N.size(); ++i) {
                        if (!matches(e->dbTable(), e->dbField(), i)) continue;
                        if (FieldType(e->dbTable(), e->dbField()) == QLatin1String("REAL"))
                            e->SetText(text(i).replace(u',', u'.'));
                        else
                            e->SetText(NormalizeCyrillicCase(text(i), e->dbTable() + u'.' + e->dbField()));
                    }
                } else if (auto* m = dynamic_cast<TdbMemo*>(c)) {
                    for (int i = 0; i < N.size(); ++i)
                        if (matches(m->dbTable(), m->dbField(), i))
                            m->SetText(NormalizeCyrillicCase(text(i), m->dbTable() + u'.' + m->dbField()));
                } else if (auto* ch = dynamic_cast<TdbCheckBox*>(c)) {
                    for (int i = 0; i < N.size(); ++i) {
                        if (!matches(ch->dbTable(), ch->dbField(), i)) continue;
                        if (row[i].IsNull())
                            ch->SetState(cbGrayed);
                        else if (text(i) == QLatin1String("1"))
                            ch->SetState(cbChecked);
                        else if (text(i) == QLatin1String("0"))
                            ch->SetState(cbUnchecked);
                    }
                } else if (auto* p = dynamic_cast<TdbDateTimePicker*>(c)) {
                    if (p->dbTable() != G) continue;
                    for (int i = 0; i < N.size(); ++i) {
                        if (!matches(p->dbTable(), p->dbField(), i)) continue;
                        if (row[i].IsNull()) break;
                        p->SetChecked(true);
                        p->SetdbStringDateTime(text(i));
                        // A time column holds no date (day 0): copying it would move the linked
                        // calendar to 1899-12-30, and the next save would store that date.
                        if (!p->dbCalendarControl().isEmpty() && std::trunc(p->DateTime()) != 0) {
                            TComponent* other = F->FindComponent(p->dbCalendarControl());
                            if (auto* cal = dynamic_cast<TdbMonthCalendar*>(other))
                                cal->SetDate(p->DateTime());
                            else if (auto* op = dynamic_cast<TdbDateTimePicker*>(other))
                                op->SetDate(p->DateTime());
                        }
                    }
                } else if (auto* mc = dynamic_cast<TdbMonthCalendar*>(c)) {
                    if (mc->dbTable() != G) continue;
                    for (int i = 0; i < N.size(); ++i)
                        if (matches(mc->dbTable(), mc->dbField(), i)) mc->SetdbStringDateTime(text(i));
                } else if (auto* cb = dynamic_cast<TdbComboBox*>(c)) {
                    for (int i = 0; i < N.size(); ++i) {
                        if (cb->dbForeignKey() != G + u'.' + N[i]) continue;
                        if (row[i].IsNull())
                            cb->SetItemIndex(cb->dbDefaultID());
                        else if (!cb->dbParentCombo().isEmpty())
                            SetLinkedComboBoxValue(cb, IntOrMinusOne(row[i]));
                        else
                            cb->SetdbItemID(IntOrMinusOne(row[i]));
                    }
                } else if (auto* b = dynamic_cast<TdbButton*>(c)) {
                    const TActionDbType t = b->dbActionType();
                    if (t == adbSaveRecord || t == adbReport || t == adbSQL) {
                        b->SetdbGeneralTableId(id);
                    } else if (t == adbNewRecord) {
                        b->SetdbParentTable(B->dbParentTable());
                        b->SetdbParentTableId(B->dbParentTableId());
                    }
                } else if (auto* g = dynamic_cast<TdbStringGridEx*>(c)) {
                    if (g->dbListFields().isEmpty() || g->dbGeneralTable().isEmpty()) continue;
                    g->SetdbParentTable(B->dbParentTable());
                    g->SetdbParentTableId(B->dbParentTableId());
                    g->SetdbListControls(QString());
                    g->dbExecute();
                    const QString link = LinkColumnOf(g);
                    for (int i = 0; i < N.size(); ++i)
                        if (N[i] == link && !row[i].IsNull()) g->SetdbItemID(IntOrMinusOne(row[i]));
                } else if (auto* img = dynamic_cast<TdbImageDataBase*>(c)) {
                    for (int i = 0; i < N.size(); ++i) {
                        if (!matches(img->dbTable(), img->dbField(), i) || row[i].IsNull()) continue;
                        if (FieldType(img->dbTable(), img->dbField()) != QLatin1String("IMAGE") &&
                            row[i].Kind() != TSQLValueKind::Blob)
                            continue;
                        const int own = column(img->dbField() + QStringLiteral("_filename"));
                        if (own >= 0) img->SetdbFileName(text(own));
                        const int joined =
                            column(img->dbTable() + u'.' + img->dbField() + QStringLiteral("_filename"));
                        if (joined >= 0) img->SetdbFileName(text(joined));
                        TMemoryStream stream;
                        stream.SetBytes(row[i].AsBytes());
                        stream.SetPosition(0);
                        img->LoadPictureFromStream(stream, img->dbFileName());
                    }
                } else if (auto* f = dynamic_cast<TdbFileToDatabase*>(c)) {
                    for (int i = 0; i < N.size(); ++i) {
                        const QString nameColumn = f->dbField() + QStringLiteral("_filename");
                        const bool own = f->dbTable() == G && nameColumn == N[i];
                        if (!(own || f->dbTable() + u'.' + nameColumn == N[i]) || row[i].IsNull()) continue;
                        f->ShowRecordFile(text(i), id);
                    }
                }
            }
        }

        // 6.
        F->SetHint(QString());
        F->ShowModal();
        result = F->Hint();
    }
    return result;
}

void TfrmMainKorvel::FillDictionaries(const QString& T) {
    for (TCustomForm* window : ScreenWindows()) {
        for (TComponent* c : ComponentList(window)) {
            if (auto* g = dynamic_cast<TdbStringGridEx*>(c)) {
                if (g->dbGeneralTable() == T && g->dbAutoExecute()) g->dbExecute();
                continue;
            }
            auto* cb = dynamic_cast<TdbComboBox*>(c);
            if (!cb) continue;
            if (!T.isEmpty() && T != cb->dbGetTableName()) continue;
            if (!cb->dbParentCombo().isEmpty()) continue;
            cb->Clear();
            if (cb->dbForeignKey().isEmpty() || cb->dbField().isEmpty()) continue;
            const QStringList names = TemplateNames(cb->dbField());
            const QString t = cb->dbGetTableName();
            QStringList select, sort;
            for (const QString& n : names) {
                const QString item = u'[' + t + QStringLiteral("].[") + n + u']';
                select << item;
                if (!IsCalculatedField(t + u'.' + n)) sort << item;
            }
            QString sql = QStringLiteral("SELECT id, ") + FormatSelectList(select.join(u','), false) +
                          QStringLiteral(" FROM [") + t + u']';
            if (cb->dbSort() && !sort.isEmpty()) sql += QStringLiteral(" ORDER BY ") + sort.join(u',');
            const TResultSet r = FSQLConnection->Run(sql, nullptr);
            QStringList N;
            for (const TResultColumn& col : r.Columns)
                N << col.Name;
            cb->AddRecord(-1, QString());
            for (const auto& row : r.Rows) {
                auto value = [&](const QString& name) {
                    const int i = N.indexOf(name);
                    return i < 0 || row[i].IsNull() ? QString() : row[i].AsString();
                };
                QString text = cb->dbField();
                for (const QString& n : names) {
                    if (!text.contains(u'{'))
                        text = value(text);
                    else
                        text.replace(u'{' + n + u'}', value(n), Qt::CaseInsensitive);
                }
                cb->AddRecord(IntOrMinusOne(row[0]), NormalizeCyrillicCase(text, t + u'.' + cb->dbField()));
            }
            cb->SetItemIndex(cb->dbDefaultID());
        }
    }
}

TdbComboBox* TfrmMainKorvel::FindChildCombo(TdbComboBox* combo) {
    TComponent* window = combo->Owner();
    if (!window) return nullptr;
    for (TComponent* c : ComponentList(window)) {
        auto* child = dynamic_cast<TdbComboBox*>(c);
        if (child && child->dbParentCombo() == combo->Name()) return child;
    }
    return nullptr;
}

void TfrmMainKorvel::ReportComboLoop(TdbComboBox* combo, const std::set<TdbComboBox*>& chain) {
    for (TdbComboBox* c : chain)
        if (std::find(FReportedComboLoops.begin(), FReportedComboLoops.end(), c) != FReportedComboLoops.end())
            return;
    FReportedComboLoops.insert(FReportedComboLoops.end(), chain.begin(), chain.end());
    const QString window = combo->Owner() ? combo->Owner()->Name() : QString();
    MessageBoxOwned(this,
                    window + u'.' + combo->Name() +
                        QStringLiteral(": the chain of dbParentCombo loops back to this combo box"),
                    Lang.Error, MB_OK | MB_ICONINFORMATION);
}

namespace {

void FillDependent(TSQLConnection& db, TdbComboBox* child, const QString& parentKey, int parentId) {
    child->Clear();
    QString sql = QStringLiteral("SELECT id,[") + child->dbField() + QStringLiteral("] FROM [") +
                  child->dbGetTableName() + QStringLiteral("] WHERE ") + parentKey + u'=' +
                  QString::number(parentId);
    if (child->dbSort()) sql += QStringLiteral(" ORDER BY [") + child->dbField() + u']';
    const TResultSet r = db.Run(sql, nullptr);
    for (const auto& row : r.Rows)
        child->AddRecord(IntOrMinusOne(row[0]),
                         NormalizeCyrillicCase(row[1].IsNull() ? QString() : row[1].AsString(),
                                               child->dbGetTableName() + u'.' + child->dbField()));
}

} // namespace

void TfrmMainKorvel::OnComboChange(TObject* Sender) {
    auto* C = dynamic_cast<TdbComboBox*>(Sender);
    if (!C) return;
    std::set<TdbComboBox*> seen{C};
    TdbComboBox* P = C;
    TdbComboBox* D = FindChildCombo(C);
    while (D) {
        if (!seen.insert(D).second) {
            ReportComboLoop(C, seen);
            break;
        }
        FillDependent(*FSQLConnection, D, P->dbForeignKeyShort(), P->dbItemID());
        P = D;
        D = FindChildCombo(D);
    }
    IncrementalSearch(C, C->dbIncremSearch());
}

void TfrmMainKorvel::SetLinkedComboBoxValue(TdbComboBox* C, int v) {
    TComponent* window = C->Owner();
    if (!window) return;
    std::set<TdbComboBox*> seen{C};
    TdbComboBox* first = C;
    int a = 0;
    auto* P = dynamic_cast<TdbComboBox*>(window->FindComponent(C->dbParentCombo()));
    while (P) {
        if (!seen.insert(P).second) {
            ReportComboLoop(first, seen);
            break;
        }
        const TResultSet r = FSQLConnection->Run(QStringLiteral("SELECT ") + P->dbForeignKeyShort() +
                                                     QStringLiteral(" FROM [") + C->dbGetTableName() +
                                                     QStringLiteral("] WHERE id=") + QString::number(v),
                                                 nullptr);
        if (!r.Rows.empty()) a = IntOrMinusOne(r.Rows.front()[0]);
        FillDependent(*FSQLConnection, C, P->dbForeignKeyShort(), a);
        C->SetdbItemID(v);
        C = P;
        P = dynamic_cast<TdbComboBox*>(window->FindComponent(P->dbParentCombo()));
        v = a;
    }
    C->SetdbItemID(v);
}
