#include "foundation/KOBBaseUnknown.h"

#include "foundation/ZELPoolAllocator.h"

KOB_DEFINE_COMPONENT_WITH_BASE(KOBBaseUnknown, nullptr)

KOBBaseUnknown::~KOBBaseUnknown() = default;

KOBResult KOBBaseUnknown::QueryInterface(const KOBGuid& iid, void** object) {
    if (object == nullptr) return KOB_E_POINTER;
    for (KOBMetaClass* m = GetMetaObject(); m != nullptr; m = m->GetBase()) {
        if (m->GetClassId() == iid) {
            *object = this;
            return KOB_S_OK;
        }
    }
    *object = nullptr;
    return KOB_E_NOINTERFACE;
}

KOBResult KOBBaseUnknown::QueryInterface(const char* interfaceName, void** object) {
    if (object == nullptr) return KOB_E_POINTER;
    if (IsAKindOf(interfaceName)) {
        *object = this;
        return KOB_S_OK;
    }
    *object = nullptr;
    return KOB_E_NOINTERFACE;
}

unsigned long KOBBaseUnknown::AddRef() { return 1; }
unsigned long KOBBaseUnknown::Release() { return 1; }

KOBResult KOBBaseUnknown::GetTypeInfoCount(unsigned int* count) {
    if (count == nullptr) return KOB_E_POINTER;
    *count = 0;
    return KOB_S_OK;
}

KOBResult KOBBaseUnknown::GetTypeInfo(unsigned int, unsigned long, void** typeInfo) {
    if (typeInfo != nullptr) *typeInfo = nullptr;
    return KOB_E_NOTIMPL;
}

KOBResult KOBBaseUnknown::GetIDsOfNames(const KOBGuid&, wchar_t**, unsigned int, unsigned long,
                                        long*) {
    return KOB_E_NOTIMPL;
}

KOBResult KOBBaseUnknown::Invoke(long, const KOBGuid&, unsigned long, unsigned short, void*, void*,
                                 void*, unsigned int*) {
    return KOB_E_NOTIMPL;
}

KOBBaseUnknown* KOBBaseUnknown::GetImpl(int) { return this; }
void KOBBaseUnknown::SetImpl(KOBBaseUnknown*) {}
bool KOBBaseUnknown::IsNull() { return false; }
bool KOBBaseUnknown::IsEqual(KOBBaseUnknown* other) { return other == this; }
void KOBBaseUnknown::ChangeComponentState(int, int, KOBSysChangeComponentStateContext*) {}

void* KOBBaseUnknown::operator new(std::size_t bytes) {
    return ZELPoolAllocator::Global()->allocate(bytes);
}

void KOBBaseUnknown::operator delete(void* p, std::size_t bytes) noexcept {
    ZELPoolAllocator::Global()->deallocate(p, bytes);
}
