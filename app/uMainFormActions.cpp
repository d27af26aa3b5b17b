// The action buttons of the generated windows and the incremental search of data controls.

#include "app/dbControls.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "app/uGridToExcel.h"
#include "app/uSQL.h"
#include "platform/data/SQLConnection.h"
#include "platform/data/SQLText.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

namespace {

TCustomForm* WindowOf(TComponent* c) {
    return dynamic_cast<TCustomForm*>(c ? c->Owner() : nullptr);
}

void RunGrid(TdbStringGridEx* grid) {
    if (!grid->dbSQL().isEmpty())
        grid->dbSQLExecute();
    else
        grid->dbExecute();
}

int Info(TCustomForm* owner, const QString& text, const QString& caption) {
    return MessageBoxOwned(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}

} // namespace

void TfrmMainKorvel::OnButtonClick(TObject* Sender) {
    auto* button = dynamic_cast<TdbButton*>(Sender);
    if (!button) return;
    TCustomForm* window = WindowOf(button);
    if (!window) return;
    switch (button->dbActionType()) {
    case adbNone:
        return;
    case adbGridToExcel:
        try {
            GridToExcel(*button, this);
        } catch (const Exception& e) {
            Info(window, e.Message(), Lang.Error);
        }
        return;
    case adbShowForm:
        ActionShowForm(button);
        return;
    case adbCloseForm:
        window->Close();
        return;
    case adbNewRecord:
        ActionNewRecord(button, window);
        return;
    case adbSaveRecord:
        ActionSaveRecord(button, window);
        return;
    case adbShowRecord:
        ActionShowRecord(button, window);
        return;
    case adbSearch:
        ActionSearch(button, window);
        return;
    case adbSQL:
        ActionSQL(button, window);
        return;
    case adbReport:
        ActionReport(button, window);
        return;
    case adbDelete:
        ActionDelete(button, window);
        return;
    }
}

void TfrmMainKorvel::RunGridsOfTable(TCustomForm* window, const QString& table) {
    for (TComponent* c : ComponentList(window)) {
        auto* grid = dynamic_cast<TdbStringGridEx*>(c);
        if (!grid || grid->dbGeneralTable() != table) continue;
        if (grid->dbAutoExecute())
            grid->dbExecute();
        else
            RunGrid(grid);
    }
}

void TfrmMainKorvel::ActionShowForm(TdbButton* button) {
    TCustomForm* form = Screen ? Screen->FindForm(button->dbFormName()) : nullptr;
    if (!form) return;
    for (TComponent* c : ComponentList(form)) {
        if (auto* grid = dynamic_cast<TdbStringGridEx*>(c)) {
            if (grid->dbAutoExecute()) grid->dbExecute();
        } else if (auto* b = dynamic_cast<TdbButton*>(c)) {
            if (b->dbActionType() == adbSaveRecord) b->SetdbGeneralTableId(-1);
        }
    }
    form->ShowModal();
}

bool TfrmMainKorvel::SaveFirst(TCustomForm* window) {
    TdbButton* save = nullptr;
    for (TComponent* c : ComponentList(window)) {
        auto* b = dynamic_cast<TdbButton*>(c);
        if (b && b->dbActionType() == adbSaveRecord) {
            save = b;
            break;
        }
    }
    if (!save) return true;
    save->SetdbDoCloseForm(false);
    FLastSavedId = -1;
    save->Click();
    // The id of the record this save stored; a save that stored nothing (a failed statement,
    // nothing to add) leaves no record to go on with.
    const Int64 id = FLastSavedId;
    if (id < 0) {
        save->SetdbDoCloseForm(true);
        return false;
    }
    FillForm2(static_cast<int>(id), window, save->dbGeneralTable());
    return true;
}

void TfrmMainKorvel::ActionNewRecord(TdbButton* button, TCustomForm* window) {
    // 1. A dependent record needs its owner stored first.
    if (window != this && window->Name() != Name() && button->dbParentTable().isEmpty() && !SaveFirst(window))
        return;

    // 2.
    TCustomForm* form = Screen ? Screen->FindForm(button->dbFormName()) : nullptr;
    if (!form) return;

    // 3. Every control of the window back to its default.
    for (TComponent* c : ComponentList(form)) {
        if (auto* e = dynamic_cast<TdbEdit*>(c)) {
            e->SetText(e->dbDefaultValue());
        } else if (auto* m = dynamic_cast<TdbMemo*>(c)) {
            m->SetText(m->dbDefaultValue());
        } else if (auto* cb = dynamic_cast<TdbComboBox*>(c)) {
            if (cb->dbParentCombo().isEmpty())
                cb->SetItemIndex(cb->dbDefaultID());
            else
                cb->Clear();
        } else if (auto* g = dynamic_cast<TdbStringGridEx*>(c)) {
            g->dbFillColumnsName();
            if (g->dbAutoExecute()) g->dbExecute();
        } else if (auto* b = dynamic_cast<TdbButton*>(c)) {
            if (b->dbActionType() == adbNewRecord) {
                b->SetdbParentTable(QString());
            } else if (b->dbActionType() == adbReport) {
                b->SetdbGeneralTableId(-1);
            } else if (b->dbActionType() == adbSaveRecord) {
                b->SetdbGeneralTableId(-1);
                b->SetdbParentTable(button->dbParentTable());
                b->SetdbParentTableId(button->dbParentTableId());
            }
        } else if (auto* ch = dynamic_cast<TdbCheckBox*>(c)) {
            ch->SetState(ch->dbDefaultState());
        } else if (auto* p = dynamic_cast<TdbDateTimePicker*>(c)) {
            p->SetDateTime(Now());
            p->SetChecked(p->dbDefaultChecked());
        } else if (auto* mc = dynamic_cast<TdbMonthCalendar*>(c)) {
            mc->SetDate(Now());
        } else if (auto* img = dynamic_cast<TdbImageDataBase*>(c)) {
            img->Clear();
        } else if (auto* f = dynamic_cast<TdbFileToDatabase*>(c)) {
            f->ClearEx();
        } else if (auto* ec = dynamic_cast<TdbEditCount*>(c)) {
            ec->SetText(
                QString::number(NextCounterValue(*FSQLConnection, ec->dbTable(), ec->dbBeginValue())));
        }
    }

    // 4.
    form->SetHint(QString());
    form->ShowModal();

    // 5.
    const QString table = form->Hint();
    if (table.isEmpty()) return;
    for (TComponent* c : ComponentList(window)) {
        auto* grid = dynamic_cast<TdbStringGridEx*>(c);
        if (!grid || grid->dbGeneralTable() != table) continue;
        if (grid->dbAutoExecute()) {
            grid->dbExecute();
        } else {
            grid->SetdbParentTable(button->dbParentTable());
            grid->SetdbParentTableId(button->dbParentTableId());
            RunGrid(grid);
        }
    }
}

void TfrmMainKorvel::ActionShowRecord(TdbButton* button, TCustomForm* window) {
    TComponent* target = window->FindComponent(button->dbResultControl());
    if (auto* grid = dynamic_cast<TdbStringGridEx*>(target)) {
        if (grid->RowCount() == 0) {
            Info(this, Lang.Entry_to_edit_is_no_selected, Lang.Error);
            return;
        }
        const int id = grid->dbItemID();
        if (id == -1) {
            Info(this, Lang.Unable_to_determine_the_record_ID, Lang.Error);
            return;
        }
        button->SetdbGeneralTable(grid->dbGeneralTable());
        button->SetdbParentTable(grid->dbGeneralTable());
        button->SetdbParentTableId(id);
        const QString saved = FillForm(id, button);
        if (!saved.isEmpty()) RunGridsOfTable(window, saved);
    } else if (auto* combo = dynamic_cast<TdbComboBox*>(target)) {
        const int id = combo->dbItemID();
        if (id == -1) {
            Info(this, Lang.Entry_to_edit_is_no_selected, Lang.Error);
            return;
        }
        button->SetdbGeneralTable(combo->dbGetTableName());
        const QString saved = FillForm(id, button);
        if (saved.isEmpty()) return;
        FillDictionaries(saved);
        combo->SetdbItemID(id);
    }
}

void TfrmMainKorvel::ActionSearch(TdbButton* button, TCustomForm* window) {
    auto* grid = dynamic_cast<TdbStringGridEx*>(window->FindComponent(button->dbResultControl()));
    if (!grid) return;
    grid->SetdbParentTable(QString());
    grid->SetdbParentTableId(-1);
    grid->SetdbGeneralTable(button->dbGeneralTable());
    grid->SetdbListFields(button->dbListFields());
    grid->SetdbListFieldsNames(button->dbListFieldsNames());
    grid->SetdbListFooters(button->dbListFooters());
    grid->SetdbListControls(button->dbListControls());
    grid->SetdbSortField(button->dbSortField());
    grid->SetdbSortAsc(button->dbSortAsc());
    grid->dbExecute();
}

// A control's value for a "{name}" token: typed text (edits, memos, counters, dates), or a
// value of the shell's own making (ids, flags, NULL). False for components that are not
// substituted.
static bool ControlValue(TComponent* control, bool freeSqlCase, bool& isText, QString& value) {
    isText = true;
    if (auto* e = dynamic_cast<TdbEdit*>(control)) {
        value = e->Text();
    } else if (auto* m = dynamic_cast<TdbMemo*>(control)) {
        value = m->Text();
    } else if (auto* ec = dynamic_cast<TdbEditCount*>(control)) {
        value = ec->Text();
    } else if (auto* p = dynamic_cast<TdbDateTimePicker*>(control)) {
        if (p->Checked()) return value = p->Kind() == dtkTime ? p->dbGetTime() : p->dbGetDate(), true;
        isText = false;
        value = QStringLiteral("NULL");
        return true;
    } else if (auto* mc = dynamic_cast<TdbMonthCalendar*>(control)) {
        value = mc->dbGetDate();
        return true;
    } else {
        isText = false;
        if (auto* cb = dynamic_cast<TdbComboBox*>(control)) {
            value = QString::number(cb->dbItemID());
        } else if (auto* ch = dynamic_cast<TdbCheckBox*>(control)) {
            value = ch->State() == cbChecked     ? QStringLiteral("1")
                    : ch->State() == cbUnchecked ? QStringLiteral("0")
                                                 : QStringLiteral("NULL");
        } else {
            return false;
        }
        return true;
    }
    // The letter-case rule of typed texts; their quotes are dealt with where they go.
    if (freeSqlCase) value = EscapeQuotes(value, QString()).replace(QLatin1String("\"\""), QLatin1String("\""));
    return true;
}

// The statement of a free-SQL button with the values of the window's controls in place of
// their "{name}" tokens and the button's record id in place of "$id". The text is read once
// from left to right, so a substituted value is never searched for tokens again. A quoted span
// of the statement that holds a token is rebuilt as one literal by QuotedSQL; a typed text
// outside any literal becomes a bound parameter.
QString SubstituteControls(TdbButton* button, TCustomForm* window, TParams* params, bool freeSqlCase) {
    const QString sql = button->dbSQL();
    const bool hasId = button->dbGeneralTableId() != -1;
    QString out;
    int i = 0;
    while (i < sql.size()) {
        const QChar c = sql[i];
        if (hasId && c == u'$' && sql.mid(i, 3).compare(QLatin1String("$id"), Qt::CaseInsensitive) == 0) {
            out += QString::number(button->dbGeneralTableId());
            i += 3;
            continue;
        }
        if (params && (c == u'\'' || c == u'"')) {
            // The span up to the closing quote; a doubled quote stays inside.
            QString content;
            int j = i + 1;
            for (; j < sql.size(); ++j) {
                if (sql[j] == c) {
                    if (j + 1 < sql.size() && sql[j + 1] == c) {
                        content += c;
                        ++j;
                        continue;
                    }
                    break;
                }
                content += sql[j];
            }
            const QString span = sql.mid(i, j + 1 - i);
            i = j + 1;
            TdbButton inner(nullptr);
            inner.SetdbSQL(content);
            inner.SetdbGeneralTableId(button->dbGeneralTableId());
            const QString substituted = SubstituteControls(&inner, window, nullptr, freeSqlCase);
            out += substituted == content ? span : QuotedSQL(substituted);
            continue;
        }
        if (c == u'{') {
            const int close = sql.indexOf(u'}', i + 1);
            const QString name = close > i ? sql.mid(i + 1, close - i - 1) : QString();
            TComponent* control = nullptr;
            if (!name.isEmpty())
                for (TComponent* k : ComponentList(window))
                    if (k->Name().compare(name, Qt::CaseInsensitive) == 0) {
                        control = k;
                        break;
                    }
            bool isText = false;
            QString value;
            if (control && ControlValue(control, freeSqlCase, isText, value)) {
                if (isText && params) {
                    const QString pname = QStringLiteral("korvel_v%1").arg(params->Count() + 1);
                    params->CreateParam(ftString, pname, ptInput).SetAsString(value);
                    out += u':' + pname;
                } else {
                    out += value;
                }
                i = close + 1;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

void TfrmMainKorvel::ActionSQL(TdbButton* button, TCustomForm* window) {
    TParams params;
    const QString sql = SubstituteControls(button, window, &params, true);
    TComponent* target =
        button->dbResultControl().isEmpty() ? nullptr : window->FindComponent(button->dbResultControl());
    if (auto* grid = dynamic_cast<TdbStringGridEx*>(target)) {
        grid->SetdbListFieldsNames(button->dbListFieldsNames());
        grid->SetdbListFooters(QString());
        grid->SetdbSQL(sql);
        grid->dbSQLParams() = params;
        grid->SetdbGeneralTable(button->dbGeneralTable());
        grid->dbSQLExecute();
        return;
    }
    FSQLConnection->Execute(sql, params.Count() ? &params : nullptr);
}

void TfrmMainKorvel::ActionDelete(TdbButton* button, TCustomForm* window) {
    auto* grid = dynamic_cast<TdbStringGridEx*>(window->FindComponent(button->dbResultControl()));
    if (!grid) return;
    if (grid->RowCount() == 0) {
        Info(this, Lang.Entry_to_be_deleted_is_not_selected, Lang.Info);
        return;
    }
    const int id = grid->dbItemID();
    if (id == -1) {
        Info(this, Lang.Unable_to_determine_the_record_ID, Lang.Error);
        return;
    }
    if (button->dbConfirmDelete() && MessageBoxOwned(this, Lang.Are_you_sure_you_want_to_delete_the_record,
                                                     Lang.Confirm, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    const QString table = grid->dbGeneralTable();
    FSQLConnection->ExecuteDirect(QStringLiteral("DELETE FROM [") + table + QStringLiteral("] WHERE id=") +
                                  QString::number(id));
    RunGrid(grid);
    FillDictionaries(table);
}

void TfrmMainKorvel::IncrementalSearch(TComponent* control, const QString& buttonName) {
    if (buttonName.isEmpty()) return;
    TComponent* window = control->Owner();
    if (!window) return;
    auto* button = dynamic_cast<TdbButton*>(window->FindComponent(buttonName));
    if (button && (button->dbActionType() == adbSearch || button->dbActionType() == adbSQL))
        OnButtonClick(button);
}

void TfrmMainKorvel::OnEditChange(TObject* Sender) {
    auto* edit = dynamic_cast<TdbEdit*>(Sender);
    if (!edit) return;
    edit->SetModified(false);
    if (edit->Text().startsWith(QLatin1String("http://"))) {
        edit->SetCursor(crHandPoint);
        edit->Font()->SetColor(clHotLight);
        edit->Font()->SetStyle(TFontStyles{fsUnderline});
    } else {
        edit->SetCursor(crDefault);
        edit->Font()->SetColor(clWindowText);
        edit->Font()->SetStyle(TFontStyles{});
    }
    IncrementalSearch(edit, edit->dbIncremSearch());
}

void TfrmMainKorvel::OnCheckBoxClick(TObject* Sender) {
    if (auto* c = dynamic_cast<TdbCheckBox*>(Sender)) IncrementalSearch(c, c->dbIncremSearch());
}

void TfrmMainKorvel::OnDateTimePickerChange(TObject* Sender) {
    if (auto* c = dynamic_cast<TdbDateTimePicker*>(Sender)) IncrementalSearch(c, c->dbIncremSearch());
}

void TfrmMainKorvel::OnMonthCalendarOnClick(TObject* Sender) {
    if (auto* c = dynamic_cast<TdbMonthCalendar*>(Sender)) IncrementalSearch(c, c->dbIncremSearch());
}

void TfrmMainKorvel::OnStringGridOnClick(TObject* Sender) {
    if (auto* c = dynamic_cast<TdbStringGridEx*>(Sender)) IncrementalSearch(c, c->dbIncremSearch());
}
