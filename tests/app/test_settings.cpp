#include "app/uSQL.h"
#include "app/uSaveSettings.h"
#include "platform/sys/Program.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override { SetProgramFolder(FDir.path() + '/'); }
    void TearDown() override { SetProgramFolder(QString()); }
    void Write(const char* text) {
        QFile f(FDir.filePath("settings.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QString Read() {
        QFile f(FDir.filePath("settings.ini"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    QTemporaryDir FDir;
};

} // namespace

TEST_F(Settings, NoFileMeansDefaults) {
    TMenuOptions menu;
    EXPECT_EQ(ReadServerOption(menu), "");
    EXPECT_FALSE(menu.VisibleOptions || menu.VisibleReport || menu.VisibleDBLocation);
    LoadDisableUpperCase();
    EXPECT_EQ(UpperCaseExemptList->Count(), 0);
}

TEST_F(Settings, MenuSwitchesReadAsIntegers) {
    Write("[Options]\nserver=\\\\PC\\share\\db.sqlite\nVisibleOptions=0x1\nVisibleReport=True\nVisibleDBLocation=0\n");
    TMenuOptions menu;
    EXPECT_EQ(ReadServerOption(menu), "\\\\PC\\share\\db.sqlite");
    EXPECT_EQ(menu.VisibleOptions, std::optional<bool>(true));
    EXPECT_EQ(menu.VisibleReport, std::optional<bool>(false)); // not a number: hidden
    EXPECT_EQ(menu.VisibleDBLocation, std::optional<bool>(false));
}

TEST_F(Settings, ServerWrittenAndRemovedOthersKept) {
    Write("; my settings\n[Options]\nVisibleReport=1\n[Grids]\nf.g.ColCount=2\n");
    WriteServerOption("/data/shop.db");
    TMenuOptions menu;
    EXPECT_EQ(ReadServerOption(menu), "/data/shop.db");
    WriteServerOption(QString());
    EXPECT_EQ(ReadServerOption(menu), "");
    WriteServerOption(QString()); // removing an absent key is fine
    EXPECT_EQ(Read(), "; my settings\n[Options]\nVisibleReport=1\n[Grids]\nf.g.ColCount=2\n");
}

TEST_F(Settings, ExemptListIsTheKeyNamesInFileOrder) {
    Write("[DisableUpperCase]\nt.b=\nt.a\nT.C=whatever\n");
    LoadDisableUpperCase();
    EXPECT_EQ(UpperCaseExemptList->CommaText(), "t.b,t.a,T.C");
}
