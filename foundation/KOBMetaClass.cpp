#include "foundation/KOBMetaClass.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace {

// 128-bit FNV-1a over the framework name, a separator and the class name.
KOBGuid nameBasedGuid(const std::string& framework, const std::string& name) {
    // Two independent 64-bit FNV-1a lanes (different offset bases) make up the 128 bits.
    std::uint64_t h1 = 0xcbf29ce484222325ULL;
    std::uint64_t h2 = 0x84222325cbf29ce4ULL;
    auto feed = [&](unsigned char c) {
        h1 = (h1 ^ c) * 0x100000001b3ULL;
        h2 = (h2 ^ c) * 0x100000001b3ULL;
        h2 ^= h2 >> 29;
    };
    for (unsigned char c : framework) feed(c);
    feed(0);
    for (unsigned char c : name) feed(c);

    KOBGuid g{};
    g.Data1 = static_cast<std::uint32_t>(h1 >> 32);
    g.Data2 = static_cast<std::uint16_t>(h1 >> 16);
    g.Data3 = static_cast<std::uint16_t>((h1 & 0x0fffU) | 0x5000U);  // version 5 (name-based)
    for (int i = 0; i < 8; ++i) g.Data4[i] = static_cast<std::uint8_t>(h2 >> (56 - 8 * i));
    g.Data4[0] = static_cast<std::uint8_t>((g.Data4[0] & 0x3fU) | 0x80U);  // RFC 4122 variant
    return g;
}

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::unique_ptr<KOBMetaClass>, std::less<>> records;
};

// Never destroyed: records stay valid through static destruction of any caller.
Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

}  // namespace

KOBMetaClass::KOBMetaClass(const char* className, int typeCode, KOBMetaClass* base,
                           const char* nullName, const char* framework, std::size_t instanceSize)
    : name_(className),
      typeCode_(typeCode),
      base_(base),
      nullName_(nullName ? nullName : ""),
      framework_(framework ? framework : ""),
      instanceSize_(instanceSize),
      classId_(nameBasedGuid(framework_, name_)) {}

bool KOBMetaClass::IsAKindOf(const char* name) const noexcept {
    if (name == nullptr) return false;
    for (const KOBMetaClass* m = this; m != nullptr; m = m->base_)
        if (std::strcmp(m->name_.c_str(), name) == 0) return true;
    return false;
}

KOBMetaClass* fct_RetrieveMetaObject(const char* className, int typeCode, KOBMetaClass* base,
                                     const char* nullName, const char* framework,
                                     std::size_t instanceSize) {
    if (className == nullptr) return nullptr;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto it = r.records.find(className);
    if (it != r.records.end()) return it->second.get();
    std::unique_ptr<KOBMetaClass> record(
        new KOBMetaClass(className, typeCode, base, nullName, framework, instanceSize));
    KOBMetaClass* result = record.get();
    r.records.emplace(className, std::move(record));
    return result;
}
