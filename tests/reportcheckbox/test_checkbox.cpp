// The check box object: its value from a field, an expression or the template, every mark drawn
// (reportcheckbox_marks.png to look at), bad field values, and the property round trip.

#include "tests/common/ReportRoundTrip.h"

#include "platform/gfx/Canvas.h"
#include "platform/rtl/Streams.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassCheckBox.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDsgnIntf.h"
#include "report/core/rptRunControl.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

namespace {

// One row whose field V holds the value given.
class TValueDataSet : public TrptUserDataSet {
public:
    explicit TValueDataSet(TComponent* AOwner) : TrptUserDataSet(AOwner) {
        Fields()->SetCommaText(QStringLiteral("V"));
        SetRangeEnd(reCount);
        SetRangeEndCount(1);
    }
    Variant GetValue(const QString& Index) override {
        return Index == QLatin1String("V") ? Value : Variant::Null();
    }
    Variant Value;
};

struct TBoxReport {
    std::unique_ptr<TComponent> Host = std::make_unique<TComponent>(nullptr);
    std::unique_ptr<TrptReport> Report;
    TrptReportPage* Page = nullptr;
    TrptMasterData* Band = nullptr;
    TValueDataSet* Data = nullptr;
    TrptCheckBoxView* Box = nullptr;

