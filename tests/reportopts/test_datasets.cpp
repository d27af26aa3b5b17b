#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDsgnIntf.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtti/Filer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <thread>

namespace {

QStringList Lines(const TStrings& list) {
    QStringList out;
    for (int i = 0; i < list.Count(); ++i)
        out << list.Get(i);
    return out;
}

// A dataset the host feeds from a table of rows: OnCheckEOF ends the data after the last row.
struct TRows {
    explicit TRows(TrptUserDataSet& ds, std::vector<QStringList> rows, const QStringList& fields)
        : Rows(std::move(rows)) {
        TStringList names;
        for (const QString& f : fields)
            names.Add(f);
        ds.SetFields(&names);
        ds.OnCheckEOF = [this](TObject* sender, bool& eof) {
            eof = static_cast<TrptDataSet*>(sender)->RecNo() >= static_cast<int>(Rows.size());
        };
        ds.OnGetValue = [this, &ds, fields](const QString& name, Variant& value) {
            const int column = fields.indexOf(name);
            if (column >= 0) value = Rows[static_cast<size_t>(ds.RecNo())][column];
        };
    }
    std::vector<QStringList> Rows;
};

QStringList Walk(TrptDataSet& ds, const QString& field) {
    QStringList seen;
    ds.First();
    for (int guard = 0; !ds.Eof() && guard < 100; ++guard) {
        seen << VarToStr(ds.GetValue(field));
        ds.Next();
    }
    return seen;
}

bool InGlobalList(TrptDataSet* ds) {
    const auto all = GlobalDataSetList().Snapshot();
    return std::find(all.begin(), all.end(), ds) != all.end();
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Walking records

TEST(DataSetWalk, HostRowsRecordByRecord) {
    TrptUserDataSet ds;
    TRows rows(ds, {{"1", "Ann"}, {"2", "Bob"}, {"3", "Eve"}}, {"Id", "Name"});
    QStringList events;
    ds.OnFirst = [&](TObject*) { events << "first"; };
    ds.OnNext = [&](TObject*) { events << "next"; };
    EXPECT_EQ(Walk(ds, "Name"), (QStringList{"Ann", "Bob", "Eve"}));
    EXPECT_EQ(events, (QStringList{"first", "next", "next", "next"}));
    EXPECT_EQ(ds.RecNo(), 3);
    // First starts again.
    ds.First();
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_FALSE(ds.Eof());
    EXPECT_EQ(VarToStr(ds.GetValue("Id")), "1");
    // An unknown field is Null.
    EXPECT_TRUE(ds.GetValue("Missing").IsNull());
}

TEST(DataSetWalk, CountedRangeStopsOnItsLastRecord) {
    TrptUserDataSet ds;
    ds.SetRangeEnd(reCount);
    ds.SetRangeEndCount(3);
    int nexts = 0;
    ds.OnNext = [&](TObject*) { ++nexts; };
    QList<int> seen;
    ds.First();
    for (int guard = 0; !ds.Eof() && guard < 10; ++guard) {
        seen << ds.RecNo();
        ds.Next();
    }
    EXPECT_EQ(seen, (QList<int>{0, 1, 2}));
    // The step past the third record leaves RecNo on it and does not raise OnNext.
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(nexts, 2);
    EXPECT_TRUE(ds.Eof());
    ds.Next();
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_TRUE(ds.Eof());
    // Prior moves back and clears nothing else; First resets the range.
    int priors = 0;
    ds.OnPrior = [&](TObject*) { ++priors; };
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(priors, 1);
    ds.First();
    EXPECT_FALSE(ds.Eof());
}

TEST(DataSetWalk, EmptyCountedRangeIsAtItsEndAtOnce) {
    TrptUserDataSet ds;
    ds.SetRangeEnd(reCount);
    ds.First();
    EXPECT_TRUE(ds.Eof());
}

TEST(DataSetWalk, EndOfDataAndRecordCountByRange) {
    struct {
        TrptRangeBegin Begin;
        TrptRangeEnd End;
        int Count;
        int RecNo;
        bool Eof;
        int RecordCount;
    } cases[] = {
        {rbFirst, reLast, 5, 9, false, 0},    // without a count the base never ends by itself
        {rbFirst, reCurrent, 5, 9, false, 0},
        {rbFirst, reCount, 5, 4, false, 5},
        {rbFirst, reCount, 5, 5, true, 5},
        {rbCurrent, reCount, 5, 5, true, 0},  // a range from the current record has no count
        {rbCurrent, reLast, 0, 0, false, 0},
    };
    for (const auto& c : cases) {
        TrptUserDataSet ds;
        ds.SetRangeBegin(c.Begin);
        ds.SetRangeEnd(c.End);
        ds.SetRangeEndCount(c.Count);
        ds.First();
        for (int i = 0; i < c.RecNo && !ds.Eof(); ++i)
            ds.Next();
        if (c.End != reCount) {
            EXPECT_EQ(ds.RecNo(), c.RecNo);
        }
        EXPECT_EQ(ds.Eof(), c.Eof) << c.Begin << " " << c.End << " " << c.RecNo;
        EXPECT_EQ(ds.RecordCount(), c.RecordCount);
    }
}

TEST(DataSetWalk, CheckEOFMayOverrideTheAnswer) {
    TrptUserDataSet ds;
    ds.SetRangeEnd(reCount);
    ds.SetRangeEndCount(1);
    ds.OnCheckEOF = [](TObject*, bool& eof) { eof = !eof; };
    ds.First();
    EXPECT_TRUE(ds.Eof());
    ds.Next();
    EXPECT_FALSE(ds.Eof());
}

TEST(DataSetWalk, OpenAndCloseNotify) {
    TrptUserDataSet ds;
    QStringList events;
    ds.OnOpen = [&](TObject* s) { events << (s == &ds ? "open" : "?"); };
    ds.OnClose = [&](TObject* s) { events << (s == &ds ? "close" : "?"); };
    ds.Open();
    ds.Close();
    EXPECT_EQ(events, (QStringList{"open", "close"}));
}

// ---------------------------------------------------------------------------------------------
// Fields and values

TEST(DataSetFields, BaseAnswersForNoFields) {
    TrptUserDataSet ds;
    TrptDataSet& base = ds;
    EXPECT_EQ(base.GetDisplayWidth("x"), 10);
    EXPECT_EQ(base.GetFieldType("x"), fftNumeric);
    EXPECT_FALSE(base.IsBlobField("x"));
    EXPECT_EQ(base.FieldsCount(), 0);
    EXPECT_TRUE(base.GetDisplayText("x").isEmpty());
    TStringList list;
    list.Add("stale");
    base.GetFieldList(&list);
    EXPECT_EQ(list.Count(), 0);
}

TEST(DataSetFields, UserFieldsAreListedAndFoundIgnoringCase) {
    TrptUserDataSet ds;
    TStringList names;
    names.Add("Id");
    names.Add("Name");
    ds.SetFields(&names);
    names.Clear(); // the dataset keeps a copy
    EXPECT_EQ(ds.FieldsCount(), 2);
    TStringList list;
    ds.GetFieldList(&list);
    EXPECT_EQ(Lines(list), (QStringList{"Id", "Name"}));
    EXPECT_TRUE(ds.HasField("NAME"));
    EXPECT_FALSE(ds.HasField("Nam"));
}

TEST(DataSetFields, ValueEventsRunInOrderOnOneValue) {
    TrptUserDataSet ds;
    QStringList calls;
    ds.OnGetValue = [&](const QString& name, Variant& v) {
        calls << "get:" + name + ":" + (v.IsNull() ? "null" : v.ToString());
        v = Variant(QStringLiteral("a"));
    };
    ds.OnNewGetValue = [&](TObject* sender, const QString& name, Variant& v) {
        calls << "new:" + name + ":" + (v.IsNull() ? "null" : v.ToString()) + (sender == &ds ? "" : "?");
        v = Variant(VarToStr(v) + QStringLiteral("b"));
    };
    EXPECT_EQ(ds.GetValue("F").ToString(), "ab");
    EXPECT_EQ(calls, (QStringList{"get:F:null", "new:F:a"}));
    // Display text: each event starts from Null; the second one's text wins.
    calls.clear();
    EXPECT_EQ(ds.GetDisplayText("F"), "b");
    EXPECT_EQ(calls, (QStringList{"get:F:null", "new:F:null"}));
    ds.OnNewGetValue = nullptr;
    EXPECT_EQ(ds.GetDisplayText("F"), "a");
    ds.OnGetValue = [](const QString&, Variant& v) { v = Variant(12.5); };
    EXPECT_EQ(ds.GetValue("F").ToDouble(), 12.5);
}

TEST(DataSetFields, AliasesBothWays) {
    TrptCustomDBDataSet ds;
    TStringList aliases;
    aliases.Add("CUST_NO=Number");
    aliases.Add("CUST_NAME=Customer");
    aliases.Add("NOTE=Customer"); // a second line with the same alias loses
    ds.SetFieldAliases(&aliases);
    struct {
        const char* In;
        const char* Converted;
        const char* Alias;
    } cases[] = {{"Customer", "CUST_NAME", "Customer"},
                 {"customer", "CUST_NAME", "customer"},
                 {"CUSTOMER", "CUST_NAME", "CUSTOMER"},
                 {"CUST_NAME", "CUST_NAME", "Customer"},
                 {"cust_name", "cust_name", "Customer"},
                 {"Other", "Other", "Other"}};
    for (const auto& c : cases) {
        EXPECT_EQ(ds.ConvertAlias(c.In), c.Converted) << c.In;
        EXPECT_EQ(ds.GetAlias(c.In), c.Alias) << c.In;
    }
    EXPECT_TRUE(ds.OpenDataSource());
    EXPECT_EQ(ds.FieldsCount(), 0);
}

// ---------------------------------------------------------------------------------------------
// Names

TEST(DataSetNames, BlankUserNameIsRefused) {
    TrptUserDataSet ds;
    ds.SetUserName("Orders");
    for (const char* bad : {"", "   ", "\t"}) {
        try {
            ds.SetUserName(bad);
            ADD_FAILURE() << "accepted '" << bad << "'";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "Invalid property value");
        }
        EXPECT_EQ(ds.UserName(), "Orders");
    }
    // Written as given, blanks and all.
    ds.SetUserName(" Orders 2 ");
    EXPECT_EQ(ds.UserName(), " Orders 2 ");
    EXPECT_THROW(SetStrProp(&ds, "UserName", "  "), Exception);
}

TEST(DataSetNames, TheComponentNameBecomesTheUserNameUnlessOneWasGiven) {
    TrptUserDataSet ds;
    ds.SetName("rptDBDataset1");
    EXPECT_EQ(ds.UserName(), "rptDBDataset1");
    ds.SetUserName("Report");
    ds.SetName("rptDBDataset2");
    EXPECT_EQ(ds.UserName(), "Report");
    TrptUserDataSet given;
    given.SetUserName("Customers");
    given.SetName("ds1");
    EXPECT_EQ(given.UserName(), "Customers");
}

TEST(DataSetNames, DefaultsOfANewDataset) {
    TrptUserDataSet ds;
    EXPECT_TRUE(ds.Enabled());
    EXPECT_TRUE(ds.OpenDataSource());
    EXPECT_FALSE(ds.CloseDataSource());
    EXPECT_EQ(ds.RangeBegin(), rbFirst);
    EXPECT_EQ(ds.RangeEnd(), reLast);
    EXPECT_EQ(ds.RangeEndCount(), 0);
    EXPECT_EQ(ds.ReportRef(), nullptr);
    // A non-visual component: 28 x 28 and never in prepared pages.
    EXPECT_EQ(ds.Width(), 28);
    EXPECT_EQ(ds.Height(), 28);
    EXPECT_FALSE(ds.rptComponentStyle().Contains(csPreviewVisible));
    for (const TPropInfo* p : TrptDataSet::StaticClassInfo()->Props())
        if (p->HasDefault()) {
            EXPECT_TRUE(IsDefaultPropValue(&ds, p)) << p->Name().toStdString();
        }
    QStringList names;
    for (const TPropInfo* p : TrptDataSet::StaticClassInfo()->Props())
        names << p->Name();
    EXPECT_EQ(names, (QStringList{"Name", "Tag", "Description", "Enabled", "RangeBegin", "RangeEnd", "RangeEndCount",
                                  "UserName", "OnCheckEOF", "OnFirst", "OnNext", "OnPrior"}));
}

// ---------------------------------------------------------------------------------------------
// The process-wide list

TEST(GlobalList, HoldsEveryDatasetInCreationOrder) {
    const int before = GlobalDataSetList().Count();
    auto a = std::make_unique<TrptUserDataSet>();
    auto b = std::make_unique<TrptUserDataSet>();
    auto c = std::make_unique<TrptCustomDBDataSet>();
    ASSERT_EQ(GlobalDataSetList().Count(), before + 3);
    EXPECT_EQ(GlobalDataSetList().Items(before), a.get());
    EXPECT_EQ(GlobalDataSetList().Items(before + 1), b.get());
    EXPECT_EQ(GlobalDataSetList().Items(before + 2), c.get());
    b.reset();
    EXPECT_EQ(GlobalDataSetList().Count(), before + 2);
    EXPECT_EQ(GlobalDataSetList().Items(before + 1), c.get());
    EXPECT_THROW(GlobalDataSetList().Items(-1), EListError);
}

TEST(GlobalList, FindByUserName) {
    TComponent window(nullptr);
    auto* customers = new TrptUserDataSet(&window);
    customers->SetUserName("Customers");
    auto* cyrillic = new TrptUserDataSet(&window);
    cyrillic->SetUserName(QString::fromUtf8("Отчёт"));
    auto* fallback = new TrptUserDataSet(&window);
    struct {
        QString Name;
        TComponent* Owner;
        TrptDataSet* Default;
        TrptDataSet* Expected;
    } cases[] = {
        {"Customers", &window, nullptr, customers},
        {"CUSTOMERS", &window, nullptr, customers},
        {QString::fromUtf8("ОТЧЁТ"), &window, nullptr, cyrillic},
        {"Nobody", &window, fallback, fallback}, // nothing found: the default
        {"Nobody", &window, nullptr, nullptr},
        {"Customers", nullptr, fallback, fallback}, // no owner: the default, unsearched
        {"", &window, fallback, nullptr},            // no name: none
    };
    for (const auto& c : cases)
        EXPECT_EQ(FindGlobalDataSet(c.Default, c.Name, c.Owner), c.Expected) << c.Name.toStdString();
}

TEST(GlobalList, ADatasetOfAReportIsThatReportsAlone) {
    TComponent window(nullptr);
    TrptReport reportA(&window);
    TrptReport reportB(&window);
    // First on the application's window, then on report A's data page.
    {
        auto app = std::make_unique<TrptUserDataSet>();
        app->SetUserName("Report");
        auto onA = std::make_unique<TrptUserDataSet>(&reportA);
        onA->SetUserName("Report");
        EXPECT_EQ(FindGlobalDataSet(nullptr, "Report", &reportA), app.get());
        EXPECT_EQ(FindGlobalDataSet(nullptr, "Report", &reportB), app.get());
        EXPECT_EQ(FindGlobalDataSet(nullptr, "Report", &window), app.get());
    }
    // First on report A's data page, then on the window.
    auto* onA = new TrptUserDataSet(&reportA);
    onA->SetUserName("Report");
    auto* app = new TrptUserDataSet(&window);
    app->SetUserName("Report");
    EXPECT_EQ(onA->Owner(), &reportA);
    EXPECT_EQ(FindGlobalDataSet(nullptr, "Report", &reportA), onA);
    EXPECT_EQ(FindGlobalDataSet(nullptr, "Report", &reportB), app);
    EXPECT_EQ(FindGlobalDataSet(nullptr, "Report", &window), onA);
    // Through the reports themselves.
    EXPECT_EQ(reportA.FindDataSet(nullptr, "report"), onA);
    EXPECT_EQ(reportB.FindDataSet(nullptr, "report"), app);
}

TEST(GlobalList, FillListsEnabledNamedDatasets) {
    TComponent window(nullptr);
    auto* a = new TrptUserDataSet(&window);
    a->SetUserName("FillA");
    auto* off = new TrptUserDataSet(&window);
    off->SetUserName("FillOff");
    off->SetEnabled(false);
    new TrptUserDataSet(&window); // no user name
    auto* b = new TrptUserDataSet(&window);
    b->SetUserName("FillB");
    TStringList list;
    list.Add("stale");
    FillGlobalDataSetList(&list);
    QStringList mine;
    for (int i = 0; i < list.Count(); ++i)
        if (list.Get(i).startsWith("Fill")) mine << list.Get(i);
    EXPECT_EQ(mine, (QStringList{"FillA", "FillB"}));
    EXPECT_EQ(list.IndexOf("stale"), -1);
    EXPECT_EQ(list.Objects(list.IndexOf("FillB")), b);
}

TEST(GlobalList, EveryLookupWaitsForTheLock) {
    TComponent window(nullptr);
    auto* ds = new TrptUserDataSet(&window);
    ds->SetUserName("Locked");
    std::mutex m;
    std::condition_variable cv;
    bool held = false, release = false;
    std::thread holder([&] {
        GlobalDataSetList().Lock();
        {
            std::unique_lock lock(m);
            held = true;
            cv.notify_all();
            cv.wait(lock, [&] { return release; });
        }
        GlobalDataSetList().Unlock();
    });
    {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return held; });
    }
    std::atomic<int> done{0};
    TrptDataSet* found = nullptr;
    std::thread finder([&] {
        found = FindGlobalDataSet(nullptr, "Locked", &window);
        ++done;
        TStringList list;
        FillGlobalDataSetList(&list);
        ++done;
    });
    // While another thread holds the lock, the lookup does not get through.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(done.load(), 0);
    {
        std::lock_guard lock(m);
        release = true;
        cv.notify_all();
    }
    holder.join();
    finder.join();
    EXPECT_EQ(done.load(), 2);
    EXPECT_EQ(found, ds);
}

