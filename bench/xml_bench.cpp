// Times the report library's XML document against QXmlStreamWriter/QXmlStreamReader on the same
// work: a prepared-report-like document of about one million elements (10,000 pages of 100 objects,
// four attributes each) written to memory and read back. Prints one "name: value unit" line per
// figure.
//
//   write: each writer from its in-memory input to bytes in a growing memory buffer. Korvel saves a
//          document built beforehand (SaveToStream into a TMemoryStream); Qt writes start elements
//          and attributes (escaping them) from the source data into a QBuffer. Building Korvel's
//          document (Add, SetProp with its escaping) is timed apart as "build".
//   read:  from bytes to a tree in memory and every attribute value read from it. Korvel loads the
//          document and reads each value with GetProp; Qt reads the tokens into a tree of nodes
//          holding the name and the attribute values. Korvel's load alone is timed as "load".
//
// Times are CPU time of the thread (page faults included), so that a busy machine does not decide
// the figures; the sides take turns run by run, and each writes into the buffer of its run before.

#include "report/core/rptXML.h"

#include <QBuffer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/resource.h>
#include <memory>
#include <vector>

namespace {

int GPages = 10000;
constexpr int kObjects = 100;
const QString kAttr[4] = {QStringLiteral("l"), QStringLiteral("t"), QStringLiteral("w"), QStringLiteral("x")};

// The source data: the same names and values for both sides.
struct TSource {
    QStringList Names;                     // object element names, cycled
    std::vector<std::array<QString, 4>> Values; // per object of a page
};

TSource MakeSource() {
    TSource s;
    for (int i = 0; i < 20; ++i)
        s.Names << QStringLiteral("m%1").arg(i);
    for (int o = 0; o < kObjects; ++o) {
        QString text;
        switch (o % 4) {
        case 0: text = QStringLiteral("Customer %1").arg(o); break;
        case 1: text = QStringLiteral("Total: %1.50 & more").arg(o * 17); break;
        case 2: text = QStringLiteral("Привет, мир %1").arg(o); break;
        default: text = QStringLiteral("<b>%1</b> \"quoted\"").arg(o); break;
        }
        s.Values.push_back({QString::number(10 + o % 7 * 95.5), QString::number(o * 18.25),
                            QString::number(120 + o % 3), text});
    }
    return s;
}

qint64 Checksum(const QString& s) {
    qint64 h = s.size();
    for (QChar c : s)
        h = h * 31 + c.unicode();
    return h;
}

// Sum over every element of its name and attribute values, as both readers must see it.
qint64 SourceChecksum(const TSource& s, long& elements) {
    qint64 sum = Checksum(QStringLiteral("preparedreport")) + Checksum(QStringLiteral("previewpages"));
    elements = 2;
    for (int p = 0; p < GPages; ++p) {
        sum += Checksum(QStringLiteral("page%1").arg(p % 2));
        ++elements;
        for (int o = 0; o < kObjects; ++o) {
            sum += Checksum(s.Names[o % s.Names.size()]);
            for (const QString& v : s.Values[static_cast<size_t>(o)])
                sum += Checksum(v);
            ++elements;
        }
    }
    return sum;
}

// ---------------------------------------------------------------------------------------------
// Korvel

void KorvelBuild(const TSource& s, TrptXMLDocument& doc) {
    doc.Root()->SetName(QStringLiteral("preparedreport"));
    TrptXMLItem* pages = doc.Root()->Add(QStringLiteral("previewpages"));
    const QString pageName[2] = {QStringLiteral("page0"), QStringLiteral("page1")};
    for (int p = 0; p < GPages; ++p) {
        TrptXMLItem* page = pages->Add(pageName[p % 2]);
        for (int o = 0; o < kObjects; ++o) {
            TrptXMLItem* obj = page->Add(s.Names[o % s.Names.size()]);
            const auto& v = s.Values[static_cast<size_t>(o)];
            for (int a = 0; a < 4; ++a)
                obj->SetProp(kAttr[a], v[static_cast<size_t>(a)]);
        }
    }
}

qint64 KorvelRead(TMemoryStream& in) {
    in.SetPosition(0);
    TrptXMLDocument doc;
    doc.LoadFromStream(in);
    qint64 sum = Checksum(doc.Root()->Name());
    TrptXMLItem* pages = doc.Root()->Items(0);
    sum += Checksum(pages->Name());
    for (int p = 0; p < pages->Count(); ++p) {
        TrptXMLItem* page = pages->Items(p);
        sum += Checksum(page->Name());
        for (int o = 0; o < page->Count(); ++o) {
            TrptXMLItem* obj = page->Items(o);
            sum += Checksum(obj->Name());
            for (const QString& a : kAttr)
                sum += Checksum(obj->GetProp(a));
        }
    }
    return sum;
}

// ---------------------------------------------------------------------------------------------
// Qt

// Writes into bytes, whose memory is kept from the run before.
void QtWrite(const TSource& s, QByteArray& bytes) {
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QXmlStreamWriter w(&buffer);
    w.writeStartDocument();
    w.writeStartElement(QStringLiteral("preparedreport"));
    w.writeStartElement(QStringLiteral("previewpages"));
    const QString pageName[2] = {QStringLiteral("page0"), QStringLiteral("page1")};
    for (int p = 0; p < GPages; ++p) {
        w.writeStartElement(pageName[p % 2]);
        for (int o = 0; o < kObjects; ++o) {
            w.writeStartElement(s.Names[o % s.Names.size()]);
            const auto& v = s.Values[static_cast<size_t>(o)];
            for (int a = 0; a < 4; ++a)
                w.writeAttribute(kAttr[a], v[static_cast<size_t>(a)]);
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
    w.writeEndDocument();
}

struct TQtNode {
    QString Name;
    std::vector<QString> Values;
    int Parent;
};

// The node list keeps its memory from the run before, as Korvel's element blocks do.
std::vector<TQtNode> GNodes;

qint64 QtRead(const QByteArray& bytes) {
    QXmlStreamReader r(bytes);
    std::vector<TQtNode>& nodes = GNodes;
    nodes.clear();
    std::vector<int> open;
    while (!r.atEnd()) {
        const QXmlStreamReader::TokenType t = r.readNext();
        if (t == QXmlStreamReader::StartElement) {
            TQtNode node{r.name().toString(), {}, open.empty() ? -1 : open.back()};
            for (const QXmlStreamAttribute& a : r.attributes())
                node.Values.push_back(a.value().toString());
            nodes.push_back(std::move(node));
            open.push_back(static_cast<int>(nodes.size()) - 1);
        } else if (t == QXmlStreamReader::EndElement) {
            open.pop_back();
        }
    }
    if (r.hasError())
        return -1;
    qint64 sum = 0;
    for (const TQtNode& n : nodes) {
        sum += Checksum(n.Name);
        for (const QString& v : n.Values)
            sum += Checksum(v);
    }
    nodes.clear();
    return sum;
}

// CPU time of this thread, in seconds: kernel time for page faults included, time spent waiting
// for a CPU on a busy machine left out.
double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

long MinorFaults() {
    rusage r{};
    getrusage(RUSAGE_THREAD, &r);
    return r.ru_minflt;
}

// One timed piece of work: the best CPU time over the runs and the page faults of the last run.
struct TFigure {
    double Seconds = 1e30;
    long Faults = 0;
    template <typename F> void Run(F&& work) {
        const long faults = MinorFaults();
        const double start = CpuSeconds();
        work();
        Seconds = std::min(Seconds, CpuSeconds() - start);
        Faults = MinorFaults() - faults;
    }
};

} // namespace

int main(int argc, char** argv) {
    int runs = 3;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--pages") == 0)
            GPages = std::max(1, std::atoi(argv[++i]));
    }
    const TSource source = MakeSource();
    long elements = 0;
    const qint64 expected = SourceChecksum(source, elements);
    std::printf("elements: %ld count\nruns: %d value\n", elements, runs);

    TFigure build, write, qtWrite, read, load, qtRead;
    TMemoryStream korvelOut;
    QByteArray qtBytes;
    for (int i = 0; i < runs; ++i) {
        auto doc = std::make_unique<TrptXMLDocument>();
        build.Run([&] { KorvelBuild(source, *doc); });
        // Both write into the buffer of the run before, so only the first run pays for fresh memory.
        korvelOut.SetSize(0);
        write.Run([&] { doc->SaveToStream(korvelOut); });
        doc.reset();
        qtWrite.Run([&] { QtWrite(source, qtBytes); });
    }
    qint64 korvelSum = 0, qtSum = 0;
    for (int i = 0; i < runs; ++i) {
        read.Run([&] { korvelSum = KorvelRead(korvelOut); });
        load.Run([&] {
            korvelOut.SetPosition(0);
            TrptXMLDocument doc;
            doc.LoadFromStream(korvelOut);
        });
        qtRead.Run([&] { qtSum = QtRead(qtBytes); });
    }
    // Korvel's file is well-formed XML that Qt reads to the same values.
    const qint64 crossSum = QtRead(korvelOut.Bytes());

    std::printf("korvel.bytes: %lld bytes\nqt.bytes: %lld bytes\n", static_cast<long long>(korvelOut.Size()),
                static_cast<long long>(qtBytes.size()));
    const auto print = [&](const char* name, const TFigure& f) {
        std::printf("%s: %.2f Melements/s\n", name, elements / f.Seconds / 1e6);
        std::printf("%s.faults: %ld count\n", name, f.Faults);
    };
    print("korvel.build", build);
    print("korvel.write", write);
    print("qt.write", qtWrite);
    std::printf("write.korvel_vs_qt: %.2f x\n", qtWrite.Seconds / write.Seconds);
    std::printf("build_and_write.korvel_vs_qt: %.2f x\n", qtWrite.Seconds / (build.Seconds + write.Seconds));
    print("korvel.load", load);
    print("korvel.read", read);
    print("qt.read", qtRead);
    std::printf("read.korvel_vs_qt: %.2f x\n", qtRead.Seconds / read.Seconds);
    std::printf("write.not_slower_than_qt: %s goal\n", write.Seconds <= qtWrite.Seconds ? "yes" : "no");
    std::printf("read.not_slower_than_qt: %s goal\n", read.Seconds <= qtRead.Seconds ? "yes" : "no");
    const bool agree = korvelSum == expected && qtSum == expected && crossSum == expected;
    if (!agree)
        std::printf("checksums.mismatch: source %lld korvel %lld qt %lld qt_on_korvel %lld status\n",
                    static_cast<long long>(expected), static_cast<long long>(korvelSum),
                    static_cast<long long>(qtSum), static_cast<long long>(crossSum));
    std::printf("checksums: %s status\n", agree ? "agree" : "differ");
    return agree ? 0 : 1;
}
