/// \class KOBMetaClass
/// Class meta-information of the component classes.
///
/// Every component class (the random generator and the distributions) is described by one
/// `KOBMetaClass` record: its name, the record of its registration base, a class identifier and
/// the size of an instance. `fct_RetrieveMetaObject` keeps one record per class name for the life
/// of the process, so the pointers it hands out never dangle and every thread that asks for a
/// name gets the same record.
#ifndef ZELMATH_FOUNDATION_KOBMETACLASS_H
#define ZELMATH_FOUNDATION_KOBMETACLASS_H

/// \addtogroup foundation
/// @{

#include "ZELMathExport.h"

#include <cstddef>
#include <cstdint>
#include <string>

/// A 128-bit class identifier in the usual GUID layout.
struct KOBGuid {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend bool operator==(const KOBGuid& a, const KOBGuid& b) noexcept {
        if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
        for (int i = 0; i < 8; ++i)
            if (a.Data4[i] != b.Data4[i]) return false;
        return true;
    }
    friend bool operator!=(const KOBGuid& a, const KOBGuid& b) noexcept { return !(a == b); }
};

class ZELMATH_EXPORT KOBMetaClass {
public:
    /// The class identifier. It is a hash of the framework and class names alone (in the RFC 4122
    /// layout of a name-based identifier), so it is the same in every process and every build.
    KOBGuid GetClassId() const noexcept { return classId_; }
    /// The class name.
    const char* IsA() const noexcept { return name_.c_str(); }
    /// True when `name` is this class's name or the name of one of its registration bases.
    /// A null name is no class.
    bool IsAKindOf(const char* name) const noexcept;

    KOBMetaClass* GetBase() const noexcept { return base_; }
    int GetTypeCode() const noexcept { return typeCode_; }
    const char* GetNullName() const noexcept { return nullName_.c_str(); }
    const char* GetFramework() const noexcept { return framework_.c_str(); }
    std::size_t GetInstanceSize() const noexcept { return instanceSize_; }

    KOBMetaClass(const KOBMetaClass&) = delete;
    KOBMetaClass& operator=(const KOBMetaClass&) = delete;

private:
    friend ZELMATH_EXPORT KOBMetaClass* fct_RetrieveMetaObject(const char*, int, KOBMetaClass*,
                                                               const char*, const char*,
                                                               std::size_t);
    KOBMetaClass(const char* className, int typeCode, KOBMetaClass* base, const char* nullName,
                 const char* framework, std::size_t instanceSize);

    std::string name_;
    int typeCode_;
    KOBMetaClass* base_;
    std::string nullName_;
    std::string framework_;
    std::size_t instanceSize_;
    KOBGuid classId_;
};

/// The record of `className`. The first call for a name creates it from the arguments; later
/// calls return that record unchanged, whatever arguments they pass. Thread-safe. A null class
/// name yields null.
ZELMATH_EXPORT KOBMetaClass* fct_RetrieveMetaObject(const char* className, int typeCode,
                                                    KOBMetaClass* base, const char* nullName,
                                                    const char* framework,
                                                    std::size_t instanceSize);

/// @}

#endif
