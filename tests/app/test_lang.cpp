#include "app/uLang.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UIServices.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

TEST(Lang, RussianIdsAreExactlyTheEightListed) {
    for (int id : {1049, 1058, 1059, 1087, 1067, 2092, 1088, 1064}) EXPECT_TRUE(IsRussianLangID(id)) << id;
    // Other sublanguages of the same languages and unrelated languages stay English.
    for (int id : {1033, 1031, 1068, 0, 2049, 0x0019}) EXPECT_FALSE(IsRussianLangID(id)) << id;
}

TEST(Lang, EnglishAndRussianTexts) {
    TLang en, ru;
    FillLang(en, false);
    FillLang(ru, true);
    EXPECT_EQ(en.Please_select_record_in_grid, "Please, select record in grid.");
    EXPECT_EQ(en.Info, "Information");
    EXPECT_EQ(ru.Error, QString::fromUtf8("Ошибка"));
    EXPECT_EQ(ru.Yes, QString::fromUtf8("Да"));
    // The one text the Russian mode keeps in English.
    EXPECT_EQ(ru.No_data_to_add, "No data to add.");
    EXPECT_EQ(ru.Restart_the_program_to_apply_the_settings,
              QString::fromUtf8("Для применения настроек, необходимо перезапустить приложение."));
    // Korvel's own text for a record deleted while it was edited is translated too.
    EXPECT_TRUE(en.The_record_no_longer_exists.startsWith("The record no longer exists"));
    EXPECT_TRUE(ru.The_record_no_longer_exists.startsWith(QString::fromUtf8("Запись больше не существует")));
}

TEST(Lang, RussianCaptionsKeepTheirBlanksAndBackslashes) {
    QString group, path;
    for (const TLangCaption& c : RussianCaptions()) {
        if (QLatin1String(c.Control) == QLatin1String("gbDatabase")) group = c.Text;
        if (QLatin1String(c.Control) == QLatin1String("lbPath")) path = c.Text;
        EXPECT_NE(QLatin1String(c.Control), QLatin1String("bOK")); // OK keeps its caption
    }
    EXPECT_TRUE(group.startsWith(' ') && group.endsWith(' '));
    EXPECT_TRUE(path.contains(QStringLiteral("(пример: \\\\PCNAME\\Folder\\sqlite.db)")));
}

TEST(Lang, QtStandardButtonsAndBoxesSpeakTheUsersLanguage) {
    const QByteArray old = qgetenv("KORVEL_LANGID");
    const struct {
        const char* LangID;
        const char* Yes;
        const char* Cancel;
    } cases[] = {
        {"1049", "&Да", "Отмена"},
        {"1058", "Т&ак", "Скасувати"},
        {"1033", "&Yes", "Cancel"},
        {"1031", "&Ja", "Abbrechen"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.LangID);
        qputenv("KORVEL_LANGID", c.LangID);
        InitLang();
        QMessageBox box;
        EXPECT_EQ(box.addButton(QMessageBox::Yes)->text(), QString::fromUtf8(c.Yes))
            << "Qt's translations (Debian package qt6-translations-l10n) must be installed";
        EXPECT_EQ(box.addButton(QMessageBox::Cancel)->text(), QString::fromUtf8(c.Cancel));
    }

    // A confirmation asked through the services shows those buttons.
    qputenv("KORVEL_LANGID", "1049");
    InitLang();
    QStringList captions;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!shown) return;
        timer.stop();
        for (QAbstractButton* b : shown->buttons()) captions << b->text();
        if (QAbstractButton* no = shown->button(QMessageBox::No))
            no->click();
        else
            shown->buttons().constLast()->click();
    });
    timer.start();
    auto previous = SetUIServices(std::make_unique<TQtUIServices>());
    const int answer = MessageBoxOwned(nullptr, Lang.Are_you_sure_you_want_to_delete_the_record, Lang.Confirm,
                                       MB_YESNO | MB_ICONQUESTION);
    SetUIServices(std::move(previous));
    EXPECT_EQ(answer, IDNO);
    captions.sort();
    EXPECT_EQ(captions, QStringList({QString::fromUtf8("&Да"), QString::fromUtf8("&Нет")}));

    if (old.isEmpty())
        qunsetenv("KORVEL_LANGID");
    else
        qputenv("KORVEL_LANGID", old);
    InitLang();
}