TEST(GlobalList, LookupsWhileDatasetsComeAndGo) {
    TComponent window(nullptr);
    std::atomic<bool> stop{false};
    std::atomic<int> rounds{0};
    std::thread reader([&] {
        TStringList list;
        while (!stop) {
            FindGlobalDataSet(nullptr, "Churn", &window);
            FillGlobalDataSetList(&list);
            ++rounds;
        }
    });
    // The reader must be running while datasets come and go; on a loaded machine the thread can
    // start late, so the churn waits for it and goes on until the reader has overlapped with it.
    while (rounds.load() == 0)
        std::this_thread::yield();
    const int before = rounds.load();
    for (int i = 0; i < 300 || (rounds.load() - before < 20 && i < 1000000); ++i) {
        auto ds = std::make_unique<TrptUserDataSet>();
        ds->SetUserName("Churn");
    }
    stop = true;
    reader.join();
    EXPECT_GE(rounds.load() - before, 20);
}

// ---------------------------------------------------------------------------------------------
// A report's dataset entries

TEST(ReportDataSets, AddFindDelete) {
    TComponent window(nullptr);
    TrptReport report(&window);
    auto* orders = new TrptUserDataSet(&window);
    orders->SetUserName("Orders");
    auto* lines = new TrptUserDataSet(&window);
    lines->SetUserName("Lines");
    TrptReportDataSets& sets = *report.DataSets();
    sets.Add(orders);
    sets.Add(lines);
    sets.Add(orders); // no check for an existing entry
    EXPECT_EQ(sets.Count(), 3);
    EXPECT_EQ(sets.Find(lines), sets.Items(1));
    EXPECT_EQ(sets.Find("ORDERS"), sets.Items(0));
    EXPECT_EQ(sets.Find("Nothing"), nullptr);
    EXPECT_EQ(sets.Items(1)->DataSetName(), "Lines");
    sets.Delete("orders");
    EXPECT_EQ(sets.Count(), 2);
    EXPECT_EQ(sets.Items(0)->DataSet(), lines);
    EXPECT_EQ(sets.Items(1)->DataSet(), orders);
    // The report's lookups go through the entries.
    EXPECT_EQ(report.GetDataset("orders"), orders);
    EXPECT_EQ(report.GetAlias(lines), "Lines");
}

