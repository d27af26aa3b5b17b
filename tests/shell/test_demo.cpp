#include "ShellFixture.h"

#include "tests/common/DemoFolder.h"

#include "app/dbControls.h"
#include "app/uMainForm.h"
#include "platform/ui/Forms.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPixmap>

#include <set>

class Demo : public ShellFixture {
protected:
    void CopyDemo() { CopyDemoFolder(FDir.path()); }
    std::vector<TCustomForm*> AllWindows() const {
        std::vector<TCustomForm*> windows{frmMainKorvel};
        for (TForm* f : frmMainKorvel->GeneratedForms()) windows.push_back(f);
        return windows;
    }
};

// The demo starts cleanly and its windows use every control class and every button action.
TEST_F(Demo, StartsAndUsesEveryControlClassAndAction) {
    CopyDemo();
    frmMainKorvel->Show();
    ASSERT_EQ(frmMainKorvel->StartupResult(), TfrmMainKorvel::TStartup::Done);
    EXPECT_TRUE(frmMainKorvel->FormsProblems().isEmpty()) << frmMainKorvel->FormsProblems().join('\n').toStdString();
    EXPECT_GE(frmMainKorvel->GeneratedForms().size(), 9u);

    std::set<QString> classes;
    std::set<int> actions;
    std::set<int> fileKinds;
    std::set<QString> formNames;
    for (TCustomForm* w : AllWindows()) formNames.insert(w->Name());
    for (TCustomForm* w : AllWindows()) {
        for (int i = 0; i < w->ComponentCount(); ++i) {
            TComponent* c = w->Components(i);
            classes.insert(c->ClassName());
            if (auto* b = dynamic_cast<TdbButton*>(c)) {
                actions.insert(b->dbActionType());
                // Every window a button opens exists, and every control a button names is on its window.
                if (!b->dbFormName().isEmpty()) {
                    EXPECT_TRUE(formNames.count(b->dbFormName())) << b->Name().toStdString();
                }
                if (!b->dbResultControl().isEmpty()) {
                    EXPECT_NE(w->FindComponent(b->dbResultControl()), nullptr) << b->Name().toStdString();
                }
                for (const QString& name : b->dbListControls().split(',', Qt::SkipEmptyParts))
                    EXPECT_NE(w->FindComponent(name), nullptr) << b->Name().toStdString() << " lists " << name.toStdString();
            }
            if (auto* f = dynamic_cast<TdbFileToDatabase*>(c)) fileKinds.insert(f->dbType());
            if (auto* combo = dynamic_cast<TdbComboBox*>(c); combo && !combo->dbParentCombo().isEmpty()) {
                EXPECT_NE(dynamic_cast<TdbComboBox*>(w->FindComponent(combo->dbParentCombo())), nullptr);
            }
        }
    }
    for (const char* cls : {"TdbButton", "TdbEdit", "TdbEditCount", "TdbMemo", "TdbCheckBox", "TdbDateTimePicker",
                            "TdbMonthCalendar", "TdbComboBox", "TdbStringGridEx", "TLabel", "TdbPanel", "TGroupBox",
                            "TPageControl", "TTabSheet", "TdbImage", "TdbImageDataBase", "TdbFileToDatabase"})
        EXPECT_TRUE(classes.count(QLatin1String(cls))) << cls;
    for (int a = adbSearch; a <= adbGridToExcel; ++a) EXPECT_TRUE(actions.count(a)) << "action " << a;
    EXPECT_EQ(fileKinds.size(), 3u);

    // A picture of every window when asked for (the screenshots of the demo).
    const QString shots = qEnvironmentVariable("KORVEL_SHOT_DIR");
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        for (TCustomForm* w : AllWindows()) {
            if (w != frmMainKorvel) w->Show();
            EXPECT_TRUE(w->Widget()->grab().save(shots + '/' + w->Name() + ".png"));
        }
    }
}
