// The shared controls: scroll window positions and scroll requests, the colour blend, the flat
// combo box's geometry and looks, the font box's recent-font list in the settings store, and the
// edit box with a button.

#include "report/core/rptPreviewControls.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Colors.h"
#include "platform/sys/Registry.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

class CountingScrollWin : public TrptScrollWin {
public:
    using TrptScrollWin::TrptScrollWin;
    int HorzCalls = 0, VertCalls = 0;

protected:
    void HorzPositionChanged() override { ++HorzCalls; }
    void VertPositionChanged() override { ++VertCalls; }
};

} // namespace

TEST(ScrollWin, DefaultsAndPositionClamps) {
    CountingScrollWin w(nullptr);
    EXPECT_EQ(w.SmallChange(), 1);
    EXPECT_EQ(w.LargeChange(), 10);
    w.SetVertRange(100);
    w.SetVertPage(300);
    for (int v : {50, 100, 1000, -5}) {
        w.SetVertPosition(v);
        EXPECT_EQ(w.VertPosition(), 0) << v;
    }
    EXPECT_EQ(w.VertCalls, 0);

    w.SetHorzRange(1000);
    w.SetHorzPage(300);
    w.SetHorzPosition(900);
    EXPECT_EQ(w.HorzPosition(), 700);
    w.SetHorzPosition(-20);
    EXPECT_EQ(w.HorzPosition(), 0);
    EXPECT_EQ(w.HorzCalls, 2);
}

TEST(ScrollWin, SamePositionTwiceNotifiesOnce) {
    CountingScrollWin w(nullptr);
    w.SetVertRange(1000);
    w.SetVertPage(100);
    w.SetVertPosition(40);
    w.SetVertPosition(40);
    EXPECT_EQ(w.VertCalls, 1);
}

TEST(ScrollWin, ScrollRequestsMoveByTheirSteps) {
    CountingScrollWin w(nullptr);
    w.SetVertRange(1000);
    w.SetVertPage(100);
    w.SetSmallChange(8);
    w.SetLargeChange(300);
    struct Step {
        int Code, Pos, Expected;
    };
    const Step steps[] = {
        {SB_LINEDOWN, 0, 8},          {SB_LINEDOWN, 0, 16}, {SB_PAGEDOWN, 0, 316}, {SB_LINEUP, 0, 308},
        {SB_THUMBPOSITION, 555, 555}, {SB_BOTTOM, 0, 900},  {SB_PAGEUP, 0, 600},   {SB_TOP, 0, 0},
        {SB_ENDSCROLL, 0, 0},         {42, 0, 0},
    };
    for (const Step& s : steps) {
        w.SendScroll(SB_VERT, s.Code, s.Pos);
        EXPECT_EQ(w.VertPosition(), s.Expected) << "code " << s.Code;
    }
}

TEST(ScrollWin, ThumbTrackingMovesTheContentWhileDragging) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 300);
    auto* w = new CountingScrollWin(&form);
    w->SetParent(&form);
    w->SetBounds(0, 0, 200, 200);
    w->SetVertRange(2000);
    w->SetVertPage(200);
    form.Show();
    for (int pos : {10, 250, 700}) {
        w->SendScroll(SB_VERT, SB_THUMBTRACK, pos);
        EXPECT_EQ(w->VertPosition(), pos);
    }
    EXPECT_EQ(w->VertCalls, 3);
    form.Hide();
}

TEST(Blend, ShareOfTheFirstColour) {
    struct Case {
        TColor C1, C2;
        int A;
        TColor Expected;
    };
    const Case cases[] = {
        {clWhite, clBlack, 30, 0x4D4D4D}, // (0 x 70 + 30 x 255 + 50) div 100 = 77
        {clWhite, clBlack, 0, 0x000000},
        {clWhite, clBlack, 100, 0x1A1A1A}, // per mille from 100: 100 / 1000 of white
        {0x0000FF, 0xFF0000, 50, 0x800080},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rptBlendColors(c.C1, c.C2, c.A), c.Expected) << c.A;
    // System colours are resolved first.
    EXPECT_EQ(rptBlendColors(clHighlight, clWindow, 100),
              rptBlendColors(ColorToRGB(clHighlight), ColorToRGB(clWindow), 100));
}

