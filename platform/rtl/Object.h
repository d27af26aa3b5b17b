#pragma once
// The root of every class that can be held by reference in lists, properties and scripts.
// ClassName and InheritsFrom come from the class tables and need the korvel_rtti library.

#include <QString>

#include <cstdint>

class TClassInfo;
class TObject;

// Set by the object handle table once it has given out a handle, so a dying object can drop it.
inline void (*GReleaseObjectHandle)(TObject* object) = nullptr;

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() {
        if (FObjectHandle != 0 && GReleaseObjectHandle) GReleaseObjectHandle(this);
    }

    // The class tables' record of the object's own class when the class declares one
    // (KORVEL_CLASS); ClassInfoOf() also finds classes registered by type.
    virtual const TClassInfo* ClassInfo() const { return nullptr; }
    static const TClassInfo* StaticClassInfo();
    QString ClassName() const;
    bool InheritsFrom(const QString& className) const; // the class or an ancestor, any case

private:
    friend class TObjectHandles;
    std::uint32_t FObjectHandle = 0;
};