TEST(ReportDataSets, InitializeAndFinalizeEveryDatasetInOrder) {
    struct TProbe : TrptUserDataSet {
        explicit TProbe(TComponent* owner, QStringList* log) : TrptUserDataSet(owner), Log(log) {}
        void Initialize() override { *Log << UserName() + ".init:" + (ReportRef() ? ReportRef()->Name() : "-"); }
        void Finalize() override { *Log << UserName() + ".done"; }
        QStringList* Log;
    };
    TComponent window(nullptr);
    TrptReport report(&window);
    report.SetName("Rep");
    QStringList log;
    auto* a = new TProbe(&window, &log);
    a->SetUserName("A");
    auto* b = new TProbe(&window, &log);
    b->SetUserName("B");
    report.DataSets()->Add(a);
    report.DataSets()->Add(nullptr); // an entry without a dataset is passed over
    report.DataSets()->Add(b);
    report.DataSets()->Initialize();
    report.DataSets()->Finalize();
    EXPECT_EQ(log, (QStringList{"A.init:Rep", "B.init:Rep", "A.done", "B.done"}));
    EXPECT_EQ(a->ReportRef(), &report);
}

TEST(ReportDataSets, EntryNamesResolveThroughTheReport) {
    TComponent window(nullptr);
    TrptReport report(&window);
    auto* app = new TrptUserDataSet(&window);
    app->SetUserName("Report");
    auto* item = static_cast<TrptDataSetItem*>(report.DataSets()->TCollection::Add());
    // The global list finds the application's dataset.
    item->SetDataSetName("REPORT");
    EXPECT_EQ(item->DataSet(), app);
    EXPECT_EQ(item->DataSetName(), "Report");
    // An empty name unbinds; an unknown name is kept without a dataset.
    item->SetDataSetName("");
    EXPECT_EQ(item->DataSet(), nullptr);
    item->SetDataSetName("Missing");
    EXPECT_EQ(item->DataSet(), nullptr);
    EXPECT_EQ(item->DataSetName(), "Missing");
    // Without the global list only the report's own entries count.
    report.EngineOptions()->SetUseGlobalDataSetList(false);
    auto* item2 = static_cast<TrptDataSetItem*>(report.DataSets()->TCollection::Add());
    item2->SetDataSetName("Report");
    EXPECT_EQ(item2->DataSet(), nullptr);
    report.DataSets()->Add(app);
    item2->SetDataSetName("Report");
    EXPECT_EQ(item2->DataSet(), app);
    // Through the report's own main dataset name too.
    report.SetDataSetName("report");
    EXPECT_EQ(report.DataSet(), app);
    // Writing a dataset takes its user name.
    item->SetDataSet(app);
    EXPECT_EQ(item->DataSetName(), "Report");
    item->SetDataSet(nullptr);
    EXPECT_EQ(item->DataSetName(), "");
}

