// The file fields of the demo's document window, driven with the mouse as a user drives them:
// the right button and a right-click open the field's menu once there is a file, and every item
// of the menu works through to the database.

#include "ActionsFixture.h"

#include "app/dbControls.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "platform/data/Params.h"
#include "platform/data/SQLConnection.h"
#include "platform/sys/Desktop.h"
#include "platform/sys/TempFiles.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>
#include <QUrl>

namespace {

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::LeftButton,
                  type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void ClickAt(QWidget* w, QPoint pos) {
    SendMouse(w, QEvent::MouseButtonPress, pos);
    SendMouse(w, QEvent::MouseButtonRelease, pos);
}

// The embedded button of the field as the user sees it: the tool button showing its action.
QToolButton* EmbeddedButton(TdbFileToDatabase* field, bool right) {
    auto* line = qobject_cast<QLineEdit*>(field->Widget());
    if (!line || line->actions().size() < 2) return nullptr;
    QAction* action = line->actions()[right ? 1 : 0];
    for (QToolButton* b : line->findChildren<QToolButton*>())
        if (b->defaultAction() == action) return b;
    return nullptr;
}

QMenu* OpenMenu() {
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

void CloseMenu() {
    if (QMenu* m = OpenMenu()) m->hide();
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Equal bytes; a difference is reported by size and first differing offset, not dumped.
testing::AssertionResult Same(const QByteArray& got, const QByteArray& want) {
    if (got == want) return testing::AssertionSuccess();
    qsizetype at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at]) ++at;
    return testing::AssertionFailure() << got.size() << " bytes instead of " << want.size()
                                       << ", first difference at " << at;
}

// Bytes no text routine would carry unchanged: NULs, high bytes, CR LF, a trailing zero.
QByteArray Awkward(int size, int seed) {
    QByteArray bytes;
    for (int i = 0; i < size; ++i) bytes += char((i * 131 + seed) % 256);
    bytes += QByteArray("\r\n\0", 3);
    return bytes;
}

class FileField : public ActionsTest {
protected:
    void SetUp() override {
        ActionsTest::SetUp();
        SetOpenUrlHandler([this](const QUrl& url) {
            Opened << url.toLocalFile();
            // What was handed to the desktop, read at that moment.
            OpenedBytes << ReadAll(url.toLocalFile());
            return DesktopAnswers;
        });
        SetShowItemsHandler([this](const QStringList& urls) {
            for (const QString& u : urls) Shown << QUrl(u).toLocalFile();
            return true;
        });
    }
    void TearDown() override {
        CloseMenu();
        SetShowItemsHandler({});
        ActionsTest::TearDown();
    }

