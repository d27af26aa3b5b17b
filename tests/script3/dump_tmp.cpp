#include "script/sc_iinterpreter.h"
#include "platform/rtl/Streams.h"
#include <gtest/gtest.h>
#include <cstdio>
#include <QFile>
TEST(Dump, IL) {
    const char* lang = getenv("DUMP_LANG");
    const char* file = getenv("DUMP_FILE");
    if (!lang || !file) GTEST_SKIP();
    QFile f(file); f.open(QIODevice::ReadOnly);
    TscScript s; s.SetSyntaxType(lang); s.Lines()->SetText(QString::fromUtf8(f.readAll()));
    TMemoryStream out;
    bool ok = s.GetILCode(out);
    printf("ok=%d %s %s\n", ok, qPrintable(s.ErrorMsg()), qPrintable(s.ErrorPos()));
    out.SetPosition(0);
    TscXMLDocument doc; doc.SetAutoIndent(true); doc.LoadFromStream(out);
    TMemoryStream o2; doc.SaveToStream(o2);
    QByteArray b = doc.SaveToBytes(); fwrite(b.data(),1,b.size(),stdout);
}