TEST(ReportDataSets, ItemsOutsideAReportKeepTheirName) {
    TrptReportDataSets sets(nullptr);
    auto* item = static_cast<TrptDataSetItem*>(sets.TCollection::Add());
    item->SetDataSetName("Anything");
    EXPECT_EQ(item->DataSet(), nullptr);
    EXPECT_EQ(item->DataSetName(), "Anything");
}

// ---------------------------------------------------------------------------------------------
// Destruction

TEST(DataSetDestruction, LeavesTheListAndEveryCollectionThatNamedIt) {
    auto window = std::make_unique<TComponent>(nullptr);
    auto report1 = std::make_unique<TrptReport>(nullptr);
    auto report2 = std::make_unique<TrptReport>(nullptr);
    TrptReportDataSets loose(nullptr);
    auto owned = std::make_unique<TrptUserDataSet>();
    TrptUserDataSet* ds = owned.get();
    ds->SetUserName("Gone");
    auto* other = new TrptUserDataSet(window.get());
    other->SetUserName("Stays");
    report1->DataSets()->Add(ds);
    report1->DataSets()->Add(other);
    report1->DataSets()->Add(ds);
    report1->EnabledDataSets()->Add(ds);
    report2->DataSets()->Add(ds);
    loose.Add(ds);
    auto* named = static_cast<TrptDataSetItem*>(report2->DataSets()->TCollection::Add());
    named->SetDataSetName("gone");
    ASSERT_EQ(named->DataSet(), ds);

    owned.reset();
    EXPECT_FALSE(InGlobalList(ds));
    EXPECT_EQ(report1->DataSets()->Count(), 1);
    EXPECT_EQ(report1->DataSets()->Items(0)->DataSet(), other);
    EXPECT_EQ(report1->EnabledDataSets()->Count(), 0);
    EXPECT_EQ(report2->DataSets()->Count(), 0);
    EXPECT_EQ(loose.Count(), 0);
    EXPECT_EQ(report1->DataSets()->Find("Gone"), nullptr);
    EXPECT_EQ(FindGlobalDataSet(nullptr, "Gone", report1.get()), nullptr);
}

