/// \file
/// The registration pattern shared by every component class.
///
/// A component class puts `KOB_DECLARE_COMPONENT(Class)` in its class body and
/// `KOB_DEFINE_COMPONENT(Class, Base)` in its source file, `Base` being the class it registers
/// with. Together they give the class:
///
///   static std::atomic<KOBMetaClass*> meta_object;   null until the first fetch
///   static KOBMetaClass* MetaObject();               the lazy fetch (see kob_FetchMetaObject)
///   virtual KOBMetaClass* GetMetaObject();           the same
///   static KOBGuid ClassId();                        the record's class identifier
///   virtual const char* IsA();                       the class name
///   static const char* ClassName();                  the class name
///   virtual bool IsAKindOf(const char* name);        this class or one of its registration bases
///   static KOBBaseUnknown* CreateItself();           null: components are built by their callers
#ifndef ZELMATH_FOUNDATION_KOBCOMPONENTREGISTRATION_H
#define ZELMATH_FOUNDATION_KOBCOMPONENTREGISTRATION_H

/// \addtogroup foundation
/// @{

#include "foundation/KOBMetaClass.h"

#include <atomic>
#include <cstddef>

class KOBBaseUnknown;

/// The lazy fetch: returns `slot`, first filling it from the registry when it is null. Takes no
/// lock of its own; threads racing on first use store the same record, since the registry keeps
/// one per name. The acquire/release pair publishes the record's contents with the pointer.
inline KOBMetaClass* kob_FetchMetaObject(std::atomic<KOBMetaClass*>& slot, const char* className,
                                         KOBMetaClass* (*baseMetaObject)(),
                                         std::size_t instanceSize) {
    KOBMetaClass* meta = slot.load(std::memory_order_acquire);
    if (meta == nullptr) {
        KOBMetaClass* base = baseMetaObject != nullptr ? baseMetaObject() : nullptr;
        meta = fct_RetrieveMetaObject(className, 1, base, "KOBNull", "ZELMath", instanceSize);
        slot.store(meta, std::memory_order_release);
    }
    return meta;
}

#define KOB_DECLARE_COMPONENT(Class)               \
public:                                            \
    static std::atomic<KOBMetaClass*> meta_object; \
    static KOBMetaClass* MetaObject();             \
    KOBMetaClass* GetMetaObject() override;        \
    static KOBGuid ClassId();                      \
    const char* IsA() override;                    \
    static const char* ClassName();                \
    bool IsAKindOf(const char* name) override;     \
    static KOBBaseUnknown* CreateItself();

// `baseMetaObject` is the registration base's `MetaObject` function, or null for the root.
#define KOB_DEFINE_COMPONENT_WITH_BASE(Class, baseMetaObject)                           \
    std::atomic<KOBMetaClass*> Class::meta_object{nullptr};                             \
    KOBMetaClass* Class::MetaObject() {                                                 \
        return kob_FetchMetaObject(meta_object, #Class, baseMetaObject, sizeof(Class)); \
    }                                                                                   \
    KOBMetaClass* Class::GetMetaObject() { return MetaObject(); }                       \
    KOBGuid Class::ClassId() { return MetaObject()->GetClassId(); }                     \
    const char* Class::IsA() { return MetaObject()->IsA(); }                            \
    const char* Class::ClassName() { return MetaObject()->IsA(); }                      \
    bool Class::IsAKindOf(const char* name) { return MetaObject()->IsAKindOf(name); }   \
    KOBBaseUnknown* Class::CreateItself() { return nullptr; }

#define KOB_DEFINE_COMPONENT(Class, Base) KOB_DEFINE_COMPONENT_WITH_BASE(Class, &Base::MetaObject)

/// @}

#endif
