/// \class KOBBaseUnknown
/// The base class of every component class (the random generator and the distributions).
///
/// Besides the class meta-information (see KOBComponentRegistration.h), the base offers the
/// component runtime's generic slots. Components of this library are plain objects owned by their
/// callers, so those slots do the least that is still correct:
///   - `QueryInterface` by name hands out `this` for the class's own name and the names of its
///     registration bases (`IsAKindOf`) and refuses every other name with `KOB_E_NOINTERFACE`;
///     by identifier it does the same with the class identifiers along the registration bases.
///   - `AddRef` and `Release` count nothing and free nothing: both return 1. Lifetime is the
///     caller's business (automatic storage, `delete`, smart pointers).
///   - `GetTypeInfoCount` reports no type information; `GetTypeInfo`, `GetIDsOfNames` and
///     `Invoke` return `KOB_E_NOTIMPL`.
///   - `GetImpl` returns `this`, `SetImpl` and `ChangeComponentState` do nothing, `IsNull` is
///     false and `IsEqual` compares addresses.
///
/// Heap instances come from the class-specific `operator new`, which draws on the global pool
/// allocator and throws `std::bad_alloc` when memory runs out, like the global one (a
/// new-expression never yields null); `operator delete` returns the block to the pool.
#ifndef ZELMATH_FOUNDATION_KOBBASEUNKNOWN_H
#define ZELMATH_FOUNDATION_KOBBASEUNKNOWN_H

/// \addtogroup foundation
/// @{

#include "ZELMathExport.h"
#include "foundation/KOBComponentRegistration.h"
#include "foundation/KOBMetaClass.h"

#include <atomic>
#include <cstddef>

class KOBSysChangeComponentStateContext;

using KOBResult = long;
constexpr KOBResult KOB_S_OK = 0;
constexpr KOBResult KOB_E_NOTIMPL = -2147467263L;      // 0x80004001
constexpr KOBResult KOB_E_NOINTERFACE = -2147467262L;  // 0x80004002
constexpr KOBResult KOB_E_POINTER = -2147467261L;      // 0x80004003

class ZELMATH_EXPORT KOBBaseUnknown {
public:
    KOBBaseUnknown() noexcept = default;
    KOBBaseUnknown(const KOBBaseUnknown&) noexcept = default;
    KOBBaseUnknown& operator=(const KOBBaseUnknown&) noexcept = default;

    virtual KOBResult QueryInterface(const KOBGuid& iid, void** object);
    virtual unsigned long AddRef();
    virtual unsigned long Release();
    virtual KOBResult GetTypeInfoCount(unsigned int* count);
    virtual KOBResult GetTypeInfo(unsigned int index, unsigned long locale, void** typeInfo);
    virtual KOBResult GetIDsOfNames(const KOBGuid& iid, wchar_t** names, unsigned int count,
                                    unsigned long locale, long* ids);
    virtual KOBResult Invoke(long id, const KOBGuid& iid, unsigned long locale,
                             unsigned short flags, void* parameters, void* result,
                             void* exceptionInfo, unsigned int* argumentError);
    virtual KOBResult QueryInterface(const char* interfaceName, void** object);
    virtual ~KOBBaseUnknown();
    virtual KOBMetaClass* GetMetaObject();
    virtual const char* IsA();
    virtual bool IsAKindOf(const char* name);
    virtual KOBBaseUnknown* GetImpl(int which);
    virtual void SetImpl(KOBBaseUnknown* impl);
    virtual bool IsNull();
    virtual bool IsEqual(KOBBaseUnknown* other);
    virtual void ChangeComponentState(int from, int to, KOBSysChangeComponentStateContext* context);

    static std::atomic<KOBMetaClass*> meta_object;
    static KOBMetaClass* MetaObject();
    static KOBGuid ClassId();
    static const char* ClassName();
    static KOBBaseUnknown* CreateItself();

    static void* operator new(std::size_t bytes);
    static void* operator new(std::size_t, void* place) noexcept { return place; }
    static void operator delete(void* p, std::size_t bytes) noexcept;
    static void operator delete(void*, void*) noexcept {}
};

/// @}

#endif