TEST(FlatCombo, GeometryOfEditButtonAndList) {
    TrptComboBox cb(nullptr);
    EXPECT_EQ(cb.Width(), 100);
    EXPECT_EQ(cb.ButtonWidth(), 11);
    cb.SetBounds(0, 0, 120, 22);
    EXPECT_EQ(cb.EditRect(), TRect(3, 3, 3 + 120 - 11 - 0 - 8, 19));
    EXPECT_EQ(cb.ButtonRect(), TRect(120 - 11 - 3, 1, 119, 21));
    const int ih = cb.ItemHeight();
    EXPECT_GT(ih, 8);
    EXPECT_EQ(cb.ListSize(), TSize(120, ih + 2)); // empty list
    for (int i = 0; i < 20; ++i)
        cb.Items()->Add(QString::number(i));
    cb.SetDropDownCount(8);
    EXPECT_EQ(cb.ListSize(), TSize(120, ih * 8 + 2));
    cb.SetListWidth(300);
    EXPECT_EQ(cb.ListSize().cx, 300);
    EXPECT_FALSE(cb.CheckUpDropdown(100, 1000));
    EXPECT_TRUE(cb.CheckUpDropdown(1000 - ih * 8 - 2, 1000));
}

TEST(FlatCombo, LooksPaintTheirButtonColours) {
    TrptComboBox cb(nullptr);
    cb.SetBounds(0, 0, 100, 22);
    struct Case {
        TrptComboLook Look;
        TColor Button, Frame;
    };
    const Case cases[] = {
        {TrptComboLook::Normal, ColorToRGB(clBtnFace), ColorToRGB(clBtnFace)},
        {TrptComboLook::Hot, rptBlendColors(clHighlight, clWindow, 30), ColorToRGB(clHighlight)},
        {TrptComboLook::Pressed, rptBlendColors(clHighlight, clWindow, 50), ColorToRGB(clHighlight)},
        {TrptComboLook::Disabled, ColorToRGB(clBtnFace), ColorToRGB(clBtnShadow)},
    };
    for (const Case& c : cases) {
        TBitmap bmp;
        bmp.SetWidth(100);
        bmp.SetHeight(22);
        cb.PaintFlat(bmp.Canvas(), c.Look);
        EXPECT_EQ(bmp.Canvas().Pixel(93, 4), c.Button) << static_cast<int>(c.Look);
        EXPECT_EQ(bmp.Canvas().Pixel(0, 10), c.Frame) << static_cast<int>(c.Look);
    }
    EXPECT_EQ(cb.Look(), TrptComboLook::Normal);
    cb.SetEnabled(false);
    EXPECT_EQ(cb.Look(), TrptComboLook::Disabled);
}

namespace {

// A font box over a fixed font list.
class TestFontBox : public TrptFontComboBox {
public:
    using TrptFontComboBox::TrptFontComboBox;
    std::vector<std::pair<QString, int>> Fonts;

protected:
    std::vector<std::pair<QString, int>> EnumFonts() override { return Fonts; }
};

class FontBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FOldConfig = qgetenv("KORVEL_CONFIG_DIR");
        qputenv("KORVEL_CONFIG_DIR", FDir.path().toLocal8Bit());
        FBox = std::make_unique<TestFontBox>(nullptr);
        FBox->Fonts = {{"Tahoma", 4}, {"Arial", 4},     {"Courier", 1}, {"Zeta", 4}, {"Arial", 1},
                       {"Gamma", 4},  {"Helvetica", 4}, {"Lucida", 4},  {"Mono", 1}, {"Verdana", 4}};
    }
    void TearDown() override {
        FBox.reset();
        if (FOldConfig.isEmpty())
            qunsetenv("KORVEL_CONFIG_DIR");
        else
            qputenv("KORVEL_CONFIG_DIR", FOldConfig);
    }
    QStringList Items() const { return FBox->Items()->ToStringList(); }
    QStringList Stored() const {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        QStringList r;
        if (!reg.OpenKey(QStringLiteral("\\Software\\Dize Rorerir\\MRUFont"), false)) return r;
        for (int n = 0; n < 5; ++n)
            r << reg.ReadString(QStringLiteral("Font%1").arg(n)) + ":" +
                     QString::number(reg.ValueExists(QStringLiteral("FontType%1").arg(n))
                                         ? reg.ReadInteger(QStringLiteral("FontType%1").arg(n))
                                         : -1);
        return r;
    }
    void Store(const QStringList& names) {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Dize Rorerir\\MRUFont"), true));
        for (int n = 0; n < names.size(); ++n) {
            reg.WriteString(QStringLiteral("Font%1").arg(n), names[n]);
            reg.WriteInteger(QStringLiteral("FontType%1").arg(n), 4);
        }
    }
    // The user opens the list, picks the named font and closes it.
    void Choose(const QString& name) {
        FBox->DoDropDown();
        // Its alphabetical place, below the recent block.
        int i = -1;
        for (int k = FBox->Numused() + 1; k < FBox->Items()->Count() && i < 0; ++k)
            if (FBox->Items()->Get(k) == name) i = k;
        ASSERT_GE(i, 0) << name.toStdString();
        FBox->SetItemIndex(i);
        FBox->DoCloseUp();
    }

    QTemporaryDir FDir;
    QByteArray FOldConfig;
    std::unique_ptr<TestFontBox> FBox;
};

} // namespace

