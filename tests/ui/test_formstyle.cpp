// The form style: a stay-on-top window asks the window system to keep it above the others, and
// switching the style keeps the window where it was, as large as it was, shown or hidden.

#include "UiTestSupport.h"

#include <QWidget>

using namespace uitest;

namespace {

struct FormBounds {
    int Left, Top, Width, Height;
};

FormBounds BoundsOf(TCustomForm* form) {
    return {form->Left(), form->Top(), form->Width(), form->Height()};
}

void ExpectSameBounds(TCustomForm* form, const FormBounds& b) {
    EXPECT_EQ(form->Left(), b.Left);
    EXPECT_EQ(form->Top(), b.Top);
    EXPECT_EQ(form->Width(), b.Width);
    EXPECT_EQ(form->Height(), b.Height);
    const QRect g = form->Widget()->geometry();
    EXPECT_EQ(g, QRect(b.Left, b.Top, b.Width, b.Height));
}

bool OnTopHint(TCustomForm* form) {
    return form->Widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace

TEST(FormStyle, SwitchingKeepsPlaceSizeAndVisibility) {
    struct Case {
        const char* Name;
        bool Shown;
        TFormBorderStyle Border;
    };
    const Case cases[] = {
        {"hidden sizeable", false, bsSizeable},
        {"shown sizeable", true, bsSizeable},
        {"shown dialog", true, bsDialog},
        {"shown single", true, bsSingle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        auto form = std::make_unique<TForm>(nullptr);
        form->SetBorderStyle(c.Border);
        form->SetBounds(130, 90, 320, 210);
        if (c.Shown) form->Show();
        QApplication::processEvents();
        const FormBounds before = BoundsOf(form.get());
        EXPECT_EQ(form->FormStyle(), fsNormal);
        EXPECT_FALSE(OnTopHint(form.get()));

        form->SetFormStyle(fsStayOnTop);
        QApplication::processEvents();
        EXPECT_EQ(form->FormStyle(), fsStayOnTop);
        EXPECT_TRUE(OnTopHint(form.get()));
        EXPECT_EQ(form->Visible(), c.Shown);
        EXPECT_EQ(form->Widget()->isVisible(), c.Shown);
        ExpectSameBounds(form.get(), before);

        form->SetFormStyle(fsNormal);
        QApplication::processEvents();
        EXPECT_FALSE(OnTopHint(form.get()));
        EXPECT_EQ(form->Widget()->isVisible(), c.Shown);
        ExpectSameBounds(form.get(), before);
    }
}

// The style outlives everything else that rebuilds the window's flags.
TEST(FormStyle, StaysThroughBorderChangesAndShowing) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(40, 50, 200, 120);
    form->SetFormStyle(fsStayOnTop);
    form->SetBorderStyle(bsDialog);
    EXPECT_TRUE(OnTopHint(form.get()));
    form->Show();
    QApplication::processEvents();
    EXPECT_TRUE(OnTopHint(form.get()));
    EXPECT_TRUE(form->Widget()->isVisible());
    form->Hide();
    form->SetBorderStyle(bsSizeable);
    form->Show();
    EXPECT_TRUE(OnTopHint(form.get()));
    EXPECT_EQ(form->BorderStyle(), bsSizeable);
}
