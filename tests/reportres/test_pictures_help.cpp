#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"

#include "platform/gfx/Bitmap.h"
#include "platform/rtti/TypInfo.h"
#include "platform/sys/Desktop.h"
#include "platform/sys/Program.h"
#include "platform/ui/ImgList.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class TrptSyntaxMemo : public TObject {
    KORVEL_CLASS(TrptSyntaxMemo, TObject)
};

} // namespace

KORVEL_CLASS_INFO(TrptSyntaxMemo) {}

namespace {

// A picture is not empty, and its corner (the strip's key colour) is left out.
void ExpectPicture(const QImage& image, int size) {
    ASSERT_EQ(image.size(), QSize(size, size));
    EXPECT_EQ(qAlpha(image.pixel(0, size - 1)), 0);
    int opaque = 0;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) opaque += qAlpha(image.pixel(x, y)) == 255;
    EXPECT_GE(opaque, 8);
}

TEST(PictureStripsTest, BuiltInStripsUnpackIntoTheirLists) {
    TrptResources r;
    EXPECT_EQ(r.DisabledButtonImages()->Count(), 0);

    TCustomImageList* preview = r.PreviewButtonImages();
    ASSERT_EQ(preview->Count(), 25);
    EXPECT_EQ(r.PreviewButtonImages(), preview);
    EXPECT_EQ(preview->Count(), 25); // the second call unpacks nothing more

    const struct {
        TCustomImageList* list;
        int count;
        int size;
    } cases[] = {
        {preview, 25, 16},
        {r.MainButtonImages(), 100, 16},
        {r.DisabledButtonImages(), 100, 16},
        {r.ObjectImages(), 70, 16},
        {r.WizardImages(), 6, 32},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(c.list->Count(), c.count);
        EXPECT_EQ(c.list->Width(), c.size);
        for (int i = 0; i < c.count; ++i) {
            SCOPED_TRACE(i);
            ExpectPicture(c.list->Image(i), c.size);
        }
    }
    // The disabled twins are grey.
    const QImage twin = r.DisabledButtonImages()->Image(2);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const QRgb p = twin.pixel(x, y);
            if (qAlpha(p) == 255) {
                EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
            }
        }
}

TEST(PictureStripsTest, SettersAppendOrReplace) {
    TrptResources r;
    TBitmap strip(64, 16, pf24bit);
    strip.Canvas().Brush().SetColor(clRed);
    strip.Canvas().FillRect(TRect{0, 0, 64, 16});
    r.SetPreviewButtonImages(strip);
    EXPECT_EQ(r.PreviewButtonImages()->Count(), 4); // not empty: the built-in strip is not loaded
    r.SetPreviewButtonImages(strip);
    EXPECT_EQ(r.PreviewButtonImages()->Count(), 8);
    r.SetPreviewButtonImages(strip, true);
    EXPECT_EQ(r.PreviewButtonImages()->Count(), 4);
    // Button strips hold pairs.
    r.SetButtonImages(strip, true);
    EXPECT_EQ(r.MainButtonImages()->Count(), 2);
    EXPECT_EQ(r.DisabledButtonImages()->Count(), 2);
    TBitmap wizards(96, 32, pf24bit);
    r.SetWizardImages(wizards);
    EXPECT_EQ(r.WizardImages()->Count(), 3);
}

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        SetProgramFolder(Dir.path());
        SetOpenUrlHandler([this](const QUrl& url) {
            Opened << url.toLocalFile().mid(Dir.path().size() + 1);
            return true;
        });
    }
    void TearDown() override {
        SetOpenUrlHandler(nullptr);
        SetProgramFolder(QString());
        SetHelpAvailable(true);
    }
    void Page(const QString& name) {
        QDir(Dir.path()).mkpath("ZARaru");
        QFile f(Dir.path() + "/ZARaru/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<html></html>");
    }
    QTemporaryDir Dir;
    QStringList Opened;
};

TEST_F(HelpTest, EveryWindowClassOpensItsTopic) {
    ASSERT_EQ(HelpTopicCount, 17);
    Page("index.htm");
    for (const THelpTopic& row : HelpTopics) Page(QLatin1String(row.Topic));
    TrptResources r;
    EXPECT_EQ(r.HelpFile(), "ZARaru.chm");
    const struct {
        const char* sender;
        const char* page;
    } rows[] = {
        {"TrptDesignerForm", "Designer.htm"},
        {"TrptOptionsEditor", "Designer_options.htm"},
        {"TrptReportEditorForm", "Report_options.htm"},
        {"TrptPageEditorForm", "Page_options.htm"},
        {"TrptCrossEditorForm", "Cross_tab_reports.htm"},
        {"TrptChartEditorForm", "Diagrams.htm"},
        {"TrptSyntaxMemo", "Script.htm"},
        {"TrptDialogPage", "Dialogue_forms.htm"},
        {"TrptDialogComponent", "Data_access_components.htm"},
        {"TrptVarEditorForm", "Variables.htm"},
        {"TrptHighlightEditorForm", "Conditional_highlighting.htm"},
        {"TrptSysMemoEditorForm", "Inserting_aggregate_function.htm"},
        {"TrptFormatEditorForm", "Values_formatting.htm"},
        {"TrptGroupEditorForm", "Report_with_groups.htm"},
        {"TrptPictureEditorForm", "Picture_object.htm"},
        {"TrptMemoEditorForm", "Text_object.htm"},
        {"TrptSQLEditorForm", "TrptADOQuery.htm"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.sender);
        Opened.clear();
        r.HelpForClass(QString::fromLatin1(row.sender).toLower()); // ASCII case is ignored
        EXPECT_EQ(Opened, QStringList{"ZARaru/" + QLatin1String(row.page)});
    }
    // Any other window opens the help without a topic.
    Opened.clear();
    r.HelpForClass("TrptPreviewForm");
    r.Help(nullptr);
    EXPECT_EQ(Opened, (QStringList{"ZARaru/index.htm", "ZARaru/index.htm"}));
    // The sender's own class decides.
    Opened.clear();
    TrptSyntaxMemo memo;
    r.Help(&memo);
    EXPECT_EQ(Opened, QStringList{"ZARaru/Script.htm"});
}

TEST_F(HelpTest, MissingHelpOpensNothing) {
    TrptResources r;
    r.HelpForClass("TrptSyntaxMemo");
    EXPECT_TRUE(Opened.isEmpty());
    Page("index.htm");
    r.HelpForClass("TrptSyntaxMemo"); // topic page missing: the contents
    EXPECT_EQ(Opened, QStringList{"ZARaru/index.htm"});
    Opened.clear();
    SetHelpAvailable(false);
    r.HelpForClass("TrptSyntaxMemo");
    EXPECT_TRUE(Opened.isEmpty());
}

TEST_F(HelpTest, HelpPathFollowsTheProgramFolderAndHelpFile) {
    QDir(Dir.path()).mkpath("manual");
    QFile f(Dir.path() + "/manual/Script.htm");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    TrptResources r;
    r.SetHelpFile("Manual.chm"); // the folder is found whatever its case
    r.HelpForClass("TrptSyntaxMemo");
    EXPECT_EQ(Opened, QStringList{"manual/Script.htm"});
    Opened.clear();
    DisplayHelpTopic(ExeFolderPath() + "MANUAL.CHM::/Script.htm");
    EXPECT_EQ(Opened, QStringList{"manual/Script.htm"});
}

} // namespace