TEST_F(FontBoxTest, ListIsSortedOnceEachWithTheFirstType) {
    FBox->PopulateList();
    EXPECT_EQ(Items(), QStringList({"Arial", "Courier", "Gamma", "Helvetica", "Lucida", "Mono", "Tahoma",
                                    "Verdana", "Zeta"}));
    EXPECT_EQ(FBox->ItemFontType(0), rptTrueTypeFontType);
    EXPECT_EQ(FBox->ItemFontType(1), rptRasterFontType);
    EXPECT_EQ(FBox->Numused(), -1);
}

TEST_F(FontBoxTest, StoredRecentFontsStandOnTopAndAMissingOneIsDropped) {
    Store({"Verdana", "Gone", "Arial"});
    FBox->PopulateList();
    EXPECT_EQ(Items().mid(0, 3), QStringList({"Verdana", "Arial", "Arial"}));
    EXPECT_EQ(FBox->Numused(), 1);
    EXPECT_EQ(Stored(), QStringList({"Verdana:4", ":0", "Arial:4", ":0", ":0"}));
}

TEST_F(FontBoxTest, SixChoicesKeepFiveNewestOnTop) {
    FBox->PopulateList();
    const QStringList chosen = {"Courier", "Gamma", "Helvetica", "Lucida", "Mono", "Zeta"};
    for (const QString& f : chosen)
        Choose(f);
    EXPECT_EQ(FBox->Numused(), 4);
    EXPECT_EQ(Items().mid(0, 5), QStringList({"Zeta", "Mono", "Lucida", "Helvetica", "Gamma"}));
    EXPECT_EQ(Items().size(), 9 + 5);
    EXPECT_EQ(FBox->Text(), "Zeta");
    EXPECT_EQ(Stored(), QStringList({"Zeta:4", "Mono:1", "Lucida:4", "Helvetica:4", "Gamma:4"}));

    // Choosing a recent one again moves it to the top without a copy.
    FBox->DoDropDown();
    FBox->SetItemIndex(3);
    FBox->DoCloseUp();
    EXPECT_EQ(Items().mid(0, 5), QStringList({"Helvetica", "Zeta", "Mono", "Lucida", "Gamma"}));
    EXPECT_EQ(Items().size(), 14);

    // A new box reads them back in that order.
    TestFontBox again(nullptr);
    again.Fonts = FBox->Fonts;
    again.PopulateList();
    EXPECT_EQ(again.Items()->ToStringList().mid(0, 5),
              QStringList({"Helvetica", "Zeta", "Mono", "Lucida", "Gamma"}));
}

TEST_F(FontBoxTest, ChoosingTheFirstItemChangesNothing) {
    Store({"Tahoma", "Arial"});
    FBox->PopulateList();
    const QStringList before = Items();
    const QStringList stored = Stored();
    FBox->DoDropDown();
    FBox->SetItemIndex(0);
    FBox->DoCloseUp();
    EXPECT_EQ(Items(), before);
    EXPECT_EQ(Stored(), stored);
}

