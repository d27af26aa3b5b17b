#pragma once
// What the option and dataset suites share: a failure for questions nobody expected, the user's
// answer to the password window, and a report options object with every field set.

#include "report/core/rptClassOptions.h"
#include "report/core/rptPassword.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Picture.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <gtest/gtest.h>

#include <QImage>

inline void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected question: " << question.toStdString();
}

// The user types a text into the password window and presses a button.
inline void AnswerPassword(TScriptedUIServices& ui, const QString& typed, bool ok) {
    ui.AnswerModal(QStringLiteral("rptPasswordForm"), [typed, ok](TCustomForm* f) {
        auto* form = dynamic_cast<TrptPasswordForm*>(f);
        EXPECT_NE(form, nullptr);
        if (!form) return mrCancel;
        form->PasswordE->SetText(typed);
        (ok ? form->OkB : form->CancelB)->Click();
        return mrNone; // the button's result stands
    });
}

inline void FillReportOptions(TrptReportOptions& o) {
    o.SetAuthor("Ann");
    o.SetCompressed(true);
    o.SetConnectionName("Main");
    o.SetCreateDate(100.5);
    o.SetLastChange(200.25);
    o.Description()->SetText("first\r\nsecond");
    o.SetInitString("init");
    o.SetName("Orders");
    o.SetPassword("secret");
    o.SetVersionBuild("4");
    o.SetVersionMajor("1");
    o.SetVersionMinor("2");
    o.SetVersionRelease("3");
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    TBitmap bitmap;
    bitmap.SetImage(image);
    o.Picture()->SetGraphic(&bitmap);
}
