#include "report/core/rptrcDesgn.h"

QByteArray DesignerResourceTable() {
    static const char table[] = R"xml(<?xml version="1.1" encoding="utf-8"?>
<Resources CodePage="1252">
<StrRes Name="5000" Text="Password"/>
<StrRes Name="5001" Text="Enter the password:"/>
<StrRes Name="6000" Text="Inherit error"/>
<StrRes Name="6001" Text="Base and inherited reports have duplicate objects. What should we do?"/>
<StrRes Name="6002" Text="Delete duplicates"/>
<StrRes Name="6003" Text="Rename duplicates"/>
<StrRes Name="prInvProp" Text="Invalid property value"/>
<StrRes Name="prDupl" Text="Duplicate name"/>
<StrRes Name="obShape" Text="Shape object"/>
<StrRes Name="obText" Text="Text object"/>
<StrRes Name="obSysText" Text="System text"/>
<StrRes Name="obLine" Text="Line object"/>
<StrRes Name="obPicture" Text="Picture object"/>
<StrRes Name="obBand" Text="Band"/>
<StrRes Name="obDataBand" Text="Data band"/>
<StrRes Name="obSubRep" Text="Subreport object"/>
<StrRes Name="obDlgPage" Text="Dialog form"/>
<StrRes Name="obRepPage" Text="Page"/>
<StrRes Name="obReport" Text="Report object"/>
<StrRes Name="obChBox" Text="CheckBox object"/>
<StrRes Name="obChart" Text="Chart object"/>
<StrRes Name="obDataPage" Text="Data page"/>
<StrRes Name="obDMPText" Text="Dot-matrix Text object"/>
<StrRes Name="obDMPLine" Text="Dot-matrix Line object"/>
<StrRes Name="obDMPCmd" Text="Dot-matrix Command object"/>
</Resources>
)xml";
    return QByteArray::fromRawData(table, sizeof(table) - 1);
}