TEST_F(FontBoxTest, ANewFontListKeepsTheCurrentFontOrTakesTheFirst) {
    int clicks = 0;
    FBox->OnClick = [&](TObject*) { ++clicks; };
    FBox->PopulateList();
    FBox->SetItemIndex(FBox->Items()->IndexOf(QStringLiteral("Mono")));
    FBox->Fonts.emplace_back("Alpha", 4);
    FBox->FontListChanged();
    EXPECT_EQ(FBox->Text(), "Mono");
    EXPECT_EQ(Items().first(), "Alpha");
    FBox->Fonts.erase(std::remove_if(FBox->Fonts.begin(), FBox->Fonts.end(),
                                     [](const auto& f) { return f.first == QLatin1String("Mono"); }),
                      FBox->Fonts.end());
    FBox->FontListChanged();
    EXPECT_EQ(FBox->Text(), "Alpha");
    EXPECT_EQ(clicks, 0);
}

TEST_F(FontBoxTest, OpeningTheListShowsTheSampleAndClosingHidesIt) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 100);
    auto* box = new TestFontBox(&form);
    box->Fonts = FBox->Fonts;
    box->SetParent(&form);
    box->SetBounds(10, 10, 150, 22);
    box->Loaded();
    form.Show();
    QApplication::processEvents();
    box->SetItemIndex(box->Items()->IndexOf(QStringLiteral("Gamma")));
    box->SetDroppedDown(true); // the list window's own show reaches the box
    QApplication::processEvents();
    ASSERT_NE(box->FontViewForm(), nullptr);
    EXPECT_TRUE(box->FontViewForm()->Visible());
    EXPECT_EQ(box->FontViewForm()->Panel()->Caption(), "Gamma");
    EXPECT_EQ(box->Look(), TrptComboLook::Pressed);
    box->SetDroppedDown(false);
    QApplication::processEvents();
    EXPECT_FALSE(box->FontViewForm()->Visible());
    EXPECT_NE(box->Look(), TrptComboLook::Pressed);
    // Closing on Gamma made it the first recent font.
    EXPECT_EQ(box->Items()->Get(0), "Gamma");
    EXPECT_EQ(box->Numused(), 0);
    form.Hide();
}

TEST_F(FontBoxTest, WithoutRecentFontsNothingIsStored) {
    FBox->SetShowMRU(false);
    FBox->PopulateList();
    Choose("Gamma");
    EXPECT_EQ(FBox->Numused(), -1);
    EXPECT_EQ(Items().first(), "Arial");
    EXPECT_TRUE(Stored().isEmpty());
}

TEST_F(FontBoxTest, ClickFiresOnlyOutsideRebuilding) {
    int clicks = 0;
    FBox->OnClick = [&](TObject*) { ++clicks; };
    FBox->PopulateList();
    EXPECT_EQ(clicks, 0);
    FBox->Loaded();
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(FBox->ItemIndex(), 0);
    // The sample window shows the chosen font.
    FBox->SetItemIndex(2);
    FBox->ShowSample(2);
    ASSERT_NE(FBox->FontViewForm(), nullptr);
    EXPECT_EQ(FBox->FontViewForm()->Panel()->Caption(), "Gamma");
    EXPECT_EQ(FBox->FontViewForm()->Panel()->Font()->Name(), "Gamma");
    EXPECT_EQ(FBox->FontViewForm()->Width(), 200);
    EXPECT_EQ(FBox->FontViewForm()->Height(), 50);
}

TEST(ComboEdit, ButtonPlaceEnablingAndClick) {
    TForm form(nullptr);
    auto* ce = new TrptComboEdit(&form);
    ce->SetParent(&form);
    ce->SetBounds(10, 10, 150, 21);
    EXPECT_EQ(ce->ButtonPanel()->Left(), 150 - 21 + 2);
    EXPECT_EQ(ce->ButtonPanel()->Width(), 17);
    int clicks = 0;
    ce->OnButtonClick = [&](TObject* s) {
        EXPECT_EQ(s, ce);
        ++clicks;
    };
    ce->ButtonClick();
    EXPECT_EQ(clicks, 1);
    ce->SetButtonEnabled(false);
    EXPECT_FALSE(ce->Button()->Enabled());
    EXPECT_TRUE(ce->Enabled());
    ce->SetButtonEnabled(true);
    ce->SetEnabled(false);
    EXPECT_FALSE(ce->Button()->Enabled());
    ce->SetEnabled(true);
    EXPECT_TRUE(ce->Button()->Enabled());
    ce->SetBounds(10, 10, 200, 25);
    EXPECT_EQ(ce->ButtonPanel()->Left(), 200 - 25 + 2);
}