TEST(DataSetDestruction, ReportForgetsItsMainDataSet) {
    auto window = std::make_unique<TComponent>(nullptr);
    TrptReport report(nullptr);
    auto* ds = new TrptUserDataSet(window.get());
    ds->SetUserName("Main");
    report.SetDataSet(ds);
    ASSERT_EQ(report.DataSet(), ds);
    window.reset();
    EXPECT_EQ(report.DataSet(), nullptr);
    EXPECT_EQ(report.DataSetName(), "Main");
}

TEST(DataSetDestruction, ADatasetOutlivesTheReportThatUsedIt) {
    TComponent window(nullptr);
    auto* ds = new TrptUserDataSet(&window);
    ds->SetUserName("Survivor");
    {
        TrptReport report(nullptr);
        report.DataSets()->Add(ds);
        report.DataSets()->Initialize();
        EXPECT_EQ(ds->ReportRef(), &report);
    }
    EXPECT_EQ(ds->ReportRef(), nullptr);
    // Another report can use it afterwards.
    TrptReport next(nullptr);
    next.DataSets()->Add(ds);
    next.DataSets()->Initialize();
    EXPECT_EQ(ds->ReportRef(), &next);
}

TEST(DataSetDestruction, DatasetsOfAReportGoWithIt) {
    TrptUserDataSet* onPage = nullptr;
    {
        TrptReport report(nullptr);
        onPage = new TrptUserDataSet(&report);
        onPage->SetUserName("OnPage");
        report.DataSets()->Add(onPage);
        EXPECT_TRUE(InGlobalList(onPage));
    }
    EXPECT_FALSE(InGlobalList(onPage));
}

