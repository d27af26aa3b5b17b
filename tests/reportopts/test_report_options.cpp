#include "ReportOptsHelpers.h"

#include "report/core/rptClassReport.h"
#include "report/core/rptRes.h"

#include "platform/rtl/Streams.h"
#include "platform/sys/Registry.h"

#include <QTemporaryDir>

// The option objects of a report: the password question on load, stored connections, clearing.

TEST(PasswordCheck, ARefusalGoesToTheReportsErrorsByItsSilentMode) {
    struct {
        TrptSilentMode Mode;
        bool Box;
        bool Raises;
    } cases[] = {{simMessageBoxes, true, false}, {simSilent, false, false}, {simReThrow, false, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Mode));
        TUIServicesScope ui(FailOnQuestion);
        AnswerPassword(ui.Services(), "nope", true);
        if (c.Box) ui->AnswerMessage(mrOk, QStringLiteral("Invalid password"));
        TrptReport report(nullptr);
        report.EngineOptions()->SetNewSilentMode(c.Mode);
        report.Errors()->Add("Earlier error");
        report.ReportOptions()->SetPassword("pw");
        if (c.Raises) {
            try {
                report.ReportOptions()->CheckPassword();
                ADD_FAILURE() << "no exception";
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), GlobalResources()->Get("clErrors") +
                                           QStringLiteral("\r\nEarlier error\r\nInvalid password\r\n"));
            }
        } else {
            EXPECT_FALSE(report.ReportOptions()->CheckPassword());
        }
        EXPECT_NE(report.Errors()->IndexOf("Invalid password"), -1);
        EXPECT_EQ(ui->Pending(), 0);
    }
}

TEST(PasswordCheck, ProtectedTemplateAsksOncePerReportObject) {
    RegisterReportClasses();
    TMemoryStream stream;
    {
        TrptReport author(nullptr);
        author.ReportOptions()->SetName("Protected");
        author.ReportOptions()->SetPassword("Pw");
        author.SaveToStream(stream);
        // The object that saved it knows the password.
        TUIServicesScope ui(FailOnQuestion);
        stream.SetPosition(0);
        author.LoadFromStream(stream);
        EXPECT_EQ(author.ReportOptions()->Name(), "Protected");
    }
    TrptReport reader(nullptr);
    {
        TUIServicesScope ui(FailOnQuestion);
        AnswerPassword(ui.Services(), "Pw", true);
        stream.SetPosition(0);
        reader.LoadFromStream(stream);
        EXPECT_EQ(ui->Pending(), 0);
        EXPECT_EQ(reader.ReportOptions()->Name(), "Protected");
        EXPECT_EQ(reader.ReportOptions()->Password(), "Pw");
        // The second load into the same object asks nothing.
        stream.SetPosition(0);
        reader.LoadFromStream(stream);
        EXPECT_EQ(reader.ReportOptions()->Name(), "Protected");
    }
    // A wrong answer leaves an empty report and the error.
    TrptReport stranger(nullptr);
    TUIServicesScope ui(FailOnQuestion);
    AnswerPassword(ui.Services(), "pw", true);
    ui->AnswerMessage(mrOk, QStringLiteral("Invalid password"));
    stream.SetPosition(0);
    stranger.LoadFromStream(stream);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_TRUE(stranger.ReportOptions()->Name().isEmpty());
    EXPECT_TRUE(stranger.ReportOptions()->Password().isEmpty());
}

namespace {

// The settings store in a folder of the test's own.
class StoredConnections : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        qputenv("KORVEL_CONFIG_DIR", FDir.path().toUtf8());
    }
    void TearDown() override { qunsetenv("KORVEL_CONFIG_DIR"); }

    static void Store(HKEY root, const QString& key, const QString& name, const QString& value) {
        TRegistry reg;
        reg.SetRootKey(root);
        ASSERT_TRUE(reg.OpenKey(key, true));
        reg.WriteString(name, value);
    }

    QTemporaryDir FDir;
};

const QString ConnectionsKey = QStringLiteral("\\Software\\Dize Rorerir\\Connections");

} // namespace