TEST_F(FontBoxTest, RowsShowTypePictureAndALineBelowTheRecentFonts) {
    Store({"Verdana", "Courier"});
    FBox->PopulateList(); // Verdana, Courier | Arial, Courier, ...
    ASSERT_EQ(FBox->Numused(), 1);
    const int h = 20, w = 150;
    TBitmap bmp;
    bmp.SetWidth(w);
    bmp.SetHeight(h * 4);
    for (int i = 0; i < 4; ++i)
        FBox->DrawItem(bmp.Canvas(), i, TRect(0, i * h, w, (i + 1) * h), false);
    const TColor shadow = ColorToRGB(clBtnShadow);
    // Below the last recent entry (row 1) and on top of the first alphabetical one (row 2).
    EXPECT_EQ(bmp.Canvas().Pixel(w / 2, 2 * h - 2), shadow);
    EXPECT_EQ(bmp.Canvas().Pixel(w / 2, 2 * h), shadow);
    EXPECT_NE(bmp.Canvas().Pixel(w / 2, h - 2), shadow);
    // A scalable font has its picture at the left; a raster font (Courier) none.
    auto darkIn = [&](int row) {
        for (int y = row * h + 2; y < row * h + h - 3; ++y)
            for (int x = 1; x < 16; ++x)
                if (bmp.Canvas().Pixel(x, y) != ColorToRGB(clWindow)) return true;
        return false;
    };
    EXPECT_TRUE(darkIn(0));
    EXPECT_FALSE(darkIn(3));
    // Drawing the selected row puts its name into the sample window.
    FBox->DrawItem(bmp.Canvas(), 2, TRect(0, 2 * h, w, 3 * h), true);
    EXPECT_EQ(FBox->FontViewForm()->Panel()->Caption(), "Arial");
}

TEST(FlatCombo, PaintsFlatOnAForm) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 260, 60);
    auto* cb = new TrptComboBox(&form);
    cb->SetParent(&form);
    cb->SetBounds(10, 10, 100, 22);
    cb->Items()->Add(QStringLiteral("100%"));
    cb->SetItemIndex(0);
    auto* fb = new TrptFontComboBox(&form);
    fb->SetParent(&form);
    fb->SetBounds(120, 10, 130, 22);
    fb->SetShowMRU(false); // keep away from the user's settings store
    fb->Loaded();
    form.Show();
    QApplication::processEvents();
    const QImage img = form.Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString dir = QDir::current().filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    EXPECT_TRUE(img.save(dir + QStringLiteral("/flat_combos.png")));
    // The box with the focus looks hot; the other one plain, its button in the button face.
    auto buttonPixel = [&](TControl* c) {
        const QPoint o = c->Widget()->mapTo(form.Widget(), QPoint(0, 0));
        const QRgb p = img.pixel(o.x() + c->Width() - 4, o.y() + 4);
        return static_cast<TColor>(qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16));
    };
    ASSERT_TRUE(cb->Focused());
    EXPECT_EQ(cb->Look(), TrptComboLook::Hot);
    EXPECT_EQ(buttonPixel(cb), rptBlendColors(clHighlight, clWindow, 30));
    EXPECT_EQ(fb->Look(), TrptComboLook::Normal);
    EXPECT_EQ(buttonPixel(fb), ColorToRGB(clBtnFace));
    EXPECT_FALSE(fb->Text().isEmpty());
    // The edit parts stay inside the flat frame, right of the font box's type picture.
    auto* edit = qobject_cast<QComboBox*>(fb->Widget())->lineEdit();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->geometry().left(), 16 + 3);
    EXPECT_EQ(qobject_cast<QComboBox*>(cb->Widget())->lineEdit()->geometry().left(), 3);
    // The font box's edit does not take typing; the plain box's only when set so.
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_FALSE(qobject_cast<QComboBox*>(cb->Widget())->lineEdit()->isReadOnly());
    cb->SetReadOnly(true);
    EXPECT_TRUE(qobject_cast<QComboBox*>(cb->Widget())->lineEdit()->isReadOnly());
    form.Hide();
}
