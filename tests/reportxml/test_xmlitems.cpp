// Elements: attribute access on the raw text, the child list and ownership.
#include "XmlTestUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(XmlItems, AttributesAreMatchedByWholeNameIgnoringCase) {
    TrptXMLItem item;
    item.SetText("FullName=\"full\" Name=\"plain\" x=\"a&#38;b\" e=\"\"");
    EXPECT_EQ(item.GetProp("name"), "plain");
    EXPECT_EQ(item.Prop("NAME"), "plain");
    EXPECT_EQ(item.GetProp("fullname"), "full");
    EXPECT_EQ(item.GetProp("x"), "a&b");
    EXPECT_EQ(item.GetProp("ame"), "");
    EXPECT_EQ(item.GetProp("missing"), "");
    EXPECT_TRUE(item.PropExists("e"));
    EXPECT_EQ(item.GetProp("e"), "");
    EXPECT_FALSE(item.PropExists("missing"));
    EXPECT_FALSE(item.PropExists("ame"));
}

TEST(XmlItems, SetPropAndDeletePropEditTheText) {
    struct TCase {
        const char* Before;
        const char* Op; // "set" or "del"
        const char* Name;
        const char* Value;
        const char* After;
    };
    const TCase cases[] = {
        {"", "set", "a", "1", "a=\"1\""},
        {"a=\"1\"", "set", "b", "x&y", "a=\"1\" b=\"x&#38;y\""},
        {"a=\"1\" b=\"2\"", "set", "A", "9", "A=\"9\" b=\"2\""},
        {"a=\"1\" b=\"2\"", "set", "b", "\"", "a=\"1\" b=\"&#34;\""},
        {"a=\"1\" ", "set", "c", "3", "a=\"1\" c=\"3\""},
        {"a=\"1\" b=\"2\" c=\"3\"", "del", "b", "", "a=\"1\" c=\"3\""},
        {"a=\"1\" b=\"2\"", "del", "a", "", "b=\"2\""},
        {"a=\"1\" b=\"2\"", "del", "b", "", "a=\"1\" "},
        {"a=\"1\"", "del", "zz", "", "a=\"1\""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.Before) + " " + c.Op + " " + c.Name);
        TrptXMLItem item;
        item.SetText(c.Before);
        if (std::string(c.Op) == "set")
            item.SetProp(c.Name, c.Value);
        else
            item.DeleteProp(c.Name);
        EXPECT_EQ(item.Text(), QString(c.After));
    }
}

TEST(XmlItems, ChildListAndOwnership) {
    TrptXMLItem root;
    root.SetName("root");
    TrptXMLItem* a = root.Add("a");
    TrptXMLItem* b = root.Add("b");
    TrptXMLItem* c = root.Add();
    c->SetName("Äpfel");
    EXPECT_EQ(root.Count(), 3);
    EXPECT_EQ(root.Find("B"), 1);
    EXPECT_EQ(root.Find("äPFEL"), 2);
    EXPECT_EQ(root.Find("apfel"), -1);
    EXPECT_EQ(root.FindItem("A"), a);
    TrptXMLItem* d = root.FindItem("d");
    EXPECT_EQ(root.Count(), 4);
    EXPECT_EQ(d->Name(), "d");
    EXPECT_EQ(root.IndexOf(d), 3);
    EXPECT_THROW(root.Items(4), EListError);
    EXPECT_THROW(root.Items(-1), EListError);

    // Moving within the same parent puts the item at the end.
    root.AddItem(a);
    EXPECT_EQ(root.IndexOf(a), 3);
    EXPECT_EQ(root.IndexOf(b), 0);
    // Moving to another parent takes it out of this one.
    TrptXMLItem* x = b->Add("x");
    EXPECT_EQ(x->Root(), &root);
    a->AddItem(x);
    EXPECT_EQ(b->Count(), 0);
    EXPECT_EQ(x->Parent(), a);
    root.InsertItem(0, x);
    EXPECT_EQ(root.Items(0), x);
    EXPECT_EQ(a->Count(), 0);
    EXPECT_THROW(root.InsertItem(9, a->Add("y")), EListError);
    // No cycles.
    EXPECT_THROW(x->AddItem(&root), EInvalidOperation);
    EXPECT_THROW(x->AddItem(x), EInvalidOperation);

    // Freeing a child removes it from its parent's list.
    const int before = root.Count();
    std::unique_ptr<TrptXMLItem> owned(d);
    owned.reset();
    EXPECT_EQ(root.Count(), before - 1);
    EXPECT_EQ(root.IndexOf(d), -1);
}

TEST(XmlItems, ClearMakesAnUnloadableItemNotLoaded) {
    TrptXMLItem item;
    item.Add("a")->Add("b");
    item.Clear();
    EXPECT_EQ(item.Count(), 0);
    EXPECT_TRUE(item.Loaded());
    item.SetUnloadable(true);
    item.Add("c");
    item.Clear();
    EXPECT_FALSE(item.Loaded());
}

TEST(XmlItems, PathJoinsNamesWithSlashes) {
    TrptXMLItem root;
    root.SetName("report");
    EXPECT_EQ(root.Add("page1")->Add("memo")->Path(), "report/page1/memo");
}

} // namespace