TEST(DataSetDestruction, ACollectionThatGoesFirstLeavesTheDatasetWhole) {
    auto ds = std::make_unique<TrptUserDataSet>();
    TrptDataSet* raw = ds.get();
    {
        TrptReportDataSets sets(nullptr);
        sets.Add(raw);
        sets.Add(raw);
        EXPECT_EQ(sets.Count(), 2);
    }
    // Freeing the dataset now must not reach the freed collection (the sanitizer build reports
    // any such access).
    ds.reset();
    EXPECT_FALSE(InGlobalList(raw));
}

// ---------------------------------------------------------------------------------------------
// The dataset as a component of a data page

TEST(DialogComponent, PositionTravelsAsWholeNumbersInsideAReport) {
    TrptReport report(nullptr);
    auto* ds = new TrptUserDataSet(&report);
    ds->SetLeft(60.4);
    ds->SetTop(20.5);
    TWriter writer;
    writer.WriteDefinedProperties(ds);
    ASSERT_FALSE(writer.Data().isEmpty());
    auto* copy = new TrptUserDataSet(&report);
    TReader reader(writer.Data());
    reader.ReadDefinedProperties(copy);
    EXPECT_EQ(copy->Left(), 60.0);
    EXPECT_EQ(copy->Top(), 20.0); // halves go to the even neighbour
    // Outside a report nothing is written.
    TrptUserDataSet loose;
    loose.SetLeft(5);
    TWriter none;
    none.WriteDefinedProperties(&loose);
    EXPECT_TRUE(none.Data().isEmpty());
}