TEST_F(StoredConnections, EveryStoredTextReachesTheReportInOrder) {
    Store(HKEY_LOCAL_MACHINE, ConnectionsKey, "Main", "DSN=machine");
    Store(HKEY_CURRENT_USER, ConnectionsKey, "Main", "DSN=user");
    Store(HKEY_LOCAL_MACHINE, ConnectionsKey + "FIB", "MAIN", "fib-machine");
    Store(HKEY_CURRENT_USER, ConnectionsKey + "FIB", "Other", "not this one");
    {
        TRegistry reg;
        reg.SetRootKey(HKEY_CURRENT_USER);
        ASSERT_TRUE(reg.OpenKey(ConnectionsKey + "FIB", true));
        reg.WriteInteger("Main", 5); // not a text: passed over
    }
    TrptReport report(nullptr);
    QStringList got;
    report.OnSetConnection = [&](const QString& text) { got << text; };
    report.ReportOptions()->SetConnectionName("Main");
    EXPECT_EQ(got, (QStringList{"DSN=machine", "DSN=user", "fib-machine"}));
    EXPECT_EQ(report.ReportOptions()->ConnectionName(), "Main");

    // Unknown names, empty names and copies ask nothing.
    got.clear();
    report.ReportOptions()->SetConnectionName("Missing");
    report.ReportOptions()->SetConnectionName("");
    TrptReportOptions copy;
    copy.SetConnectionName("Main");
    report.ReportOptions()->Assign(&copy);
    EXPECT_TRUE(got.isEmpty());
    EXPECT_EQ(report.ReportOptions()->ConnectionName(), "Main");
}

TEST_F(StoredConnections, NoEventNoStoreNeeded) {
    // Without the event the name is only stored; missing keys are skipped silently.
    TrptReport report(nullptr);
    report.ReportOptions()->SetConnectionName("Main");
    EXPECT_EQ(report.ReportOptions()->ConnectionName(), "Main");
    QStringList got;
    report.OnSetConnection = [&](const QString& text) { got << text; };
    report.ReportOptions()->SetConnectionName("Main");
    EXPECT_TRUE(got.isEmpty());
}

TEST(ReportOptionsOfAReport, ClearKeepsTheHostsValues) {
    TrptReport report(nullptr);
    EXPECT_EQ(report.ReportOptions()->Report(), &report);
    report.PrintOptions()->SetPrinter("Laser");
    report.EngineOptions()->SetMaxMemSize(64);
    report.EngineOptions()->SetDoublePass(true);
    report.PreviewOptions()->SetModal(false);
    report.PreviewOptions()->SetOutlineVisible(true);
    report.Clear();
    EXPECT_EQ(report.PrintOptions()->Printer(), "Default");
    EXPECT_EQ(report.EngineOptions()->MaxMemSize(), 64);
    EXPECT_FALSE(report.EngineOptions()->DoublePass());
    EXPECT_FALSE(report.PreviewOptions()->Modal());
    EXPECT_FALSE(report.PreviewOptions()->OutlineVisible());
}

TEST(ReportOptionsOfAReport, InfoLoadKeepsOnlyTheInformation) {
    RegisterReportClasses();
    TMemoryStream stream;
    {
        TrptReport author(nullptr);
        FillReportOptions(*author.ReportOptions());
        author.ReportOptions()->SetPassword(QString());
        author.SaveToStream(stream);
    }
    TrptReport report(nullptr);
    report.ReportOptions()->SetInfo(true);
    TUIServicesScope ui(FailOnQuestion);
    stream.SetPosition(0);
    report.LoadFromStream(stream);
    TrptReportOptions* o = report.ReportOptions();
    EXPECT_EQ(o->Author(), "Ann");
    EXPECT_TRUE(o->Compressed());
    EXPECT_EQ(o->Description()->Count(), 2);
    EXPECT_EQ(o->VersionMajor(), "1");
    EXPECT_EQ(o->VersionBuild(), "4");
    EXPECT_NEAR(o->CreateDate(), 100.5, 1e-9);
    EXPECT_NEAR(o->LastChange(), 200.25, 1e-9);
    EXPECT_TRUE(o->Name().isEmpty());
    EXPECT_TRUE(o->ConnectionName().isEmpty());
    EXPECT_TRUE(o->InitString().isEmpty());
    EXPECT_EQ(report.PagesCount(), 0);
}
