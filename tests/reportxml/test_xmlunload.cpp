// Unloading elements to the temporary file, reading them back, partial loading of saved files.
#include "XmlTestUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

// A prepared-report-like document: pages from the third on are unloadable.
void FillPages(TrptXMLDocument& doc, int pages) {
    doc.Root()->SetName("preparedreport");
    doc.Root()->SetProp("Name", "Report");
    TrptXMLItem* list = doc.Root()->Add("previewpages");
    for (int p = 0; p < pages; ++p) {
        TrptXMLItem* page = list->Add("page" + QString::number(p % 2));
        if (p % 2)
            page->SetProp("h", "1123");
        page->SetUnloadable(p >= 2);
        for (int o = 0; o < 4; ++o) {
            TrptXMLItem* obj = page->Add("m" + QString::number(o));
            obj->SetProp("x", QString("page %1 & object %2\r\n\"line\"").arg(p).arg(o));
            obj->SetProp("t", QString::number(o * 18.5));
            if (o == 3)
                obj->Add("sub")->SetProp("v", QString::number(p));
        }
    }
    doc.Root()->Add("dictionary")->Add("item")->SetProp("name", "m1");
}

TrptXMLItem* Page(TrptXMLDocument& doc, int p) { return At(doc.Root(), {0, p}); }

TEST(XmlUnload, UnloadAndReloadGiveByteIdenticalOutput) {
    for (bool indent : {false, true}) {
        SCOPED_TRACE(indent);
        TrptXMLDocument doc;
        doc.SetAutoIndent(indent);
        FillPages(doc, 6);
        const QByteArray before = SaveBytes(doc);
        EXPECT_TRUE(before.contains(indent ? "<page0 ld=\"0\">" : "<page0 ld=\"0\"><m0"));
        EXPECT_TRUE(before.contains("<page1 h=\"1123\"ld=\"0\">"));

        EXPECT_EQ(doc.TempFile(), "");
        doc.UnloadItem(Page(doc, 0)); // not unloadable: stays
        EXPECT_TRUE(Page(doc, 0)->Loaded());
        EXPECT_EQ(doc.TempFile(), "");
        for (int p = 2; p < 6; ++p)
            doc.UnloadItem(Page(doc, p));
        const QString temp = doc.TempFile();
        EXPECT_TRUE(QFile::exists(temp));
        EXPECT_TRUE(QFileInfo(temp).fileName().startsWith("fr"));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(temp).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        for (int p = 2; p < 6; ++p) {
            EXPECT_FALSE(Page(doc, p)->Loaded());
            EXPECT_EQ(Page(doc, p)->Count(), 0);
        }
        EXPECT_EQ(Page(doc, 3)->Prop("h"), "1123"); // the start tag's text stays in memory

        // Saving reads the unloaded pages back for the time they are written.
        EXPECT_EQ(SaveBytes(doc), before);
        EXPECT_FALSE(Page(doc, 4)->Loaded());

        doc.LoadItem(Page(doc, 4));
        EXPECT_TRUE(Page(doc, 4)->Loaded());
        ASSERT_EQ(Page(doc, 4)->Count(), 4);
        EXPECT_EQ(At(Page(doc, 4), {1})->Prop("x"), "page 4 & object 1\r\n\"line\"");
        EXPECT_EQ(At(Page(doc, 4), {3, 0})->Prop("v"), "4");
        EXPECT_EQ(SaveBytes(doc), before);

        // Unloading again after a change keeps the change.
        At(Page(doc, 4), {0})->SetProp("x", "changed");
        doc.UnloadItem(Page(doc, 4));
        doc.LoadItem(Page(doc, 4));
        EXPECT_EQ(At(Page(doc, 4), {0})->Prop("x"), "changed");

        doc.Clear();
        EXPECT_FALSE(QFile::exists(temp));
        EXPECT_EQ(doc.TempFile(), "");
    }
}

// The outer element is written to the temporary file while the inner one is read back from it.
TEST(XmlUnload, NestedUnloadedElements) {
    TrptXMLDocument doc;
    doc.SetAutoIndent(true);
    FillPages(doc, 4);
    TrptXMLItem* inner = At(Page(doc, 3), {3});
    inner->SetUnloadable(true);
    for (int i = 0; i < 200; ++i) // more than one write buffer
        inner->Add("row")->SetProp("v", QString::number(i) + QString(40, QChar(u'я')));
    const QByteArray before = SaveBytes(doc);
    doc.UnloadItem(inner);
    doc.UnloadItem(Page(doc, 2));
    doc.UnloadItem(Page(doc, 3));
    EXPECT_EQ(SaveBytes(doc), before);
    doc.LoadItem(Page(doc, 3));
    inner = At(Page(doc, 3), {3});
    EXPECT_TRUE(inner->Loaded()); // read back with its page, children and all
    EXPECT_TRUE(inner->Unloadable());
    ASSERT_EQ(inner->Count(), 201);
    EXPECT_EQ(inner->Items(200)->Prop("v"), "199" + QString(40, QChar(u'я')));
    EXPECT_EQ(SaveBytes(doc), before);
}

