#include "app/uLang.h"

#include "platform/sys/Language.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

#include <QList>

TLang Lang;

bool IsRussianLangID(int langId) {
    switch (langId) {
    case 1049:
    case 1058:
    case 1059:
    case 1087:
    case 1067:
    case 2092:
    case 1088:
    case 1064:
        return true;
    default:
        return false;
    }
}

void FillLang(TLang& lang, bool russian) {
    lang.Your_computer_does_not_have_Excel = QStringLiteral("Your computer does not have Excel");
    lang.Entry_to_edit_is_no_selected = QStringLiteral("Entry to edit is no selected");
    lang.Unable_to_determine_the_record_ID = QStringLiteral("Unable to determine the record ID");
    lang.Please_select_record_in_grid = QStringLiteral("Please, select record in grid.");
    lang.Report_file_not_found = QStringLiteral("Report file not found");
    lang.Entry_to_be_deleted_is_not_selected = QStringLiteral("Entry to be deleted is not selected.");
    lang.Are_you_sure_you_want_to_delete_the_record =
        QStringLiteral("Are you sure you want to delete the record?");
    lang.The_database_file_is_not_found = QStringLiteral("The database file is not found.");
    lang.Not_a_number = QStringLiteral("Not a number.");
    lang.Are_you_sure_you_want_to_delete_the_image_from_the_database =
        QStringLiteral("Are you sure you want to delete the image from the database?");
    lang.There_is_no_file_to_save = QStringLiteral("There is no file to save.");
    lang.Do_you_really_want_to_delete_the_file_from_the_database =
        QStringLiteral("Do you really want to delete the file from the database?");
    lang.Restart_the_program_to_apply_the_settings =
        QStringLiteral("Restart the program to apply the settings.");
    lang.No_data_to_add = QStringLiteral("No data to add.");
    lang.The_record_no_longer_exists =
        QStringLiteral("The record no longer exists: it was deleted after the window opened.");
    lang.The_forms_file_has_mistakes =
        QStringLiteral("forms.xml has mistakes; the windows are built without what they name:");
    lang.No_program_opens_the_workbook =
        QStringLiteral("No program on this computer opens the workbook. It was saved as:");
    lang.Confirm = QStringLiteral("Confirm");
    lang.Error = QStringLiteral("Error");
    lang.Info = QStringLiteral("Information");
    lang.Warning = QStringLiteral("Warning");
    lang.Yes = QStringLiteral("Yes");
    lang.No = QStringLiteral("No");
    if (!russian) return;

    lang.Your_computer_does_not_have_Excel = QString::fromUtf8("На вашем компьютере не установлен Excel.");
    lang.Entry_to_edit_is_no_selected = QString::fromUtf8("Невыбрана запись для редактирования.");
    lang.Unable_to_determine_the_record_ID = QString::fromUtf8("Не удалось определить идентификатор записи.");
    lang.Please_select_record_in_grid = QString::fromUtf8("Пожалуйста, выберите запись в таблице.");
    lang.Report_file_not_found = QString::fromUtf8("Файл отчета не найден");
    lang.Entry_to_be_deleted_is_not_selected = QString::fromUtf8("Запись для удаления не выбрана.");
    lang.Are_you_sure_you_want_to_delete_the_record =
        QString::fromUtf8("Вы действительно желаете удалить запись?");
    lang.The_database_file_is_not_found = QString::fromUtf8("Файл базы не найден.");
    lang.Not_a_number = QString::fromUtf8("Не является числом.");
    lang.Are_you_sure_you_want_to_delete_the_image_from_the_database =
        QString::fromUtf8("Вы действительно желаете удалить изображение из базы данных?");
    lang.There_is_no_file_to_save = QString::fromUtf8("Нет файла для сохранения.");
    lang.Do_you_really_want_to_delete_the_file_from_the_database =
        QString::fromUtf8("Вы действительно желаете удалить файл из базы данных?");
    lang.Restart_the_program_to_apply_the_settings =
        QString::fromUtf8("Для применения настроек, необходимо перезапустить приложение.");
    lang.The_record_no_longer_exists =
        QString::fromUtf8("Запись больше не существует: её удалили после открытия окна.");
    lang.The_forms_file_has_mistakes =
        QString::fromUtf8("В forms.xml есть ошибки; окна построены без того, что в них названо:");
    lang.No_program_opens_the_workbook =
        QString::fromUtf8("На компьютере нет программы, которая открыла бы книгу. Она сохранена в файл:");
    lang.Confirm = QString::fromUtf8("Подтверждение");
    lang.Error = QString::fromUtf8("Ошибка");
    lang.Info = QString::fromUtf8("Информация");
    lang.Warning = QString::fromUtf8("Предупреждение");
    lang.Yes = QString::fromUtf8("Да");
    lang.No = QString::fromUtf8("Нет");
}

const QList<TLangCaption>& RussianCaptions() {
    static const QList<TLangCaption> captions = {
        {"frmMainKorvel", "mniFile", QString::fromUtf8("Файл")},
        {"frmMainKorvel", "mniClose", QString::fromUtf8("Закрыть")},
        {"frmMainKorvel", "mniOptions", QString::fromUtf8("Инструменты")},
        {"frmMainKorvel", "mniDBLocation", QString::fromUtf8("Расположение файла базы данных")},
        {"frmMainKorvel", "mniReport", QString::fromUtf8("Открыть дизайнер отчетов")},
        {"frmMainKorvel", "mniAbout", QString::fromUtf8("О программе")},
        {"frmOptionsKorvel", "", QString::fromUtf8("Настройка")},
        {"frmOptionsKorvel", "gbDatabase", QString::fromUtf8(" Файл базы данных ")},
        {"frmOptionsKorvel", "rbAppFolder",
         QString::fromUtf8("Сохранять файл базы данных в папке с программой.")},
        {"frmOptionsKorvel", "rbDBFilename", QString::fromUtf8("Выбрать местоположение файла базы данных.")},
        {"frmOptionsKorvel", "lbPath",
         QString::fromUtf8(
             "Допустимо использовать базу данных в сети (пример: \\\\PCNAME\\Folder\\sqlite.db)")},
        {"frmOptionsKorvel", "bCancel", QString::fromUtf8("Отмена")},
    };
    return captions;
}

void InitLang() {
    const LANGID id = GetUserDefaultLangID();
    const bool russian = IsRussianLangID(id);
    FillLang(Lang, russian);
    // Qt's standard buttons and dialogs speak the user's own language.
    LoadQtTranslations(id);
    if (!russian) return;
    for (const TLangCaption& c : RussianCaptions()) {
        TCustomForm* form = Screen ? Screen->FindForm(QLatin1String(c.Owner)) : nullptr;
        if (!form) continue;
        if (!*c.Control) {
            form->SetCaption(c.Text);
        } else if (auto* item = dynamic_cast<TMenuItem*>(form->FindComponent(QLatin1String(c.Control)))) {
            item->SetCaption(c.Text);
        } else if (auto* control = dynamic_cast<TControl*>(form->FindComponent(QLatin1String(c.Control)))) {
            control->SetCaption(c.Text);
        }
    }
}
