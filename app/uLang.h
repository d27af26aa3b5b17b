#pragma once
// The shell's message and caption texts, English or Russian, chosen once per run by the user's
// language id.

#include <QString>

struct TLang {
    QString Your_computer_does_not_have_Excel;
    QString Entry_to_edit_is_no_selected;
    QString Unable_to_determine_the_record_ID;
    QString Please_select_record_in_grid;
    QString Report_file_not_found;
    QString Entry_to_be_deleted_is_not_selected;
    QString Are_you_sure_you_want_to_delete_the_record;
    QString The_database_file_is_not_found;
    QString Not_a_number;
    QString Are_you_sure_you_want_to_delete_the_image_from_the_database;
    QString There_is_no_file_to_save;
    QString Do_you_really_want_to_delete_the_file_from_the_database;
    QString Restart_the_program_to_apply_the_settings;
    QString No_data_to_add;
    // Korvel's own: a record another user or window deleted while it was being edited.
    QString The_record_no_longer_exists;
    // Korvel's own: the heading of the list of values forms.xml holds that cannot be used.
    QString The_forms_file_has_mistakes;
    // Korvel's own: a workbook sent to the spreadsheet that no program of the desktop opened.
    QString No_program_opens_the_workbook;
    QString Confirm;
    QString Error;
    QString Info;
    QString Warning; // Korvel's own: caption of boxes that warn and let the work go on
    QString Yes;
    QString No;
};

extern TLang Lang;

// True for the eight language ids whose users get the Russian texts; the whole 16-bit id counts.
bool IsRussianLangID(int langId);

// Fills Lang with the English texts, then with the Russian ones when russian is set
// (No_data_to_add stays English).
void FillLang(TLang& lang, bool russian);

// A caption that the Russian mode puts on a window or control: owner name, control name, text.
struct TLangCaption {
    const char* Owner;
    const char* Control;
    QString Text;
};

// The Russian captions of the main menu and of the options dialog, in the order they are set.
const QList<TLangCaption>& RussianCaptions();

// Fills Lang by the user's language id and, in Russian mode, puts the Russian captions on the
// main menu and the options dialog, which must exist already.
void InitLang();