    QString Path(const QString& name) const { return FDir.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes) {
        QFile f(Path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    // The right button pressed with the mouse: whether the field's menu opened.
    bool ClickMenuButton(TdbFileToDatabase* field) {
        CloseMenu();
        QToolButton* b = EmbeddedButton(field, true);
        EXPECT_NE(b, nullptr);
        if (!b) return false;
        ClickAt(b, b->rect().center());
        return OpenMenu() != nullptr;
    }
    // A right-click in the field's text: whether the field's menu opened.
    bool RightClick(TdbFileToDatabase* field) {
        CloseMenu();
        QWidget* w = field->Widget();
        const QPoint p(10, w->height() / 2);
        QContextMenuEvent e(QContextMenuEvent::Mouse, p, w->mapToGlobal(p));
        QApplication::sendEvent(w, &e);
        return OpenMenu() != nullptr;
    }
    // The choose button pressed with the mouse.
    void ClickChooseButton(TdbFileToDatabase* field) {
        QToolButton* b = EmbeddedButton(field, false);
        ASSERT_NE(b, nullptr);
        ClickAt(b, b->rect().center());
    }
    // Opens the menu with the right button and clicks the item in it.
    void Pick(TdbFileToDatabase* field, TMenuItem* item) {
        ASSERT_TRUE(ClickMenuButton(field)) << field->Name().toStdString() << ": the menu did not open";
        QMenu* menu = OpenMenu();
        const QRect r = menu->actionGeometry(item->Action());
        ASSERT_TRUE(r.isValid()) << item->Caption().toStdString() << " is not in the menu";
        ClickAt(menu, r.center());
        EXPECT_EQ(OpenMenu(), nullptr) << "the menu stayed open after " << item->Caption().toStdString();
    }
    // The captions of the open menu's visible items.
    QStringList MenuCaptions() {
        QStringList captions;
        if (QMenu* m = OpenMenu())
            for (QAction* a : m->actions())
                if (a->isVisible()) captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return captions;
    }

    // Opens the document with the Edit button of the main window.
    void EditDocument(int id, const std::function<void(TCustomForm*)>& work) {
        auto* grid = Get<TdbStringGridEx>(frmMainKorvel, "grdDocuments");
        grid->dbExecute();
        grid->SetdbItemID(id);
        ASSERT_EQ(grid->dbItemID(), id);
        UI().AnswerModal("frmDocument", [&](TCustomForm* f) {
            work(f);
            return mrNone;
        });
        Click("frmMainKorvel", "btnDocEdit");
    }
    int NewDocument(const std::function<void(TCustomForm*)>& work) {
        UI().AnswerModal("frmDocument", [&](TCustomForm* f) {
            Get<TdbEdit>(f, "edDTitle")->SetText("Contract");
            work(f);
            Get<TdbButton>(f, "btnDSave")->Click();
            EXPECT_NE(f->ModalResult(), mrNone) << "the new document was not saved";
            return mrNone;
        });
        Click("frmMainKorvel", "btnDocNew");
        return Rows("SELECT max(id) FROM documents").toInt();
    }

    QStringList Opened;
    QList<QByteArray> OpenedBytes;
    QStringList Shown;
    bool DesktopAnswers = true;
};

} // namespace

// Grey and silent while there is no file; enabled by a loaded record's file or a chosen one, on
// every kind; grey again once the file is removed.
TEST_F(FileField, MenuOpensOnlyWhileThereIsAFile) {
    Start();
    Write("offer.txt", "offer");
    QDir().mkpath(Path("archive"));
    const struct {
        const char* Field;
        QStringList Captions;
    } kinds[] = {{"fdDScan", {"Open file", "Save file", "-", "Delete file"}},
                 {"fdDContract", {"Open file", "Open folder with file", "-", "Clear"}},
                 {"fdDArchive", {"Open", "-", "Clear"}}};

    const int empty = NewDocument([](TCustomForm*) {});
    // A new document: nothing to offer until a file is chosen.
    const int id = NewDocument([&](TCustomForm* f) {
        for (const auto& k : kinds) {
            SCOPED_TRACE(k.Field);
            auto* field = Get<TdbFileToDatabase>(f, k.Field);
            EXPECT_FALSE(field->RightButton().Enabled());
            EXPECT_FALSE(ClickMenuButton(field));
            EXPECT_FALSE(RightClick(field));
            if (field->dbType() == tflLinkFolder)
                UI().AnswerFolder(Path("archive"));
            else
                UI().AnswerFile({Path("offer.txt")});
            ClickChooseButton(field);
            EXPECT_TRUE(field->dbFileIsChanged());
            EXPECT_TRUE(field->RightButton().Enabled());
            EXPECT_TRUE(ClickMenuButton(field));
            EXPECT_EQ(MenuCaptions(), k.Captions);
            EXPECT_TRUE(RightClick(field));
            EXPECT_EQ(MenuCaptions(), k.Captions);
            CloseMenu();
        }
    });
    ASSERT_EQ(Rows("SELECT scan_filename, contract_filename, archive_filename FROM documents WHERE id=" +
                   QString::number(id)),
              Path("offer.txt") + "|" + Path("offer.txt") + "|" + Path("archive"));

    // The saved record reopened: each field offers its file, until it is removed.
    EditDocument(id, [&](TCustomForm* f) {
        for (const auto& k : kinds) {
            SCOPED_TRACE(k.Field);
            auto* field = Get<TdbFileToDatabase>(f, k.Field);
            EXPECT_EQ(field->dbID(), id);
            EXPECT_TRUE(field->RightButton().Enabled());
            EXPECT_TRUE(RightClick(field));
            EXPECT_EQ(MenuCaptions(), k.Captions);
            UI().AnswerMessage(mrYes, Lang.Do_you_really_want_to_delete_the_file_from_the_database);
            Pick(field, field->mniDeleteFile);
            EXPECT_TRUE(field->Text().isEmpty());
            EXPECT_FALSE(field->RightButton().Enabled());
            EXPECT_FALSE(ClickMenuButton(field));
            EXPECT_FALSE(RightClick(field));
        }
        // Nothing saved: the window is left with Cancel.
    });
    // A record without files shows grey buttons, though the window showed files just before.
    EditDocument(id, [&](TCustomForm* f) {
        for (const auto& k : kinds) EXPECT_TRUE(Get<TdbFileToDatabase>(f, k.Field)->RightButton().Enabled());
    });
    EditDocument(empty, [&](TCustomForm* f) {
        for (const auto& k : kinds) {
            SCOPED_TRACE(k.Field);
            EXPECT_FALSE(Get<TdbFileToDatabase>(f, k.Field)->RightButton().Enabled());
        }
    });
}

// A stored file comes back byte for byte through Open and Save, from the database alone, and
// Delete followed by Save leaves the record without a file.
TEST_F(FileField, StoredFileIsOpenedSavedAndDeletedThroughTheMenu) {
    Start();
    const QByteArray original = Awkward(70000, 3);
    Write("scan 01.bin", original);
    const int id = NewDocument([&](TCustomForm* f) {
        UI().AnswerFile({Path("scan 01.bin")});
        ClickChooseButton(Get<TdbFileToDatabase>(f, "fdDScan"));
    });
    // Only the database has the file from now on.
    ASSERT_TRUE(QFile::remove(Path("scan 01.bin")));
    const QString temp = TempFolderPath() + "scan 01.bin";
    QFile::remove(temp);

    EditDocument(id, [&](TCustomForm* f) {
        auto* scan = Get<TdbFileToDatabase>(f, "fdDScan");
        EXPECT_EQ(scan->Text(), "scan 01.bin");
        // Opened twice: written into the temporary folder and handed to the desktop each time.
        for (int run = 0; run < 2; ++run) {
            SCOPED_TRACE(run);
            Opened.clear();
            OpenedBytes.clear();
            Pick(scan, scan->mniRunFile);
            ASSERT_EQ(Opened, QStringList{temp});
            EXPECT_TRUE(Same(OpenedBytes[0], original));
            QFile::remove(temp);
        }
        UI().AnswerFile({Path("copy.bin")});
        Pick(scan, scan->mniSaveFile);
        EXPECT_TRUE(Same(ReadAll(Path("copy.bin")), original));

        // No keeps the file; Yes removes it and the save writes the removal.
        UI().AnswerMessage(mrNo, Lang.Do_you_really_want_to_delete_the_file_from_the_database);
        Pick(scan, scan->mniDeleteFile);
        EXPECT_EQ(scan->Text(), "scan 01.bin");
        EXPECT_TRUE(scan->RightButton().Enabled());
        UI().AnswerMessage(mrYes, Lang.Do_you_really_want_to_delete_the_file_from_the_database);
        Pick(scan, scan->mniDeleteFile);
        Get<TdbButton>(f, "btnDSave")->Click();
        EXPECT_NE(f->ModalResult(), mrNone);
    });
    EXPECT_EQ(Rows("SELECT scan IS NULL, scan_filename, title FROM documents WHERE id=" + QString::number(id)),
              "1|<null>|Contract");
    ASSERT_FALSE(UI().Messages().empty());
    EXPECT_EQ(UI().Messages().back().Icon, TMessageIcon::Question);
    EXPECT_EQ(UI().Messages().back().Caption, Lang.Confirm);

    // Reopened, the field is empty and offers nothing.
    EditDocument(id, [&](TCustomForm* f) {
        auto* scan = Get<TdbFileToDatabase>(f, "fdDScan");
        EXPECT_TRUE(scan->Text().isEmpty());
        EXPECT_FALSE(ClickMenuButton(scan));
    });
}

// A file chosen over a stored one is what Open and Save give until the window is saved; the
// stored file does not come back in its place.
TEST_F(FileField, ChosenFileReplacesTheStoredOneInTheMenuAndTheSave) {
    Start();
    const QByteArray first = Awkward(5000, 1), second = Awkward(7000, 2);
    Write("first.bin", first);
    Write("second.bin", second);
    const int id = NewDocument([&](TCustomForm* f) {
        UI().AnswerFile({Path("first.bin")});
        ClickChooseButton(Get<TdbFileToDatabase>(f, "fdDScan"));
    });
    EditDocument(id, [&](TCustomForm* f) {
        auto* scan = Get<TdbFileToDatabase>(f, "fdDScan");
        UI().AnswerFile({Path("second.bin")});
        ClickChooseButton(scan);
        EXPECT_EQ(scan->Text(), "second.bin");
        Pick(scan, scan->mniRunFile);
        ASSERT_EQ(Opened, QStringList{TempFolderPath() + "second.bin"});
        EXPECT_TRUE(Same(OpenedBytes[0], second));
        UI().AnswerFile({Path("copy.bin")});
        Pick(scan, scan->mniSaveFile);
        EXPECT_TRUE(Same(ReadAll(Path("copy.bin")), second));
        EXPECT_EQ(scan->dbFileName(), Path("second.bin"));
        Get<TdbButton>(f, "btnDSave")->Click();
    });
    QFile::remove(TempFolderPath() + "second.bin");
    const TResultSet r = Db().Run("SELECT scan, scan_filename FROM documents WHERE id=" + QString::number(id), nullptr);
    ASSERT_EQ(r.Rows.size(), 1u);
    EXPECT_TRUE(Same(r.Rows[0][0].AsBytes(), second));
    EXPECT_EQ(r.Rows[0][1].AsString(), Path("second.bin"));
}

// Links open with the desktop and show in the file manager; a link whose target is gone says so;
// Clear followed by Save removes the links.
TEST_F(FileField, LinkedFileAndFolderAreOpenedShownAndCleared) {
    Start();
    Write("price list.ods", "sheet");
    Write("gone.ods", "soon deleted");
    QDir().mkpath(Path("archive 2026"));
    const int id = NewDocument([&](TCustomForm* f) {
        UI().AnswerFile({Path("price list.ods")});
        ClickChooseButton(Get<TdbFileToDatabase>(f, "fdDContract"));
        UI().AnswerFolder(Path("archive 2026"));
        ClickChooseButton(Get<TdbFileToDatabase>(f, "fdDArchive"));
    });
    EXPECT_EQ(Rows("SELECT contract, contract_filename, archive, archive_filename FROM documents WHERE id=" +
                   QString::number(id)),
              "<null>|" + Path("price list.ods") + "|<null>|" + Path("archive 2026"));

    EditDocument(id, [&](TCustomForm* f) {
        auto* contract = Get<TdbFileToDatabase>(f, "fdDContract");
        auto* archive = Get<TdbFileToDatabase>(f, "fdDArchive");
        EXPECT_EQ(contract->Text(), "price list.ods");
        EXPECT_EQ(archive->Text(), Path("archive 2026"));
        Pick(contract, contract->mniRunFile);
        Pick(archive, archive->mniRunFile);
        EXPECT_EQ(Opened, QStringList({Path("price list.ods"), Path("archive 2026")}));
        Pick(contract, contract->mniSaveFile);
        EXPECT_EQ(Shown, QStringList{Path("price list.ods")});

        // The desktop refusing is told, with the file's name.
        DesktopAnswers = false;
        UI().AnswerMessage(mrOk, Path("price list.ods"));
        Pick(contract, contract->mniRunFile);
        DesktopAnswers = true;
        ASSERT_FALSE(UI().Messages().empty());
        EXPECT_EQ(UI().Messages().back().Caption, Lang.Error);

        // Both cleared, then saved.
        for (TdbFileToDatabase* field : {contract, archive}) {
            UI().AnswerMessage(mrYes, Lang.Do_you_really_want_to_delete_the_file_from_the_database);
            Pick(field, field->mniDeleteFile);
            EXPECT_TRUE(field->dbFileIsChanged());
        }
        Get<TdbButton>(f, "btnDSave")->Click();
    });
    EXPECT_EQ(Rows("SELECT contract_filename, archive_filename FROM documents WHERE id=" + QString::number(id)),
              "<null>|<null>");

    // A linked file that was moved away: Open and Show name it instead of doing nothing.
    const int other = NewDocument([&](TCustomForm* f) {
        UI().AnswerFile({Path("gone.ods")});
        ClickChooseButton(Get<TdbFileToDatabase>(f, "fdDContract"));
    });
    ASSERT_TRUE(QFile::remove(Path("gone.ods")));
    Opened.clear();
    Shown.clear();
    EditDocument(other, [&](TCustomForm* f) {
        auto* contract = Get<TdbFileToDatabase>(f, "fdDContract");
        for (TMenuItem* item : {contract->mniRunFile, contract->mniSaveFile}) {
            UI().AnswerMessage(mrOk, Path("gone.ods"));
            Pick(contract, item);
        }
    });
    EXPECT_TRUE(Opened.isEmpty());
    EXPECT_TRUE(Shown.isEmpty());
}

// The demo's sample rows keep a scan in the database: the first document offers it at once.
TEST_F(FileField, DemoSampleScanOpensFromTheMenu) {
    Start();
    QFile sample(QStringLiteral(KORVEL_DEMO_DIR "/../sample-data.sql"));
    ASSERT_TRUE(sample.open(QIODevice::ReadOnly));
    Exec(QString::fromUtf8(sample.readAll()));
    frmMainKorvel->FillDictionaries(QString());
    EditDocument(1, [&](TCustomForm* f) {
        auto* scan = Get<TdbFileToDatabase>(f, "fdDScan");
        EXPECT_EQ(scan->Text(), "frame-contract-2026.txt");
        Pick(scan, scan->mniRunFile);
        ASSERT_EQ(Opened, QStringList{TempFolderPath() + "frame-contract-2026.txt"});
        EXPECT_TRUE(OpenedBytes[0].startsWith("FRAME CONTRACT 2026\n")) << OpenedBytes[0].left(40).toStdString();
    });
    QFile::remove(TempFolderPath() + "frame-contract-2026.txt");
}