    TBoxReport() {
        RegisterReportClasses();
        Report = std::make_unique<TrptReport>();
        Report->EngineOptions()->SetNewSilentMode(simSilent);
        Report->CheckDataPage();
        Page = new TrptReportPage(Report.get());
        Page->SetName("Page1");
        Data = new TValueDataSet(Host.get());
        Data->SetName("ValueData");
        Data->SetUserName("Values");
        Report->DataSets()->Add(Data);
        Band = new TrptMasterData(Page);
        Band->SetName("Data1");
        Band->SetBounds(0, 0, 700, 30);
        Band->SetDataSet(Data);
        Box = new TrptCheckBoxView(Band);
        Box->SetName("CheckBox1");
    }
};

int Dark(const QImage& img, int l, int t, int r, int b) {
    int n = 0;
    for (int y = std::max(t, 0); y < std::min(b, img.height()); ++y)
        for (int x = std::max(l, 0); x < std::min(r, img.width()); ++x)
            if (qGray(img.pixel(x, y)) < 128) ++n;
    return n;
}

TEST(CheckBox, ValuesAfterConstruction) {
    RegisterReportClasses();
    TrptCheckBoxView box;
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(box.CheckColor(), clBlack);
    EXPECT_EQ(box.CheckStyle(), csCross);
    EXPECT_EQ(box.UncheckStyle(), usEmpty);
    EXPECT_DOUBLE_EQ(box.Width(), 5 * 3.77953);
    EXPECT_DOUBLE_EQ(box.Height(), 5 * 3.77953);
    EXPECT_EQ(box.Color(), clNone);
    EXPECT_TRUE(box.rptComponentStyle().Contains(csDefaultDiff));
    EXPECT_EQ(box.GetDescription(), QStringLiteral("CheckBox object"));
    EXPECT_EQ(GetClass("TrptCheckBoxView"), TrptCheckBoxView::StaticClassInfo());
    EXPECT_EQ(GetClass("TrptCheckBoxObject"), TrptCheckBoxObject::StaticClassInfo());
}

TEST(CheckBox, CheckedFromFieldExpressionOrTemplate) {
    const struct {
        const char* What;
        Variant Value;
        bool Checked;
    } fields[] = {
        {"Null", Variant::Null(), false},
        {"1", Variant(1), true},
        {"0", Variant(0), false},
        {"True", Variant(true), true},
        {"text True", Variant(QStringLiteral("true")), true},
        {"text 0", Variant(QStringLiteral("0")), false},
    };
    for (const auto& f : fields) {
        SCOPED_TRACE(f.What);
        TBoxReport r;
        r.Box->SetDataSet(r.Data);
        r.Box->SetDataField("V");
        r.Box->SetChecked(!f.Checked);
        r.Data->Value = f.Value;
        r.Box->GetData();
        EXPECT_EQ(r.Box->Checked(), f.Checked);
    }
    {
        SCOPED_TRACE("text abc");
        TBoxReport r;
        r.Box->SetDataSet(r.Data);
        r.Box->SetDataField("V");
        r.Data->Value = Variant(QStringLiteral("abc"));
        try {
            r.Box->GetData();
            ADD_FAILURE() << "no error";
        } catch (const EVariantTypeCastError& e) {
            EXPECT_TRUE(e.Message().contains("CheckBox1")) << e.Message().toStdString();
            EXPECT_TRUE(e.Message().contains("'abc'")) << e.Message().toStdString();
        }
    }
    // An expression, when there is no field.
    TBoxReport r;
    r.Box->SetExpression("1 = 2");
    r.Box->GetData();
    EXPECT_FALSE(r.Box->Checked());
    r.Box->SetExpression("2 > 1");
    r.Box->GetData();
    EXPECT_TRUE(r.Box->Checked());
    // An expression that reads a Null field is unchecked, as the field itself would be.
    r.Data->Value = Variant::Null();
    r.Box->SetChecked(true);
    r.Box->SetExpression("Values.\"V\"");
    r.Box->GetData();
    EXPECT_FALSE(r.Box->Checked());
    r.Data->Value = Variant(-1);
    r.Box->GetData();
    EXPECT_TRUE(r.Box->Checked());
    r.Data->Value = Variant(QStringLiteral("abc"));
    EXPECT_THROW(r.Box->GetData(), EVariantTypeCastError);
    // Neither: Checked as the template has it.
    r.Box->SetExpression(QString());
    r.Box->SetChecked(false);
    r.Box->GetData();
    EXPECT_FALSE(r.Box->Checked());
}

TEST(CheckBox, PreparedWithNullAndWithText) {
    {
        TBoxReport r;
        r.Box->SetDataSet(r.Data);
        r.Box->SetDataField("V");
        r.Box->SetUncheckStyle(usMinus);
        r.Data->Value = Variant::Null();
        ASSERT_TRUE(PrepareReport(r.Report.get(), true)) << qPrintable(r.Report->Errors()->Text());
        TrptReportPage* page = r.Report->PreviewPages()->GetPage(0);
        ASSERT_NE(page, nullptr);
        auto* box = dynamic_cast<TrptCheckBoxView*>(page->FindObject("CheckBox1"));
        ASSERT_NE(box, nullptr);
        EXPECT_FALSE(box->Checked());
        EXPECT_EQ(box->UncheckStyle(), usMinus);
    }
    {
        // Text that is no Boolean stops the report with an error naming the object and value.
        TBoxReport r;
        r.Box->SetDataSet(r.Data);
        r.Box->SetDataField("V");
        r.Data->Value = Variant(QStringLiteral("abc"));
        EXPECT_FALSE(PrepareReport(r.Report.get(), true));
        const QString errors = r.Report->Errors()->Text();
        EXPECT_TRUE(errors.contains("CheckBox1") && errors.contains("'abc'")) << errors.toStdString();
    }
}

TEST(CheckBox, EveryMarkDrawn) {
    RegisterReportClasses();
    struct Case {
        const char* What;
        bool Checked;
        TrptCheckStyle Check;
        TrptUncheckStyle Uncheck;
    };
    const Case cases[] = {
        {"csCross", true, csCross, usEmpty},        {"csCheck", true, csCheck, usEmpty},
        {"csLineCross", true, csLineCross, usEmpty}, {"csPlus", true, csPlus, usEmpty},
        {"usEmpty", false, csCross, usEmpty},       {"usCross", false, csCross, usCross},
        {"usLineCross", false, csCross, usLineCross}, {"usMinus", false, csCross, usMinus},
    };
    const double scales[] = {1, 4};
    QImage img(760, 260, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas canvas(&img);
    struct Drawn {
        TRect Box;
        const Case* C;
        double Scale;
    };
    std::vector<Drawn> drawn;
    int row = 0;
    for (double scale : scales) {
        int col = 0;
        for (const Case& c : cases) {
            TrptCheckBoxView box;
            box.SetChecked(c.Checked);
            box.SetCheckStyle(c.Check);
            box.SetUncheckStyle(c.Uncheck);
            box.SetCheckColor(c.Checked ? clBlack : 0x000080); // dark red for the unchecked ones
            box.Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
            box.Frame()->SetColor(0x808080);
            box.SetLeft(2);
            box.SetTop(2);
            const double ox = scale == 1 ? 10 + col * 30 : 10 + col * 92;
            const double oy = scale == 1 ? 10 : 60;
            box.Draw(&canvas, scale, scale, ox, oy);
            drawn.push_back({TRect(box.X(), box.Y(), box.X1(), box.Y1()), &c, scale});
            if (scale == 1) {
                // A 5 mm box at scale 1 with its top on a whole unit is 19 pixels high.
                EXPECT_EQ(box.Y1() - box.Y(), 19) << c.What;
            }
            ++col;
        }
        ++row;
    }
    canvas.Flush();
    ASSERT_TRUE(img.save(QDir::current().absoluteFilePath(QStringLiteral("reportcheckbox_marks.png"))));

    for (const Drawn& d : drawn) {
        SCOPED_TRACE(std::string(d.C->What) + (d.Scale == 1 ? " at 1" : " at 4"));
        // Inside the frame: (l, t) .. (r, b).
        const int l = d.Box.Left + 2, t = d.Box.Top + 2, r = d.Box.Right - 1, b = d.Box.Bottom - 1;
        const int mx = d.Box.Left + (d.Box.Right - d.Box.Left) / 2;
        const int my = d.Box.Top + (d.Box.Bottom - d.Box.Top) / 2;
        const int inside = Dark(img, l, t, r, b);
        const std::string what = d.C->What;
        if (what == "usEmpty") {
            EXPECT_EQ(inside, 0);
            continue;
        }
        EXPECT_GT(inside, 0);
        // Nothing outside the box but the frame: the marks are clipped or kept inside.
        EXPECT_EQ(Dark(img, d.Box.Left - 3, d.Box.Top - 3, d.Box.Right + 4, d.Box.Top - 1), 0);
        EXPECT_EQ(Dark(img, d.Box.Left - 3, d.Box.Bottom + 2, d.Box.Right + 4, d.Box.Bottom + 4), 0);
        const int centre = Dark(img, mx - 1, my - 1, mx + 2, my + 2);
        const int topMiddle = Dark(img, mx - 1, t, mx + 2, t + (b - t) / 5);
        const int leftMiddle = Dark(img, l, my - 1, l + (r - l) / 5, my + 2);
        const int topLeft = Dark(img, l, t, l + (r - l) / 5, t + (b - t) / 5);
        if (what == "csPlus") {
            EXPECT_GT(centre, 0);
            EXPECT_EQ(topLeft, 0);
            EXPECT_GT(Dark(img, mx - 1, t + 2, mx + 2, my - 2), 0);
        } else if (what == "usMinus") {
            EXPECT_GT(centre, 0);
            EXPECT_EQ(topLeft, 0);
            EXPECT_EQ(Dark(img, mx - 1, t, mx + 2, my - 2), 0);
            EXPECT_EQ(Dark(img, mx - 1, my + 3, mx + 2, b), 0);
        } else if (what == "csLineCross" || what == "usLineCross") {
            EXPECT_GT(centre, 0);
            EXPECT_GT(topLeft, 0);
            EXPECT_EQ(topMiddle, 0);
        } else if (what == "csCross" || what == "usCross") {
            EXPECT_GT(centre, 0);
            EXPECT_EQ(topMiddle, 0);
            EXPECT_EQ(leftMiddle, 0);
        } else if (what == "csCheck") {
            // The check mark's foot lies low, left of the middle; its top right end high up.
            EXPECT_EQ(topLeft, 0);
            EXPECT_GT(Dark(img, l + (r - l) * 3 / 10, b - (b - t) / 4, mx, b), 0);
            EXPECT_GT(Dark(img, mx, t, r, t + (b - t) / 4), 0);
        }
    }
    // The glyph cell is as high as the box and centred across it.
    const std::vector<TPoint> cross = TrptCheckBoxView::GlyphMark(false, 0, 0, 19, 19);
    for (const TPoint& p : cross) {
        EXPECT_GE(p.Y, 0);
        EXPECT_LE(p.Y, 19);
        EXPECT_GE(p.X, 0);
        EXPECT_LE(p.X, 19);
    }
    EXPECT_EQ(TrptCheckBoxView::GlyphWidth(19), 16);
}

TEST(CheckBox, PropertyRoundTrip) {
    TBoxReport r;
    auto* ds = new TrptUserDataSet(r.Report->FindObject("Data"));
    ds->SetName("Orders");
    auto* obj = new TrptCheckBoxView(r.Band);
    obj->SetName("Object1");
    {
        // CheckColor and CheckStyle have no stored default: written even when they are the defaults.
        TMemoryStream plain;
        r.Report->SaveToStream(plain);
        const QByteArray text = plain.Bytes();
        EXPECT_TRUE(text.contains("CheckStyle=\"csCross\"")) << text.toStdString();
        EXPECT_TRUE(text.contains("CheckColor=\"0\"")) << text.toStdString();
        EXPECT_FALSE(text.contains("UncheckStyle=")) << text.toStdString();
    }
    roundtrip::ChangeEverything(obj, r.Report.get());
    TMemoryStream out;
    r.Report->SaveToStream(out);
    const QByteArray saved = out.Bytes();

    TBoxReport back;
    TBytesStream in(saved);
    back.Report->LoadFromStream(in);
    EXPECT_EQ(back.Report->Errors()->Count(), 0) << back.Report->Errors()->Text().toStdString();
    TrptComponent* loaded = back.Report->FindObject("Object1");
    ASSERT_NE(loaded, nullptr) << saved.toStdString();
    EXPECT_EQ(loaded->ClassName(), QStringLiteral("TrptCheckBoxView"));
    roundtrip::CompareEverything(obj, loaded, QString());
    TMemoryStream again;
    back.Report->SaveToStream(again);
    EXPECT_EQ(again.Bytes(), saved);
}

TEST(CheckBox, PaletteEntry) {
    RegisterCheckBoxObject();
    TrptObjectCollection* reg = ObjectRegistry();
    int found = 0;
    for (int i = 0; i < reg->Count(); ++i)
        if (reg->Items(i)->ClassRef() == TrptCheckBoxView::StaticClassInfo()) {
            ++found;
            EXPECT_EQ(reg->Items(i)->ButtonImageIndex(), 24);
        }
    EXPECT_EQ(found, 1);
    UnregisterCheckBoxObject();
    for (int i = 0; i < reg->Count(); ++i) EXPECT_NE(reg->Items(i)->ClassRef(), TrptCheckBoxView::StaticClassInfo());
}

} // namespace
