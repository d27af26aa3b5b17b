#pragma once
// The generic property round trip: every writable property (and those of sub-objects) gets a
// value other than its default, and after a template save and load every one reads the same.

#include "platform/gfx/Picture.h"
#include "platform/rtti/TypInfo.h"
#include "report/core/rptClassReport.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace roundtrip {


// Gives every writable property (and those of sub-objects) a value other than its default.
inline void ChangeEverything(TObject* obj, TrptReport* report, int depth = 0) {
    for (const TPropInfo* p : ClassInfoOf(obj)->Props()) {
        if (p->Name() == QLatin1String("Name") || !p->IsReadable()) continue;
        try {
            switch (p->Kind()) {
            case tkInteger:
            case tkInt64:
            case tkChar:
                if (p->IsWritable()) SetOrdProp(obj, p, p->HasDefault() ? p->Default().ToInt64() + 7 : 7);
                break;
            case tkEnumeration:
                if (p->IsWritable()) {
                    const Int64 cur = GetOrdProp(obj, p);
                    SetOrdProp(obj, p,
                               cur >= p->PropType()->MaxValue() ? p->PropType()->MinValue() : cur + 1);
                }
                break;
            case tkSet:
                if (p->IsWritable()) SetOrdProp(obj, p, GetOrdProp(obj, p) ^ 1);
                break;
            case tkFloat:
                if (p->IsWritable()) SetFloatProp(obj, p, 12.375);
                break;
            case tkString:
                if (p->IsWritable()) SetStrProp(obj, p, QStringLiteral("V_%1 \"<&>\"\r\nend").arg(p->Name()));
                break;
            case tkStrings:
                if (auto* l = static_cast<TStrings*>(GetObjectProp(obj, p))) l->SetText("one\r\ntwo");
                break;
            case tkComponent:
                if (p->IsWritable())
                    for (TrptComponent* c : report->AllObjects())
                        if (c != obj && ClassInfoOf(c)->InheritsFrom(p->PropClass()) &&
                            !c->Name().isEmpty()) {
                            SetObjectProp(obj, p, c);
                            break;
                        }
                break;
            case tkClass:
                if (auto* picture = dynamic_cast<TPicture*>(GetObjectProp(obj, p))) {
                    auto png = std::make_unique<TPngImage>();
                    QImage img(3, 2, QImage::Format_ARGB32);
                    img.fill(QColor(10, 200, 30, 255));
                    img.setPixel(1, 1, qRgba(250, 0, 0, 255));
                    png->SetImage(img);
                    picture->SetGraphic(std::move(png));
                } else if (depth < 3) {
                    if (TObject* sub = GetObjectProp(obj, p)) ChangeEverything(sub, report, depth + 1);
                }
                break;
            default:
                break;
            }
        } catch (const Exception&) {
            // A value the class refuses stays as it was.
        }
    }
}

inline void CompareEverything(TObject* a, TObject* b, const QString& path, int depth = 0) {
    for (const TPropInfo* p : ClassInfoOf(a)->Props()) {
        if (p->Name() == QLatin1String("Name") || !p->IsReadable() || p->Kind() == tkMethod) continue;
        if (!p->IsWritable() && p->Kind() != tkClass && p->Kind() != tkStrings) continue;
        const QString where = path + p->Name();
        switch (p->Kind()) {
        case tkFloat:
            EXPECT_NEAR(GetFloatProp(a, p), GetFloatProp(b, p),
                        1e-9 * std::max(1.0, std::fabs(GetFloatProp(a, p))))
                << where.toStdString();
            break;
        case tkComponent: {
            auto* ca = static_cast<TComponent*>(GetObjectProp(a, p));
            auto* cb = static_cast<TComponent*>(GetObjectProp(b, p));
            EXPECT_EQ(ca ? ca->Name() : QString(), cb ? cb->Name() : QString()) << where.toStdString();
            break;
        }
        case tkClass:
            if (auto* pa = dynamic_cast<TPicture*>(GetObjectProp(a, p))) {
                auto* pb = dynamic_cast<TPicture*>(GetObjectProp(b, p));
                ASSERT_TRUE(pb && pa->Graphic() && pb->Graphic()) << where.toStdString();
                EXPECT_EQ(pa->Graphic()->ToImage().convertToFormat(QImage::Format_ARGB32),
                          pb->Graphic()->ToImage().convertToFormat(QImage::Format_ARGB32))
                    << where.toStdString();
            } else if (depth < 3) {
                TObject* sa = GetObjectProp(a, p);
                TObject* sb = GetObjectProp(b, p);
                if (sa && sb) CompareEverything(sa, sb, where + ".", depth + 1);
            }
            break;
        case tkStrings: {
            auto* la = static_cast<TStrings*>(GetObjectProp(a, p));
            auto* lb = static_cast<TStrings*>(GetObjectProp(b, p));
            EXPECT_EQ(la ? la->Text() : QString(), lb ? lb->Text() : QString()) << where.toStdString();
            break;
        }
        default:
            EXPECT_EQ(VarToStr(GetPropValue(a, p, false)), VarToStr(GetPropValue(b, p, false)))
                << where.toStdString();
        }
    }
}

} // namespace roundtrip
