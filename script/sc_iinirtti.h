#pragma once
// INI files as scripts see them, with the list and stream helpers scripts use to keep lists in
// sections and to move whole files through streams.

#include "platform/rtl/IniFiles.h"
#include "script/sc_iinterpreter.h"

namespace sc_iinirtti {

class TFunctions : public TscRTTIModule {
public:
    explicit TFunctions(TscScript* AScript);
    static std::unique_ptr<TscRTTIModule> Make(TscScript* AScript) {
        return std::make_unique<TFunctions>(AScript);
    }

    static const TClassInfo* CustomIniFileClass();
    static const TClassInfo* MemIniFileClass();
    static const TClassInfo* IniFileClass();

    // The file's lines into the stream; nothing for a nil file or stream or another file class.
    static void SaveIniToStream(TCustomIniFile* Ini, TStream* Stream);
    // The stream's lines replace the file (on disk for a TIniFile, in memory for a TMemIniFile).
    static void LoadIniFromStream(TCustomIniFile* Ini, TStream* Stream);
    // The lines as keys Items0, Items1 ... and Count, after erasing the section when IsClear.
    static void WriteStringsToIni(TCustomIniFile& Ini, const QString& Section, const TStrings& Value,
                                  bool IsClear);
    // Appends the lines of the section to Value (cleared first when IsClear) and returns them
    // as one text, a line break after each.
    static QString ReadStringsFromIni(TCustomIniFile& Ini, const QString& Section, TStrings& Value,
                                      bool IsClear);

private:
    Variant CallHostMethod(TObject* Instance, const TClassInfo* Cls, const QString& Name, TscMethodHelper* C);
    static Variant GetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name);
};

} // namespace sc_iinirtti
