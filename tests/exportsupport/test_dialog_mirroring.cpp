// The option dialogs of the export filters lay themselves out right to left: every placed control
// stands at the mirror of its left-to-right place in its parent, at every level.

#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"
#include "report/export/rptExportODFDialog.h"
#include "report/export/rptExportRTF.h"
#include "report/export/rptExportXLSDialog.h"
#include "report/export/rptIMGExportDialog.h"
#include "report/export/rptPDFDialog.h"

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

namespace {

using TMakeDialog = std::function<std::unique_ptr<TForm>()>;

template <class T> TMakeDialog Dialog() {
    return [] { return std::make_unique<T>(nullptr); };
}

struct TPlace {
    int Left, Width, ParentWidth;
};

// Left, width and parent client width of every placed control, by name.
void Collect(TWinControl* parent, std::map<QString, TPlace>& out) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (c->Align() == alNone && !dynamic_cast<TTabSheet*>(c))
            out[c->Name()] = {c->Left(), c->Width(), parent->ClientWidth()};
        if (auto* w = dynamic_cast<TWinControl*>(c)) Collect(w, out);
    }
}

std::map<QString, TPlace> Places(const TMakeDialog& make, Qt::LayoutDirection direction) {
    const Qt::LayoutDirection saved = QGuiApplication::layoutDirection();
    QGuiApplication::setLayoutDirection(direction);
    std::unique_ptr<TForm> d = make();
    QGuiApplication::setLayoutDirection(saved);
    std::map<QString, TPlace> places;
    Collect(d.get(), places);
    return places;
}

} // namespace

TEST(ExportDialogs, RightToLeftMirrorsEveryPlacedControl) {
    const std::pair<const char*, TMakeDialog> dialogs[] = {
        {"PDF", Dialog<TrptPDFExportDialog>()}, {"RTF", Dialog<TrptRTFExportDialog>()},
        {"ODF", Dialog<TrptODFExportDialog>()}, {"XLS", Dialog<TrptXLSExportDialog>()},
        {"IMG", Dialog<TrptIMGExportDialog>()},
    };
    for (const auto& [name, make] : dialogs) {
        SCOPED_TRACE(name);
        const auto ltr = Places(make, Qt::LeftToRight);
        const auto rtl = Places(make, Qt::RightToLeft);
        ASSERT_GT(ltr.size(), 5u);
        ASSERT_EQ(ltr.size(), rtl.size());
        int moved = 0;
        for (const auto& [control, l] : ltr) {
            const TPlace& r = rtl.at(control);
            EXPECT_EQ(r.Width, l.Width) << control.toStdString();
            EXPECT_EQ(r.Left, l.ParentWidth - l.Left - l.Width) << control.toStdString();
            moved += r.Left != l.Left;
        }
        EXPECT_GT(moved, 0);
    }
}