TEST(DialogComponent, DrawsARaisedSquareWithItsNameBelow) {
    TrptUserDataSet ds;
    ds.SetName("Customers");
    ds.SetLeft(20);
    ds.SetTop(10);
    ds.SetWidth(100); // drawing puts the icon size back
    TBitmap bitmap;
    bitmap.SetSize(80, 70);
    bitmap.Canvas().Brush().SetColor(clWhite);
    bitmap.Canvas().FillRect(TRect(0, 0, 80, 70));
    // Scale and offset do not move the icon.
    ds.Draw(&bitmap.Canvas(), 2, 2, 7, 9);
    EXPECT_EQ(ds.Width(), 28);
    EXPECT_EQ(ds.Height(), 28);
    TCanvas& c = bitmap.Canvas();
    EXPECT_EQ(c.Pixel(34, 24), ColorToRGB(clBtnFace));    // inside
    EXPECT_EQ(c.Pixel(20, 10), ColorToRGB(cl3DLight));    // outer top-left
    EXPECT_EQ(c.Pixel(47, 37), ColorToRGB(cl3DDkShadow)); // outer bottom-right
    EXPECT_EQ(c.Pixel(21, 11), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(c.Pixel(46, 36), ColorToRGB(clBtnShadow));
    EXPECT_EQ(c.Pixel(19, 9), ColorToRGB(clWhite)); // nothing outside
    // The name: dark pixels in the band under the square, centred on it.
    int minX = 1000, maxX = -1;
    for (int y = 42; y < 60; ++y)
        for (int x = 0; x < 80; ++x)
            if (const TColor p = c.Pixel(x, y); (p & 0xFF) + ((p >> 8) & 0xFF) + ((p >> 16) & 0xFF) < 300) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_LE(minX, maxX);
    EXPECT_NEAR((minX + maxX) / 2.0, 34, 3);
    EXPECT_EQ(c.Pixel(34, 24), ColorToRGB(clBtnFace)); // no picture: the class is not registered

    // A registered class shows its palette picture at 6, 6 inside the square.
    TBitmap picture;
    picture.SetSize(16, 16);
    picture.Canvas().Brush().SetColor(clRed);
    picture.Canvas().FillRect(TRect(0, 0, 16, 16));
    ObjectRegistry()->RegisterObject(TrptUserDataSet::StaticClassInfo(), &picture);
    ds.Draw(&bitmap.Canvas(), 1, 1, 0, 0);
    ObjectRegistry()->Unregister(TrptUserDataSet::StaticClassInfo());
    EXPECT_EQ(c.Pixel(26, 16), ColorToRGB(clRed));
    EXPECT_EQ(c.Pixel(41, 31), ColorToRGB(clRed));
    EXPECT_EQ(c.Pixel(42, 32), ColorToRGB(clBtnFace));
}

// ---------------------------------------------------------------------------------------------
// The road of a report button: the application's dataset reaches a template by its user name

TEST(DataSetTemplate, TheTemplatesDatasetListFindsTheApplicationsDataset) {
    RegisterReportClasses();
    TComponent window(nullptr);
    auto* query = new TrptUserDataSet(&window);
    query->SetName("rptDBDataset1");
    query->SetUserName("Report");
    TMemoryStream templ;
    {
        TrptReport designer(nullptr);
        designer.DataSets()->Add(query);
        designer.SaveToStream(templ);
    }
    // The shell binds its query and adds it, then loads: loading clears the list, and the
    // template's own entry named "Report" finds the query through the process-wide list.
    TrptReport report(&window);
    report.DataSets()->Add(query);
    templ.SetPosition(0);
    report.LoadFromStream(templ);
    ASSERT_EQ(report.DataSets()->Count(), 1);
    EXPECT_EQ(report.DataSets()->Items(0)->DataSet(), query);
    EXPECT_EQ(report.GetDataset("report"), query);
    EXPECT_TRUE(report.Errors()->Count() == 0) << report.Errors()->Text().toStdString();
}