TEST(XmlUnload, SavedDocumentLoadsPartiallyAgain) {
    QTemporaryDir dir;
    const QString name = dir.path() + "/report.dp3";
    TrptXMLDocument doc;
    doc.SetAutoIndent(true);
    FillPages(doc, 8);
    const QByteArray full = SaveBytes(doc);
    doc.UnloadItem(Page(doc, 5));
    doc.SaveToFile(name);
    EXPECT_FALSE(QFile::exists(name + ".tmp"));
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), full);

    // The document now holds the saved file; unloadable pages stay in it until asked for.
    EXPECT_EQ(Page(doc, 0)->Count(), 4);
    EXPECT_EQ(Page(doc, 1)->Count(), 4);
    for (int p = 2; p < 8; ++p) {
        EXPECT_TRUE(Page(doc, p)->Unloadable());
        EXPECT_FALSE(Page(doc, p)->Loaded());
        EXPECT_EQ(Page(doc, p)->Count(), 0);
    }
    EXPECT_EQ(Page(doc, 3)->Text(), "h=\"1123\"");
    EXPECT_EQ(doc.Root()->Items(1)->Name(), "dictionary");
    doc.LoadItem(Page(doc, 6));
    EXPECT_EQ(At(Page(doc, 6), {3, 0})->Prop("v"), "6");
    EXPECT_EQ(SaveBytes(doc), full);

    TrptXMLDocument other;
    other.SetAutoIndent(true);
    other.LoadFromFile(name);
    EXPECT_FALSE(Page(other, 7)->Loaded());
    EXPECT_EQ(SaveBytes(other), full);
}

// Unloading after a partial load: pages still in the loaded file and pages in the temporary file
// are both read back from the right place.
TEST(XmlUnload, UnloadAfterPartialLoadKeepsBothStreams) {
    TrptXMLDocument source;
    FillPages(source, 6);
    const QByteArray bytes = SaveBytes(source);

    TLoadedDoc loaded(bytes, true);
    TrptXMLDocument& doc = loaded.Doc;
    doc.LoadItem(Page(doc, 2));
    At(Page(doc, 2), {0})->SetProp("x", "edited");
    doc.UnloadItem(Page(doc, 2));
    EXPECT_FALSE(Page(doc, 2)->Loaded());

    doc.LoadItem(Page(doc, 3)); // still in the loaded stream
    ASSERT_EQ(Page(doc, 3)->Count(), 4);
    EXPECT_EQ(At(Page(doc, 3), {1})->Prop("x"), "page 3 & object 1\r\n\"line\"");
    doc.LoadItem(Page(doc, 2)); // in the temporary file
    EXPECT_EQ(At(Page(doc, 2), {0})->Prop("x"), "edited");
    doc.UnloadItem(Page(doc, 2));

    const QByteArray saved = SaveBytes(doc);
    TrptXMLDocument expected;
    LoadBytes(expected, bytes);
    At(expected.Root(), {0, 2, 0})->SetProp("x", "edited");
    for (int p = 2; p < 6; ++p)
        Page(expected, p)->SetUnloadable(true);
    EXPECT_EQ(saved, SaveBytes(expected));
}

TEST(XmlUnload, SavingOverTheStreamOfAPartialLoad) {
    TrptXMLDocument source;
    FillPages(source, 5);
    const QByteArray bytes = SaveBytes(source);
    TLoadedDoc loaded(bytes, true);
    loaded.Stream.SetPosition(0);
    loaded.Doc.SaveToStream(loaded.Stream);
    EXPECT_EQ(loaded.Stream.Bytes(), bytes);
    EXPECT_EQ(At(loaded.Doc.Root(), {0, 4, 2})->Prop("t"), "37");
    EXPECT_EQ(SaveBytes(loaded.Doc), bytes);
}

TEST(XmlUnload, TempDirIsUsedWhenItExists) {
    QTemporaryDir dir;
    TrptXMLDocument doc;
    FillPages(doc, 3);
    doc.SetTempDir(dir.path());
    doc.UnloadItem(Page(doc, 2));
    EXPECT_EQ(QFileInfo(doc.TempFile()).absolutePath(), QFileInfo(dir.path()).absoluteFilePath());

    TrptXMLDocument other;
    FillPages(other, 3);
    other.SetTempDir(dir.path() + "/missing");
    other.UnloadItem(Page(other, 2));
    EXPECT_FALSE(other.TempFile().startsWith(dir.path()));
    EXPECT_TRUE(QFile::exists(other.TempFile()));
}

TEST(XmlUnload, ItemsOfAReleasedStreamStayEmpty) {
    TrptXMLDocument source;
    FillPages(source, 4);
    const QByteArray bytes = SaveBytes(source);
    auto loaded = std::make_unique<TLoadedDoc>(bytes, true);
    TrptXMLDocument target;
    TrptXMLItem* page = Page(loaded->Doc, 3);
    target.Root()->AddItem(page); // carries its place in the other document's stream
    target.LoadItem(page);
    EXPECT_EQ(page->Count(), 4);
    page->Clear();
    loaded.reset();
    target.LoadItem(page); // that stream is gone: nothing is read, nothing crashes
    EXPECT_FALSE(page->Loaded());
    EXPECT_EQ(page->Count(), 0);
}

} // namespace
